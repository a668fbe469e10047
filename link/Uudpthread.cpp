#include "Uudpthread.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "Requests.h"

UDPThread* udpthread = nullptr;

namespace {

constexpr std::size_t kReceiveBufferSize = 8192;
constexpr std::size_t kMaxPendingDatagrams = 65536;

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
      handOver(windowThread, kMaxPendingDatagrams, tuning.drainInterval) {
  chain = buildChain(batch);
  OpenSocket(address, port);
  running = true;
  thread = std::thread(&UDPThread::Execute, this);
}

UDPThread::~UDPThread() {
  Stop();
  if (thread.joinable()) thread.join();
}

void UDPThread::OpenSocket(const std::string& address, const std::string& port) {
  socket = ::socket(AF_INET, SOCK_DGRAM, 0);
  if (socket >= 0 && tuning.socketBufferBytes > 0) {
    // A reader reports in bursts; the default receive queue of a few hundred datagrams would
    // overflow while the window is busy repainting. Ask for more; unprivileged processes get
    // what the system allows.
    int size = tuning.socketBufferBytes;
    if (setsockopt(socket, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0) {
      setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    }
  }
  deviceAddress.sin_family = AF_INET;
  // inet_addr gives the all-ones address for a text that is not dotted decimal; the socket may
  // not broadcast, so sends to it fail silently.
  deviceAddress.sin_addr.s_addr = inet_addr(address.c_str());
  deviceAddress.sin_port = htons(ParsePort(port));
}

void UDPThread::Send(const std::string& text) {
  if (socket < 0) return;
  ::sendto(socket, text.data(), text.size(), 0, reinterpret_cast<const sockaddr*>(&deviceAddress),
           sizeof deviceAddress);
}

std::uint16_t UDPThread::LocalPort() const {
  sockaddr_in local{};
  socklen_t length = sizeof local;
  if (socket < 0 || getsockname(socket, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
    return 0;
  }
  return ntohs(local.sin_port);
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
      pollfd ready{socket, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) == 0) {
        handOver.PostIfDue();
        continue;
      }
    }
    // MSG_TRUNC makes recv report the datagram's real length, so that an oversize datagram is
    // dropped whole rather than handled cut short.
    ssize_t received = socket < 0 ? -1 : ::recv(socket, buffer.data(), buffer.size(), MSG_TRUNC);
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
    handOver.Deliver([&window = window, receivedAt, effects = std::move(batch.effects)] {
      window.SetReceiveTime(receivedAt);
      for (auto& effect : effects) effect(window);
    });
    batch.effects.clear();
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
  // close() alone does not wake a recv blocked on Linux; shutdown() does.
  if (socket >= 0) ::shutdown(socket, SHUT_RDWR);
  if (thread.joinable()) thread.join();
  if (socket >= 0) ::close(socket);
  socket = -1;
  // Whatever was received before the stop still reaches the window, in order.
  handOver.Flush();
  chain.reset();
}

void UDPThread::EffectBatch::SetFieldText(const std::string& field, const std::string& text) {
  effects.emplace_back([field, text](DeviceWindow& w) { w.SetFieldText(field, text); });
}

void UDPThread::EffectBatch::SetFieldHint(const std::string& field, const std::string& text) {
  effects.emplace_back([field, text](DeviceWindow& w) { w.SetFieldHint(field, text); });
}

void UDPThread::EffectBatch::SetPickers(const CalendarTime& time) {
  effects.emplace_back([time](DeviceWindow& w) { w.SetPickers(time); });
}

void UDPThread::EffectBatch::SelectNetworkMode(int item) {
  effects.emplace_back([item](DeviceWindow& w) { w.SelectNetworkMode(item); });
}

void UDPThread::EffectBatch::AddLog(const std::string& text) {
  effects.emplace_back([text](DeviceWindow& w) { w.AddLog(text); });
}

void SendTypeRequest(UDPThread& link, const std::string& type, DeviceWindow& log) {
  const std::string printed = TypeRequest(type);
  link.Send(printed);
  log.AddLog(printed);
}
