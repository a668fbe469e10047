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
// How long a held drain lets datagrams queue before taking them, and how full the socket's
// queue may get meanwhile: a burst must not overflow a queue the system granted small.
constexpr std::chrono::steady_clock::duration kShortestGather = std::chrono::milliseconds(1);
constexpr std::chrono::steady_clock::duration kLongestGather = std::chrono::milliseconds(10);
constexpr double kFullestQueue = 0.125;
constexpr std::size_t kMaxPendingDatagrams = 65536;
constexpr std::size_t kMaxPendingBytes = 64 * 1024 * 1024;
// Heap beside the strings: the stored call, its captures, the queue entry.
constexpr std::size_t kEffectOverheadBytes = 128;

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
    : tuning(tuning),
      window(window),
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

std::uint16_t UDPThread::LocalPort() const {
  return socket < 0 ? 0 : net::LocalPort(socket);
}

void UDPThread::Execute() {
  // The first design's loop, kept for comparison, took one datagram per pause.
  const std::size_t batchSize = tuning.pauseBeforeEachReceive.count() > 0 ? 1 : kReceiveBatch;
  net::DatagramReceiver receiver(kReceiveBufferSize, batchSize);
  std::chrono::steady_clock::duration gather = kShortestGather;
  while (running) {
    if (tuning.pauseBeforeEachReceive.count() > 0) {
      std::this_thread::sleep_for(tuning.pauseBeforeEachReceive);
    }
    if (const auto deadline = handOver.PostDeadline(); deadline && socket >= 0) {
      const auto left = *deadline - std::chrono::steady_clock::now();
      if (left.count() > 0 && !net::kArrivalStampedBySystem) {
        // Where a datagram is stamped only when taken, take each as it comes. A signal (EINTR)
        // works the time left out again rather than falling into a receive that would hold the
        // effects back until the next datagram.
        if (net::WaitReadable(socket, std::chrono::ceil<std::chrono::milliseconds>(left)) < 0 &&
            running) {
          continue;
        }
      } else if (left.count() > 0) {
        // Nothing received now reaches the window before its drain is due, and each datagram
        // keeps the time it arrived: let them queue and take them together instead of waking
        // for each. The wait shrinks when the socket's queue gets fuller than it should.
        std::this_thread::sleep_for(std::min(left, gather));
        const double fill = net::QueueFill(socket);
        if (fill > kFullestQueue) {
          gather = std::max(gather / 2, kShortestGather);
        } else if (fill >= 0 && fill < kFullestQueue / 4) {
          gather = std::min(gather * 2, kLongestGather);
        }
      }
      // A full batch may have more behind it. A socket woken by a stop yields full batches of
      // empty datagrams, hence the flag.
      int taken = 0;
      do {
        taken = receiver.Receive(socket, false);
        Dispatch(receiver, taken);
        handOver.PostIfDue();
      } while (taken == static_cast<int>(batchSize) && running);
      // While a stop pauses, the last pass waits in a receive as it does when nothing is held
      // back, so that a datagram arriving during the pause is still dispatched.
      if (running) continue;
    }
    const int taken = socket < 0 ? -1 : receiver.Receive(socket, true);
    if (taken < 0) {
      // No socket or no local port yet: poll gently. A good receive never waits here, so a
      // reader that reports hundreds of tags a second is not throttled.
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    Dispatch(receiver, taken);
  }
}

void UDPThread::Dispatch(const net::DatagramReceiver& receiver, int taken) {
  for (int i = 0; i < taken; ++i) {
    // An oversize datagram reports more than the buffer holds and is dropped whole.
    std::size_t length = receiver.Length(i);
    if (length == 0 || length > kReceiveBufferSize) continue;
    const char* data = receiver.Data(i);
    const void* zero = std::memchr(data, '\0', length);
    if (zero) length = static_cast<std::size_t>(static_cast<const char*>(zero) - data);
    const auto receivedAt = receiver.ArrivedAt(i);
    chain->Dispatch(std::string(data, length));

    if (batch.effects.empty()) continue;
    const std::size_t bytes = batch.bytes + batch.effects.size() * kEffectOverheadBytes;
    handOver.Deliver(
        [&window = window, receivedAt, effects = std::move(batch.effects)] {
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
