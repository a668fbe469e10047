#include "LanguageFolder.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "Utf8Path.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

bool IsDirectory(const fs::path& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

// Copies the installed files into a fresh folder beside the target and renames it into place,
// so that an interrupted or failed copy never leaves a half-seeded folder that would be taken
// for the user's own on the next start.
void Seed(const fs::path& installed, const fs::path& target) {
  std::error_code ec;
  if (!IsDirectory(installed)) return;
  fs::create_directories(target.parent_path(), ec);
  if (ec) return;
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const fs::path scratch = target.parent_path() / ("Language.seed-" + std::to_string(stamp) + "-" +
                                                   std::to_string(counter++));
  bool copied = fs::create_directory(scratch, ec) && !ec;
  for (fs::directory_iterator it(installed, ec), end; copied && !ec && it != end;
       it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    const fs::path copy = scratch / it->path().filename();
    copied = fs::copy_file(it->path(), copy, ec) && !ec;
    // Installed files may be read-only; the user's copy must take the language choice.
    if (copied)
      fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add,
                      ec);
    copied = copied && !ec;
  }
  if (copied && !ec) {
    fs::rename(scratch, target, ec);
    if (!ec) return;
  }
  // Also when a concurrent first start won the rename: its copy is as good as ours.
  fs::remove_all(scratch, ec);
}

}  // namespace

bool CanCreateFileIn(const std::string& folder) {
  static std::atomic<unsigned> counter{0};
  const std::string name =
      ".tagwick-probe-" +
      std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "-" +
      std::to_string(counter++);
  const fs::path probe = Utf8Path(folder) / name;
#ifdef _WIN32
  const HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
#else
  const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
#endif
}

std::string LanguageBaseDirectory(const LanguageFolders& folders) {
  const fs::path working = Utf8Path(folders.workingDirectory) / "Language";
  if (folders.configHome.empty() ||
      (IsDirectory(working) && (!folders.mustBeWritable || CanCreateFileIn(Utf8Text(working)))))
    return folders.workingDirectory;
#ifdef _WIN32
  const fs::path base = Utf8Path(folders.configHome) / "Tagwick";
#else
  const fs::path base = Utf8Path(folders.configHome) / "tagwick";
#endif
  const fs::path target = base / "Language";
  if (!IsDirectory(target)) Seed(Utf8Path(folders.installedLanguage), target);
  return Utf8Text(base);
}

std::string UserConfigHome() {
#ifdef _WIN32
  // Read as UTF-16: in the ANSI code page a user name in Chinese would not survive on Windows 10
  // 1809, which ignores the manifest's UTF-8 code page.
  const wchar_t* appData = _wgetenv(L"APPDATA");
  return appData && *appData ? Utf8(appData) : "";
#else
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && *config == '/') return config;
  const char* home = std::getenv("HOME");
  if (home && *home == '/') return Utf8Text(Utf8Path(home) / ".config");
  return "";
#endif
}
