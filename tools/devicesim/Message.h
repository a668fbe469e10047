// The device's outgoing messages: a JSON object whose members are all strings, kept in order.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace devicesim {

struct Message {
  std::vector<std::pair<std::string, std::string>> members;

  explicit Message(std::string type) { members.emplace_back("type", std::move(type)); }
  Message& add(std::string name, std::string value) {
    members.emplace_back(std::move(name), std::move(value));
    return *this;
  }
  // Exact (case-sensitive) lookup of a member's value; nullptr when absent.
  std::string* find(std::string_view name);
  // Compact JSON, members in order, e.g. {"type":"getrtc","rtc":"1487658770"}.
  std::string render() const;
};

// A JSON string literal with its quotes; escapes what cJSON's printer escapes (quote, backslash,
// control characters) and passes every other byte unchanged.
void appendJsonString(std::string& out, std::string_view text);

}  // namespace devicesim
