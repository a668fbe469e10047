#include <windows.h>

#include <algorithm>
#include <vector>

#include "Platform.h"

std::optional<std::string> WorkingDirectory() {
  // The design's limit: MAX_PATH (260) characters with the terminator.
  char directory[MAX_PATH];
  const DWORD length = GetCurrentDirectoryA(MAX_PATH, directory);
  if (length == 0 || length >= MAX_PATH) return std::nullopt;
  return std::string(directory, length);
}

std::string ExecutableFolder() {
  // The wide call gives the whole path whatever the code page; it is then put into the
  // process's ANSI code page, which the "A" calls that open the file expect.
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
  path.erase(slash.base(), path.end());
  const int bytes = WideCharToMultiByte(CP_ACP, 0, path.data(), static_cast<int>(path.size()),
                                        nullptr, 0, nullptr, nullptr);
  std::string folder(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, path.data(), static_cast<int>(path.size()), folder.data(), bytes,
                      nullptr, nullptr);
  return folder;
}

std::uint32_t SystemLocaleId() {
  return GetSystemDefaultLCID();
}
