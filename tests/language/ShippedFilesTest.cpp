#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "CodePage.h"
#include "FakeWindow.h"
#include "Language.h"
#include "Profile.h"
#include "TestFiles.h"

namespace {

using langtest::FakeWindow;
using langtest::ReadFile;
using langtest::TempDir;

// Every control of the main window that takes a caption.
const char* const kCaptionedControls[] = {
    "ts1",       "ts2",   "grp1",        "grp5",       "grp6",      "grp7",          "grp8",
    "rgNetWork", "lbl1",  "lbl2",        "lbl4",       "lbl5",      "lbl6",          "lbl8",
    "lbl9",      "lbl10", "lbl11",       "lbl12",      "lbl13",     "lbl14",         "lbl15",
    "lbl16",     "btnIP", "btn11",       "btn2",       "btn6",      "btn3",          "btn10",
    "btn5",      "btn4",  "btn8",        "btn9",       "btn12",     "btnTest",       "btnClear",
    "btnExport", "ts3",   "grpAntennas", "grpVerdict", "btnRecipe", "btnVerdictSave"};

struct Shipped {
  const char* ext;
  const char* locale;
  int charset;
};
const Shipped kShipped[] = {{"eng", "en_US.UTF-8", 1},
                            {"chs", "zh_CN.UTF-8", 134},
                            {"jpn", "ja_JP.UTF-8", 128},
                            {"cht", "zh_TW.UTF-8", 136},
                            {"esp", "es_MX.UTF-8", 1}};

class ShippedFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* source = std::getenv("TAGWICK_SOURCE_DIR");
    ASSERT_NE(source, nullptr) << "TAGWICK_SOURCE_DIR is not set";
    shipped = std::filesystem::path(source) / "Language";
    ASSERT_TRUE(std::filesystem::is_directory(shipped)) << shipped;
    // A copy, so that the destructor's write of CurID leaves the source tree alone.
    std::filesystem::copy(shipped, base.Path() / "Language");
    FreshList();
  }

  // The shipped list without any CurID (one is written into the source tree when the program
  // has been run from there), so that the locale chooses.
  void FreshList() {
    std::istringstream in(ReadFile((shipped / "Lang.ini").string()));
    std::string list;
    for (std::string line; std::getline(in, line);)
      if (line.rfind("CurID", 0) != 0) list += line + "\n";
    langtest::WriteFile(base / "Language/Lang.ini", list);
  }

  std::filesystem::path shipped;
  TempDir base;
};

TEST_F(ShippedFilesTest, ListNamesTheFiveLanguagesInOrder) {
  TKorvelLanguage language(base.Str(), "en_US.UTF-8");
  EXPECT_EQ(language.AppName, "Pellow");
  ASSERT_EQ(language.LangExts.size(), std::size(kShipped));
  for (std::size_t i = 0; i < std::size(kShipped); ++i) {
    EXPECT_EQ(language.LangExts[i], kShipped[i].ext);
    EXPECT_FALSE(language.LangNames[i].empty());
  }
  EXPECT_EQ(language.CurID, 0);
}

TEST_F(ShippedFilesTest, EachLocaleGetsItsLanguage) {
  for (std::size_t i = 0; i < std::size(kShipped); ++i) {
    FreshList();  // each round: every destructor writes CurID
    TKorvelLanguage language(base.Str(), kShipped[i].locale);
    EXPECT_EQ(language.CurID, static_cast<std::int32_t>(i)) << kShipped[i].locale;
  }
}

// Without the mark, a file's Charset would name the code page it is read in.
TEST_F(ShippedFilesTest, FilesAreUtf8WithByteOrderMark) {
  for (const auto& entry : std::filesystem::directory_iterator(shipped)) {
    const std::string bytes = ReadFile(entry.path().string());
    EXPECT_TRUE(codepage::IsValidUtf8(bytes)) << entry.path();
    EXPECT_EQ(bytes.rfind("\xEF\xBB\xBF", 0), 0u) << entry.path();
    EXPECT_EQ(bytes.find('\r'), std::string::npos) << entry.path();
  }
}

TEST_F(ShippedFilesTest, StrayByteSpoilsNothingElse) {
  const std::string path = base / "Language/Pellow.chs";
  const std::string before = profile::ReadString(path, "MainForm", "btnIP", "");
  std::string bytes = ReadFile(path);
  langtest::WriteFile(path, bytes.insert(3, "; \xFF in a comment\n"));
  EXPECT_EQ(profile::ReadString(path, "MainForm", "btnIP", ""), before);
  EXPECT_EQ(before, "连接");
}

TEST_F(ShippedFilesTest, EveryRequiredKeyIsPresent) {
  TKorvelLanguage language(base.Str(), "en_US.UTF-8");
  ASSERT_EQ(language.LangExts.size(), std::size(kShipped));
  for (std::size_t i = 0; i < std::size(kShipped); ++i) {
    if (i != 0) {
      ASSERT_TRUE(language.SelectLanguage(static_cast<std::int32_t>(i)));
    }
    const std::string& file = language.LangFile;
    SCOPED_TRACE(file);
    EXPECT_FALSE(profile::ReadString(file, "General", "FontName", "").empty());
    EXPECT_EQ(profile::ReadInt(file, "General", "Charset", -100), kShipped[i].charset);
    EXPECT_EQ(profile::ReadInt(file, "General", "FontSize", -100), 9);
    EXPECT_FALSE(profile::ReadString(file, "MainForm", "MainForm", "").empty());
    for (const char* control : kCaptionedControls)
      EXPECT_FALSE(profile::ReadString(file, "MainForm", control, "").empty()) << control;
    for (int n = 1; n <= 40; ++n)
      EXPECT_FALSE(language.GetLangString(n, "ExtStr", "Text").empty()) << "Text" << n;
    for (int n = 1; n <= 4; ++n)
      EXPECT_FALSE(language.GetLangString(n, "ExtStr", "BtnCaption").empty()) << "BtnCaption" << n;
    EXPECT_EQ(language.GetLangString(41, "ExtStr", "Text"), "");
  }
}

TEST_F(ShippedFilesTest, ApplyingLabelsEveryCaptionedControl) {
  TKorvelLanguage language(base.Str(), "zh_CN.UTF-8");
  FakeWindow window;
  for (const char* control : kCaptionedControls) window.Add(control, true, "", true, true);
  window.Add("edtIP", false, "192.168.12.1", true, false);
  ASSERT_TRUE(language.ApplyLanguage(window));
  EXPECT_EQ(window.face, "Noto Sans CJK SC");
  EXPECT_EQ(window.charset, 134);
  EXPECT_EQ(window.size, 9);
  EXPECT_NE(window.title, "TagwickV1.0");
  for (const char* control : kCaptionedControls)
    EXPECT_FALSE(window.Find(control)->caption.empty()) << control;
  EXPECT_EQ(window.Find("edtIP")->caption, "192.168.12.1");
}

}  // namespace
