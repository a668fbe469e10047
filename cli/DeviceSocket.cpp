#include "DeviceSocket.h"

#include <cstring>
#include <stdexcept>

namespace {

constexpr std::size_t kDatagramLimit = 8192;

std::runtime_error SystemError(const std::string& what) {
  return std::runtime_error(what + ": " + net::LastSocketError());
}

}  // namespace

// Reports come in bursts while the summary is built between them: room for a few seconds' worth.
DeviceSocket::DeviceSocket(const std::string& address, std::uint16_t port)
    : receiver(kDatagramLimit, 1) {
  if (!net::ParseAddress(address, device.address))
    throw std::runtime_error("not an IPv4 address: " + address);
  device.port = port;
  socket = net::OpenUdpSocket(4 * 1024 * 1024);
  if (socket == net::kNoSocket) throw SystemError("cannot open a UDP socket");
}

DeviceSocket::~DeviceSocket() {
  net::WakeReceiver(socket);
  net::CloseSocket(socket);
}

void DeviceSocket::Send(const std::string& text) {
  if (!net::TrySendDatagram(socket, text, device)) throw SystemError("cannot send to the device");
}

DeviceSocket::Wait DeviceSocket::Receive(std::string& text, Clock::time_point deadline,
                                         int interruptFd) {
  const net::SocketHandle interrupt = interruptFd >= 0 ? interruptFd : net::kNoSocket;
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return Wait::Deadline;
    const int ready = net::WaitReadable(socket, interrupt, left);
    if (ready < 0) throw SystemError("cannot wait for the device");
    if (ready & 2) return Wait::Interrupted;
    if (!(ready & 1)) continue;
    // An oversize datagram carries its real length, so it is dropped whole.
    if (receiver.Receive(socket, false) != 1) continue;
    const std::size_t length = receiver.Length(0);
    if (length == 0 || length > kDatagramLimit) continue;
    const char* bytes = receiver.Data(0);
    const void* zero = std::memchr(bytes, '\0', length);
    text.assign(bytes,
                zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - bytes) : length);
    return Wait::Datagram;
  }
}
