#include <unistd.h>

#include <QCoreApplication>
#include <QLocale>
#include <climits>

#include "Language.h"
#include "Platform.h"

std::optional<std::string> WorkingDirectory() {
  char directory[PATH_MAX];
  if (!getcwd(directory, sizeof directory)) return std::nullopt;
  return std::string(directory);
}

std::string ExecutableFolder() {
  return QCoreApplication::applicationDirPath().toStdString();
}

std::string InstalledLanguageFolder() {
  return std::string(TAGWICK_DATA_DIR) + "/Language";
}

// The locale the process runs in (LANG, LC_ALL), as the identifier Windows would give it.
std::uint32_t SystemLocaleId() {
  return WindowsLocaleId(QLocale::system().name().toStdString());
}
