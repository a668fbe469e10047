#pragma once

#include <functional>
#include <memory>
#include <string>

#include "CommandLine.h"
#include "DeviceSocket.h"
#include "Handler.h"
#include "ReplyWindow.h"

// The window's hidden field holds this before "debugstart" on every connect.
inline constexpr char kDebugStartPrefix[] = "qdw";

// One connection as the window makes it: the debug-start request first, "debugstop" last, and
// every datagram in between offered to the window's handler chain, acting on `window`.
class Session {
 public:
  // Called after each datagram with its text and the handler that claimed it; true ends the wait.
  using Visitor = std::function<bool(const std::string& text, const Handler& claimant)>;

  // With `anySender`, datagrams from any address count (DeviceSocket).
  Session(const DeviceAddress& device, ReplyWindow& window, bool anySender);
  // Sends "debugstop" unless Close() did.
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  void Send(const std::string& text);
  // Dispatches what arrives until the visitor says done, the deadline passes or the interrupt
  // descriptor becomes readable.
  DeviceSocket::Wait Pump(DeviceSocket::Clock::time_point deadline, const Visitor& visit,
                          int interruptFd = -1);
  // Sends "debugstop", and says on stderr how many datagrams from other senders were ignored.
  void Close();

  const DeviceSocket& Socket() const { return socket; }

 private:
  DeviceSocket socket;
  DeviceAddress device;
  ReplyWindow& window;
  std::unique_ptr<HandlerChain> chain;
  bool open = true;
};
