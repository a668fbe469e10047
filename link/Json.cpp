#include "Json.h"

#include <cjson/cJSON.h>

#include <memory>

namespace {

struct JsonDeleter {
  void operator()(cJSON* json) const { cJSON_Delete(json); }
};
using JsonPtr = std::unique_ptr<cJSON, JsonDeleter>;

}  // namespace

bool GetJsonField(const std::string& text, const char* name, std::string& value,
                  DeviceWindow& log) {
  JsonPtr root(cJSON_ParseWithLength(text.data(), text.size()));
  if (!root) {
    log.AddLog("Invalid json string:" + text);
    return false;
  }
  // Only a string member counts; cJSON's lookup ignores ASCII case and takes the first match.
  const cJSON* item = cJSON_IsObject(root.get()) ? cJSON_GetObjectItem(root.get(), name) : nullptr;
  value = cJSON_IsString(item) && item->valuestring ? item->valuestring : "";
  return true;
}

std::string PrintJsonObject(const JsonMembers& members) {
  JsonPtr root(cJSON_CreateObject());
  if (!root) throw std::bad_alloc();
  for (const auto& [name, value] : members) {
    if (!cJSON_AddStringToObject(root.get(), name.c_str(), value.c_str())) throw std::bad_alloc();
  }
  char* printed = cJSON_Print(root.get());
  if (!printed) throw std::bad_alloc();
  std::string text(printed);
  cJSON_free(printed);
  return text;
}
