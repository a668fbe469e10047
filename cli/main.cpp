// tagwick-cli: the device settings and the inventory test from the command line, for scripts.
#include <exception>
#include <iostream>

#include "Commands.h"
#include "Commission.h"
#include "ExitCodes.h"
#include "Interrupt.h"
#include "Inventory.h"
#include "Output.h"
#include "ReadTest.h"
#include "Scan.h"

namespace {

// What runs each verb but Help, which only prints.
struct Runner {
  Verb verb;
  int (*run)(const Command& command);
};
constexpr Runner kRunners[] = {{Verb::Get, RunGet},
                               {Verb::Set, RunSet},
                               {Verb::Reboot, RunReboot},
                               {Verb::Inventory, RunInventory},
                               {Verb::Test, RunTest},
                               {Verb::Scan, RunScan},
                               {Verb::Commission, RunCommission}};

int RunCommandLine(int argc, char** argv) {
  Command command;
  try {
    command = ParseCommandLine(argc, argv);
  } catch (const UsageError& e) {
    Message(e.what());
    std::cerr << kUsage;
    return kExitBadInput;
  } catch (const std::exception& e) {
    Message(e.what());
    return kExitBadInput;
  }
  try {
    if (command.verb == Verb::Help) {
      std::cout << command.helpText;
      return kExitOk;
    }
    for (const Runner& runner : kRunners) {
      if (runner.verb == command.verb) return runner.run(command);
    }
  } catch (const std::exception& e) {
    Message(e.what());
  }
  return kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
  IgnoreBrokenPipe();
  return FinishOutput(RunCommandLine(argc, argv));
}
