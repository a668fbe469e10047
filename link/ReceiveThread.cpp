// The link's receive thread: takes datagrams off the socket, and runs the chain on them itself
// or hands them to the chain thread.
#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

#include "DatagramText.h"
#include "ThreadPriority.h"
#include "Uudpthread.h"

namespace {

constexpr std::size_t kReceiveBufferSize = 8192;
// A receive that waited for a datagram and found this many found a backlog: a burst has begun,
// or the thread was kept from the processor. At ordinary rates such a receive takes one or two.
constexpr int kBurstBacklog = 4;
// After a pause a backlog is expected; there a burst is a whole receive batch that came closer
// together than this (100,000 a second), where the system stamps arrivals: an ordinary reader's
// reports, even when one falls behind its schedule and sends a few at once, come further apart.
constexpr auto kBurstGap = std::chrono::microseconds(10);
// A burst's datagrams come microseconds apart; this long without one ends it.
constexpr auto kBurstQuiet = std::chrono::microseconds(50);
// What a short datagram takes of the system's queue with its bookkeeping (some 800 bytes on
// loopback).
constexpr std::size_t kQueuedDatagramBytes = 1024;
// Datagrams a second the queue must absorb while the receive thread lets them gather: about
// twice what loopback delivers from one sender on a development machine, and more than a
// reader's network link.
constexpr double kPeakRate = 500000;
// How late a sleeping thread may be woken: up to 4.6 ms were seen on an idle virtual processor.
constexpr auto kWakeLatency = std::chrono::milliseconds(5);
// Shorter pauses than this gain nothing: a sleep overshoots by about as much.
constexpr auto kMinPause = std::chrono::microseconds(100);
// Whether the receive thread waits for a datagram with a time limit when something falls due.
// On Windows each socket call costs a system call, and under Wine a round trip to its server: a
// wait there is a receive alone, and the chain thread times what falls due.
#ifdef _WIN32
constexpr bool kTimedWaits = false;
#else
constexpr bool kTimedWaits = true;
#endif
// The longest the receive thread holds the window's drain back while it takes what gathered
// in a pause: at ordinary rates that is done in well under a millisecond.
constexpr auto kLongestHold = std::chrono::milliseconds(5);
// How long a receive thread without a usable socket (none opened, no local port yet) waits
// before it tries again.
constexpr auto kRetryPause = std::chrono::milliseconds(10);

// How long the receive thread may let datagrams gather in the socket's queue before it takes
// them: half the queue must hold what arrives at kPeakRate during the pause and a late wake-up
// after it, so that a burst that begins just after the thread went to sleep still fits; and no
// longer than a drain interval. Only where the system stamps each datagram's arrival, so that
// one that waited keeps its own time. Zero: never (a desktop's default queue is far too short).
std::chrono::microseconds PauseCap(net::SocketHandle socket, std::chrono::milliseconds interval) {
  const auto never = std::chrono::microseconds(0);
  if (!net::kArrivalStampedBySystem || socket < 0) return never;
  // The system's queue is twice the granted figure, for its own bookkeeping.
  const double holds = 2.0 * net::ReceiveBufferBytes(socket) / kQueuedDatagramBytes;
  const auto lasts = std::chrono::microseconds(static_cast<long long>(holds / 2 / kPeakRate * 1e6));
  const auto cap = lasts - std::chrono::microseconds(kWakeLatency);
  if (cap < kMinPause) return never;
  return std::min<std::chrono::microseconds>(cap, interval);
}

// Whether the `taken` datagrams just received are a burst rather than an ordinary reader's
// reports: `waited` tells a receive that waited for the first of them from one after a pause.
// Without the system's stamps (Windows) only a whole batch counts: there a receive takes what is
// queued behind its wait, and each look of a burst would be a round trip to Wine's server.
bool IsBurst(const net::DatagramReceiver& receiver, int taken, std::size_t batch, bool waited) {
  if (waited && net::kArrivalStampedBySystem) return taken >= kBurstBacklog;
  if (taken < 2 || static_cast<std::size_t>(taken) < batch) return false;
  if (!net::kArrivalStampedBySystem) return true;
  return receiver.ArrivedAt(taken - 1) - receiver.ArrivedAt(0) <= (taken - 1) * kBurstGap;
}

}  // namespace

void UDPThread::ReceiveLoop() {
  NameThisThread("tagwick-receive");
  const std::size_t batchSize = std::max<std::size_t>(1, tuning.receiveBatch);
  net::DatagramReceiver receiver(kReceiveBufferSize, batchSize);
  const std::chrono::microseconds pauseCap = PauseCap(socket, tuning.drainInterval);
  // Waiting for each datagram of a burst would put the thread to sleep between them, and waking
  // it can take longer than the system's queue lasts (an idle processor, a virtual machine's).
  // So once a backlog shows a burst, the thread only looks, until the datagrams stop for a
  // moment.
  bool burst = false;
  std::chrono::steady_clock::time_point quietUntil{};
  // What the last look found: datagrams close enough together that a pause gathers two or more
  // (the next look may let them gather), a full batch (more are queued: the next look takes
  // them at once).
  bool close = false;
  bool full = false;
  std::optional<std::chrono::system_clock::time_point> lastArrival;
  // The hand-over's posts are held while the chain runs on a full batch and what is queued
  // behind it.
  bool holding = false;
  std::chrono::steady_clock::time_point holdingSince{};
  // The stop wakes a waiting receive only after its pause, so a datagram arriving during the
  // pause is still taken.
  while (WaitForRoom()) {
    if (tuning.beforeEachReceive) tuning.beforeEachReceive();
    int taken = -1;
    bool waited = false;
    if (socket >= 0) {
      taken =
          burst || full ? receiver.Receive(socket, false) : Look(receiver, close, pauseCap, waited);
    }
    if (taken > 0) {
      const auto latest = receiver.ArrivedAt(taken - 1);
      full = static_cast<std::size_t>(taken) >= batchSize;
      close = full || (lastArrival && latest - *lastArrival <= taken * (pauseCap / 2));
      lastArrival = latest;
      burst = burst || IsBurst(receiver, taken, batchSize, waited);
      if (burst) quietUntil = std::chrono::steady_clock::now() + kBurstQuiet;
      if (!burst && ChainIsOurs()) {
        // A full batch has more queued behind it: their effects go to the window in one drain,
        // unless taking them goes on so long that the window would notice.
        const auto now = std::chrono::steady_clock::now();
        if (!holding) holdingSince = now;
        holding = full && now - holdingSince < kLongestHold;
        RunHere(receiver, taken, holding);
      } else {
        LetPostsGo(holding);
        Take(receiver, taken, burst);
      }
      continue;
    }
    LetPostsGo(holding);
    if (burst) {
      if (taken < 0 || std::chrono::steady_clock::now() >= quietUntil) {
        burst = false;
        BurstOver();
      } else {
        // Between looks the processor goes to any other thread that is ready (the chain's, in
        // a flood that outlasts its hold); the thread itself does not sleep.
        std::this_thread::yield();
      }
    } else if (taken == 0) {
      // A pause gathered nothing, or a held-back drain or a drop line fell due: from now on the
      // thread waits for the next datagram.
      close = false;
      full = false;
      handOver.PostIfDue();
      NoteDrops();
    } else if (!woken) {
      // No local port yet: poll gently. A good receive never waits here, so a reader that
      // reports hundreds of tags a second is not throttled.
      full = false;
      std::this_thread::sleep_for(kRetryPause);
    }
  }
  LetPostsGo(holding);
  {
    std::lock_guard lock(intake.mutex);
    intake.burst = false;
    intake.closed = true;
  }
  intake.ready.notify_one();
}

int UDPThread::Look(net::DatagramReceiver& receiver, bool pause, std::chrono::microseconds pauseCap,
                    bool& waited) {
  const auto now = std::chrono::steady_clock::now();
  // The window would not see the effects of datagrams arriving now before the hand-over's next
  // post: let them gather in the socket's queue until then, rather than waking for each. Only
  // while they keep coming (a pause that gathers nothing ends it), so that no timer fires while
  // nothing arrives.
  if (pause && pauseCap.count() > 0) {
    if (const auto next = handOver.NextPostTime(); next && *next - now >= kMinPause) {
      std::this_thread::sleep_until(
          std::min<std::chrono::steady_clock::time_point>(*next, now + pauseCap));
      waited = false;
      return receiver.Receive(socket, false);
    }
  }
  waited = true;
  // The chain thread has the chain, and times what falls due: wait for the next datagram.
  if (HandedOver()) return receiver.Receive(socket, true);
  // Wait for a datagram, but no longer than a held-back drain or an unreported drop can wait.
  if (const auto due = NextDue()) {
    if (!kTimedWaits) {
      WatchDue();
      return receiver.Receive(socket, true);
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*due - now);
    if (left.count() > 0) net::WaitReadable(socket, left);
    return receiver.Receive(socket, false);
  }
  return receiver.Receive(socket, true);
}

void UDPThread::WatchDue() {
  const auto due = LastDue();
  if (!due) return;
  {
    std::lock_guard lock(intake.mutex);
    if (*due <= intake.watchUntil) return;
    intake.watchUntil = *due;
  }
  intake.ready.notify_one();
}

bool UDPThread::HandedOver() {
  std::lock_guard lock(intake.mutex);
  return intake.handedOver;
}

bool UDPThread::ChainIsOurs() {
  // Once the window has fallen far behind, delivering may wait for room in the hand-over, and
  // the receive thread must never wait on the window: the chain thread takes over.
  return !HandedOver() && !handOver.HalfFull();
}

void UDPThread::LetPostsGo(bool& holding) {
  if (!holding) return;
  holding = false;
  handOver.HoldPosts(false);
}

void UDPThread::RunHere(const net::DatagramReceiver& receiver, int taken, bool more) {
  // Posted at the first of these datagrams, a drain would run while the chain is still on the
  // rest, and whatever it missed would wait a whole interval for the next.
  handOver.HoldPosts(true);
  for (int i = 0; i < taken; ++i) {
    // An oversize datagram reports more than the buffer holds and is dropped whole; a woken
    // socket yields empty ones.
    const std::size_t length = receiver.Length(i);
    if (length == 0 || length > kReceiveBufferSize) continue;
    DispatchOne(DatagramText(receiver.Data(i), length), receiver.ArrivedAt(i));
  }
  dropsSeen = std::max(dropsSeen.load(), receiver.Dropped());
  if (!more) handOver.HoldPosts(false);
  NoteDrops();
}

bool UDPThread::WaitForRoom() {
  std::unique_lock lock(intake.mutex);
  // A full intake stops the taking: the system's queue fills behind it and counts its drops.
  intake.room.wait(lock, [&] {
    return woken || (intake.queue.size() < kMaxIntakeDatagrams && intake.bytes < kMaxIntakeBytes);
  });
  return !woken;
}

void UDPThread::Take(const net::DatagramReceiver& receiver, int taken, bool burst) {
  std::vector<Received> kept;
  kept.reserve(static_cast<std::size_t>(taken));
  std::size_t bytes = 0;
  for (int i = 0; i < taken; ++i) {
    // An oversize datagram reports more than the buffer holds and is dropped whole; a woken
    // socket yields empty ones.
    const std::size_t length = receiver.Length(i);
    if (length == 0 || length > kReceiveBufferSize) continue;
    kept.push_back({DatagramText(receiver.Data(i), length), receiver.ArrivedAt(i)});
    bytes += kept.back().text.size();
  }
  dropsSeen = std::max(dropsSeen.load(), receiver.Dropped());
  const auto now = std::chrono::steady_clock::now();
  bool wake;
  {
    std::lock_guard lock(intake.mutex);
    for (Received& datagram : kept) intake.queue.push_back(std::move(datagram));
    intake.bytes += bytes;
    if (burst && !intake.burst) intake.burstSince = now;
    intake.burst = burst;
    // A chain thread held back by a burst is woken here once its hold is over; one that is
    // handed the chain is woken at once, so that it times the held-back drain from now on.
    wake = Released(now) || !intake.handedOver;
    intake.handedOver = true;
  }
  if (wake) intake.ready.notify_one();
}

void UDPThread::BurstOver() {
  {
    std::lock_guard lock(intake.mutex);
    intake.burst = false;
  }
  intake.ready.notify_one();
}
