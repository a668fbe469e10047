#pragma once

#include <optional>
#include <string>

#include "CommandLine.h"
#include "Json.h"
#include "ReplyWindow.h"

// get, set and reboot; each answers the exit code.
int RunGet(const Command& command);
int RunSet(const Command& command);
int RunReboot(const Command& command);

// What the window showed for a reply to the get of `item` (get's names); nothing when it showed
// nothing (a text that is not JSON, an unreadable clock).
std::optional<JsonMembers> ShownValues(const std::string& item, const std::string& text,
                                       ReplyWindow& window);
