#include "Server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "Options.h"

namespace devicesim {

namespace {

volatile std::sig_atomic_t gStop = 0;
volatile std::sig_atomic_t gStats = 0;
sigset_t gWaitMask;  // the mask inside ppoll(): the process mask without our three signals
bool gSignalsInstalled = false;

extern "C" void onSignal(int signal) {
  if (signal == SIGUSR1) {
    gStats = 1;
  } else {
    gStop = 1;
  }
}

// Reports per onTimer call: large enough for 50k+/s with one ppoll() per batch, small enough
// that a request is answered within a batch's time.
constexpr std::size_t kBatch = 256;
constexpr std::size_t kMaxDatagram = 65536;

}  // namespace

void installSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: ppoll() returns EINTR
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGUSR1, &action, nullptr);
  sigset_t block;
  sigemptyset(&block);
  sigaddset(&block, SIGINT);
  sigaddset(&block, SIGTERM);
  sigaddset(&block, SIGUSR1);
  sigprocmask(SIG_BLOCK, &block, &gWaitMask);
  sigdelset(&gWaitMask, SIGINT);
  sigdelset(&gWaitMask, SIGTERM);
  sigdelset(&gWaitMask, SIGUSR1);
  gSignalsInstalled = true;
}

Server::~Server() {
  for (const Device& device : devices_) {
    if (device.socket >= 0) ::close(device.socket);
  }
}

std::optional<std::string> Server::bind(const std::string& address, std::uint16_t port) {
  std::uint32_t host = 0;
  if (!parseLoopbackAddress(address, host)) {
    return "refusing to bind " + address + ": only addresses in 127.0.0.0/8 are allowed";
  }
  auto unbound = std::find_if(devices_.begin(), devices_.end(),
                              [](const Device& device) { return device.socket < 0; });
  if (unbound == devices_.end()) return "no device left to bind " + address;
  Device& device = *unbound;
  device.socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (device.socket < 0) return std::string("socket: ") + std::strerror(errno);
  // Room for bursts of catch-up reports; the kernel caps the value at its own maximum.
  const int buffer = 4 * 1024 * 1024;
  ::setsockopt(device.socket, SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
  ::setsockopt(device.socket, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(host);
  addr.sin_port = htons(port);
  if (::bind(device.socket, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    return "cannot bind " + address + ":" + std::to_string(port) + ": " + std::strerror(errno);
  }
  socklen_t length = sizeof addr;
  ::getsockname(device.socket, reinterpret_cast<sockaddr*>(&addr), &length);
  device.local = {ntohl(addr.sin_addr.s_addr), ntohs(addr.sin_port)};
  return std::nullopt;
}

bool Server::flush(Device& device) {
  Simulator& simulator = *device.simulator;
  while (!device.pending.empty()) {
    const Outgoing& datagram = device.pending.front();
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(datagram.to.address);
    to.sin_port = htons(datagram.to.port);
    const ssize_t sent = ::sendto(device.socket, datagram.bytes.data(), datagram.bytes.size(), 0,
                                  reinterpret_cast<sockaddr*>(&to), sizeof to);
    if (sent < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS) {
        // Wait for POLLOUT rather than drop: every counted datagram really went out.
        ++simulator.stats().sendWaits;
        return false;
      }
      ++simulator.stats().sendErrors;
    } else {
      simulator.stats().noteSent(datagram.kind, datagram.bytes.size());
    }
    device.pending.pop_front();
  }
  return true;
}

void Server::receive(Device& device, std::vector<Outgoing>& scratch) {
  static thread_local std::string buffer(kMaxDatagram, '\0');
  // A bounded number per round, so that a flood of requests cannot starve the stream.
  for (int i = 0; i < 64; ++i) {
    sockaddr_in from{};
    socklen_t length = sizeof from;
    const ssize_t got = ::recvfrom(device.socket, buffer.data(), buffer.size(), 0,
                                   reinterpret_cast<sockaddr*>(&from), &length);
    if (got < 0) {
      if (errno == EINTR) continue;
      return;  // EAGAIN, or an error the next round will see again
    }
    scratch.clear();
    const Endpoint sender{ntohl(from.sin_addr.s_addr), ntohs(from.sin_port)};
    device.simulator->onDatagram(std::string_view(buffer.data(), static_cast<std::size_t>(got)),
                                 sender, time_.now(), scratch);
    for (auto& datagram : scratch) device.pending.push_back(std::move(datagram));
  }
}

void Server::run(std::FILE* statsOut) {
  std::vector<Outgoing> scratch;
  std::vector<pollfd> fds(devices_.size());
  sigset_t current;
  sigprocmask(SIG_SETMASK, nullptr, &current);
  const sigset_t* waitMask = gSignalsInstalled ? &gWaitMask : &current;

  while (!gStop && !stopRequested_) {
    if (gStats) {
      gStats = 0;
      for (const Device& device : devices_) {
        std::fprintf(statsOut, "stats %s\n", device.simulator->stats().toJson().c_str());
      }
      std::fflush(statsOut);
    }
    const TimePoint now = time_.now();
    std::optional<TimePoint> wake;
    for (std::size_t i = 0; i < devices_.size(); ++i) {
      Device& device = devices_[i];
      bool writable = flush(device);
      if (writable) {
        scratch.clear();
        device.simulator->onTimer(time_.now(), kBatch, scratch);
        for (auto& datagram : scratch) device.pending.push_back(std::move(datagram));
        writable = flush(device);
      }
      fds[i] = {device.socket, static_cast<short>(POLLIN | (writable ? 0 : POLLOUT)), 0};
      if (!writable) continue;
      if (const auto next = device.simulator->nextWakeup(now); next && (!wake || *next < *wake)) {
        wake = next;
      }
    }

    timespec timeout{};
    const timespec* wait = nullptr;
    if (wake) {
      const Nanos left = *wake > now ? std::chrono::duration_cast<Nanos>(*wake - now) : Nanos(0);
      timeout.tv_sec = static_cast<time_t>(left.count() / 1000000000);
      timeout.tv_nsec = static_cast<long>(left.count() % 1000000000);
      wait = &timeout;
    }
    if (::ppoll(fds.data(), fds.size(), wait, waitMask) <= 0) continue;
    for (std::size_t i = 0; i < devices_.size(); ++i) {
      if (fds[i].revents & POLLIN) receive(devices_[i], scratch);
    }
  }
}

}  // namespace devicesim
