// The simulator on a real UDP socket: one thread, ppoll() with timers from the simulator.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "Simulator.h"
#include "Types.h"

namespace devicesim {

// SIGINT/SIGTERM ask for a stop, SIGUSR1 for the counters. The handlers only set flags; the
// signals stay blocked except inside ppoll(), so a signal can never slip in between a check of
// the flags and the wait.
void installSignalHandlers();

// One or more simulated devices, each on a socket of its own, served by one thread.
class Server {
 public:
  explicit Server(TimeSource& time) : time_(time) {}
  Server(Simulator& simulator, TimeSource& time) : time_(time) { add(simulator); }
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // A device to serve; bind() gives it its socket.
  void add(Simulator& simulator) {
    devices_.emplace_back();
    devices_.back().simulator = &simulator;
  }
  // Binds a non-blocking UDP socket for the first device without one; the address must be in
  // 127.0.0.0/8. Returns the error.
  std::optional<std::string> bind(const std::string& address, std::uint16_t port);
  // The first device's address, or device `index`'s.
  Endpoint local(std::size_t index = 0) const { return devices_.at(index).local; }

  // Runs until SIGINT/SIGTERM (after installSignalHandlers) or requestStop(). Prints the
  // counters to statsOut on SIGUSR1.
  void run(std::FILE* statsOut);
  void requestStop() { stopRequested_ = true; }

 private:
  struct Device {
    Simulator* simulator = nullptr;
    int socket = -1;
    Endpoint local;
    std::deque<Outgoing> pending;
  };
  bool flush(Device& device);  // false when the send buffer is full
  void receive(Device& device, std::vector<Outgoing>& scratch);

  TimeSource& time_;
  std::vector<Device> devices_;
  std::atomic<bool> stopRequested_{false};
};

}  // namespace devicesim
