#include "Language.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string_view>

#include "AsciiCase.h"
#include "Profile.h"

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

std::string Padded(const char* format, std::int32_t number) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, format, static_cast<int>(number));
  return buffer;
}

bool IsFile(const std::string& path) {
  std::error_code ec;
  // The path's bytes are UTF-8, the system's text; a plain std::string would be read as
  // Latin-1 by the Windows standard library, which then misses any folder named in Chinese.
  const std::filesystem::path file(std::u8string(path.begin(), path.end()));
  return std::filesystem::is_regular_file(file, ec);  // follows links; a directory does not count
}

void Write(const std::string& path, std::string_view section, std::string_view key,
           std::string_view value) {
  std::string error;
  if (!profile::WriteString(path, section, key, value, &error)) throw std::runtime_error(error);
}

}  // namespace

TKorvelLanguage::TKorvelLanguage(const std::string& baseDirectory, const std::string& localeName,
                                 ErrorDisplay showError)
    : TKorvelLanguage(baseDirectory, WindowsLocaleId(localeName), std::move(showError)) {}

TKorvelLanguage::TKorvelLanguage(const std::string& baseDirectory, std::uint32_t localeId,
                                 ErrorDisplay showError)
    : showError(std::move(showError)) {
  LangDir = baseDirectory;
  // Windows takes either slash as a separator.
  if (LangDir.empty() || (LangDir.back() != kSeparator && LangDir.back() != '/'))
    LangDir += kSeparator;
  LangDir += "Language";
  LangDir += kSeparator;
  const std::string list = LangDir + "Lang.ini";

  AppName = profile::ReadString(list, "General", "AppName", "Pellow");
  CurID = profile::ReadInt(list, "General", "CurID", DefaultLanguageIndex(localeId));
  const std::int32_t number = profile::ReadInt(list, "General", "Number", 4);

  // Slots 0 .. number - 1 in order. Only slots whose extension key exists can pass, so the
  // section is read once and those slots are visited in ascending order: a Number such as
  // 0x7FFFFFFF then costs nothing, and the result is that of visiting every slot.
  std::map<std::string, std::string> keys;  // lowercased name -> value, first key wins
  for (auto& [name, value] : profile::ReadSection(list, "Lang"))
    keys.emplace(AsciiLowered(name), std::move(value));
  std::map<std::int32_t, std::string> extensions;
  for (const auto& [name, value] : keys) {
    constexpr std::string_view suffix = "_ext";
    if (name.size() <= suffix.size() || !name.ends_with(suffix)) continue;
    std::string digits = name.substr(0, name.size() - suffix.size());
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
        digits.size() > 10)
      continue;
    long long n = std::stoll(digits);
    if (n >= number || Padded("%03d", static_cast<std::int32_t>(n)) != digits) continue;
    extensions.emplace(static_cast<std::int32_t>(n), value);
  }
  for (const auto& [n, extension] : extensions) {
    if (extension.empty()) continue;
    if (!IsFile(LangDir + AppName + "." + extension)) continue;
    auto name = keys.find(Padded("%03d", n) + "_name");
    if (name == keys.end() || name->second.empty()) continue;
    LangExts.push_back(extension);
    LangNames.push_back(name->second);
  }

  const auto count = static_cast<std::int32_t>(LangExts.size());
  if (CurID < 0 || CurID >= count) CurID = 0;
  if (count == 0) {
    CurID = -1;
    LangFile.clear();
  } else {
    LangFile = LangDir + AppName + "." + LangExts[static_cast<std::size_t>(CurID)];
  }
}

TKorvelLanguage::~TKorvelLanguage() {
  // A failed write (no language directory, a read-only medium) is reported, never thrown: the
  // window must still close.
  try {
    std::string error;
    if (profile::WriteString(LangDir + "Lang.ini", "General", "CurID", std::to_string(CurID),
                             &error))
      return;
    if (showError) showError("The language choice was not saved: " + error);
  } catch (...) {
    // Nothing may leave a destructor; the choice is simply not kept.
  }
}

bool TKorvelLanguage::ApplyLanguage(LanguageWindow& window) {
  if (CurID == -1) return false;
  const std::string windowName = window.Name();
  if (windowName.empty()) return false;
  try {
    window.SetFontFace(profile::ReadString(LangFile, "General", "FontName", "Arial"));
    window.SetFontCharset(profile::ReadInt(LangFile, "General", "Charset", 1));
    window.SetFontSize(profile::ReadInt(LangFile, "General", "FontSize", 9));

    const std::string title = profile::ReadString(LangFile, windowName, windowName, "");
    if (!title.empty() && !window.IsBorderless()) window.SetTitle(title);

    const std::string face = window.FontFace();
    const int charset = window.FontCharset();
    const std::size_t count = window.ComponentCount();
    for (std::size_t i = 0; i < count; ++i) {
      LanguageComponent& component = window.Component(i);
      if (!component.HasCaption()) continue;
      const std::string name = component.Name();
      if (name.empty()) continue;
      const std::string caption = profile::ReadString(LangFile, windowName, name, "");
      if (!caption.empty()) component.SetCaption(caption);
      if (component.HasParentFont() && !component.ParentFont()) {
        component.SetFontCharset(charset);
        component.SetFontFace(face);
      }
    }
    window.Redraw();
  } catch (const std::exception& e) {
    if (showError) showError(e.what());
  } catch (...) {
    if (showError) showError("");
  }
  return true;
}

void TKorvelLanguage::SaveLanguage(LanguageWindow& window) {
  if (CurID == -1) return;
  const std::string windowName = window.Name();
  // With no name there is no section to write to; ApplyLanguage refuses such a window too.
  if (windowName.empty()) return;
  try {
    Write(LangFile, windowName, windowName, window.Title());
    Write(LangFile, "General", "Charset", std::to_string(window.FontCharset()));
    Write(LangFile, "General", "FontName", window.FontFace());
    Write(LangFile, "General", "FontSize", std::to_string(window.FontSize()));
    const std::size_t count = window.ComponentCount();
    for (std::size_t i = 0; i < count; ++i) {
      LanguageComponent& component = window.Component(i);
      if (!component.HasCaption()) continue;
      const std::string name = component.Name();
      const std::string caption = component.Caption();
      if (name.empty() || caption.empty()) continue;
      Write(LangFile, windowName, name, caption);
    }
  } catch (const std::exception& e) {
    if (showError) showError(e.what());
  } catch (...) {
    if (showError) showError("");
  }
}

std::string TKorvelLanguage::GetLangString(std::int32_t number, const std::string& section,
                                           const std::string& prefix) const {
  if (CurID == -1) return "***";
  return ReadNumberedText(LangFile, number, section, prefix);
}

std::string ReadNumberedText(const std::string& languageFile, std::int32_t number,
                             const std::string& section, const std::string& prefix) {
  return profile::ReadString(languageFile, section, prefix + Padded("%03d", number), "");
}

bool TKorvelLanguage::SelectLanguage(std::int32_t index) {
  if (index == CurID) return false;
  // Outside the contract; refused rather than reading past the list.
  if (index < 0 || static_cast<std::size_t>(index) >= LangExts.size()) return false;
  CurID = index;
  LangFile = LangDir + AppName + "." + LangExts[static_cast<std::size_t>(index)];
  return true;
}
