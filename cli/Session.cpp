#include "Session.h"

#include "Output.h"
#include "Requests.h"

Session::Session(const DeviceAddress& device, ReplyWindow& window, bool anySender)
    : socket(device.address, device.port, anySender),
      device(device),
      window(window),
      chain(BuildHandlerChain(window)) {
  Send(TypeRequest(DebugStartType(kDebugStartPrefix)));
}

Session::~Session() {
  try {
    Close();
  } catch (...) {
    // Already on the way out with another error; the device times the debug session out.
  }
}

void Session::Send(const std::string& text) {
  socket.Send(text);
}

DeviceSocket::Wait Session::Pump(DeviceSocket::Clock::time_point deadline, const Visitor& visit,
                                 int interruptFd) {
  std::string text;
  for (;;) {
    const DeviceSocket::Wait wait = socket.Receive(text, deadline, interruptFd);
    if (wait != DeviceSocket::Wait::Datagram) return wait;
    window.Forget();
    // The catch-all stands last, so some handler always claims the text.
    const Handler* claimant = chain->Dispatch(text);
    if (claimant && visit(text, *claimant)) return wait;
  }
}

void Session::Close() {
  if (!open) return;
  open = false;
  Send(TypeRequest(requests::kDebugStop));
  if (socket.Ignored() > 0) {
    Message("ignored " + std::to_string(socket.Ignored()) + " datagrams from senders other than " +
            device.address + " (--any-sender takes them)");
  }
}
