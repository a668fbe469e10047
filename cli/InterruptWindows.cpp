#include <winsock2.h>

#include <atomic>
#include <stdexcept>
#include <string>

#include "Interrupt.h"
#include "Socket.h"

// Windows has no SIGINT to wait on: the console runs a handler on a thread of its own for Ctrl-C,
// Ctrl-Break and the closing of the console window. The handler sends one byte to a socket bound
// to 127.0.0.1, which the wait for the device watches beside the device's socket, as the pipe
// does elsewhere.
namespace {

SOCKET wake = INVALID_SOCKET;
sockaddr_in wakeAddress{};
std::atomic<int> interrupts{0};

BOOL WINAPI OnConsoleEvent(DWORD event) {
  const int seen = interrupts.fetch_add(1);
  const char byte = 1;
  sendto(wake, &byte, 1, 0, reinterpret_cast<const sockaddr*>(&wakeAddress), sizeof wakeAddress);
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
    // The first one ends the wait; a second one ends the process as usual.
    return seen == 0 ? TRUE : FALSE;
  }
  // Closing the console, logging off or shutting down ends the process when this handler
  // returns: hold it while the main thread prints its summary and exits (the system allows
  // about five seconds).
  Sleep(4000);
  return TRUE;
}

}  // namespace

int InstallInterruptPipe() {
  const net::SocketHandle socket = net::OpenUdpSocket(0);
  if (socket == net::kNoSocket) {
    throw std::runtime_error("cannot open a socket: " + net::LastSocketError());
  }
  wake = static_cast<SOCKET>(socket);
  wakeAddress.sin_family = AF_INET;
  wakeAddress.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof wakeAddress;
  if (bind(wake, reinterpret_cast<const sockaddr*>(&wakeAddress), sizeof wakeAddress) != 0 ||
      getsockname(wake, reinterpret_cast<sockaddr*>(&wakeAddress), &length) != 0) {
    throw std::runtime_error("cannot bind a socket: " + net::LastSocketError());
  }
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  // Windows handles have 32 significant bits, so a socket fits the descriptor's int.
  return static_cast<int>(wake);
}

// Windows raises no signal for a closed pipe: the write fails, which the caller reports.
void IgnoreBrokenPipe() {}

bool StdoutReaderGone() {
  return false;
}
