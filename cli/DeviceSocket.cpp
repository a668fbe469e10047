#include "DeviceSocket.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace {

constexpr std::size_t kDatagramLimit = 8192;

std::runtime_error SystemError(const std::string& what) {
  return std::runtime_error(what + ": " + std::strerror(errno));
}

}  // namespace

DeviceSocket::DeviceSocket(const std::string& address, std::uint16_t port) {
  fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  if (fd < 0) throw SystemError("cannot open a UDP socket");
  // Reports come in bursts while the summary is built between them: room for a few seconds' worth.
  int size = 4 * 1024 * 1024;
  setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
  device.sin_family = AF_INET;
  device.sin_port = htons(port);
  if (inet_pton(AF_INET, address.c_str(), &device.sin_addr) != 1) {
    ::close(fd);
    throw std::runtime_error("not an IPv4 address: " + address);
  }
}

DeviceSocket::~DeviceSocket() {
  ::close(fd);
}

void DeviceSocket::Send(const std::string& text) {
  const ssize_t sent = ::sendto(fd, text.data(), text.size(), 0,
                                reinterpret_cast<const sockaddr*>(&device), sizeof device);
  if (sent < 0) throw SystemError("cannot send to the device");
}

DeviceSocket::Wait DeviceSocket::Receive(std::string& text, Clock::time_point deadline,
                                         int interruptFd) {
  char buffer[kDatagramLimit];
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return Wait::Deadline;
    pollfd ready[2] = {{fd, POLLIN, 0}, {interruptFd, POLLIN, 0}};
    const int count = ::poll(ready, interruptFd >= 0 ? 2 : 1, static_cast<int>(left));
    if (count < 0 && errno != EINTR) throw SystemError("cannot wait for the device");
    if (interruptFd >= 0 && (ready[1].revents & POLLIN)) return Wait::Interrupted;
    if (count <= 0 || !(ready[0].revents & POLLIN)) continue;
    // MSG_TRUNC gives the datagram's real length, so an oversize one is dropped whole.
    const ssize_t received = ::recv(fd, buffer, sizeof buffer, MSG_TRUNC | MSG_DONTWAIT);
    if (received <= 0 || static_cast<std::size_t>(received) > sizeof buffer) continue;
    const std::size_t length = static_cast<std::size_t>(received);
    const void* zero = std::memchr(buffer, '\0', length);
    text.assign(buffer,
                zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - buffer) : length);
    return Wait::Datagram;
  }
}
