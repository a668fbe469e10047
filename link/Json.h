#pragma once

#include <string>
#include <utility>
#include <vector>

#include "DeviceWindow.h"

// Parses `text` and reads member `name` (ASCII case-insensitive, first match) as text. A member
// that is absent or not a string reads as "". When the text does not parse, logs
// "Invalid json string:" followed by the text and answers false.
bool GetJsonField(const std::string& text, const char* name, std::string& value, DeviceWindow& log);

// An object of string members in the given order, printed in cJSON's formatted layout.
using JsonMembers = std::vector<std::pair<std::string, std::string>>;
std::string PrintJsonObject(const JsonMembers& members);
