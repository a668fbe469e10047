// tagwick-cli: the device settings and the inventory test from the command line, for scripts.
#include <exception>
#include <iostream>

#include "Commands.h"
#include "Commission.h"
#include "ExitCodes.h"
#include "Interrupt.h"
#include "Inventory.h"
#include "Output.h"
#include "Scan.h"

namespace {

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
    switch (command.verb) {
      case Verb::Help:
        std::cout << command.helpText;
        return kExitOk;
      case Verb::Get:
        return RunGet(command);
      case Verb::Set:
        return RunSet(command);
      case Verb::Reboot:
        return RunReboot(command);
      case Verb::Inventory:
        return RunInventory(command);
      case Verb::Scan:
        return RunScan(command);
      case Verb::Commission:
        return RunCommission(command);
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
