#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

// The link's UDP socket calls, one implementation per platform, behind a header that pulls in no
// platform header, so that nothing which includes the link sees either socket API: Linux (BSD
// sockets with Linux's own recvmmsg, kernel arrival stamps and drop counters) and Windows
// (Windows Sockets 1.1). Other systems would need a path of their own.
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

// Takes datagrams off a socket, as many as are queued (up to a batch) per call, each with the
// time it arrived. Where the system can, one call takes the whole batch and the time is the
// kernel's, so that a datagram that waited in the queue still carries its own arrival time;
// elsewhere one wait for the first and non-blocking receives for the rest, each datagram stamped
// when it is taken.
class DatagramReceiver {
 public:
  // Room for `batch` datagrams of up to `size` bytes each.
  DatagramReceiver(std::size_t size, std::size_t batch);
  ~DatagramReceiver();
  DatagramReceiver(const DatagramReceiver&) = delete;
  DatagramReceiver& operator=(const DatagramReceiver&) = delete;

  // With `wait`, waits as long as it takes for a datagram; without, takes only what is queued.
  // Returns how many datagrams were taken (0: none queued), or -1 on an error (no local port
  // yet, a woken or closed socket).
  int Receive(SocketHandle socket, bool wait);
  // Datagram `i` of the last Receive: its bytes, and its full length, which is more than `size`
  // for a datagram that did not fit (its bytes are then not to be used).
  const char* Data(int i) const;
  std::size_t Length(int i) const;
  std::chrono::system_clock::time_point ArrivedAt(int i) const;
  // Datagram `i`'s sender's IPv4 address, in network byte order.
  std::uint32_t Sender(int i) const;
  // And its port, in host byte order.
  std::uint16_t SenderPort(int i) const;
  // How many datagrams the system had dropped on this socket (its receive queue was full) as of
  // the latest datagram taken; it only grows. 0 where the system does not tell.
  std::uint64_t Dropped() const;

 private:
  struct Batch;
  std::unique_ptr<Batch> batch;
};

// Whether DatagramReceiver::ArrivedAt is the time the system stamped on arrival, so that a
// datagram may wait in the queue without losing its time.
#ifdef _WIN32
inline constexpr bool kArrivalStampedBySystem = false;
#else
inline constexpr bool kArrivalStampedBySystem = true;
#endif
// Whether the system tells how many datagrams it dropped on a socket (Windows does not: there a
// loss can be neither counted nor shown).
#ifdef _WIN32
inline constexpr bool kDropsCountedBySystem = false;
#else
inline constexpr bool kDropsCountedBySystem = true;
#endif

// Whether a datagram can be received within `timeout`: 1 yes, 0 timed out, -1 error.
int WaitReadable(SocketHandle socket, std::chrono::milliseconds timeout);

// How many datagrams the system has dropped on the socket so far; negative when it does not say.
// Unlike DatagramReceiver::Dropped, this counts drops after the last datagram taken as well.
std::int64_t DropCount(SocketHandle socket);

// The receive queue the system granted, in the bytes that OpenUdpSocket asks for.
int ReceiveBufferBytes(SocketHandle socket);

// The socket's local port, 0 before the first send.
std::uint16_t LocalPort(SocketHandle socket);

// Stopping takes two calls, always both and in this order: WakeReceiver makes a receive that
// waits on another thread return with an error; CloseSocket, once that thread has ended,
// releases what is left (on Windows the socket is already closed by then and Windows Sockets
// is released).
void WakeReceiver(SocketHandle socket);
void CloseSocket(SocketHandle socket);

// For a caller that reports failures (the command line): a strict dotted-decimal parse (four
// decimal numbers, nothing else) where inet_addr would accept "1.2" or give all-ones silently.
bool ParseAddress(const std::string& address, std::uint32_t& networkOrder);
// An address in network byte order as a number in the host's order (a.b.c.d: a is the top byte),
// for range arithmetic and class checks.
inline std::uint32_t HostOrder(std::uint32_t networkOrder) {
  unsigned char bytes[4];
  std::memcpy(bytes, &networkOrder, sizeof bytes);
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
         (std::uint32_t{bytes[2]} << 8) | bytes[3];
}
// SendDatagram that answers whether the system took the datagram.
bool TrySendDatagram(SocketHandle socket, const std::string& bytes, const Destination& to);
// The system's text for the last failed socket call of this thread.
std::string LastSocketError();

// Waits up to `timeout` until `socket` or `other` (kNoSocket for none: on POSIX any descriptor,
// on Windows a socket) can be read. Bit 1 set: `socket` is readable; bit 2: `other` is; 0: timed
// out; -1: an error.
int WaitReadable(SocketHandle socket, SocketHandle other, std::chrono::milliseconds timeout);

}  // namespace net
