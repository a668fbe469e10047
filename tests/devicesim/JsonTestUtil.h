// Reading the simulator's datagrams back in tests.
#pragma once

#include <cjson/cJSON.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace devicesim::test {

// The members of a JSON object in order, all values as text (numbers printed as integers);
// nothing when the text is not a JSON object.
inline std::optional<std::vector<std::pair<std::string, std::string>>> members(
    const std::string& text) {
  cJSON* root = cJSON_ParseWithLength(text.data(), text.size());
  if (!cJSON_IsObject(root)) {
    cJSON_Delete(root);
    return std::nullopt;
  }
  std::vector<std::pair<std::string, std::string>> out;
  for (const cJSON* item = root->child; item; item = item->next) {
    std::string value;
    if (cJSON_IsString(item)) {
      value = item->valuestring;
    } else if (cJSON_IsNumber(item)) {
      value = std::to_string(static_cast<long long>(item->valuedouble));
    } else {
      value = "<non-string>";
    }
    out.emplace_back(item->string, value);
  }
  cJSON_Delete(root);
  return out;
}

inline std::vector<std::string> names(const std::string& text) {
  std::vector<std::string> out;
  if (auto list = members(text)) {
    for (const auto& member : *list) out.push_back(member.first);
  }
  return out;
}

inline std::string member(const std::string& text, const std::string& name) {
  if (auto list = members(text)) {
    for (const auto& [key, value] : *list) {
      if (key == name) return value;
    }
  }
  return "<absent>";
}

inline bool parses(const std::string& text) {
  cJSON* root = cJSON_ParseWithLength(text.data(), text.size());
  const bool ok = root != nullptr;
  cJSON_Delete(root);
  return ok;
}

}  // namespace devicesim::test
