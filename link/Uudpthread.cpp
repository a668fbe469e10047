#include "Uudpthread.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "Requests.h"

UDPThread* udpthread = nullptr;

namespace {

constexpr std::size_t kReceiveBufferSize = 8192;
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
  std::vector<char> buffer(kReceiveBufferSize);
  while (running) {
    if (tuning.pauseBeforeEachReceive.count() > 0) {
      std::this_thread::sleep_for(tuning.pauseBeforeEachReceive);
    }
    if (const auto deadline = handOver.PostDeadline(); deadline && socket >= 0) {
      // Effects wait for their batch to be posted: receive only until it is due.
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(
          *deadline - std::chrono::steady_clock::now());
      const int polled = left.count() <= 0 ? 0 : net::WaitReadable(socket, left);
      // A signal (EINTR) works the time left out again rather than falling into a receive that
      // would hold the effects back until the next datagram.
      if (polled == 0) handOver.PostIfDue();
      // While a stop pauses, the last pass waits in a receive as it does when nothing is held
      // back, so that a datagram arriving during the pause is still dispatched.
      if (polled <= 0 && running) continue;
    }
    // An oversize datagram reports more than the buffer holds and is dropped whole below.
    const long received =
        socket < 0 ? -1 : net::ReceiveDatagram(socket, buffer.data(), buffer.size());
    if (received < 0) {
      // No socket or no local port yet: poll gently. A good receive never waits here, so a
      // reader that reports hundreds of tags a second is not throttled.
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    if (received == 0 || static_cast<std::size_t>(received) > buffer.size()) continue;

    std::size_t length = static_cast<std::size_t>(received);
    const void* zero = std::memchr(buffer.data(), '\0', length);
    if (zero) length = static_cast<std::size_t>(static_cast<const char*>(zero) - buffer.data());
    const auto receivedAt = std::chrono::system_clock::now();
    chain->Dispatch(std::string(buffer.data(), length));

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
