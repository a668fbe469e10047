#pragma once

#include <optional>
#include <string>

#include "DeviceWindow.h"

// The window's field checks, for arguments: the same patterns (FieldPatterns.h) matched against
// the whole text, with std::regex (ECMAScript) since the window's matcher is Qt's.
bool IsAddressText(const std::string& text);
bool IsDigitsOnlyText(const std::string& text);

// The refusals of the set buttons and the field checks in one: throws InputError naming
// `argument` when `text` is empty or blank, or its trimmed text does not pass the check, as a
// field is checked when it is left. The text itself is sent as given, like a field's text.
void CheckAddressArgument(const std::string& argument, const std::string& text);
void CheckDigitsArgument(const std::string& argument, const std::string& text);
// The same for an optional address: "" passes.
void CheckOptionalAddressArgument(const std::string& argument, const std::string& text);

// Throws InputError naming `argument` when the dotted-decimal `address` cannot be one device's:
// 0.0.0.0/8 (this host), the broadcast address 255.255.255.255, multicast 224.0.0.0/4.
void CheckDeviceAddress(const std::string& argument, const std::string& address);

// A positive number of seconds, digits with an optional fraction, at most `limit`.
double ParseSeconds(const std::string& argument, const std::string& text, double limit);

// "now" (the local time now, to the second) or "YYYY-MM-DDTHH:MM:SS", local time.
CalendarTime ParseLocalTime(const std::string& text);
