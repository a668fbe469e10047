#include "Scan.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <stdexcept>

#include "ExitCodes.h"
#include "Handler.h"
#include "Interrupt.h"
#include "JsonLine.h"
#include "Output.h"
#include "ReplyWindow.h"
#include "Requests.h"
#include "Session.h"
#include "Socket.h"

namespace {

using Clock = std::chrono::steady_clock;

// At most this many requests a second, so that a scan never floods a site's network.
constexpr auto kRequestGap = std::chrono::milliseconds(1);
constexpr std::size_t kDatagramLimit = 8192;

std::string AddressText(std::uint32_t host) {
  return std::to_string(host >> 24) + "." + std::to_string((host >> 16) & 0xFF) + "." +
         std::to_string((host >> 8) & 0xFF) + "." + std::to_string(host & 0xFF);
}

// The network-order form of a host-order address, as the socket calls take it.
std::uint32_t NetworkOrder(std::uint32_t host) {
  const unsigned char bytes[4] = {
      static_cast<unsigned char>(host >> 24), static_cast<unsigned char>(host >> 16),
      static_cast<unsigned char>(host >> 8), static_cast<unsigned char>(host)};
  std::uint32_t network = 0;
  std::memcpy(&network, bytes, sizeof network);
  return network;
}

// One socket that asks many addresses, and tells who answered.
class ScanSocket {
 public:
  ScanSocket() : receiver(kDatagramLimit, 1) {
    socket = net::OpenUdpSocket(4 * 1024 * 1024);
    if (socket == net::kNoSocket)
      throw std::runtime_error("cannot open a UDP socket: " + net::LastSocketError());
  }
  ~ScanSocket() {
    net::WakeReceiver(socket);
    net::CloseSocket(socket);
  }
  ScanSocket(const ScanSocket&) = delete;
  ScanSocket& operator=(const ScanSocket&) = delete;

  // A datagram that the system refuses for one address does not end the scan of the others.
  void SendTo(std::uint32_t host, std::uint16_t port, const std::string& text) {
    net::TrySendDatagram(socket, text, net::Destination{NetworkOrder(host), port});
  }

  // One datagram (up to its first zero byte) and its sender (host order) and port, or false at
  // the deadline or when `interruptFd` becomes readable. Empty and oversize datagrams are
  // skipped, as the link does.
  bool Receive(std::string& text, std::uint32_t& host, std::uint16_t& port,
               Clock::time_point deadline, int interruptFd) {
    for (;;) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return false;
      const int ready = net::WaitReadable(socket, interruptFd, left);
      if (ready <= 0) continue;
      if (ready & 2) return false;
      if (receiver.Receive(socket, false) != 1) continue;
      const std::size_t length = receiver.Length(0);
      if (length == 0 || length > kDatagramLimit) continue;
      const char* bytes = receiver.Data(0);
      text.assign(bytes, strnlen(bytes, length));
      host = net::HostOrder(receiver.Sender(0));
      port = receiver.SenderPort(0);
      return true;
    }
  }

 private:
  net::SocketHandle socket = net::kNoSocket;
  net::DatagramReceiver receiver;
};

struct Answer {
  std::string deviceId;
  double milliseconds = 0;
};

class Scanner {
 public:
  explicit Scanner(const Command& command)
      : command(command), range(command.scan), chain(BuildHandlerChain(window)) {}

  std::map<std::uint32_t, Answer> Run(int interrupt) {
    const std::string start = TypeRequest(DebugStartType(kDebugStartPrefix));
    const std::string ask = TypeRequest(requests::kGetDeviceId);
    sentAt.resize(range.last - range.first + 1);
    auto next = Clock::now();
    bool interrupted = false;
    for (std::uint32_t host = range.first; !interrupted; ++host) {
      // As the window's address rule has it: an address ending in 255 is a broadcast address.
      const bool broadcast = (host & 0xFF) == 0xFF;
      for (const std::string* request : {&start, &ask}) {
        if (broadcast) break;
        interrupted = !Collect(next, interrupt);
        if (interrupted) break;
        socket.SendTo(host, range.port, *request);
        next += kRequestGap;
      }
      sentAt[host - range.first] = Clock::now();
      if (host == range.last) break;
    }
    if (interrupted) {
      Message("interrupted: the scan was stopped early");
    } else {
      Collect(DeviceSocket::After(command.timeoutSeconds), interrupt);
    }
    for (const auto& found : answers)
      socket.SendTo(found.first, range.port, TypeRequest(requests::kDebugStop));
    return answers;
  }

 private:
  // Takes the answers that arrive until `until`; false when interrupted.
  bool Collect(Clock::time_point until, int interrupt) {
    std::string text;
    std::uint32_t host = 0;
    std::uint16_t port = 0;
    while (Clock::now() < until) {
      if (!socket.Receive(text, host, port, until, interrupt)) return Clock::now() >= until;
      // Only the devices asked, on the port asked, unless any sender is allowed.
      if (host < range.first || host > range.last) continue;
      if (port != range.port && !command.anySender) continue;
      window.Forget();
      const Handler* claimant = chain->Dispatch(text);
      if (!claimant || claimant->key != requests::kGetDeviceId ||
          !window.fields.count("edtDeviceID")) {
        continue;
      }
      const auto elapsed = Clock::now() - sentAt[host - range.first];
      answers.emplace(host, Answer{window.fields["edtDeviceID"],
                                   std::chrono::duration<double, std::milli>(elapsed).count()});
    }
    return true;
  }

  const Command& command;
  const ScanRange& range;
  ScanSocket socket;
  ReplyWindow window;
  std::unique_ptr<HandlerChain> chain;
  std::vector<Clock::time_point> sentAt;
  std::map<std::uint32_t, Answer> answers;
};

}  // namespace

int RunScan(const Command& command) {
  const int interrupt = InstallInterruptPipe();
  Scanner scanner(command);
  const std::map<std::uint32_t, Answer> answers = scanner.Run(interrupt);
  for (const auto& [host, answer] : answers) {
    char milliseconds[32];
    std::snprintf(milliseconds, sizeof milliseconds, "%.2f", answer.milliseconds);
    const JsonMembers values = {{"address", AddressText(host)},
                                {"port", std::to_string(command.scan.port)},
                                {"deviceid", answer.deviceId},
                                {"answer_ms", milliseconds}};
    if (command.json) {
      std::cout << JsonLine(values) << '\n';
      continue;
    }
    std::string line;
    for (const auto& [key, value] : values) line += (line.empty() ? "" : " ") + key + "=" + value;
    std::cout << line << '\n';
  }
  std::cout.flush();
  const std::string range = AddressText(command.scan.first) + "-" + AddressText(command.scan.last);
  Message(std::to_string(answers.size()) + " devices answered in " + range);
  return answers.empty() ? kExitNoTags : kExitOk;
}
