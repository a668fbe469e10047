#include "HandOver.h"

#include <chrono>
#include <utility>

namespace {
// A batch of hand-overs yields to the window's other events after this long, so the window
// stays responsive under a flood.
constexpr auto kDrainBudget = std::chrono::milliseconds(8);
}  // namespace

HandOver::HandOver(WindowThread& target, std::size_t maxPending,
                   std::chrono::milliseconds drainInterval)
    : target(target),
      maxPending(maxPending),
      drainInterval(drainInterval),
      shared(std::make_shared<Shared>()) {}

void HandOver::MarkPosted(Clock::time_point now) {
  shared->drainPosted = true;
  shared->postHeld = false;
  shared->lastPost = now;
}

void HandOver::PostDrain() {
  // The posted call may run after this object is gone, so it holds the shared state only.
  target.Post([shared = shared, &target = target] { Drain(shared, target); });
}

void HandOver::Deliver(std::function<void()> task) {
  bool post = false;
  {
    std::unique_lock lock(shared->mutex);
    if (shared->queue.size() >= maxPending && shared->postHeld && !shared->cancelled) {
      // A full queue waits for the window: its drain cannot be held back any longer.
      MarkPosted(Clock::now());
      lock.unlock();
      PostDrain();
      lock.lock();
    }
    shared->room.wait(lock, [&] { return shared->cancelled || shared->queue.size() < maxPending; });
    shared->queue.push_back(std::move(task));
    if (!shared->drainPosted && !shared->cancelled) {
      const Clock::time_point now = Clock::now();
      if (now - shared->lastPost >= drainInterval) {
        MarkPosted(now);
        post = true;
      } else {
        shared->postHeld = true;
      }
    }
  }
  if (post) PostDrain();
}

std::optional<HandOver::Clock::time_point> HandOver::PostDeadline() const {
  std::lock_guard lock(shared->mutex);
  if (!shared->postHeld || shared->cancelled) return std::nullopt;
  return shared->lastPost + drainInterval;
}

void HandOver::PostIfDue() {
  {
    std::lock_guard lock(shared->mutex);
    if (!shared->postHeld || shared->cancelled || shared->drainPosted) return;
    const Clock::time_point now = Clock::now();
    if (now - shared->lastPost < drainInterval) return;
    MarkPosted(now);
  }
  PostDrain();
}

void HandOver::Drain(const std::shared_ptr<Shared>& shared, WindowThread& target) {
  const auto start = std::chrono::steady_clock::now();
  while (true) {
    std::function<void()> task;
    {
      std::lock_guard lock(shared->mutex);
      if (shared->queue.empty()) {
        shared->drainPosted = false;
        return;
      }
      if (std::chrono::steady_clock::now() - start > kDrainBudget) {
        // Leave drainPosted set: the rest follows in a later event.
        target.Post([shared, &target] { Drain(shared, target); });
        return;
      }
      task = std::move(shared->queue.front());
      shared->queue.pop_front();
    }
    shared->room.notify_one();
    try {
      task();
    } catch (...) {
      // The error goes to the window's error display; the tasks behind it still run.
      std::lock_guard lock(shared->mutex);
      if (!shared->queue.empty()) {
        target.Post([shared, &target] { Drain(shared, target); });
      } else {
        shared->drainPosted = false;
      }
      throw;
    }
  }
}

void HandOver::Cancel() {
  {
    std::lock_guard lock(shared->mutex);
    shared->cancelled = true;
  }
  shared->room.notify_all();
}

void HandOver::Flush() {
  while (true) {
    std::function<void()> task;
    {
      std::lock_guard lock(shared->mutex);
      if (shared->queue.empty()) {
        shared->postHeld = false;
        return;
      }
      task = std::move(shared->queue.front());
      shared->queue.pop_front();
    }
    task();
  }
}

std::size_t HandOver::Pending() const {
  std::lock_guard lock(shared->mutex);
  return shared->queue.size();
}
