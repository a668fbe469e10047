// tagwick-devicesim: a simulated RFID reader on loopback for the demo, the end-to-end tests and
// the benchmarks. All behaviour lives in devicesim_core; this file wires it to the process.
#include <arpa/inet.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "Options.h"
#include "Server.h"
#include "Simulator.h"

int main(int argc, char** argv) {
  using namespace devicesim;
  const std::vector<std::string> args(argv + 1, argv + argc);
  ParseOutcome outcome = parseCommandLine(args);
  if (outcome.status == ParseOutcome::Status::Help) {
    std::fputs(usageText().c_str(), stdout);
    return 0;
  }
  if (outcome.status == ParseOutcome::Status::Error) {
    std::fprintf(stderr, "tagwick-devicesim: %s\nTry 'tagwick-devicesim --help'.\n",
                 outcome.message.c_str());
    return 2;
  }

  installSignalHandlers();
  SteadyTimeSource time;
  const Options& options = outcome.options;
  std::vector<std::unique_ptr<Simulator>> simulators;
  Server server(time);
  for (std::uint32_t number = 1; number <= options.devices; ++number) {
    Config config = configFor(options, number);
    config.initialRtc = static_cast<std::int64_t>(std::time(nullptr));
    simulators.push_back(std::make_unique<Simulator>(config, time.now()));
    server.add(*simulators.back());
  }
  // Device 1 on --bind; the others on the next addresses, on the port device 1 got.
  std::uint32_t first = 0;
  parseLoopbackAddress(options.bind, first);
  std::uint16_t port = options.port;
  for (std::uint32_t i = 0; i < options.devices; ++i) {
    const in_addr address{htonl(first + i)};
    char text[INET_ADDRSTRLEN];
    inet_ntop(AF_INET, &address, text, sizeof text);
    if (auto error = server.bind(text, port)) {
      std::fprintf(stderr, "tagwick-devicesim: %s\n", error->c_str());
      return 1;
    }
    port = server.local(i).port;
    std::printf("listening on %s\n", server.local(i).text().c_str());
  }
  std::fflush(stdout);

  server.run(stdout);

  for (const auto& simulator : simulators) {
    std::printf("stats %s\n", simulator->stats().toJson().c_str());
  }
  std::fflush(stdout);
  return 0;
}
