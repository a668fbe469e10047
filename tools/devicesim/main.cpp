// tagwick-devicesim: a simulated RFID reader on loopback for the demo, the end-to-end tests and
// the benchmarks. All behaviour lives in devicesim_core; this file wires it to the process.
#include <cstdio>
#include <ctime>
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
  Config config = outcome.options.config;
  config.initialRtc = static_cast<std::int64_t>(std::time(nullptr));
  Simulator simulator(config, time.now());
  Server server(simulator, time);
  if (auto error = server.bind(outcome.options.bind, outcome.options.port)) {
    std::fprintf(stderr, "tagwick-devicesim: %s\n", error->c_str());
    return 1;
  }
  std::printf("listening on %s\n", server.local().text().c_str());
  std::fflush(stdout);

  server.run(stdout);

  std::printf("stats %s\n", simulator.stats().toJson().c_str());
  std::fflush(stdout);
  return 0;
}
