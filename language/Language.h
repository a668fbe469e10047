#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "LanguageWindow.h"
#include "LocaleId.h"

// The language list, the current language file, and applying it to a window. Texts handed out
// are UTF-8 whatever the file's own encoding.
class TKorvelLanguage {
 public:
  // Reports an error met while applying or saving, for the toolkit's error display.
  using ErrorDisplay = std::function<void(const std::string& message)>;

  // `baseDirectory` is the working directory or the user's own (LanguageBaseDirectory); the files
  // are looked for in its "Language" subdirectory. `localeName` is the process's locale (e.g.
  // "zh_CN.UTF-8"), used when the list file names no current language.
  TKorvelLanguage(const std::string& baseDirectory, const std::string& localeName,
                  ErrorDisplay showError = {});
  // The same with the system's locale identifier itself, as Windows reports it (0x804).
  TKorvelLanguage(const std::string& baseDirectory, std::uint32_t localeId,
                  ErrorDisplay showError = {});
  // Writes CurID back to the list file. A failed write is reported through the error display
  // and does not throw.
  virtual ~TKorvelLanguage();
  TKorvelLanguage(const TKorvelLanguage&) = delete;
  TKorvelLanguage& operator=(const TKorvelLanguage&) = delete;

  virtual bool ApplyLanguage(LanguageWindow& window);
  virtual void SaveLanguage(LanguageWindow& window);
  // Section/prefix+"%03d" from the current language file; "" when missing, "***" with no
  // language in use.
  std::string GetLangString(std::int32_t number, const std::string& section,
                            const std::string& prefix) const;
  // An index outside the list is outside the contract; it is refused: false, nothing changes.
  bool SelectLanguage(std::int32_t index);
  // Replaces the error display, e.g. with a quieter one before the object is destroyed.
  void SetErrorDisplay(ErrorDisplay display) { showError = std::move(display); }

  std::string LangDir;
  std::string LangFile;
  std::vector<std::string> LangNames;
  std::vector<std::string> LangExts;
  std::string AppName;
  std::int32_t CurID = -1;

 private:
  ErrorDisplay showError;
};

// Section/prefix+"%03d" of one language file, as GetLangString reads it; "" when missing.
std::string ReadNumberedText(const std::string& languageFile, std::int32_t number,
                             const std::string& section, const std::string& prefix);
