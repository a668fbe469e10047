#include "DeviceSocket.h"

#include <algorithm>
#include <stdexcept>

#include "DatagramText.h"

namespace {

constexpr std::size_t kDatagramLimit = 8192;
constexpr std::size_t kReceiveBatch = 64;
// Room for a few seconds' worth of reports, in the system's queue and then in the process.
constexpr int kBufferBytes = 4 * 1024 * 1024;
constexpr std::size_t kMaxIntakeDatagrams = 131072;
constexpr std::size_t kMaxIntakeBytes = 32 * 1024 * 1024;

std::runtime_error SystemError(const std::string& what) {
  return std::runtime_error(what + ": " + net::LastSocketError());
}

}  // namespace

DeviceSocket::DeviceSocket(const std::string& address, std::uint16_t port)
    : DeviceSocket(address, port, false) {}

DeviceSocket::DeviceSocket(const std::string& address, std::uint16_t port, bool anySender)
    : anySender(anySender),
      receiver(std::make_unique<net::DatagramReceiver>(kDatagramLimit, kReceiveBatch)) {
  if (!net::ParseAddress(address, device.address))
    throw std::runtime_error("not an IPv4 address: " + address);
  device.port = port;
  socket = net::OpenUdpSocket(kBufferBytes);
  if (socket == net::kNoSocket) throw SystemError("cannot open a UDP socket");
}

DeviceSocket::~DeviceSocket() {
  net::WakeReceiver(socket);
  net::CloseSocket(socket);
}

void DeviceSocket::Send(const std::string& text) {
  if (!net::TrySendDatagram(socket, text, device)) throw SystemError("cannot send to the device");
}

void DeviceSocket::TakeQueued() {
  while (intake.size() < kMaxIntakeDatagrams && intakeBytes < kMaxIntakeBytes) {
    const int taken = receiver->Receive(socket, false);
    for (int i = 0; i < taken; ++i) {
      // An oversize datagram reports its real length and is dropped whole, an empty one skipped.
      const std::size_t length = receiver->Length(i);
      if (length == 0 || length > kDatagramLimit) continue;
      if (!anySender && receiver->Sender(i) != device.address) {
        ++ignored;
        continue;
      }
      intake.push_back(DatagramText(receiver->Data(i), length));
      intakeBytes += intake.back().size();
      ++accepted;
    }
    dropped = std::max(dropped, receiver->Dropped());
    if (taken < static_cast<int>(kReceiveBatch)) break;
  }
}

DeviceSocket::Wait DeviceSocket::Receive(std::string& text, Clock::time_point deadline,
                                         int interruptFd) {
  for (;;) {
    // Once the time is up or the operator interrupts, nothing more is taken from the socket; but
    // what was taken already arrived in time and is handed out first, never dropped.
    const bool late = Clock::now() >= deadline;
    if (!late && !stopping) {
      TakeQueued();
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      // With datagrams in hand, only a look at the interrupt.
      const int ready =
          net::WaitReadable(socket, interruptFd >= 0 ? interruptFd : net::kNoSocket,
                            intake.empty() ? std::chrono::milliseconds(std::max<long long>(left, 0))
                                           : std::chrono::milliseconds(0));
      if (ready < 0) throw SystemError("cannot wait for the device");
      if (ready & 2) stopping = true;
    }
    if (!intake.empty()) {
      text = std::move(intake.front());
      intake.pop_front();
      intakeBytes -= text.size();
      return Wait::Datagram;
    }
    if (stopping) {
      stopping = false;
      return Wait::Interrupted;
    }
    if (late) return Wait::Deadline;
  }
}

std::uint64_t DeviceSocket::Dropped() const {
  // The system's own count also holds the drops after the last datagram taken.
  const std::int64_t counted = net::DropCount(socket);
  return std::max<std::uint64_t>(dropped, counted > 0 ? static_cast<std::uint64_t>(counted) : 0);
}

int DeviceSocket::GrantedBufferBytes() const {
  return net::ReceiveBufferBytes(socket);
}

int DeviceSocket::RequestedBufferBytes() {
  return kBufferBytes;
}
