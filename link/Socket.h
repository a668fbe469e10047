#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

// The link's UDP socket calls, one implementation per platform (POSIX sockets, Windows Sockets
// 1.1), behind a header that pulls in no platform header, so that nothing which includes the
// link sees either socket API.
namespace net {

// A socket, or kNoSocket. Wide enough for a Windows SOCKET; handles are never negative.
using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kNoSocket = -1;

// An IPv4 destination: address in network byte order, port in host byte order.
struct Destination {
  std::uint32_t address = 0;
  std::uint16_t port = 0;
};

// Opens an IPv4 UDP socket and asks for a receive queue of `receiveBufferBytes` (0 keeps the
// system default; the system may grant less). On Windows, first starts Windows Sockets asking
// for version 1.1 and accepts nothing but exactly 1.1. kNoSocket when any step fails.
SocketHandle OpenUdpSocket(int receiveBufferBytes);

// The destination for a dotted-decimal address text (inet_addr: anything else gives the
// all-ones address, to which sends fail) and a port.
Destination MakeDestination(const std::string& address, std::uint16_t port);

// Sends the bytes as one datagram; the result is ignored.
void SendDatagram(SocketHandle socket, const std::string& bytes, const Destination& to);

// Receives one datagram, waiting as long as it takes. Returns its full length, which is more
// than `size` for a datagram that did not fit (its bytes are then not to be used), or -1 on an
// error (no local port yet, a woken or closed socket).
long ReceiveDatagram(SocketHandle socket, char* buffer, std::size_t size);

// Whether a datagram can be received within `timeout`: 1 yes, 0 timed out, -1 error.
int WaitReadable(SocketHandle socket, std::chrono::milliseconds timeout);

// The socket's local port, 0 before the first send.
std::uint16_t LocalPort(SocketHandle socket);

// Stopping takes two calls, always both and in this order: WakeReceiver makes a receive that
// waits on another thread return with an error; CloseSocket, once that thread has ended,
// releases what is left (on Windows the socket is already closed by then and Windows Sockets
// is released).
void WakeReceiver(SocketHandle socket);
void CloseSocket(SocketHandle socket);

}  // namespace net
