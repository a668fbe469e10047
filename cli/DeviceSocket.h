#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "Socket.h"

// One UDP socket that sends to the device and receives whatever arrives on its local port, like
// the window's link but without a thread: the caller waits for each datagram with a deadline.
class DeviceSocket {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Wait { Datagram, Deadline, Interrupted };

  // The time `seconds` from now.
  static Clock::time_point After(double seconds) {
    return Clock::now() +
           std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  }

  // `address` is a dotted-decimal IPv4 address. Throws std::runtime_error when no socket.
  DeviceSocket(const std::string& address, std::uint16_t port);
  ~DeviceSocket();
  DeviceSocket(const DeviceSocket&) = delete;
  DeviceSocket& operator=(const DeviceSocket&) = delete;

  // Sends the text as one datagram; throws std::runtime_error when the system refuses it.
  void Send(const std::string& text);
  // Waits until a datagram arrives (its text, up to the first zero byte, in `text`), the deadline
  // passes, or `interruptFd` (-1 for none; on Windows a socket) becomes readable. Empty and
  // oversize datagrams are skipped, as the window's link skips them.
  Wait Receive(std::string& text, Clock::time_point deadline, int interruptFd = -1);

 private:
  net::SocketHandle socket = net::kNoSocket;
  net::Destination device;
  net::DatagramReceiver receiver;
};
