#include "Socket.h"

#include <algorithm>
#include <vector>

#if !defined(_WIN32) && !defined(__linux__)
#error "the link's socket calls are written for Linux and Windows"
#endif

#ifdef _WIN32
#include <winsock2.h>
#else  // Linux
#include <arpa/inet.h>
#include <linux/sock_diag.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#endif

namespace net {

// The same on both platforms, through each one's own types.
#ifdef _WIN32
using NativeSocket = SOCKET;
using AddressLength = int;
#else
using NativeSocket = int;
using AddressLength = socklen_t;
#endif

Destination MakeDestination(const std::string& address, std::uint16_t port) {
  return {inet_addr(address.c_str()), port};
}

void SendDatagram(SocketHandle socket, const std::string& bytes, const Destination& to) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = to.address;
  address.sin_port = htons(to.port);
  ::sendto(static_cast<NativeSocket>(socket), bytes.data(), static_cast<int>(bytes.size()), 0,
           reinterpret_cast<const sockaddr*>(&address), sizeof address);
}

std::uint16_t LocalPort(SocketHandle socket) {
  sockaddr_in local{};
  AddressLength length = sizeof local;
  if (getsockname(static_cast<NativeSocket>(socket), reinterpret_cast<sockaddr*>(&local),
                  &length) != 0)
    return 0;
  return ntohs(local.sin_port);
}

#ifdef _WIN32

SocketHandle OpenUdpSocket(int receiveBufferBytes) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(1, 1), &data) != 0) return kNoSocket;
  if (LOBYTE(data.wVersion) != 1 || HIBYTE(data.wVersion) != 1) {
    WSACleanup();
    return kNoSocket;
  }
  const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, 0);
  if (s == INVALID_SOCKET) {
    WSACleanup();
    return kNoSocket;
  }
  if (receiveBufferBytes > 0) {
    setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receiveBufferBytes),
               sizeof receiveBufferBytes);
  }
  return static_cast<SocketHandle>(s);
}

// Up to a batch per call, each stamped when it is taken. After the one wait for the first, what
// is queued behind it comes with non-blocking receives: under Wine every wait is a round trip to
// its server, and one wait per datagram cost more than the datagrams.
struct DatagramReceiver::Batch {
  std::size_t size;
  std::size_t count;
  std::vector<char> bytes;
  std::vector<std::size_t> lengths;
  std::vector<std::chrono::system_clock::time_point> arrived;
  std::vector<sockaddr_in> senders;
  // Windows does not tell.
  std::uint64_t dropped = 0;
};

DatagramReceiver::DatagramReceiver(std::size_t size, std::size_t count)
    : batch(new Batch{size, count, std::vector<char>(size * count), std::vector<std::size_t>(count),
                      std::vector<std::chrono::system_clock::time_point>(count),
                      std::vector<sockaddr_in>(count)}) {}

DatagramReceiver::~DatagramReceiver() = default;

int DatagramReceiver::Receive(SocketHandle socket, bool wait) {
  Batch& b = *batch;
  const SOCKET s = static_cast<SOCKET>(socket);
  std::size_t taken = 0;
  // One datagram into the next slot: 1, 0 when none is queued (non-blocking), -1 on an error.
  const auto one = [&]() -> int {
    sockaddr_in& from = b.senders[taken];
    from = {};
    int fromLength = sizeof from;
    const int received = ::recvfrom(s, b.bytes.data() + taken * b.size, static_cast<int>(b.size), 0,
                                    reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (received != SOCKET_ERROR) {
      b.lengths[taken] = static_cast<std::size_t>(received);
    } else if (WSAGetLastError() == WSAEMSGSIZE) {
      // Windows fills the buffer with the start of an oversize datagram and reports it as an
      // error; the caller drops it whole.
      b.lengths[taken] = b.size + 1;
    } else {
      return WSAGetLastError() == WSAEWOULDBLOCK ? 0 : -1;
    }
    b.arrived[taken] = std::chrono::system_clock::now();
    ++taken;
    return 1;
  };
  if (wait) {
    // The socket blocks: this receive is the one wait. One that had to wait got a datagram
    // that came alone, as at an ordinary rate; only one that found it queued looks for more,
    // so that a lone datagram costs one call, as it did.
    const auto start = std::chrono::steady_clock::now();
    if (one() < 0) return -1;
    if (std::chrono::steady_clock::now() - start > std::chrono::microseconds(100)) return 1;
  }
  if (taken >= b.count) return static_cast<int>(taken);
  // Nothing queued is told by one call, rather than three.
  u_long queued = 0;
  if (ioctlsocket(s, FIONREAD, &queued) != 0) return taken > 0 ? static_cast<int>(taken) : -1;
  if (queued == 0) return static_cast<int>(taken);
  // Only this thread receives on the socket, and a datagram is sent whole or refused, so the
  // moment without blocking does not disturb the sends from other threads.
  u_long on = 1;
  if (ioctlsocket(s, FIONBIO, &on) != 0) return taken > 0 ? static_cast<int>(taken) : -1;
  int last = 1;
  while (taken < b.count && (last = one()) > 0) {
  }
  u_long off = 0;
  ioctlsocket(s, FIONBIO, &off);
  if (taken == 0 && last < 0) return -1;
  return static_cast<int>(taken);
}

const char* DatagramReceiver::Data(int i) const {
  return batch->bytes.data() + static_cast<std::size_t>(i) * batch->size;
}

std::size_t DatagramReceiver::Length(int i) const {
  return batch->lengths[static_cast<std::size_t>(i)];
}

std::int64_t DropCount(SocketHandle) {
  return -1;
}

int ReceiveBufferBytes(SocketHandle socket) {
  int size = 0;
  int length = sizeof size;
  getsockopt(static_cast<SOCKET>(socket), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&size),
             &length);
  return size;
}

int WaitReadable(SocketHandle socket, std::chrono::milliseconds timeout) {
  WSAPOLLFD ready{static_cast<SOCKET>(socket), POLLRDNORM, 0};
  const int result = WSAPoll(&ready, 1, static_cast<INT>(timeout.count()));
  return result == SOCKET_ERROR ? -1 : (result > 0 ? 1 : 0);
}

// closesocket wakes a recv that waits on another thread; shutdown does not on Windows.
void WakeReceiver(SocketHandle socket) {
  closesocket(static_cast<SOCKET>(socket));
}

void CloseSocket(SocketHandle) {
  WSACleanup();
}

#else  // Linux

SocketHandle OpenUdpSocket(int receiveBufferBytes) {
  const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
  if (s < 0) return kNoSocket;
  if (receiveBufferBytes > 0) {
    // Root may go beyond the system's limit; everyone else gets what the system allows.
    if (setsockopt(s, SOL_SOCKET, SO_RCVBUFFORCE, &receiveBufferBytes, sizeof receiveBufferBytes) !=
        0) {
      setsockopt(s, SOL_SOCKET, SO_RCVBUF, &receiveBufferBytes, sizeof receiveBufferBytes);
    }
  }
  // The kernel notes when each datagram arrived, so that one taken from the queue later still
  // carries its own time.
  const int on = 1;
  setsockopt(s, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
  // And each datagram carries the count of those the full queue dropped before it.
  setsockopt(s, SOL_SOCKET, SO_RXQ_OVFL, &on, sizeof on);
  return s;
}

// Room for the control messages asked for: the arrival time and the drop count.
union Control {
  cmsghdr header;
  char space[CMSG_SPACE(sizeof(timespec)) + CMSG_SPACE(sizeof(std::uint32_t))];
};

struct DatagramReceiver::Batch {
  std::size_t size;
  std::vector<char> bytes;
  std::vector<iovec> parts;
  std::vector<Control> controls;
  std::vector<mmsghdr> headers;
  std::vector<std::chrono::system_clock::time_point> arrived;
  std::vector<sockaddr_in> senders;
  std::uint64_t dropped = 0;
};

DatagramReceiver::DatagramReceiver(std::size_t size, std::size_t count)
    : batch(new Batch{size, std::vector<char>(size * count), std::vector<iovec>(count),
                      std::vector<Control>(count), std::vector<mmsghdr>(count),
                      std::vector<std::chrono::system_clock::time_point>(count),
                      std::vector<sockaddr_in>(count)}) {
  Batch& b = *batch;
  for (std::size_t i = 0; i < count; ++i) {
    b.parts[i] = {b.bytes.data() + i * size, size};
    b.headers[i] = {};
    b.headers[i].msg_hdr.msg_iov = &b.parts[i];
    b.headers[i].msg_hdr.msg_iovlen = 1;
  }
}

DatagramReceiver::~DatagramReceiver() = default;

int DatagramReceiver::Receive(SocketHandle socket, bool wait) {
  Batch& b = *batch;
  for (std::size_t i = 0; i < b.headers.size(); ++i) {
    b.headers[i].msg_hdr.msg_control = &b.controls[i];
    b.headers[i].msg_hdr.msg_controllen = sizeof(Control);
    b.headers[i].msg_hdr.msg_flags = 0;
    b.headers[i].msg_hdr.msg_name = &b.senders[i];
    b.headers[i].msg_hdr.msg_namelen = sizeof(sockaddr_in);
  }
  // MSG_TRUNC makes each length the datagram's real one, so that an oversize datagram is
  // dropped whole rather than handled cut short. MSG_WAITFORONE waits for the first datagram
  // only and then takes what is queued behind it.
  const int taken = ::recvmmsg(static_cast<int>(socket), b.headers.data(),
                               static_cast<unsigned>(b.headers.size()),
                               MSG_TRUNC | (wait ? MSG_WAITFORONE : MSG_DONTWAIT), nullptr);
  if (taken < 0) return !wait && (errno == EAGAIN || errno == EWOULDBLOCK) ? 0 : -1;
  const auto now = std::chrono::system_clock::now();
  for (int i = 0; i < taken; ++i) {
    b.arrived[i] = now;
    msghdr& header = b.headers[i].msg_hdr;
    for (cmsghdr* c = CMSG_FIRSTHDR(&header); c; c = CMSG_NXTHDR(&header, c)) {
      if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SO_RXQ_OVFL) {
        std::uint32_t dropped;
        std::memcpy(&dropped, CMSG_DATA(c), sizeof dropped);
        b.dropped = std::max<std::uint64_t>(b.dropped, dropped);
        continue;
      }
      if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_TIMESTAMPNS) continue;
      // The kernel's stamp is on the same clock as system_clock (CLOCK_REALTIME).
      timespec stamp;
      std::memcpy(&stamp, CMSG_DATA(c), sizeof stamp);
      b.arrived[i] = std::chrono::system_clock::time_point(
          std::chrono::duration_cast<std::chrono::system_clock::duration>(
              std::chrono::seconds(stamp.tv_sec) + std::chrono::nanoseconds(stamp.tv_nsec)));
    }
  }
  return taken;
}

const char* DatagramReceiver::Data(int i) const {
  return static_cast<const char*>(batch->parts[static_cast<std::size_t>(i)].iov_base);
}

std::size_t DatagramReceiver::Length(int i) const {
  return batch->headers[static_cast<std::size_t>(i)].msg_len;
}

int WaitReadable(SocketHandle socket, std::chrono::milliseconds timeout) {
  pollfd ready{static_cast<int>(socket), POLLIN, 0};
  const int result = ::poll(&ready, 1, static_cast<int>(timeout.count()));
  return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

namespace {

// The socket's memory figures; false when the system does not give them.
bool MemoryInfo(SocketHandle socket, std::uint32_t (&info)[SK_MEMINFO_VARS]) {
  socklen_t length = sizeof info;
  return getsockopt(static_cast<int>(socket), SOL_SOCKET, SO_MEMINFO, info, &length) == 0 &&
         length > SK_MEMINFO_DROPS * sizeof info[0];
}

}  // namespace

std::int64_t DropCount(SocketHandle socket) {
  std::uint32_t info[SK_MEMINFO_VARS] = {};
  if (!MemoryInfo(socket, info)) return -1;
  return info[SK_MEMINFO_DROPS];
}

int ReceiveBufferBytes(SocketHandle socket) {
  int size = 0;
  socklen_t length = sizeof size;
  getsockopt(static_cast<int>(socket), SOL_SOCKET, SO_RCVBUF, &size, &length);
  // Linux doubles what it grants, for its own bookkeeping, and reports the doubled figure.
  return size / 2;
}

// close() alone does not wake a recv blocked on Linux; shutdown() does.
void WakeReceiver(SocketHandle socket) {
  ::shutdown(static_cast<int>(socket), SHUT_RDWR);
}

void CloseSocket(SocketHandle socket) {
  ::close(static_cast<int>(socket));
}

#endif

std::chrono::system_clock::time_point DatagramReceiver::ArrivedAt(int i) const {
  return batch->arrived[static_cast<std::size_t>(i)];
}

std::uint32_t DatagramReceiver::Sender(int i) const {
  return batch->senders[static_cast<std::size_t>(i)].sin_addr.s_addr;
}

std::uint16_t DatagramReceiver::SenderPort(int i) const {
  return ntohs(batch->senders[static_cast<std::size_t>(i)].sin_port);
}

std::uint64_t DatagramReceiver::Dropped() const {
  return batch->dropped;
}

}  // namespace net
