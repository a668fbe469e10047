#include "Socket.h"

#ifdef _WIN32
#include <winsock2.h>
#else
#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace net {

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

Destination MakeDestination(const std::string& address, std::uint16_t port) {
  return {inet_addr(address.c_str()), port};
}

void SendDatagram(SocketHandle socket, const std::string& bytes, const Destination& to) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = to.address;
  address.sin_port = htons(to.port);
  ::sendto(static_cast<SOCKET>(socket), bytes.data(), static_cast<int>(bytes.size()), 0,
           reinterpret_cast<const sockaddr*>(&address), sizeof address);
}

long ReceiveDatagram(SocketHandle socket, char* buffer, std::size_t size) {
  const int received = ::recv(static_cast<SOCKET>(socket), buffer, static_cast<int>(size), 0);
  if (received != SOCKET_ERROR) return received;
  // Windows fills the buffer with the start of an oversize datagram and reports it as an
  // error; the caller drops it whole.
  if (WSAGetLastError() == WSAEMSGSIZE) return static_cast<long>(size) + 1;
  return -1;
}

int WaitReadable(SocketHandle socket, std::chrono::milliseconds timeout) {
  WSAPOLLFD ready{static_cast<SOCKET>(socket), POLLRDNORM, 0};
  const int result = WSAPoll(&ready, 1, static_cast<INT>(timeout.count()));
  return result == SOCKET_ERROR ? -1 : (result > 0 ? 1 : 0);
}

std::uint16_t LocalPort(SocketHandle socket) {
  sockaddr_in local{};
  int length = sizeof local;
  if (getsockname(static_cast<SOCKET>(socket), reinterpret_cast<sockaddr*>(&local), &length) != 0)
    return 0;
  return ntohs(local.sin_port);
}

// closesocket wakes a recv that waits on another thread; shutdown does not on Windows.
void WakeReceiver(SocketHandle socket) {
  closesocket(static_cast<SOCKET>(socket));
}

void CloseSocket(SocketHandle) {
  WSACleanup();
}

#else

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
  return s;
}

Destination MakeDestination(const std::string& address, std::uint16_t port) {
  return {inet_addr(address.c_str()), port};
}

void SendDatagram(SocketHandle socket, const std::string& bytes, const Destination& to) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = to.address;
  address.sin_port = htons(to.port);
  ::sendto(static_cast<int>(socket), bytes.data(), bytes.size(), 0,
           reinterpret_cast<const sockaddr*>(&address), sizeof address);
}

long ReceiveDatagram(SocketHandle socket, char* buffer, std::size_t size) {
  // MSG_TRUNC makes recv report the datagram's real length, so that an oversize datagram is
  // dropped whole rather than handled cut short.
  return ::recv(static_cast<int>(socket), buffer, size, MSG_TRUNC);
}

int WaitReadable(SocketHandle socket, std::chrono::milliseconds timeout) {
  pollfd ready{static_cast<int>(socket), POLLIN, 0};
  const int result = ::poll(&ready, 1, static_cast<int>(timeout.count()));
  return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

std::uint16_t LocalPort(SocketHandle socket) {
  sockaddr_in local{};
  socklen_t length = sizeof local;
  if (getsockname(static_cast<int>(socket), reinterpret_cast<sockaddr*>(&local), &length) != 0)
    return 0;
  return ntohs(local.sin_port);
}

// close() alone does not wake a recv blocked on Linux; shutdown() does.
void WakeReceiver(SocketHandle socket) {
  ::shutdown(static_cast<int>(socket), SHUT_RDWR);
}

void CloseSocket(SocketHandle socket) {
  ::close(static_cast<int>(socket));
}

#endif

}  // namespace net
