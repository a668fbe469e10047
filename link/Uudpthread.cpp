#include "Uudpthread.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>

#include "Requests.h"
#include "ThreadPriority.h"

UDPThread* udpthread = nullptr;

namespace {

// For this long into a burst the chain thread leaves the processor to the receive thread: a
// burst of several thousand reports is taken in whole before the chain competes with it, and
// the window shows a flood that never lets up late by no more than this.
constexpr auto kBurstHold = std::chrono::milliseconds(100);
// Datagrams run through the chain between two looks at the hand-over's due drain: a few hundred
// microseconds of work.
constexpr std::size_t kDispatchSlice = 64;
constexpr std::size_t kMaxPendingDatagrams = 65536;
constexpr std::size_t kMaxPendingBytes = 64 * 1024 * 1024;
// A line about drops at most this often.
constexpr std::chrono::steady_clock::duration kDropLineInterval = std::chrono::seconds(1);
// Heap beside the strings: the stored call, its captures, the queue entry.
constexpr std::size_t kEffectOverheadBytes = 128;

std::string DropLine(std::uint64_t count) {
  return std::to_string(count) +
         " datagrams were dropped by the system: its receive buffer was full";
}

// The port field holds decimal digits; anything else gives port 0, to which every send fails
// silently, like an unusable address.
std::uint16_t ParsePort(const std::string& text) {
  char* end = nullptr;
  errno = 0;
  long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || value < 0 || value > 65535) return 0;
  return static_cast<std::uint16_t>(value);
}

}  // namespace

LinkTuning& DefaultLinkTuning() {
  static LinkTuning tuning;
  return tuning;
}

UDPThread::UDPThread(const std::string& address, const std::string& port, DeviceWindow& window,
                     WindowThread& windowThread, ChainFactory buildChain, LinkTuning tuning)
    : tuning(std::move(tuning)),
      window(window),
      windowThread(windowThread),
      handOver(windowThread, kMaxPendingDatagrams, this->tuning.drainInterval, kMaxPendingBytes) {
  chain = buildChain(batch);
  OpenSocket(address, port);
  chainThread = std::thread(&UDPThread::ChainLoop, this);
  receiveThread = StartAtOrdinaryPriority([this] { ReceiveLoop(); });
}

UDPThread::~UDPThread() {
  try {
    Stop();
  } catch (...) {
    // An effect's error found while tearing down has no one left to tell; the link still ends.
  }
}

void UDPThread::OpenSocket(const std::string& address, const std::string& port) {
  // A reader reports in bursts; the default receive queue of a few hundred datagrams would
  // overflow before the receive thread gets the processor back. Ask for more; unprivileged
  // processes get what the system allows.
  socket = net::OpenUdpSocket(tuning.socketBufferBytes);
  // inet_addr gives the all-ones address for a text that is not dotted decimal; the socket may
  // not broadcast, so sends to it fail silently.
  deviceAddress = net::MakeDestination(address, ParsePort(port));
}

void UDPThread::Send(const std::string& text) {
  if (socket < 0) return;
  net::SendDatagram(socket, text, deviceAddress);
}

std::optional<std::string> UDPThread::ShortBufferNote() const {
  if (socket < 0 || tuning.socketBufferBytes <= 0) return std::nullopt;
  const int granted = net::ReceiveBufferBytes(socket);
  if (granted <= 0 || granted >= tuning.socketBufferBytes) return std::nullopt;
  return "The system granted a receive buffer of " + std::to_string(granted) + " bytes of the " +
         std::to_string(tuning.socketBufferBytes) + " asked for: a burst may be dropped";
}

std::uint16_t UDPThread::LocalPort() const {
  return socket < 0 ? 0 : net::LocalPort(socket);
}

bool UDPThread::Released(std::chrono::steady_clock::time_point now) const {
  if (intake.closed) return true;
  if (intake.queue.empty()) return false;
  // Half of what the intake holds, by either bound (large datagrams fill the bytes first).
  const bool halfFull =
      intake.queue.size() >= kMaxIntakeDatagrams / 2 || intake.bytes >= kMaxIntakeBytes / 2;
  return !intake.burst || now - intake.burstSince >= kBurstHold || halfFull;
}

void UDPThread::ChainLoop() {
  // A burst overflows the system's queue within a millisecond while the receive thread waits
  // for the processor; the chain's work can wait in the intake instead.
  NameThisThread("tagwick-chain");
  YieldToOtherThreads();
  std::deque<Received> work;
  while (TakeIntake(work)) {
    Dispatch(work);
    handOver.PostIfDue();
    NoteDrops();
  }
}

bool UDPThread::TakeIntake(std::deque<Received>& work) {
  std::unique_lock lock(intake.mutex);
  while (!intake.closed) {
    if (intake.handedOver) {
      if (!intake.queue.empty() || intake.burst) break;
      // The backlog is worked off: the receive thread runs the chain again from its next
      // datagram on. It may be waiting for that datagram without a time limit, so what the
      // backlog left due (a held-back drain, a drop line) is posted from here.
      intake.handedOver = false;
      intake.watchUntil = std::max(intake.watchUntil, LastDue().value_or(intake.watchUntil));
    }
    // The chain is the receive thread's: nothing to work through, and nothing to time but what
    // it asked this thread to watch.
    const auto watching = intake.watchUntil;
    const auto woken = [&] {
      return intake.handedOver || intake.closed || intake.watchUntil != watching;
    };
    if (const auto due = NextDue(); due && *due <= watching) {
      if (!intake.ready.wait_until(lock, *due, woken)) {
        lock.unlock();
        handOver.PostIfDue();
        NoteDrops();
        lock.lock();
      }
      continue;
    }
    intake.ready.wait(lock, woken);
  }
  // Nothing waits: wait for the receive thread, but no longer than a held-back drain or an
  // unreported drop can wait.
  const auto workable = [&] { return Released(std::chrono::steady_clock::now()); };
  if (const auto due = NextDue()) {
    intake.ready.wait_until(lock, *due, workable);
  } else {
    intake.ready.wait(lock, workable);
  }
  // Woken for a due drain during a burst: the datagrams wait.
  if (intake.queue.empty() || !workable()) return !intake.closed || !intake.queue.empty();
  // Work in slices, so that a held-back drain is posted in time while a flood comes in.
  const std::size_t count = std::min(kDispatchSlice, intake.queue.size());
  for (std::size_t n = 0; n < count; ++n) {
    intake.bytes -= intake.queue.front().text.size();
    work.push_back(std::move(intake.queue.front()));
    intake.queue.pop_front();
  }
  lock.unlock();
  intake.room.notify_one();
  return true;
}

std::optional<std::chrono::steady_clock::time_point> UDPThread::NextDue() const {
  std::optional<std::chrono::steady_clock::time_point> due = handOver.PostDeadline();
  std::lock_guard lock(dropsMutex);
  if (dropsSeen > dropsLogged) {
    const auto dropLine = lastDropLine + kDropLineInterval;
    if (!due || dropLine < *due) due = dropLine;
  }
  return due;
}

std::optional<std::chrono::steady_clock::time_point> UDPThread::LastDue() const {
  std::optional<std::chrono::steady_clock::time_point> due = handOver.PostDeadline();
  std::lock_guard lock(dropsMutex);
  if (dropsSeen > dropsLogged) {
    const auto dropLine = lastDropLine + kDropLineInterval;
    if (!due || dropLine > *due) due = dropLine;
  }
  return due;
}

void UDPThread::NoteDrops() {
  const std::uint64_t seen = dropsSeen;
  std::lock_guard lock(dropsMutex);
  if (seen <= dropsLogged) return;
  const auto time = std::chrono::steady_clock::now();
  if (time - lastDropLine < kDropLineInterval) return;
  const std::string line = DropLine(seen - dropsLogged);
  dropsLogged = seen;
  lastDropLine = time;
  // Straight to the window thread, not through the hand-over: a note is no datagram, and a stop
  // that leaves the hand-over's tasks out counts only datagrams.
  windowThread.Post([&window = window, line] { window.AddLinkNote(line); });
}

void UDPThread::Dispatch(std::deque<Received>& work) {
  for (; !work.empty(); work.pop_front()) DispatchOne(work.front().text, work.front().arrived);
}

void UDPThread::DispatchOne(const std::string& text,
                            std::chrono::system_clock::time_point arrived) {
  chain->Dispatch(text);
  if (batch.effects.empty()) return;
  const std::size_t bytes = batch.bytes + batch.effects.size() * kEffectOverheadBytes;
  handOver.Deliver(
      [&window = window, receivedAt = arrived, effects = std::move(batch.effects)] {
        window.SetReceiveTime(receivedAt);
        for (auto& effect : effects) effect(window);
      },
      bytes, batch.tagReport);
  batch.effects.clear();
  batch.bytes = 0;
  batch.tagReport = false;
}

void UDPThread::Stop() {
  if (stopped) return;
  stopped = true;
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  // The window thread is here, not working through hand-overs: a chain thread waiting for room
  // in the queue must go on.
  handOver.Cancel();
  {
    std::lock_guard lock(intake.mutex);
    woken = true;
  }
  intake.room.notify_one();
  if (socket >= 0) net::WakeReceiver(socket);
  if (receiveThread.joinable()) receiveThread.join();
  // The chain thread ends once it has run the chain on everything taken in.
  if (chainThread.joinable()) chainThread.join();
  // The system's own count also holds the drops after the last datagram taken.
  if (socket >= 0) {
    dropsSeen =
        std::max<std::uint64_t>(dropsSeen, std::max<std::int64_t>(0, net::DropCount(socket)));
    net::CloseSocket(socket);
  }
  socket = net::kNoSocket;
  chain.reset();
  // What was received before the stop reaches the window in order, as far as a short budget
  // allows: a window far behind a flood must not hold up the disconnect.
  const HandOver::FlushResult flushed = handOver.Flush(tuning.stopBudget, tuning.stopBudget);
  if (flushed.skipped > 0) {
    window.AddLog(std::to_string(flushed.skipped) +
                  " datagrams received before the link closed were not shown");
  }
  if (dropsSeen > dropsLogged) window.AddLinkNote(DropLine(dropsSeen - dropsLogged));
  if (flushed.error) std::rethrow_exception(flushed.error);
}

void UDPThread::EffectBatch::SetFieldText(const std::string& field, const std::string& text) {
  bytes += field.size() + text.size();
  if (field == "edtCardNo") tagReport = true;
  effects.emplace_back([field, text](DeviceWindow& w) { w.SetFieldText(field, text); });
}

void UDPThread::EffectBatch::SetFieldHint(const std::string& field, const std::string& text) {
  bytes += field.size() + text.size();
  effects.emplace_back([field, text](DeviceWindow& w) { w.SetFieldHint(field, text); });
}

void UDPThread::EffectBatch::SetPickers(const CalendarTime& time) {
  effects.emplace_back([time](DeviceWindow& w) { w.SetPickers(time); });
}

void UDPThread::EffectBatch::SelectNetworkMode(int item) {
  effects.emplace_back([item](DeviceWindow& w) { w.SelectNetworkMode(item); });
}

void UDPThread::EffectBatch::AddLog(const std::string& text) {
  bytes += text.size();
  effects.emplace_back([text](DeviceWindow& w) { w.AddLog(text); });
}

void SendTypeRequest(UDPThread& link, const std::string& type, DeviceWindow& log) {
  const std::string printed = TypeRequest(type);
  link.Send(printed);
  log.AddLog(printed);
}
