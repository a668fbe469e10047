#pragma once

#ifdef _WIN32
// Only the socket API: the window's tests share their names with windows.h's macros (grp1 of
// dlgs.h, MessageBox of winuser.h).
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#undef MessageBox
#else
#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// A device stand-in for tests: a UDP socket on 127.0.0.1 with an ephemeral port. It only ever
// sends back to the loopback peer that last wrote to it, or to a loopback port it is given.
class FakeDevice {
#ifdef _WIN32
  using socklen_t = int;
  using Fd = SOCKET;
  static void Close(Fd s) {
    ::closesocket(s);
  }
  static int Poll(pollfd* p, int timeout) {
    return ::WSAPoll(p, 1, timeout);
  }
  // Windows Sockets stay started for the device's lifetime, independent of the link's own start.
  struct Started {
    Started() {
      WSADATA data;
      if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup");
    }
    ~Started() { ::WSACleanup(); }
  } started;
#else
  using Fd = int;
  static void Close(Fd s) {
    ::close(s);
  }
  static int Poll(pollfd* p, int timeout) {
    return ::poll(p, 1, timeout);
  }
#endif

 public:
  FakeDevice() {
    fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd == static_cast<Fd>(-1)) throw std::runtime_error("socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      throw std::runtime_error("bind");
    }
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
  }
  ~FakeDevice() {
    Close(fd);
  }
  FakeDevice(const FakeDevice&) = delete;
  FakeDevice& operator=(const FakeDevice&) = delete;

  std::uint16_t Port() const {
    return port;
  }
  std::string PortText() const {
    return std::to_string(port);
  }

  // The next datagram, or nothing within `timeout`.
  std::optional<std::string> Receive(std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    pollfd p{fd, POLLIN, 0};
    if (Poll(&p, static_cast<int>(timeout.count())) <= 0) return std::nullopt;
    char buffer[65536];
    sockaddr_in from{};
    socklen_t length = sizeof from;
    const auto n =
        ::recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
    if (n < 0) return std::nullopt;
    if (from.sin_addr.s_addr == htonl(INADDR_LOOPBACK)) peerPort = ntohs(from.sin_port);
    return std::string(buffer, static_cast<std::size_t>(n));
  }

  // Every datagram that arrives within `quiet` of the previous one.
  std::vector<std::string> Drain(std::chrono::milliseconds quiet = std::chrono::milliseconds(200)) {
    std::vector<std::string> all;
    while (auto datagram = Receive(quiet)) all.push_back(*datagram);
    return all;
  }

  // Sends to the peer that last wrote, or to `toPort` on 127.0.0.1.
  void Send(const std::string& text, std::uint16_t toPort = 0) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(toPort ? toPort : peerPort);
    if (to.sin_port == 0) throw std::logic_error("no peer to send to");
    ::sendto(fd, text.data(), static_cast<int>(text.size()), 0, reinterpret_cast<sockaddr*>(&to),
             sizeof to);
  }

  std::uint16_t PeerPort() const {
    return peerPort;
  }

 private:
  Fd fd;
  std::uint16_t port = 0;
  std::uint16_t peerPort = 0;
};
