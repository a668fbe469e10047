#include "LanguageFolder.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <system_error>

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

std::string LanguageBaseDirectory(const LanguageFolders& folders) {
  if (IsDirectory(fs::path(folders.workingDirectory) / "Language") || folders.configHome.empty())
    return folders.workingDirectory;
  const fs::path base = fs::path(folders.configHome) / "tagwick";
  const fs::path target = base / "Language";
  if (!IsDirectory(target)) Seed(folders.installedLanguage, target);
  return base.string();
}

std::string UserConfigHome() {
#ifdef _WIN32
  const char* appData = std::getenv("APPDATA");
  return appData && *appData ? appData : "";
#else
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && *config == '/') return config;
  const char* home = std::getenv("HOME");
  if (home && *home == '/') return (fs::path(home) / ".config").string();
  return "";
#endif
}
