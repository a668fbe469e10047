#include "Uudpthread.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "Requests.h"

UDPThread* udpthread = nullptr;

namespace {

constexpr std::size_t kReceiveBufferSize = 8192;
// Datagrams taken from the socket per call.
constexpr std::size_t kReceiveBatch = 64;
// Datagrams taken off the socket wait in the process, up to these bounds, until the chain has
// run on them; only then does the system's queue fill, and its drops are counted. 65,536 tag
// reports of some 100 bytes take about 10 MiB; 8 KiB datagrams stop at the byte bound. A stop
// still runs the chain on all of them: a few hundred milliseconds at the most.
constexpr std::size_t kMaxIntakeDatagrams = 65536;
constexpr std::size_t kMaxIntakeBytes = 16 * 1024 * 1024;
// Datagrams dispatched between two looks at the socket: a few hundred microseconds of work, less
// than a burst takes to fill even a small system queue.
constexpr std::size_t kDispatchSlice = 64;
constexpr std::size_t kMaxPendingDatagrams = 65536;
constexpr std::size_t kMaxPendingBytes = 64 * 1024 * 1024;
// A line about drops at most this often.
constexpr std::chrono::steady_clock::duration kDropLineInterval = std::chrono::seconds(1);
// Heap beside the strings: the stored call, its captures, the queue entry.
constexpr std::size_t kEffectOverheadBytes = 128;

// The port field holds decimal digits; anything else gives port 0, to which every send fails
// silently, like an unusable address.
std::string DropLine(std::uint64_t count) {
  return std::to_string(count) +
         " datagrams were dropped by the system: its receive buffer was full";
}

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
    : tuning(tuning),
      window(window),
      windowThread(windowThread),
      handOver(windowThread, kMaxPendingDatagrams, tuning.drainInterval, kMaxPendingBytes) {
  chain = buildChain(batch);
  OpenSocket(address, port);
  running = true;
  thread = std::thread(&UDPThread::Execute, this);
}

UDPThread::~UDPThread() {
  try {
    Stop();
  } catch (...) {
    // An effect's error found while tearing down has no one left to tell; the link still ends.
  }
  if (thread.joinable()) thread.join();
}

void UDPThread::OpenSocket(const std::string& address, const std::string& port) {
  // A reader reports in bursts; the default receive queue of a few hundred datagrams would
  // overflow while the window is busy repainting. Ask for more; unprivileged processes get
  // what the system allows.
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

void UDPThread::Execute() {
  // The first design's loop, kept for comparison, took one datagram per pause.
  const bool baseline = tuning.pauseBeforeEachReceive.count() > 0;
  net::DatagramReceiver receiver(kReceiveBufferSize, baseline ? 1 : kReceiveBatch);
  while (running) {
    if (baseline) std::this_thread::sleep_for(tuning.pauseBeforeEachReceive);
    if (socket < 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    // What the socket holds comes into the process before the chain runs: the system's queue
    // may be small, and a burst overflows it while the window is busy.
    if (!baseline) TakeQueued(receiver);
    if (!intake.empty()) {
      DispatchIntake(kDispatchSlice);
      handOver.PostIfDue();
      continue;
    }
    // Nothing waits in the process. Wait for the socket, but no longer than a held-back drain or
    // an unreported drop can wait.
    if (const auto due = NextDue()) {
      const auto left = *due - std::chrono::steady_clock::now();
      if (left.count() > 0) {
        net::WaitReadable(socket, std::chrono::ceil<std::chrono::milliseconds>(left));
      }
      handOver.PostIfDue();
      NoteDrops();
      continue;
    }
    const int taken = receiver.Receive(socket, true);
    if (taken < 0) {
      // No local port yet: poll gently. A good receive never waits here, so a reader that
      // reports hundreds of tags a second is not throttled.
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    Take(receiver, taken);
    if (baseline) DispatchIntake(intake.size());
  }
  // What was taken in is dispatched, and while a stop pauses the thread waits in one more
  // receive, so that a datagram arriving during the pause is still dispatched; the stop's wake
  // ends that receive.
  DispatchIntake(intake.size());
  if (socket >= 0) {
    const int taken = receiver.Receive(socket, true);
    if (taken > 0) Take(receiver, taken);
    DispatchIntake(intake.size());
  }
}

int UDPThread::TakeQueued(net::DatagramReceiver& receiver) {
  int total = 0;
  while (intake.size() < kMaxIntakeDatagrams && intakeBytes < kMaxIntakeBytes) {
    const int taken = receiver.Receive(socket, false);
    if (taken <= 0) break;
    total += Take(receiver, taken);
    // A batch short of full emptied the queue. A socket woken by a stop yields full batches of
    // empty datagrams.
    if (taken < static_cast<int>(kReceiveBatch) || !running) break;
  }
  return total;
}

int UDPThread::Take(const net::DatagramReceiver& receiver, int taken) {
  int kept = 0;
  for (int i = 0; i < taken; ++i) {
    // An oversize datagram reports more than the buffer holds and is dropped whole.
    std::size_t length = receiver.Length(i);
    if (length == 0 || length > kReceiveBufferSize) continue;
    const char* data = receiver.Data(i);
    const void* zero = std::memchr(data, '\0', length);
    if (zero) length = static_cast<std::size_t>(static_cast<const char*>(zero) - data);
    intake.push_back({std::string(data, length), receiver.ArrivedAt(i)});
    intakeBytes += length;
    ++kept;
  }
  dropsSeen = std::max(dropsSeen, receiver.Dropped());
  NoteDrops();
  return kept;
}

std::optional<std::chrono::steady_clock::time_point> UDPThread::NextDue() const {
  std::optional<std::chrono::steady_clock::time_point> due = handOver.PostDeadline();
  if (dropsSeen > dropsLogged) {
    const auto dropLine = lastDropLine + kDropLineInterval;
    if (!due || dropLine < *due) due = dropLine;
  }
  return due;
}

void UDPThread::NoteDrops() {
  if (dropsSeen <= dropsLogged) return;
  const auto time = std::chrono::steady_clock::now();
  if (time - lastDropLine < kDropLineInterval) return;
  const std::string line = DropLine(dropsSeen - dropsLogged);
  dropsLogged = dropsSeen;
  lastDropLine = time;
  // Straight to the window thread, not through the hand-over: a note is no datagram, and a stop
  // that leaves the hand-over's tasks out counts only datagrams.
  windowThread.Post([&window = window, line] { window.AddLinkNote(line); });
}

void UDPThread::DispatchIntake(std::size_t most) {
  for (std::size_t n = 0; n < most && !intake.empty(); ++n) {
    const Received datagram = std::move(intake.front());
    intake.pop_front();
    intakeBytes -= datagram.text.size();
    chain->Dispatch(datagram.text);

    if (batch.effects.empty()) continue;
    const std::size_t bytes = batch.bytes + batch.effects.size() * kEffectOverheadBytes;
    handOver.Deliver(
        [&window = window, receivedAt = datagram.arrived, effects = std::move(batch.effects)] {
          window.SetReceiveTime(receivedAt);
          for (auto& effect : effects) effect(window);
        },
        bytes, batch.tagReport);
    batch.effects.clear();
    batch.bytes = 0;
    batch.tagReport = false;
  }
}

void UDPThread::Stop() {
  if (stopped) return;
  stopped = true;
  running = false;
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  // The window thread is here, not working through hand-overs: a link thread waiting for room
  // in the queue must go on and see the cleared flag.
  handOver.Cancel();
  if (socket >= 0) net::WakeReceiver(socket);
  if (thread.joinable()) thread.join();
  // The system's own count also holds the drops after the last datagram taken.
  if (socket >= 0) {
    dropsSeen =
        std::max<std::uint64_t>(dropsSeen, std::max<std::int64_t>(0, net::DropCount(socket)));
  }
  if (socket >= 0) net::CloseSocket(socket);
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
