#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What the window asks of the operating system, one implementation per platform. Paths are UTF-8
// on both platforms (on Windows from the wide calls, see Utf8Path.h).

// The process's working directory; none when the system cannot give it.
std::optional<std::string> WorkingDirectory();

// The folder of the program's own executable file.
std::string ExecutableFolder();

// The read-only Language folder that seeds a user's own copy: the installed data folder on
// Linux, the folder beside tagwick.exe on Windows.
std::string InstalledLanguageFolder();

// The system's default locale identifier (Windows numbering, 0x804 for Chinese, PRC).
std::uint32_t SystemLocaleId();
