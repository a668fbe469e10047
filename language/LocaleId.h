#pragma once

#include <cstdint>
#include <string>

// The Windows locale identifier (LCID) that Windows would report for a POSIX locale name such as
// "ja_JP.UTF-8" (or "ja-JP", "ja"): 0x411. "C", "POSIX", "" and unknown names give 0x409.
std::uint32_t WindowsLocaleId(const std::string& localeName);

// The index of the shipped language that suits a locale name such as "ja_JP.UTF-8": the locale
// identifier in lowercase hexadecimal looked up in this table ("409" 0, "804" 1,
// "411" 2, "404" 3, "40a" and "80a" 4, anything else 0).
std::int32_t DefaultLanguageIndex(const std::string& localeName);
std::int32_t DefaultLanguageIndex(std::uint32_t localeId);
