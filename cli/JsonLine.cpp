#include "JsonLine.h"

#include <cjson/cJSON.h>

#include <memory>
#include <new>

std::string JsonLine(const JsonMembers& members) {
  std::unique_ptr<cJSON, decltype(&cJSON_Delete)> root(cJSON_CreateObject(), cJSON_Delete);
  if (!root) throw std::bad_alloc();
  for (const auto& [name, value] : members) {
    if (!cJSON_AddStringToObject(root.get(), name.c_str(), value.c_str())) throw std::bad_alloc();
  }
  std::unique_ptr<char, decltype(&cJSON_free)> printed(cJSON_PrintUnformatted(root.get()),
                                                       cJSON_free);
  if (!printed) throw std::bad_alloc();
  return printed.get();
}
