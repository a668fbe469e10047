#include "Socket.h"

#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#endif

// The socket calls of a caller that reports failures, where the link stays silent.
namespace net {

bool ParseAddress(const std::string& address, std::uint32_t& networkOrder) {
  in_addr parsed{};
  if (inet_pton(AF_INET, address.c_str(), &parsed) != 1) return false;
  std::memcpy(&networkOrder, &parsed, sizeof networkOrder);
  return true;
}

bool TrySendDatagram(SocketHandle socket, const std::string& bytes, const Destination& to) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = to.address;
  address.sin_port = htons(to.port);
#ifdef _WIN32
  return ::sendto(static_cast<SOCKET>(socket), bytes.data(), static_cast<int>(bytes.size()), 0,
                  reinterpret_cast<const sockaddr*>(&address), sizeof address) != SOCKET_ERROR;
#else
  return ::sendto(static_cast<int>(socket), bytes.data(), bytes.size(), 0,
                  reinterpret_cast<const sockaddr*>(&address), sizeof address) >= 0;
#endif
}

#ifdef _WIN32

std::string LastSocketError() {
  const int code = WSAGetLastError();
  char* text = nullptr;
  FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = text ? text : "";
  LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == '.' || message.back() == ' '))
    message.pop_back();
  return message.empty() ? "Windows Sockets error " + std::to_string(code) : message;
}

int WaitReadable(SocketHandle socket, SocketHandle other, std::chrono::milliseconds timeout) {
  WSAPOLLFD ready[2] = {{static_cast<SOCKET>(socket), POLLRDNORM, 0},
                        {static_cast<SOCKET>(other), POLLRDNORM, 0}};
  const int count = WSAPoll(ready, other != kNoSocket ? 2 : 1, static_cast<INT>(timeout.count()));
  if (count == SOCKET_ERROR) return -1;
  // A socket closed under the wait, or one with an error, reads as ready: its recv says more.
  const SHORT readable = POLLRDNORM | POLLHUP | POLLERR;
  return ((ready[0].revents & readable) ? 1 : 0) |
         ((other != kNoSocket && (ready[1].revents & readable)) ? 2 : 0);
}

#else

std::string LastSocketError() {
  return std::strerror(errno);
}

int WaitReadable(SocketHandle socket, SocketHandle other, std::chrono::milliseconds timeout) {
  pollfd ready[2] = {{static_cast<int>(socket), POLLIN, 0}, {static_cast<int>(other), POLLIN, 0}};
  const int count = ::poll(ready, other != kNoSocket ? 2 : 1, static_cast<int>(timeout.count()));
  if (count < 0) return errno == EINTR ? 0 : -1;
  return ((ready[0].revents & POLLIN) ? 1 : 0) |
         ((other != kNoSocket && (ready[1].revents & POLLIN)) ? 2 : 0);
}

#endif

}  // namespace net
