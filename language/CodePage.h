#pragma once

#include <optional>
#include <string>
#include <string_view>

// Text encodings of the language files. The rest of the system deals in UTF-8; a legacy file
// written on Windows is in the ANSI code page that its font character set implies.
namespace codepage {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF. An empty text and
// plain ASCII are valid.
bool IsValidUtf8(std::string_view bytes);

// The Windows font character sets that imply a code page other than WINDOWS-1252.
inline constexpr int kShiftJisCharset = 128;
inline constexpr int kHangeulCharset = 129;
inline constexpr int kGb2312Charset = 134;
inline constexpr int kChineseBig5Charset = 136;

// The iconv name of the code page that goes with a Windows font character set number:
// 134 CP936, 136 CP950, 128 CP932, 129 CP949, anything else WINDOWS-1252.
const char* ForCharset(int charset);

// The largest n <= `limit` at which `bytes` (in `codePage`) can be cut without splitting a
// character, walking from the start; a lone lead byte at the end counts as a character.
std::size_t CharacterStart(std::string_view bytes, std::size_t limit, const char* codePage);

// Decodes `bytes` from `codePage` to UTF-8. A byte sequence the code page does not define
// becomes U+FFFD and decoding goes on after it, so every input gives some text.
std::string ToUtf8(std::string_view bytes, const char* codePage);

// Encodes UTF-8 `text` in `codePage`; empty when a character has no form in the code page (or
// the text is not UTF-8), so that a write never stores a silently altered value.
std::optional<std::string> FromUtf8(std::string_view text, const char* codePage);

}  // namespace codepage
