#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The private-profile INI routines, after the Windows GetPrivateProfileStringA,
// GetPrivateProfileIntA and WritePrivateProfileStringA:
// - section and key names are trimmed and compared without regard to ASCII letter case;
// - only the first section of a name counts, and in it only the first key of a name;
// - a value is trimmed, and one pair of matching surrounding quotes (" or ') is stripped;
// - a value is read as into a buffer of `size` bytes: at most size - 1 bytes of the file are
//   returned (decoded to UTF-8 they may take more);
// - lines starting with ';' are comments, lines without '=' carry no key;
// - every call opens the file, reads or writes it and closes it again: nothing is cached, so an
//   edit made by anyone shows at the next call.
// Values go in and come out as UTF-8; the file itself may be in a legacy code page (see
// CodePage.h). A file that starts with a UTF-8 byte-order mark is UTF-8; otherwise its
// [General] Charset names its code page; a file with neither is UTF-8 if it is valid UTF-8 and
// Windows-1252 if not. language/README.md gives the reasons.
namespace profile {

inline constexpr std::size_t kBufferSize = 2048;  // values are read into this many bytes

// The value, or `defaultValue` (trailing spaces removed, cut to size - 1 bytes) when the file,
// the section or the key is missing. A value is never cut inside a UTF-8 character.
std::string ReadString(const std::string& path, std::string_view section, std::string_view key,
                       std::string_view defaultValue, std::size_t size = kBufferSize);

// The value read as ParseInt reads it; `defaultValue` when the key is missing or its value is
// not a number.
std::int32_t ReadInt(const std::string& path, std::string_view section, std::string_view key,
                     std::int32_t defaultValue);

// A whole text as an integer: an optional sign, then decimal digits, or "0x", "0X" or "$"
// followed by hexadecimal digits. Hexadecimal takes up to 32 bits as a bit pattern ($FFFFFFFF is
// -1); decimal must fit a signed 32-bit integer. Anything else, trailing characters included
// ("12abc"), is not a number. (Windows' own GetPrivateProfileInt would take the leading digits;
// anything that is not wholly a number gives the default here.)
std::optional<std::int32_t> ParseInt(std::string_view text);

// Every key of the first section named `section`, in file order, first occurrence of each name
// only, with values read as ReadString reads them. One open and close of the file.
std::vector<std::pair<std::string, std::string>> ReadSection(const std::string& path,
                                                             std::string_view section,
                                                             std::size_t size = kBufferSize);

// Sets `key` in `section` to `value`. Only the key's own line changes (the text after its '='),
// or one line is added at the end of the section, or the section is appended to the file; every
// other byte stays as it was, line endings (CRLF or LF) follow the file's own. A missing file is
// created. The file is replaced whole (AtomicFile.h), never emptied first. The file keeps the
// encoding it reads in: one that is UTF-8 only by its bytes gets a byte-order mark when the write
// (of a Charset line, say) would make it read as legacy. Fails, with the reason in `error`, when
// the file cannot be read or written (a missing directory, a read-only file), when a name is empty
// or would break the line structure, when the value cannot be represented in the file's code page,
// or when a legacy file would read in another encoding after the write.
bool WriteString(const std::string& path, std::string_view section, std::string_view key,
                 std::string_view value, std::string* error = nullptr);

}  // namespace profile
