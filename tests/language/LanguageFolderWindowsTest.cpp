// The language folder's rule on Windows with folder names in Chinese: every path goes through
// the wide calls, so the lookup holds whatever the process's ANSI code page (Windows 10 1809).
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "AtomicFile.h"
#include "Language.h"
#include "LanguageFolder.h"
#include "Profile.h"
#include "Utf8Path.h"

namespace {

namespace fs = std::filesystem;

// "用户" (user), "工作" (work), "程序" (program), as UTF-8.
const std::string kUser = "\xE7\x94\xA8\xE6\x88\xB7";
const std::string kWork = "\xE5\xB7\xA5\xE4\xBD\x9C";
const std::string kProgram = "\xE7\xA8\x8B\xE5\xBA\x8F";

class LanguageFolderWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("tagwick-lf-" + std::to_string(GetCurrentProcessId()));
    fs::remove_all(root);
    fs::create_directories(Utf8Path(Str(root) + "\\" + kProgram + "\\Language"));
    fs::create_directories(Utf8Path(Str(root) + "\\" + kWork));
    fs::create_directories(Utf8Path(Str(root) + "\\" + kUser));
    std::ofstream(Utf8Path(Installed() + "\\Lang.ini"), std::ios::binary)
        << "[General]\r\nAppName=Pellow\r\nNumber=1\r\n[Lang]\r\n000_Ext=eng\r\n000_Name="
           "English\r\n";
    std::ofstream(Utf8Path(Installed() + "\\Pellow.eng"), std::ios::binary)
        << "[ExtStr]\r\nText001=Opened\r\n";
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  static std::string Str(const fs::path& path) { return Utf8Text(path); }
  std::string Installed() const { return Str(root) + "\\" + kProgram + "\\Language"; }
  LanguageFolders Folders() const {
    return {Str(root) + "\\" + kWork, Str(root) + "\\" + kUser, Installed()};
  }

  fs::path root;
};

TEST_F(LanguageFolderWindowsTest, UserCopyInChineseFoldersIsSeededReadAndWritten) {
  const std::string base = LanguageBaseDirectory(Folders());
  EXPECT_EQ(base, Str(root) + "\\" + kUser + "\\Tagwick");
  {
    TKorvelLanguage language(base, "C");
    ASSERT_EQ(language.CurID, 0);
    EXPECT_EQ(language.GetLangString(1, "ExtStr", "Text"), "Opened");
  }
  EXPECT_EQ(profile::ReadString(base + "\\Language\\Lang.ini", "General", "CurID", "?"), "0");
  EXPECT_EQ(profile::ReadString(Installed() + "\\Lang.ini", "General", "CurID", "none"), "none");
}

TEST_F(LanguageFolderWindowsTest, WritableWorkingLanguageInAChineseFolderIsUsedAsItStands) {
  LanguageFolders folders = Folders();
  fs::create_directories(Utf8Path(folders.workingDirectory + "\\Language"));
  EXPECT_TRUE(CanCreateFileIn(folders.workingDirectory + "\\Language"));
  EXPECT_EQ(LanguageBaseDirectory(folders), folders.workingDirectory);
  EXPECT_FALSE(fs::exists(Utf8Path(folders.configHome + "\\Tagwick")));
}

TEST_F(LanguageFolderWindowsTest, AppDataIsReadWide) {
  const std::wstring saved = _wgetenv(L"APPDATA") ? _wgetenv(L"APPDATA") : L"";
  const std::string chinese = Str(root) + "\\" + kUser;
  ASSERT_EQ(_wputenv_s(L"APPDATA", Wide(chinese).c_str()), 0);
  EXPECT_EQ(UserConfigHome(), chinese);
  _wputenv_s(L"APPDATA", saved.c_str());
}

TEST_F(LanguageFolderWindowsTest, AtomicReplaceTakesAUtf8Path) {
  const std::string file = Str(root) + "\\" + kWork + "\\" + kUser + ".csv";
  ASSERT_TRUE(atomicfile::Replace(file, "one"));
  ASSERT_TRUE(atomicfile::Replace(file, "two"));
  std::ifstream in(Utf8Path(file), std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(text, "two");
}

}  // namespace
