#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// The tool's paths are UTF-8 bytes on every platform. A std::filesystem::path made from a plain
// std::string would take them in the standard library's narrow encoding (Latin-1 with
// mingw-w64's libstdc++), and Windows' "A" calls take them in the process's ANSI code page, which
// is UTF-8 only where Windows honours the manifest (version 1903 on); Windows 10 1809 gives the
// system's code page (GBK on a Chinese PC). So paths go through these conversions and the wide
// ("W") calls, never through a code page.

inline std::filesystem::path Utf8Path(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8Text(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

#ifdef _WIN32
// UTF-8 to the UTF-16 of the wide calls, and back.
inline std::wstring Wide(std::string_view utf8) {
  return Utf8Path(utf8).native();
}

inline std::string Utf8(std::wstring_view wide) {
  return Utf8Text(std::filesystem::path(std::wstring(wide)));
}
#endif
