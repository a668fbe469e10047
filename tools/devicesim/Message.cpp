#include "Message.h"

#include <cstdio>

#include "Types.h"

namespace devicesim {

std::string Endpoint::text() const {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%u.%u.%u.%u:%u", (address >> 24) & 0xFFu,
                (address >> 16) & 0xFFu, (address >> 8) & 0xFFu, address & 0xFFu,
                static_cast<unsigned>(port));
  return buffer;
}

std::string* Message::find(std::string_view name) {
  for (auto& [key, value] : members) {
    if (key == name) return &value;
  }
  return nullptr;
}

void appendJsonString(std::string& out, std::string_view text) {
  out.push_back('"');
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (byte < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(byte));
          out += escape;
        } else {
          out.push_back(c);
        }
    }
  }
  out.push_back('"');
}

std::string Message::render() const {
  std::string out;
  out.reserve(96);
  out.push_back('{');
  bool first = true;
  for (const auto& [name, value] : members) {
    if (!first) out.push_back(',');
    first = false;
    appendJsonString(out, name);
    out.push_back(':');
    appendJsonString(out, value);
  }
  out.push_back('}');
  return out;
}

}  // namespace devicesim
