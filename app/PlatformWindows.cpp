#include <windows.h>

#include <algorithm>
#include <vector>

#include "Platform.h"
#include "Utf8Path.h"

std::optional<std::string> WorkingDirectory() {
  // The design's limit: MAX_PATH (260) characters with the terminator. The wide call and the
  // tool's own conversion give UTF-8 whatever the process's code page (Windows 10 1809).
  wchar_t directory[MAX_PATH];
  const DWORD length = GetCurrentDirectoryW(MAX_PATH, directory);
  if (length == 0 || length >= MAX_PATH) return std::nullopt;
  return Utf8(std::wstring_view(directory, length));
}

std::string ExecutableFolder() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return ".";
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  const auto slash = std::find(path.rbegin(), path.rend(), L'\\');
  path.erase(slash.base(), path.end());  // the folder with its trailing backslash
  return Utf8(std::wstring_view(path.data(), path.size()));
}

std::string InstalledLanguageFolder() {
  // The Language folder that came with tagwick.exe (zip or setup program), beside it.
  return ExecutableFolder() + "Language";
}

std::uint32_t SystemLocaleId() {
  return GetSystemDefaultLCID();
}
