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

class Server {
 public:
  Server(Simulator& simulator, TimeSource& time) : simulator_(simulator), time_(time) {}
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Binds a non-blocking UDP socket; the address must be in 127.0.0.0/8. Returns the error.
  std::optional<std::string> bind(const std::string& address, std::uint16_t port);
  Endpoint local() const { return local_; }

  // Runs until SIGINT/SIGTERM (after installSignalHandlers) or requestStop(). Prints the
  // counters to statsOut on SIGUSR1.
  void run(std::FILE* statsOut);
  void requestStop() { stopRequested_ = true; }

 private:
  bool flush();  // false when the send buffer is full
  void receive(std::vector<Outgoing>& scratch);

  Simulator& simulator_;
  TimeSource& time_;
  int socket_ = -1;
  Endpoint local_;
  std::deque<Outgoing> pending_;
  std::atomic<bool> stopRequested_{false};
};

}  // namespace devicesim
