#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What the window asks of the operating system, one implementation per platform. Paths are in
// the system's code page (UTF-8 on both platforms, see the Windows manifest).

// The process's working directory; none when the system cannot give it.
std::optional<std::string> WorkingDirectory();

// The folder of the program's own executable file.
std::string ExecutableFolder();

// The system's default locale identifier (Windows numbering, 0x804 for Chinese, PRC).
std::uint32_t SystemLocaleId();
