#pragma once

#include <string_view>

#include "Requests.h"

// The settings that get and set name, with the type of the get request and of the set's reply.
// A type is also the key of the handler that claims its reply.
struct Setting {
  const char* item;
  const char* getType;
  const char* setType;
};
inline constexpr Setting kSettings[] = {
    {"gateway", requests::kGetGateway, requests::kSetGateway},
    {"deviceid", requests::kGetDeviceId, requests::kSetDeviceId},
    {"network", requests::kGetNetwork, requests::kSetNetwork},
    {"clock", requests::kGetRtc, requests::kSetRtc},
    {"antlist", requests::kGetAntList, requests::kSetAntList}};

// The setting called `item`; null when there is none.
inline const Setting* FindSetting(std::string_view item) {
  for (const Setting& setting : kSettings) {
    if (item == setting.item) return &setting;
  }
  return nullptr;
}
