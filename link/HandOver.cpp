#include "HandOver.h"

#include <chrono>
#include <utility>

namespace {
// A batch of hand-overs yields to the window's other events after this long, so the window
// stays responsive under a flood.
constexpr auto kDrainBudget = std::chrono::milliseconds(8);
}  // namespace

HandOver::HandOver(WindowThread& target, std::size_t maxPending)
    : target(target), maxPending(maxPending), shared(std::make_shared<Shared>()) {}

void HandOver::Deliver(std::function<void()> task) {
  bool post = false;
  {
    std::unique_lock lock(shared->mutex);
    shared->room.wait(lock, [&] { return shared->cancelled || shared->queue.size() < maxPending; });
    shared->queue.push_back(std::move(task));
    if (!shared->drainPosted && !shared->cancelled) {
      shared->drainPosted = true;
      post = true;
    }
  }
  if (post) {
    // The posted call may run after this object is gone, so it holds the shared state only.
    target.Post([shared = shared, &target = target] { Drain(shared, target); });
  }
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
      if (shared->queue.empty()) return;
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
