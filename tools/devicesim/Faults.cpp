#include "Faults.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace devicesim {

namespace {

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

template <typename T>
std::optional<T> parseNumber(std::string_view text, T low, T high) {
  T value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  if (value < low || value > high) return std::nullopt;
  return value;
}

// The values a spoiled "status" carries: near misses and plain failures, never "ok".
constexpr const char* kBadStatus[] = {"error", "OK", "fail", "", "Ok"};

}  // namespace

std::optional<std::string> parseFaults(std::string_view text, FaultShares& out) {
  FaultShares shares;
  if (trim(text).empty()) return "--faults: empty list (expected name=share,...)";
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    const std::string_view item = trim(text.substr(0, comma));
    text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
    const std::size_t equals = item.find('=');
    if (equals == std::string_view::npos) {
      return "--faults: '" + std::string(item) + "' is not name=share";
    }
    const std::string_view name = trim(item.substr(0, equals));
    const std::string_view value = trim(item.substr(equals + 1));
    if (name == "forget") {
      if (std::find(std::begin(kForgettable), std::end(kForgettable), value) ==
          std::end(kForgettable)) {
        return "--faults: forget=" + std::string(value) + " names no setting";
      }
      shares.forget.emplace_back(value);
      continue;
    }
    if (name == "dead-antenna") {
      const auto antenna = parseNumber<std::uint32_t>(value, 1, kMaxAntennas);
      if (!antenna) {
        return "--faults: dead-antenna=" + std::string(value) + " is not an antenna from 1 to " +
               std::to_string(kMaxAntennas);
      }
      if (std::find(shares.deadAntennas.begin(), shares.deadAntennas.end(), *antenna) ==
          shares.deadAntennas.end()) {
        shares.deadAntennas.push_back(*antenna);
      }
      continue;
    }
    if (name == "weak-antenna") {
      const std::size_t colon = value.find(':');
      const auto antenna = parseNumber<std::uint32_t>(value.substr(0, colon), 1, kMaxAntennas);
      const auto db = colon == std::string_view::npos
                          ? std::nullopt
                          : parseNumber<std::uint32_t>(value.substr(colon + 1), 0, 100);
      if (!antenna || !db) {
        return "--faults: weak-antenna=" + std::string(value) + " is not ANTENNA:DB (antenna 1-" +
               std::to_string(kMaxAntennas) + ", 0-100 dB weaker, e.g. weak-antenna=2:20)";
      }
      std::erase_if(shares.weakAntennas,
                    [&antenna](const auto& weak) { return weak.first == *antenna; });
      shares.weakAntennas.emplace_back(*antenna, *db);
      continue;
    }
    if (name == "missing") {
      const auto missing = parseNumber<std::uint32_t>(value, 0, 1000000);
      if (!missing) {
        return "--faults: missing=" + std::string(value) + " is not a tag count from 0 to 1000000";
      }
      shares.missing = *missing;
      continue;
    }
    double share = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), share);
    if (value.empty() || error != std::errc{} || end != value.data() + value.size() ||
        !std::isfinite(share) || share < 0 || share > 1) {
      return "--faults: share '" + std::string(value) + "' of " + std::string(name) +
             " is not a number from 0 to 1";
    }
    double* slot = nullptr;
    if (name == "malformed")
      slot = &shares.malformed;
    else if (name == "oversize")
      slot = &shares.oversize;
    else if (name == "empty")
      slot = &shares.empty;
    else if (name == "capitals")
      slot = &shares.capitals;
    else if (name == "badstatus")
      slot = &shares.badstatus;
    else if (name == "duplicate")
      slot = &shares.duplicate;
    else if (name == "silent")
      slot = &shares.silent;
    if (!slot) {
      return "--faults: unknown fault '" + std::string(name) +
             "' (known: malformed, oversize, empty, capitals, badstatus, duplicate, silent, "
             "forget, dead-antenna, weak-antenna, missing)";
    }
    *slot = share;
  }
  if (shares.malformed + shares.oversize + shares.empty > 1.0 + 1e-12) {
    return "--faults: malformed + oversize + empty exceed 1";
  }
  out = shares;
  return std::nullopt;
}

std::optional<std::string> checkReaderFaults(const FaultShares& faults, std::uint32_t antennas,
                                             std::uint32_t tags) {
  const std::string of =
      " but the reader has " + std::to_string(antennas) + " antennas (--antennas)";
  for (std::uint32_t antenna : faults.deadAntennas) {
    if (antenna > antennas) return "--faults: dead-antenna=" + std::to_string(antenna) + of;
  }
  for (const auto& [antenna, db] : faults.weakAntennas) {
    if (antenna > antennas) {
      return "--faults: weak-antenna=" + std::to_string(antenna) + ":" + std::to_string(db) + of;
    }
  }
  if (faults.missing >= tags) {
    return "--faults: missing=" + std::to_string(faults.missing) + " leaves none of the " +
           std::to_string(tags) + " tags (--tags) answering";
  }
  return std::nullopt;
}

std::string makeMalformed(const std::string& rendered, double fraction) {
  if (rendered.size() < 2) return "{";
  const std::size_t lowest = rendered.size() / 2;
  const std::size_t highest = rendered.size() - 1;
  std::size_t keep =
      lowest + static_cast<std::size_t>(fraction * static_cast<double>(highest - lowest + 1));
  if (keep > highest) keep = highest;
  if (keep < 1) keep = 1;
  return rendered.substr(0, keep);
}

std::string makeOversize(const std::string& rendered) {
  static constexpr std::string_view kHead = ",\"pad\":\"";
  static constexpr std::string_view kTail = "\"}";
  std::string out = rendered.substr(0, rendered.empty() ? 0 : rendered.size() - 1);
  const std::size_t fixed = out.size() + kHead.size() + kTail.size();
  if (fixed >= kOversizeBytes) {
    out.resize(kOversizeBytes, ' ');
    return out;
  }
  out += kHead;
  out.append(kOversizeBytes - fixed, 'x');
  out += kTail;
  return out;
}

void FaultInjector::emit(Message message, Kind kind, const Endpoint& to,
                         std::vector<Outgoing>& out) {
  if (!shares_.any()) {
    out.push_back({to, kind, message.render()});
    return;
  }
  const double statusDraw = random_.unit();
  const double capitalsDraw = random_.unit();
  const double replaceDraw = random_.unit();
  const double duplicateDraw = random_.unit();

  if (std::string* status = message.find("status"); status && statusDraw < shares_.badstatus) {
    const auto pick =
        static_cast<std::size_t>(statusDraw / shares_.badstatus * std::size(kBadStatus));
    *status = kBadStatus[pick < std::size(kBadStatus) ? pick : 0];
    ++stats_.badstatus;
  }
  if (capitalsDraw < shares_.capitals) {
    for (auto& member : message.members) {
      for (char& c : member.first) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      }
    }
    ++stats_.capitals;
  }
  std::string bytes = message.render();
  if (replaceDraw < shares_.malformed) {
    bytes = makeMalformed(bytes, replaceDraw / shares_.malformed);
    ++stats_.malformed;
  } else if (replaceDraw < shares_.malformed + shares_.oversize) {
    bytes = makeOversize(bytes);
    ++stats_.oversize;
  } else if (replaceDraw < shares_.malformed + shares_.oversize + shares_.empty) {
    bytes.clear();
    ++stats_.empty;
  }
  if (duplicateDraw < shares_.duplicate) {
    ++stats_.duplicate;
    out.push_back({to, kind, bytes});
  }
  out.push_back({to, kind, std::move(bytes)});
}

}  // namespace devicesim
