#include "HandOver.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace {
// A batch of hand-overs yields to the window's other events after this long, so the window
// stays responsive under a flood.
constexpr auto kDrainBudget = std::chrono::milliseconds(8);
}  // namespace

HandOver::HandOver(WindowThread& target, std::size_t maxPending,
                   std::chrono::milliseconds drainInterval, std::size_t maxBytes)
    : target(target),
      maxPending(maxPending),
      drainInterval(drainInterval),
      maxBytes(maxBytes),
      shared(std::make_shared<Shared>()) {}

bool HandOver::Full(std::size_t bytes) const {
  // A task larger than the whole bound still goes into an empty queue.
  return shared->queue.size() >= maxPending ||
         (!shared->queue.empty() && shared->bytes + bytes > maxBytes);
}

void HandOver::MarkPosted(Clock::time_point now) {
  shared->drainPosted = true;
  shared->postHeld = false;
  shared->lastPost = now;
}

void HandOver::PostDrain(const std::shared_ptr<Shared>& shared, WindowThread& target) {
  // The posted call may run after this object is gone, so it holds the shared state only.
  target.Post([shared, &target] { Drain(shared, target); });
}

void HandOver::Deliver(std::function<void()> task, std::size_t bytes, bool kept) {
  bool post = false;
  {
    std::unique_lock lock(shared->mutex);
    if (Full(bytes) && shared->postHeld && !shared->cancelled) {
      // A full queue waits for the window: its drain cannot be held back any longer.
      MarkPosted(Clock::now());
      lock.unlock();
      PostDrain(shared, target);
      lock.lock();
    }
    ++shared->waiting;
    shared->room.wait(lock, [&] { return shared->cancelled || !Full(bytes); });
    --shared->waiting;
    shared->queue.push_back({std::move(task), bytes, kept});
    shared->bytes += bytes;
    if (!shared->drainPosted && !shared->cancelled) {
      const Clock::time_point now = Clock::now();
      if (!shared->holding && now - shared->lastPost >= drainInterval) {
        MarkPosted(now);
        post = true;
      } else {
        shared->postHeld = true;
      }
    }
  }
  if (post) PostDrain(shared, target);
}

std::optional<HandOver::Clock::time_point> HandOver::PostDeadline() const {
  std::lock_guard lock(shared->mutex);
  if (!shared->postHeld || shared->cancelled) return std::nullopt;
  return shared->lastPost + drainInterval;
}

void HandOver::PostIfDue() {
  {
    std::lock_guard lock(shared->mutex);
    if (!shared->postHeld || shared->holding || shared->cancelled || shared->drainPosted) return;
    const Clock::time_point now = Clock::now();
    if (now - shared->lastPost < drainInterval) return;
    MarkPosted(now);
  }
  PostDrain(shared, target);
}

std::optional<HandOver::Clock::time_point> HandOver::NextPostTime() const {
  std::lock_guard lock(shared->mutex);
  if (drainInterval <= Clock::duration::zero() || shared->cancelled) return std::nullopt;
  const Clock::time_point next = shared->lastPost + drainInterval;
  if (next <= Clock::now()) return std::nullopt;
  return next;
}

void HandOver::HoldPosts(bool hold) {
  {
    std::lock_guard lock(shared->mutex);
    shared->holding = hold;
  }
  if (!hold) PostIfDue();
}

bool HandOver::HalfFull() const {
  std::lock_guard lock(shared->mutex);
  return shared->queue.size() >= maxPending / 2 || shared->bytes >= maxBytes / 2;
}

void HandOver::Drain(const std::shared_ptr<Shared>& shared, WindowThread& target) {
  const auto start = std::chrono::steady_clock::now();
  // A post is made with the lock released: a window thread may run what is posted at once.
  while (true) {
    std::function<void()> task;
    {
      std::lock_guard lock(shared->mutex);
      if (shared->queue.empty()) {
        shared->drainPosted = false;
        return;
      }
      if (std::chrono::steady_clock::now() - start <= kDrainBudget) {
        task = std::move(shared->queue.front().task);
        shared->bytes -= shared->queue.front().bytes;
        shared->queue.pop_front();
      }
    }
    if (!task) {
      // Leave drainPosted set: the rest follows in a later event.
      PostDrain(shared, target);
      return;
    }
    shared->room.notify_one();
    try {
      task();
    } catch (...) {
      // The error goes to the window's error display; the tasks behind it still run.
      bool more;
      {
        std::lock_guard lock(shared->mutex);
        more = !shared->queue.empty();
        if (!more) shared->drainPosted = false;
      }
      if (more) PostDrain(shared, target);
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

HandOver::FlushResult HandOver::Flush(Clock::duration budget, Clock::duration keptBudget) {
  // A stop must not wait on a long queue: the window may have fallen far behind a flood. What
  // runs keeps its order; what is left out is counted, never silently lost.
  const Clock::time_point start = Clock::now();
  const Clock::time_point allEnd = start + std::min(budget, Clock::time_point::max() - start);
  const Clock::time_point keptEnd =
      allEnd + std::min(keptBudget, Clock::time_point::max() - allEnd);
  FlushResult result;
  while (true) {
    std::function<void()> task;
    {
      std::lock_guard lock(shared->mutex);
      if (shared->queue.empty()) break;
      Shared::Entry& front = shared->queue.front();
      const Clock::time_point now = Clock::now();
      if (now < allEnd || (front.kept && now < keptEnd)) {
        task = std::move(front.task);
      } else {
        ++result.skipped;
      }
      shared->bytes -= front.bytes;
      shared->queue.pop_front();
    }
    if (!task) continue;
    try {
      task();
    } catch (...) {
      if (!result.error) result.error = std::current_exception();
    }
  }
  {
    std::lock_guard lock(shared->mutex);
    shared->postHeld = false;
  }
  // A link thread that still delivers waits for room no longer.
  shared->room.notify_all();
  return result;
}

std::size_t HandOver::Pending() const {
  std::lock_guard lock(shared->mutex);
  return shared->queue.size();
}

std::size_t HandOver::PendingBytes() const {
  std::lock_guard lock(shared->mutex);
  return shared->bytes;
}

std::size_t HandOver::Waiting() const {
  std::lock_guard lock(shared->mutex);
  return shared->waiting;
}
