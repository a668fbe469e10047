#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

// The window thread as the link sees it: something that runs a task there, later.
class WindowThread {
 public:
  virtual ~WindowThread() = default;
  // Returns at once; `task` runs on the window thread between its events.
  virtual void Post(std::function<void()> task) = 0;
};

// Carries tasks from the link thread to the window thread, in order, each exactly once.
//
// The link thread does not wait for each task to finish: it queues it and goes back to its
// socket, so that a reader reporting thousands of tags a second is drained from the kernel
// before its buffer overflows, while the window works through the queue in batches. Only when
// `maxPending` tasks, or tasks of `maxBytes` together, are waiting does the link thread wait for
// room, which bounds memory: counting tasks alone lets 8 KiB datagrams take a gigabyte.
// Nothing ever makes the window thread wait for the link thread: Cancel() releases a waiting
// link thread at once, and after the link thread has ended, Flush() runs what is left, within a
// time budget.
//
// With a `drainInterval`, a drain is posted at most once per interval: every drain ends in a
// repaint of the window, which costs far more than the tasks themselves, so a steady stream is
// carried over in batches of one interval's worth. A task after a quiet spell is posted at once.
// A task held back is posted by the link thread through PostIfDue() at PostDeadline().
class HandOver {
 public:
  using Clock = std::chrono::steady_clock;

  explicit HandOver(WindowThread& target, std::size_t maxPending = 65536,
                    std::chrono::milliseconds drainInterval = std::chrono::milliseconds(0),
                    std::size_t maxBytes = 64 * 1024 * 1024);

  // Link thread. `bytes` is what the task holds; a task that is worth carrying out even when a
  // stop runs short of time (a tag report) is `kept`.
  void Deliver(std::function<void()> task, std::size_t bytes = 0, bool kept = false);
  // Link thread: when tasks wait for a drain that is not posted yet, the time to post it.
  std::optional<Clock::time_point> PostDeadline() const;
  // Link thread: posts the held-back drain once its time has come.
  void PostIfDue();
  // Link thread: the time before which a task delivered now would not be posted (a drain was
  // posted less than one interval ago); nothing when it would be posted at once, or with no
  // drain interval. The link may take its time over datagrams until then: the window would not
  // see their effects any sooner.
  std::optional<Clock::time_point> NextPostTime() const;
  // Link thread: half of what the queue may hold, by either bound, is waiting.
  bool HalfFull() const;
  // Link thread: while held, tasks delivered are queued and their drain is not posted (unless
  // the queue is full); letting go posts it as PostIfDue would. For tasks that come together:
  // posted at the first of them, a drain would run while the rest are still being delivered,
  // and those would wait an interval for the next.
  void HoldPosts(bool hold);
  // Window thread: a link thread waiting for room goes on at once, now and from now on.
  void Cancel();
  struct FlushResult {
    // Tasks left out, for the caller to report.
    std::size_t skipped = 0;
    // The first error a task threw; the tasks behind it still ran.
    std::exception_ptr error;
  };
  // Window thread, once the link thread has ended: runs the queued tasks in order for up to
  // `budget`, then for up to `keptBudget` more only the kept ones, and drops the rest. The queue
  // is empty afterwards.
  FlushResult Flush(Clock::duration budget = Clock::duration::max(),
                    Clock::duration keptBudget = Clock::duration::zero());

  std::size_t Pending() const;
  std::size_t PendingBytes() const;
  // Deliveries that wait for room now: a full queue that holds the link thread back shows here.
  std::size_t Waiting() const;

 private:
  struct Shared {
    mutable std::mutex mutex;
    std::condition_variable room;
    struct Entry {
      std::function<void()> task;
      std::size_t bytes;
      bool kept;
    };
    std::deque<Entry> queue;
    std::size_t bytes = 0;
    std::size_t waiting = 0;
    bool drainPosted = false;
    bool cancelled = false;
    // Tasks are queued but their drain is held back until lastPost + drainInterval.
    bool postHeld = false;
    // HoldPosts(true) is in force.
    bool holding = false;
    Clock::time_point lastPost{};
  };
  static void Drain(const std::shared_ptr<Shared>& shared, WindowThread& target);
  // With the mutex held: a task of `bytes` must wait for room.
  bool Full(std::size_t bytes) const;
  // With the mutex held: marks the drain posted; the caller posts it after unlocking.
  void MarkPosted(Clock::time_point now);
  static void PostDrain(const std::shared_ptr<Shared>& shared, WindowThread& target);

  WindowThread& target;
  std::size_t maxPending;
  Clock::duration drainInterval;
  std::size_t maxBytes;
  std::shared_ptr<Shared> shared;
};
