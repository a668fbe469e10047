#include "Options.h"

#include <arpa/inet.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <optional>
#include <string_view>

namespace devicesim {

namespace {

constexpr std::uint32_t kMaxDevices = 4096;

template <typename T>
std::optional<T> parseInteger(std::string_view text, T low, T high) {
  T value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  if (value < low || value > high) return std::nullopt;
  return value;
}

std::optional<double> parseDecimal(std::string_view text, double low, double high) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size() ||
      !std::isfinite(value) || value < low || value > high) {
    return std::nullopt;
  }
  return value;
}

// "3", "2-5" and "1+4+7-9": device numbers from 1 to `devices`.
std::optional<std::vector<std::uint32_t>> parseDeviceNumbers(std::string_view text) {
  std::vector<std::uint32_t> numbers;
  while (true) {
    const std::size_t plus = text.find('+');
    const std::string_view item = text.substr(0, plus);
    const std::size_t dash = item.find('-');
    const auto first = parseInteger<std::uint32_t>(item.substr(0, dash), 1, kMaxDevices);
    const auto last = dash == std::string_view::npos
                          ? first
                          : parseInteger<std::uint32_t>(item.substr(dash + 1), 1, kMaxDevices);
    if (!first || !last || *last < *first) return std::nullopt;
    for (std::uint32_t n = *first; n <= *last; ++n) numbers.push_back(n);
    if (plus == std::string_view::npos) return numbers;
    text.remove_prefix(plus + 1);
  }
}

}  // namespace

Config configFor(const Options& options, std::uint32_t number) {
  Config config = options.config;
  // Each device its own tags and fault draws; device 1 is the single device of old.
  config.seed += number - 1;
  for (const DeviceFaults& chosen : options.deviceFaults) {
    if (std::find(chosen.devices.begin(), chosen.devices.end(), number) != chosen.devices.end()) {
      config.faults = chosen.faults;
    }
  }
  return config;
}

bool parseLoopbackAddress(const std::string& text, std::uint32_t& address) {
  in_addr parsed{};
  if (inet_pton(AF_INET, text.c_str(), &parsed) != 1) return false;
  const std::uint32_t host = ntohl(parsed.s_addr);
  if ((host >> 24) != 127) return false;
  address = host;
  return true;
}

std::string usageText() {
  return R"(Usage: tagwick-devicesim [options]

A simulated Tagwick RFID reader on loopback: answers the device's UDP/JSON requests from its
own state, streams tag reports between "teststart" and "teststop", and sends heartbeats.

  --bind ADDRESS     address to bind, within 127.0.0.0/8 (default 127.0.0.1)
  --port PORT        UDP port, 0 for an ephemeral one (default 11002)
  --rate N           tag reports per second, 0 = as fast as possible (default 100)
  --tags N           size of the tag population, 1-1000000 (default 50)
  --antennas N       antennas of the reader, numbered 1-N, N from 1 to 32 (default 4)
  --seed N           seed of tags, antennas, signals and faults (default 1)
  --heartbeat S      seconds between heartbeats, 0 = none (default 5)
  --reboot-ms MS     silence after "reboot" (default 3000)
  --count N          stop each test run after N reports, 0 = never (default 0)
  --faults LIST      spoil a share of replies and reports, e.g.
                     malformed=0.01,oversize=0.01,empty=0.01,capitals=0.1,badstatus=0.5,duplicate=0.01
                     silent=SHARE leaves a share of requests unanswered; forget=SETTING answers
                     a set "ok" without keeping it (deviceid, gateway_ip, gateway_port, network,
                     ip, mask, gateway, dns1, dns2, clock); dead-antenna=K reads nothing on
                     antenna K, weak-antenna=K:DB makes its signals DB (0-100) lower,
                     missing=N keeps the last N tags of the population from ever answering
  --faults LIST@N    the same for chosen devices of a site only: N is 3, 2-5 or 1+4+7-9
  --devices N        a site of N devices on consecutive addresses from --bind, one port (default 1)
  --help             this text

Prints "listening on ADDRESS:PORT" once bound, one line per device. SIGUSR1 or a
{"type":"simstats"} request reports the counters; SIGINT/SIGTERM stop it (counters are printed on exit).
)";
}

ParseOutcome parseCommandLine(const std::vector<std::string>& args) {
  ParseOutcome outcome;
  Options& o = outcome.options;
  auto fail = [&outcome](std::string message) {
    outcome.status = ParseOutcome::Status::Error;
    outcome.message = std::move(message);
    return outcome;
  };

  using Setter = std::function<std::optional<std::string>(const std::string&)>;
  auto bad = [](const std::string& option, const std::string& value, const char* expected) {
    return std::optional<std::string>(option + ": '" + value + "' is not " + expected);
  };
  const std::pair<const char*, Setter> options[] = {
      {"--bind",
       [&](const std::string& v) -> std::optional<std::string> {
         std::uint32_t address = 0;
         in_addr any{};
         if (inet_pton(AF_INET, v.c_str(), &any) != 1) {
           return bad("--bind", v, "a dotted IPv4 address");
         }
         if (!parseLoopbackAddress(v, address)) {
           return "--bind: " + v +
                  " is outside 127.0.0.0/8; the simulator binds loopback addresses only";
         }
         o.bind = v;
         return std::nullopt;
       }},
      {"--port",
       [&](const std::string& v) -> std::optional<std::string> {
         const auto port = parseInteger<std::uint32_t>(v, 0, 65535);
         if (!port) return bad("--port", v, "a port number from 0 to 65535");
         o.port = static_cast<std::uint16_t>(*port);
         return std::nullopt;
       }},
      {"--rate",
       [&](const std::string& v) -> std::optional<std::string> {
         const auto rate = parseDecimal(v, 0, 1e8);
         if (!rate) return bad("--rate", v, "a rate from 0 to 100000000 per second");
         o.config.rate = *rate;
         return std::nullopt;
       }},
      {"--tags",
       [&](const std::string& v) -> std::optional<std::string> {
         const auto tags = parseInteger<std::uint32_t>(v, 1, 1000000);
         if (!tags) return bad("--tags", v, "a tag count from 1 to 1000000");
         o.config.tags = *tags;
         return std::nullopt;
       }},
      {"--antennas",
       [&](const std::string& v) -> std::optional<std::string> {
         const auto antennas = parseInteger<std::uint32_t>(v, 1, kMaxAntennas);
         if (!antennas) return bad("--antennas", v, "an antenna count from 1 to 32");
         o.config.antennas = *antennas;
         return std::nullopt;
       }},
      {"--seed",
       [&](const std::string& v) -> std::optional<std::string> {
         const auto seed = parseInteger<std::uint64_t>(v, 0, UINT64_MAX);
         if (!seed) return bad("--seed", v, "an unsigned 64-bit integer");
         o.config.seed = *seed;
         return std::nullopt;
       }},
      {"--heartbeat",
       [&](const std::string& v) -> std::optional<std::string> {
         const auto seconds = parseDecimal(v, 0, 86400);
         if (!seconds || (*seconds > 0 && *seconds < 0.001)) {
           return bad("--heartbeat", v, "0 or a number of seconds from 0.001 to 86400");
         }
         o.config.heartbeatSeconds = *seconds;
         return std::nullopt;
       }},
      {"--reboot-ms",
       [&](const std::string& v) -> std::optional<std::string> {
         const auto ms = parseInteger<std::uint32_t>(v, 0, 86400000);
         if (!ms) return bad("--reboot-ms", v, "a number of milliseconds from 0 to 86400000");
         o.config.rebootMs = *ms;
         return std::nullopt;
       }},
      {"--count",
       [&](const std::string& v) -> std::optional<std::string> {
         const auto count = parseInteger<std::uint64_t>(v, 0, UINT64_MAX);
         if (!count) return bad("--count", v, "a report count (0 = unlimited)");
         o.config.count = *count;
         return std::nullopt;
       }},
      {"--faults",
       [&](const std::string& v) -> std::optional<std::string> {
         const std::size_t at = v.rfind('@');
         if (at == std::string::npos) return parseFaults(v, o.config.faults);
         DeviceFaults chosen;
         const auto numbers = parseDeviceNumbers(std::string_view(v).substr(at + 1));
         if (!numbers) return bad("--faults", v.substr(at + 1), "a list of device numbers");
         chosen.devices = *numbers;
         if (auto error = parseFaults(std::string_view(v).substr(0, at), chosen.faults)) {
           return error;
         }
         o.deviceFaults.push_back(std::move(chosen));
         return std::nullopt;
       }},
      {"--devices",
       [&](const std::string& v) -> std::optional<std::string> {
         const auto devices = parseInteger<std::uint32_t>(v, 1, kMaxDevices);
         if (!devices) return bad("--devices", v, "a device count from 1 to 4096");
         o.devices = *devices;
         return std::nullopt;
       }},
  };

  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      outcome.status = ParseOutcome::Status::Help;
      return outcome;
    }
    std::string name = arg;
    std::optional<std::string> value;
    if (const auto equals = arg.find('='); arg.rfind("--", 0) == 0 && equals != std::string::npos) {
      name = arg.substr(0, equals);
      value = arg.substr(equals + 1);
    }
    const Setter* setter = nullptr;
    for (const auto& [optionName, optionSetter] : options) {
      if (name == optionName) setter = &optionSetter;
    }
    if (!setter) return fail("unknown option '" + arg + "'");
    if (!value) {
      if (i + 1 >= args.size()) return fail(name + ": missing value");
      value = args[++i];
    }
    if (auto error = (*setter)(*value)) return fail(*error);
  }
  // A site stays on loopback: its last address too, short of 127.255.255.255.
  std::uint32_t first = 0;
  parseLoopbackAddress(o.bind, first);
  if (first + (o.devices - 1) >= 0x7FFFFFFFu) {
    return fail("--devices: " + std::to_string(o.devices) + " devices from " + o.bind +
                " leave 127.0.0.0/8");
  }
  // Checked once all options are in: --antennas and --tags may come after --faults.
  if (auto error = checkReaderFaults(o.config.faults, o.config.antennas, o.config.tags)) {
    return fail(*error);
  }
  for (const DeviceFaults& chosen : o.deviceFaults) {
    if (auto error = checkReaderFaults(chosen.faults, o.config.antennas, o.config.tags)) {
      return fail(*error);
    }
    for (std::uint32_t number : chosen.devices) {
      if (number > o.devices) {
        return fail("--faults: device " + std::to_string(number) + " of " +
                    std::to_string(o.devices));
      }
    }
  }
  return outcome;
}

}  // namespace devicesim
