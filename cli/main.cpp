// tagwick-cli: the device settings and the inventory test from the command line, for scripts.
#include <exception>
#include <iostream>
#include <string>
#include <vector>
#ifdef _WIN32
#include <windows.h>
// clang-format off
#include <shellapi.h>  // needs windows.h first
// clang-format on

#include "Utf8Path.h"
#endif

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
#ifdef _WIN32
  // The arguments as UTF-8, the tool's text, from the wide command line: argv is in the ANSI
  // code page, which Windows 10 1809 does not make UTF-8 for all the manifest asks.
  int count = 0;
  if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(Utf8(wide[i]));
    LocalFree(wide);
    std::vector<char*> pointers;
    for (std::string& argument : arguments) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    return FinishOutput(RunCommandLine(count, pointers.data()));
  }
#endif
  return FinishOutput(RunCommandLine(argc, argv));
}
