#include "Scan.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
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

namespace {

using Clock = std::chrono::steady_clock;

// At most this many requests a second, so that a scan never floods a site's network.
constexpr auto kRequestGap = std::chrono::milliseconds(1);
constexpr std::size_t kDatagramLimit = 8192;

std::string AddressText(std::uint32_t host) {
  const in_addr address{htonl(host)};
  char text[INET_ADDRSTRLEN];
  inet_ntop(AF_INET, &address, text, sizeof text);
  return text;
}

// One socket that asks many addresses, and tells who answered.
class ScanSocket {
 public:
  ScanSocket() {
    fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
      throw std::runtime_error(std::string("cannot open a UDP socket: ") + strerror(errno));
    int size = 4 * 1024 * 1024;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
  }
  ~ScanSocket() { ::close(fd); }
  ScanSocket(const ScanSocket&) = delete;
  ScanSocket& operator=(const ScanSocket&) = delete;

  // A datagram that the system refuses for one address does not end the scan of the others.
  void SendTo(std::uint32_t host, std::uint16_t port, const std::string& text) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(host);
    ::sendto(fd, text.data(), text.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  }

  // One datagram (up to its first zero byte) and its sender, or false at the deadline or when
  // `interruptFd` becomes readable. Empty and oversize datagrams are skipped, as the link does.
  bool Receive(std::string& text, sockaddr_in& from, Clock::time_point deadline, int interruptFd) {
    char buffer[kDatagramLimit];
    for (;;) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return false;
      pollfd ready[2] = {{fd, POLLIN, 0}, {interruptFd, POLLIN, 0}};
      if (::poll(ready, 2, static_cast<int>(left.count())) <= 0) continue;
      if (ready[1].revents & POLLIN) return false;
      socklen_t length = sizeof from;
      const ssize_t got = ::recvfrom(fd, buffer, sizeof buffer, MSG_TRUNC | MSG_DONTWAIT,
                                     reinterpret_cast<sockaddr*>(&from), &length);
      if (got <= 0 || static_cast<std::size_t>(got) > sizeof buffer) continue;
      text.assign(buffer, strnlen(buffer, static_cast<std::size_t>(got)));
      return true;
    }
  }

 private:
  int fd = -1;
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
    const std::string ask = TypeRequest("getdeviceid");
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
      socket.SendTo(found.first, range.port, TypeRequest("debugstop"));
    return answers;
  }

 private:
  // Takes the answers that arrive until `until`; false when interrupted.
  bool Collect(Clock::time_point until, int interrupt) {
    std::string text;
    sockaddr_in from{};
    while (Clock::now() < until) {
      if (!socket.Receive(text, from, until, interrupt)) return Clock::now() >= until;
      const std::uint32_t host = ntohl(from.sin_addr.s_addr);
      // Only the devices asked, on the port asked, unless any sender is allowed.
      if (host < range.first || host > range.last) continue;
      if (ntohs(from.sin_port) != range.port && !command.anySender) continue;
      window.Forget();
      const Handler* claimant = chain->Dispatch(text);
      if (!claimant || claimant->key != "getdeviceid" || !window.fields.count("edtDeviceID")) {
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
