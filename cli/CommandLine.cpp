#include "CommandLine.h"

#include <CLI/CLI.hpp>
#include <cstdint>
#include <vector>

#include "ClockValue.h"
#include "ExitCodes.h"
#include "InputChecks.h"
#include "Requests.h"
#include "Settings.h"
#include "Socket.h"

const char kUsage[] =
    "usage: tagwick-cli --device ADDRESS[:PORT] [--timeout SECONDS] [--json] [--any-sender]\n"
    "                   COMMAND ...\n"
    "  get gateway | deviceid | network | clock | antlist\n"
    "  set gateway IP PORT\n"
    "  set deviceid ID\n"
    "  set network dhcp\n"
    "  set network static IP MASK GATEWAY [DNS1 [DNS2]]\n"
    "  set clock now | YYYY-MM-DDTHH:MM:SS          (local time)\n"
    "  reboot\n"
    "  inventory SECONDS [--csv FILE]\n"
    "  test RECIPE [--junit FILE] [--json FILE] [--csv FILE]\n"
    "without --device:\n"
    "  scan FIRST[-LAST] [--port PORT]\n"
    "  commission PLAN.csv [--jobs N] [--retries N] [--report FILE] [--skip-ok REPORT]\n"
    "             [--reboot] [--dry-run]\n"
    "PORT defaults to 11002, --timeout to 2 seconds. COMMAND --help tells more.\n"
    "Only datagrams from ADDRESS count, from any port; --any-sender takes them from anywhere\n"
    "(a device behind address translation).\n"
    "Exit codes: 0 done, 1 failure, 2 bad input (nothing sent), 3 no reply in time,\n"
    "4 status other than ok, 5 inventory read no tag or scan found no device,\n"
    "6 a commissioned device is not ok, 7 the reader failed its test.\n";

namespace {

// A scan asks at most this many addresses, so that a typing slip cannot flood a network.
constexpr std::uint32_t kScanLimit = 65536;

std::uint16_t ParsePort(const std::string& argument, const std::string& port) {
  CheckDigitsArgument(argument, port);
  if (port.size() > 5 || std::stoul(port) == 0 || std::stoul(port) > 65535) {
    throw InputError(argument + " '" + port + "' is not between 1 and 65535");
  }
  return static_cast<std::uint16_t>(std::stoul(port));
}

int ParseCount(const std::string& argument, const std::string& text, int low, int high) {
  if (!IsDigitsOnlyText(text) || text.size() > 6 || std::stoi(text) < low ||
      std::stoi(text) > high) {
    throw InputError(argument + " '" + text + "' is not a whole number from " +
                     std::to_string(low) + " to " + std::to_string(high));
  }
  return std::stoi(text);
}

std::uint32_t ParseHostAddress(const std::string& argument, const std::string& text) {
  std::uint32_t parsed = 0;
  if (!net::ParseAddress(text, parsed)) {
    throw InputError(argument + " '" + text + "' is not a dotted-decimal address");
  }
  return net::HostOrder(parsed);
}

ScanRange ParseScanRange(const std::string& text) {
  ScanRange range;
  const std::size_t dash = text.find('-');
  const std::string first = text.substr(0, dash);
  const std::string last = dash == std::string::npos ? first : text.substr(dash + 1);
  CheckAddressArgument("FIRST", first);
  CheckAddressArgument("LAST", last);
  range.first = ParseHostAddress("FIRST", first);
  range.last = ParseHostAddress("LAST", last);
  if (range.last < range.first) throw InputError("LAST '" + last + "' comes before FIRST");
  // No device has an address in 0.0.0.0/8 or from 224.0.0.0 on (multicast, reserved, the
  // limited broadcast): a scan never sends there.
  if ((range.first >> 24) == 0 || range.last >= 0xE0000000u) {
    throw InputError("range '" + text + "' reaches beyond the addresses of devices");
  }
  if (range.last - range.first >= kScanLimit) {
    throw InputError("range '" + text + "' has more than " + std::to_string(kScanLimit) +
                     " addresses");
  }
  return range;
}

void NeedCount(const std::vector<std::string>& args, std::size_t least, std::size_t most) {
  if (args.size() < least || args.size() > most) throw UsageError("wrong number of arguments");
}

void ParseGet(const std::vector<std::string>& args, Command& command) {
  NeedCount(args, 1, 1);
  const Setting* setting = FindSetting(args[0]);
  if (!setting) throw UsageError("unknown item '" + args[0] + "'");
  command.item = setting->item;
  command.replyKey = setting->getType;
  command.request = TypeRequest(setting->getType);
}

void ParseSet(const std::vector<std::string>& args, Command& command) {
  if (args.empty()) throw UsageError("set what?");
  command.item = args[0];
  if (command.item == "gateway") {
    NeedCount(args, 3, 3);
    CheckAddressArgument("IP", args[1]);
    CheckDigitsArgument("PORT", args[2]);
    command.request = SetGatewayRequest(args[1], args[2]);
  } else if (command.item == "deviceid") {
    NeedCount(args, 2, 2);
    CheckDigitsArgument("ID", args[1]);
    command.request = SetDeviceIdRequest(args[1]);
  } else if (command.item == "network" && args.size() == 2 && args[1] == "dhcp") {
    command.request = SetNetworkDhcpRequest();
  } else if (command.item == "network" && args.size() >= 2 && args[1] == "static") {
    NeedCount(args, 5, 7);
    const std::string dns1 = args.size() > 5 ? args[5] : "";
    const std::string dns2 = args.size() > 6 ? args[6] : "";
    CheckAddressArgument("IP", args[2]);
    CheckAddressArgument("MASK", args[3]);
    CheckAddressArgument("GATEWAY", args[4]);
    CheckOptionalAddressArgument("DNS1", dns1);
    CheckOptionalAddressArgument("DNS2", dns2);
    command.request = SetNetworkStaticRequest(args[2], args[3], args[4], dns1, dns2);
  } else if (command.item == "clock") {
    NeedCount(args, 2, 2);
    const CalendarTime time = ParseLocalTime(args[1]);
    const std::optional<std::string> rtc = EncodeClockValue(time);
    if (!rtc) throw InputError(ClockNotSentLog(time));
    command.request = SetRtcRequest(*rtc);
  } else {
    throw UsageError("unknown setting");
  }
  // Only the settings above get here.
  command.replyKey = FindSetting(command.item)->setType;
}

// Values are taken as text and checked here, so that every refusal reads as the window's does.
CLI::Option* AddText(CLI::App& app, const char* name, std::string& value, const char* what,
                     const char* shape) {
  return app.add_option(name, value, what)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
      ->type_name(shape);
}

}  // namespace

DeviceAddress ParseDeviceAddress(const std::string& argument, const std::string& text) {
  DeviceAddress device;
  const std::size_t colon = text.find(':');
  device.address = text.substr(0, colon);
  CheckAddressArgument(argument + " address", device.address);
  // The field pattern lets any character stand between the numbers; only a real dotted quad (no
  // octal leading zeros either) names one device.
  std::uint32_t parsed = 0;
  if (!net::ParseAddress(device.address, parsed)) {
    throw InputError(argument + " address '" + device.address +
                     "' is not a dotted-decimal address");
  }
  CheckDeviceAddress(argument + " address", device.address);
  if (colon != std::string::npos)
    device.port = ParsePort(argument + " port", text.substr(colon + 1));
  return device;
}

Command ParseCommandLine(int argc, const char* const* argv) {
  Command command;
  CLI::App app(
      "The device settings, the inventory test and the commissioning of a site, for "
      "scripts.",
      "tagwick-cli");
  app.footer(kUsage);
  app.set_version_flag("--version", "tagwick-cli " TAGWICK_VERSION);
  // Unknown words are collected and refused below with the messages of the usage.
  app.allow_extras();
  std::string deviceText;
  std::string timeoutText;
  std::string csvText;
  AddText(app, "--device", deviceText, "ADDRESS[:PORT] of the device", "ADDRESS[:PORT]");
  AddText(app, "--timeout", timeoutText, "seconds to wait for each reply (default 2)", "SECONDS");
  app.add_flag("--json", command.json, "print JSON instead of key=value lines");
  app.add_flag("--any-sender", command.anySender,
               "accept datagrams from any sender, not only from the device's address");
  AddText(app, "--csv", csvText, "inventory, test: write the tag list to FILE", "FILE");

  std::vector<std::string> args;
  auto subcommand = [&](const char* name, const char* what) {
    CLI::App* sub = app.add_subcommand(name, what);
    // The options above may also stand after the command.
    sub->fallthrough();
    sub->allow_extras();
    return sub;
  };
  CLI::App* get = subcommand("get", "read a setting: gateway, deviceid, network, clock, antlist");
  get->add_option("item", args, "the setting");
  CLI::App* set = subcommand("set", "write a setting (see the usage below)");
  set->add_option("values", args, "the setting and its values");
  CLI::App* reboot = subcommand("reboot", "restart the device");
  reboot->add_option("extra", args);
  CLI::App* inventory = subcommand("inventory", "run the inventory test for SECONDS");
  inventory->add_option("seconds", args, "how long");

  CLI::App* test = subcommand("test", "judge the reader against RECIPE (PASS exits 0, FAIL 7)");
  std::string junitText;
  std::string jsonText;
  test->add_option("recipe", command.recipePath, "the recipe (INI)")->required();
  AddText(*test, "--junit", junitText, "write the verdict as JUnit XML to FILE", "FILE");
  AddText(*test, "--json", jsonText, "write the verdict and every figure as JSON to FILE", "FILE");

  CLI::App* scan = subcommand("scan", "find the devices in an address range");
  std::string rangeText;
  std::string portText;
  scan->add_option("range", rangeText, "FIRST[-LAST], dotted-decimal addresses")->required();
  AddText(*scan, "--port", portText, "the devices' UDP port (default 11002)", "PORT");

  CLI::App* commission = subcommand("commission", "apply a plan to a site of devices");
  std::string jobsText;
  std::string retriesText;
  std::string reportText;
  std::string skipText;
  commission->add_option("plan", command.site.planPath, "PLAN.csv, one row per device")->required();
  AddText(*commission, "--jobs", jobsText, "devices at once, 1 to 256 (default 16)", "N");
  AddText(*commission, "--retries", retriesText,
          "resends of a request unanswered within --timeout, 0 to 10 (default 2)", "N");
  AddText(*commission, "--report", reportText, "write the report to FILE (CSV)", "FILE");
  AddText(*commission, "--skip-ok", skipText, "skip the devices that REPORT marks ok", "REPORT");
  commission->add_flag("--reboot", command.site.reboot, "reboot each device once checked");
  commission->add_flag("--dry-run", command.site.dryRun,
                       "check the plan and print what would be set; send nothing");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    command.helpText = app.help();
    return command;
  } catch (const CLI::CallForVersion& e) {
    command.helpText = std::string(e.what()) + "\n";
    return command;
  } catch (const CLI::ParseError& e) {
    throw UsageError(e.what());
  }
  const std::vector<std::string> extras = app.remaining(true);
  for (const std::string& extra : extras) {
    if (extra.rfind("-", 0) == 0 && extra.size() > 1) throw UsageError("unknown option " + extra);
  }
  if (app.get_subcommands().empty()) {
    if (extras.empty()) throw UsageError("no command");
    throw UsageError("unknown command '" + extras.front() + "'");
  }
  if (!extras.empty()) throw UsageError("wrong number of arguments");
  if (app.count("--timeout")) {
    command.timeoutSeconds = ParseSeconds("--timeout", timeoutText, 3600);
  }
  if (app.count("--csv")) {
    if (csvText.empty()) throw InputError("--csv needs a file name");
    command.csvPath = csvText;
  }
  const CLI::App* chosen = app.get_subcommands().front();
  if (command.csvPath && chosen != inventory && chosen != test)
    throw UsageError("--csv is for inventory and test only");

  if (chosen == scan) {
    command.verb = Verb::Scan;
    command.scan = ParseScanRange(rangeText);
    if (scan->count("--port")) command.scan.port = ParsePort("--port", portText);
    return command;
  }
  if (chosen == commission) {
    command.verb = Verb::Commission;
    if (commission->count("--jobs")) command.site.jobs = ParseCount("--jobs", jobsText, 1, 256);
    if (commission->count("--retries")) {
      command.site.retries = ParseCount("--retries", retriesText, 0, 10);
    }
    if (commission->count("--report")) command.site.reportPath = reportText;
    if (commission->count("--skip-ok")) command.site.skipOkPath = skipText;
    return command;
  }

  if (!app.count("--device")) throw UsageError("--device is required");
  command.device = ParseDeviceAddress("--device", deviceText);
  if (chosen == get) {
    command.verb = Verb::Get;
    ParseGet(args, command);
  } else if (chosen == set) {
    command.verb = Verb::Set;
    ParseSet(args, command);
  } else if (chosen == test) {
    command.verb = Verb::Test;
    if (test->count("--junit")) {
      if (junitText.empty()) throw InputError("--junit needs a file name");
      command.junitPath = junitText;
    }
    if (test->count("--json")) {
      if (jsonText.empty()) throw InputError("--json needs a file name");
      command.jsonPath = jsonText;
    }
  } else if (chosen == reboot) {
    NeedCount(args, 0, 0);
    command.verb = Verb::Reboot;
    command.request = TypeRequest(requests::kReboot);
  } else {
    NeedCount(args, 1, 1);
    command.verb = Verb::Inventory;
    command.seconds = ParseSeconds("SECONDS", args[0], 86400);
  }
  return command;
}
