#include "LanguageFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "Language.h"
#include "Profile.h"
#include "TestFiles.h"

namespace {

namespace fs = std::filesystem;
using langtest::ReadFile;
using langtest::TempDir;
using langtest::WriteFile;

class LanguageFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The installed folder as a package leaves it: files and folder read-only.
    WriteFile(Installed("Lang.ini"),
              "[General]\nAppName=Pellow\nNumber=1\n[Lang]\n000_Ext=eng\n000_Name=English\n");
    WriteFile(Installed("Pellow.eng"), "[ExtStr]\nText001=Opened\n");
    for (const char* name : {"Lang.ini", "Pellow.eng"})
      fs::permissions(Installed(name), fs::perms::owner_read | fs::perms::group_read);
    fs::permissions(installed.Path() / "Language", fs::perms::owner_read | fs::perms::owner_exec);
  }
  void TearDown() override { fs::permissions(installed.Path() / "Language", fs::perms::owner_all); }

  std::string Installed(const std::string& name) { return installed / ("Language/" + name); }
  LanguageFolders Folders() {
    return {work.Str(), config.Str(), (installed.Path() / "Language").string()};
  }
  fs::path UserFolder() const { return config.Path() / "tagwick" / "Language"; }

  TempDir work, config, installed;
};

TEST_F(LanguageFolderTest, WorkingDirectoryLanguageWinsAndNothingIsCopied) {
  fs::create_directories(work.Path() / "Language");
  EXPECT_EQ(LanguageBaseDirectory(Folders()), work.Str());
  EXPECT_FALSE(fs::exists(config.Path() / "tagwick"));
}

TEST_F(LanguageFolderTest, WorkingDirectoryLanguageThatCannotBeWrittenCountsOnlyOnLinux) {
  // A folder in which not even root can create a file, as Program Files is for a Windows user.
  fs::create_directory_symlink("/proc/sys", work.Path() / "Language");
  ASSERT_FALSE(CanCreateFileIn((work.Path() / "Language").string()));
  EXPECT_TRUE(CanCreateFileIn(work.Str()));
  EXPECT_EQ(std::distance(fs::directory_iterator(work.Path()), {}), 1);  // the probe is gone
  EXPECT_EQ(LanguageBaseDirectory(Folders()), work.Str());
  LanguageFolders windows = Folders();
  windows.mustBeWritable = true;
  EXPECT_EQ(fs::path(LanguageBaseDirectory(windows)), config.Path() / "tagwick");
  EXPECT_TRUE(fs::is_regular_file(UserFolder() / "Lang.ini"));
}

TEST_F(LanguageFolderTest, FirstStartSeedsAWritableCopyThatTakesTheChoice) {
  const std::string base = LanguageBaseDirectory(Folders());
  EXPECT_EQ(fs::path(base), config.Path() / "tagwick");
  EXPECT_EQ(ReadFile((UserFolder() / "Pellow.eng").string()), "[ExtStr]\nText001=Opened\n");
  // Checked on the mode: root would write to a read-only file all the same.
  EXPECT_NE(fs::status(UserFolder() / "Lang.ini").permissions() & fs::perms::owner_write,
            fs::perms::none);
  {
    TKorvelLanguage language(base, "C");
    ASSERT_EQ(language.CurID, 0);
    EXPECT_EQ(language.GetLangString(1, "ExtStr", "Text"), "Opened");
  }
  EXPECT_EQ(profile::ReadString((UserFolder() / "Lang.ini").string(), "General", "CurID", "?"),
            "0");
  EXPECT_EQ(profile::ReadString(Installed("Lang.ini"), "General", "CurID", "none"), "none");
  // Only the finished copy is left beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(UserFolder().parent_path()), {}), 1);
}

TEST_F(LanguageFolderTest, LaterStartsKeepTheUsersCopy) {
  LanguageBaseDirectory(Folders());
  WriteFile((UserFolder() / "Pellow.eng").string(), "[ExtStr]\nText001=Mine\n");
  LanguageBaseDirectory(Folders());
  EXPECT_EQ(ReadFile((UserFolder() / "Pellow.eng").string()), "[ExtStr]\nText001=Mine\n");
}

TEST_F(LanguageFolderTest, NoInstalledFolderOrNoUsableConfigFolderLeavesNothingBehind) {
  LanguageFolders missing = Folders();
  missing.installedLanguage = (work.Path() / "absent").string();
  EXPECT_EQ(fs::path(LanguageBaseDirectory(missing)), config.Path() / "tagwick");
  // Not even an empty folder, which would stop a later start from seeding.
  EXPECT_FALSE(fs::exists(UserFolder()));

  // A configuration "folder" that is a file: nothing can be created, even as root.
  WriteFile((config.Path() / "blocked").string(), "");
  LanguageFolders blocked = Folders();
  blocked.configHome = (config.Path() / "blocked").string();
  EXPECT_EQ(fs::path(LanguageBaseDirectory(blocked)), config.Path() / "blocked" / "tagwick");

  LanguageFolders none = Folders();
  none.configHome.clear();
  EXPECT_EQ(LanguageBaseDirectory(none), work.Str());
}

TEST(UserConfigHomeTest, FollowsXdgConfigHomeOnlyWhenAbsolute) {
  const auto saved = [](const char* name) -> std::optional<std::string> {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
  };
  const auto restore = [](const char* name, const std::optional<std::string>& value) {
    if (value)
      setenv(name, value->c_str(), 1);
    else
      unsetenv(name);
  };
  const auto xdg = saved("XDG_CONFIG_HOME"), home = saved("HOME");
  setenv("HOME", "/home/operator", 1);
  setenv("XDG_CONFIG_HOME", "/tmp/cfg", 1);
  EXPECT_EQ(UserConfigHome(), "/tmp/cfg");
  setenv("XDG_CONFIG_HOME", "relative", 1);
  EXPECT_EQ(UserConfigHome(), "/home/operator/.config");
  restore("XDG_CONFIG_HOME", xdg);
  restore("HOME", home);
}

}  // namespace
