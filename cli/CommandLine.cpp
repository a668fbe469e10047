#include "CommandLine.h"

#include <cstdint>
#include <vector>

#include "ClockValue.h"
#include "ExitCodes.h"
#include "InputChecks.h"
#include "Requests.h"
#include "Socket.h"

const char kUsage[] =
    "usage: tagwick-cli --device ADDRESS[:PORT] [--timeout SECONDS] [--json] COMMAND ...\n"
    "  get gateway | deviceid | network | clock | antlist\n"
    "  set gateway IP PORT\n"
    "  set deviceid ID\n"
    "  set network dhcp\n"
    "  set network static IP MASK GATEWAY [DNS1 [DNS2]]\n"
    "  set clock now | YYYY-MM-DDTHH:MM:SS          (local time)\n"
    "  reboot\n"
    "  inventory SECONDS [--csv FILE]\n"
    "PORT defaults to 11002, --timeout to 2 seconds.\n"
    "Exit codes: 0 done, 1 failure, 2 bad input (nothing sent), 3 no reply in time,\n"
    "4 status other than ok, 5 inventory read no tag.\n";

namespace {

// The request type of each get, which is also the key of the handler that claims its reply.
struct GetItem {
  const char* name;
  const char* type;
};
constexpr GetItem kGetItems[] = {{"gateway", "getgateway"},
                                 {"deviceid", "getdeviceid"},
                                 {"network", "getnetwork"},
                                 {"clock", "getrtc"},
                                 {"antlist", "getantlist"}};

DeviceAddress ParseDevice(const std::string& text) {
  DeviceAddress device;
  const std::size_t colon = text.find(':');
  device.address = text.substr(0, colon);
  CheckAddressArgument("--device address", device.address);
  // The field pattern lets any character stand between the numbers; only a real dotted quad (no
  // octal leading zeros either) names one device.
  std::uint32_t parsed = 0;
  if (!net::ParseAddress(device.address, parsed)) {
    throw InputError("--device address '" + device.address + "' is not a dotted-decimal address");
  }
  if (colon != std::string::npos) {
    const std::string port = text.substr(colon + 1);
    CheckDigitsArgument("--device port", port);
    if (port.size() > 5 || std::stoul(port) == 0 || std::stoul(port) > 65535) {
      throw InputError("--device port '" + port + "' is not between 1 and 65535");
    }
    device.port = static_cast<std::uint16_t>(std::stoul(port));
  }
  return device;
}

void NeedCount(const std::vector<std::string>& args, std::size_t least, std::size_t most) {
  if (args.size() < least || args.size() > most) throw UsageError("wrong number of arguments");
}

void ParseGet(const std::vector<std::string>& args, Command& command) {
  NeedCount(args, 2, 2);
  for (const GetItem& item : kGetItems) {
    if (args[1] != item.name) continue;
    command.item = item.name;
    command.replyKey = item.type;
    command.request = TypeRequest(item.type);
    return;
  }
  throw UsageError("unknown item '" + args[1] + "'");
}

void ParseSet(const std::vector<std::string>& args, Command& command) {
  if (args.size() < 2) throw UsageError("set what?");
  command.item = args[1];
  if (command.item == "gateway") {
    NeedCount(args, 4, 4);
    CheckAddressArgument("IP", args[2]);
    CheckDigitsArgument("PORT", args[3]);
    command.request = SetGatewayRequest(args[2], args[3]);
  } else if (command.item == "deviceid") {
    NeedCount(args, 3, 3);
    CheckDigitsArgument("ID", args[2]);
    command.request = SetDeviceIdRequest(args[2]);
  } else if (command.item == "network" && args.size() == 3 && args[2] == "dhcp") {
    command.request = SetNetworkDhcpRequest();
  } else if (command.item == "network" && args.size() >= 3 && args[2] == "static") {
    NeedCount(args, 6, 8);
    const std::string dns1 = args.size() > 6 ? args[6] : "";
    const std::string dns2 = args.size() > 7 ? args[7] : "";
    CheckAddressArgument("IP", args[3]);
    CheckAddressArgument("MASK", args[4]);
    CheckAddressArgument("GATEWAY", args[5]);
    CheckOptionalAddressArgument("DNS1", dns1);
    CheckOptionalAddressArgument("DNS2", dns2);
    command.request = SetNetworkStaticRequest(args[3], args[4], args[5], dns1, dns2);
  } else if (command.item == "clock") {
    NeedCount(args, 3, 3);
    const CalendarTime time = ParseLocalTime(args[2]);
    const std::optional<std::string> rtc = EncodeClockValue(time);
    if (!rtc) throw InputError(ClockNotSentLog(time));
    command.request = SetRtcRequest(*rtc);
  } else {
    throw UsageError("unknown setting");
  }
  command.replyKey = "set" + std::string(command.item == "clock" ? "rtc" : command.item);
}

}  // namespace

Command ParseCommandLine(int argc, const char* const* argv) {
  Command command;
  std::optional<std::string> device;
  std::vector<std::string> args;
  // Options may stand anywhere; "--name=value" and "--name value" both work.
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::optional<std::string> value;
    if (arg.rfind("--", 0) == 0 && arg.find('=') != std::string::npos) {
      value = arg.substr(arg.find('=') + 1);
      arg.resize(arg.find('='));
    }
    auto takeValue = [&]() {
      if (value) return *value;
      if (i + 1 >= argc) throw UsageError(arg + " needs a value");
      return std::string(argv[++i]);
    };
    if (arg == "--help" || arg == "-h") return Command{};
    if (arg == "--device") {
      device = takeValue();
    } else if (arg == "--timeout") {
      command.timeoutSeconds = ParseSeconds("--timeout", takeValue(), 3600);
    } else if (arg == "--json" && !value) {
      command.json = true;
    } else if (arg == "--csv") {
      command.csvPath = takeValue();
      if (command.csvPath->empty()) throw InputError("--csv needs a file name");
    } else if (arg.rfind("--", 0) == 0) {
      throw UsageError("unknown option " + arg);
    } else {
      args.push_back(arg);
    }
  }
  if (args.empty()) throw UsageError("no command");
  if (!device) throw UsageError("--device is required");
  if (command.csvPath && args[0] != "inventory") throw UsageError("--csv is for inventory only");
  command.device = ParseDevice(*device);

  if (args[0] == "get") {
    command.verb = Verb::Get;
    ParseGet(args, command);
  } else if (args[0] == "set") {
    command.verb = Verb::Set;
    ParseSet(args, command);
  } else if (args[0] == "reboot") {
    NeedCount(args, 1, 1);
    command.verb = Verb::Reboot;
    command.request = TypeRequest("reboot");
  } else if (args[0] == "inventory") {
    NeedCount(args, 2, 2);
    command.verb = Verb::Inventory;
    command.seconds = ParseSeconds("SECONDS", args[1], 86400);
  } else {
    throw UsageError("unknown command '" + args[0] + "'");
  }
  return command;
}
