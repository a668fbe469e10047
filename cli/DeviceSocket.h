#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "Socket.h"

// One UDP socket that sends to the device and receives what the device sends to its local port,
// like the window's link but without a thread: the caller waits for each datagram with a
// deadline. Unlike the window, it takes datagrams only from the device's IPv4 address (from any
// port, since devices may answer from another one), and counts the others.
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
  // With `anySender`, datagrams from any address count, as in the window (a device behind
  // address translation).
  DeviceSocket(const std::string& address, std::uint16_t port, bool anySender);
  ~DeviceSocket();
  DeviceSocket(const DeviceSocket&) = delete;
  DeviceSocket& operator=(const DeviceSocket&) = delete;

  // Sends the text as one datagram; throws std::runtime_error when the system refuses it.
  void Send(const std::string& text);
  // Waits until a datagram arrives (its text, up to the first zero byte, in `text`), the deadline
  // passes, or `interruptFd` (-1 for none; on Windows a socket) becomes readable. Empty and
  // oversize datagrams are skipped, as the window's link skips them. Datagrams already taken
  // from the socket are handed out before a deadline or an interrupt is answered.
  Wait Receive(std::string& text, Clock::time_point deadline, int interruptFd = -1);

  // Datagrams taken from the device, and those skipped for coming from another address.
  std::uint64_t Accepted() const { return accepted; }
  std::uint64_t Ignored() const { return ignored; }
  // Datagrams the system dropped so far because the socket's queue was full.
  std::uint64_t Dropped() const;
  // The receive queue the system granted, and the one asked for.
  int GrantedBufferBytes() const;
  static int RequestedBufferBytes();

 private:
  // Takes what the socket holds into the process: while a report is processed, a burst must not
  // overflow the system's queue, which an unprivileged process gets small.
  void TakeQueued();

  net::SocketHandle socket = net::kNoSocket;
  net::Destination device;
  bool anySender = false;
  std::unique_ptr<net::DatagramReceiver> receiver;
  std::deque<std::string> intake;
  std::size_t intakeBytes = 0;
  // The interrupt came: what is in hand is handed out, then it is answered.
  bool stopping = false;
  std::uint64_t accepted = 0;
  std::uint64_t ignored = 0;
  std::uint64_t dropped = 0;
};
