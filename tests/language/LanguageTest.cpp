#include "Language.h"

#include <gtest/gtest.h>

#include <memory>

#include "FakeWindow.h"
#include "Profile.h"
#include "TestFiles.h"

namespace {

using langtest::FakeWindow;
using langtest::ReadFile;
using langtest::TempDir;
using langtest::WriteFile;

class LanguageTest : public ::testing::Test {
 protected:
  std::string Dir() const { return base / "Language" + langtest::kSep; }
  std::string ListFile() const { return base / "Language/Lang.ini"; }
  void List(const std::string& content) { WriteFile(ListFile(), content); }
  void LanguageFile(const std::string& name, const std::string& content) {
    WriteFile(Dir() + name, content);
  }
  std::unique_ptr<TKorvelLanguage> Make(const std::string& locale = "en_US.UTF-8") {
    return std::make_unique<TKorvelLanguage>(base.Str(), locale,
                                             [this](const std::string& m) { errors.push_back(m); });
  }
  std::string WrittenCurID() { return profile::ReadString(ListFile(), "General", "CurID", "?"); }

  // Two usable languages, "a" and "b", in slots 0 and 1.
  void TwoLanguages(const std::string& general) {
    List("[General]\n" + general + "[Lang]\n000_Ext=a\n000_Name=Alpha\n001_Ext=b\n001_Name=Beta\n");
    LanguageFile("Pellow.a", "[ExtStr]\nText001=alpha\n");
    LanguageFile("Pellow.b", "[ExtStr]\nText001=beta\n");
  }

  TempDir base;
  std::vector<std::string> errors;
};

TEST_F(LanguageTest, PathsFollowTheBaseDirectory) {
  auto language = Make();
  EXPECT_EQ(language->LangDir, base.Str() + langtest::kSep + "Language" + langtest::kSep);
  TKorvelLanguage trailing(base.Str() + "/", "C");
  EXPECT_EQ(trailing.LangDir, base.Str() + "/Language" + langtest::kSep);
}

// The working folder's name is UTF-8 bytes, which the file calls take as such (on Windows
// through the programs' manifest).
TEST_F(LanguageTest, AWorkingFolderNamedInChinese) {
  std::filesystem::create_directories(base.Path() / std::filesystem::path(u8"工作") / "Language");
  const std::string work = base.Str() + langtest::kSep + "工作";
  WriteFile(work + "/Language/Lang.ini", "[Lang]\n000_Ext=a\n000_Name=Alpha\n");
  WriteFile(work + "/Language/Pellow.a", "[ExtStr]\nText001=alpha\n");
  TKorvelLanguage language(work, "C");
  EXPECT_EQ(language.GetLangString(1, "ExtStr", "Text"), "alpha");
}

TEST_F(LanguageTest, NoLanguageDirectory) {
  auto language = Make();
  EXPECT_EQ(language->AppName, "Pellow");
  EXPECT_EQ(language->CurID, -1);
  EXPECT_TRUE(language->LangFile.empty());
  EXPECT_TRUE(language->LangNames.empty());
  EXPECT_TRUE(language->LangExts.empty());
  EXPECT_EQ(language->GetLangString(1, "ExtStr", "BtnCaption"), "***");
  EXPECT_EQ(language->GetLangString(12, "ExtStr", "Text"), "***");

  FakeWindow window;
  window.Add("btnIP", true, "连接", true, false);
  EXPECT_FALSE(language->ApplyLanguage(window));
  language->SaveLanguage(window);
  EXPECT_TRUE(window.log.empty());
  EXPECT_EQ(window.title, "TagwickV1.0");

  // The destructor's write of CurID fails: reported, not thrown, and nothing is created.
  EXPECT_NO_THROW(language.reset());
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("Lang.ini"), std::string::npos) << errors[0];
  EXPECT_FALSE(std::filesystem::exists(Dir()));
}

TEST_F(LanguageTest, FailedWriteWithoutErrorDisplayIsSilent) {
  EXPECT_NO_THROW({ TKorvelLanguage language(base.Str(), "en_US"); });
}

TEST_F(LanguageTest, EmptyDirectoryUsesTheDefaultsAndWritesCurIdBack) {
  std::filesystem::create_directories(Dir());
  {
    auto language = Make();
    EXPECT_EQ(language->CurID, -1);
  }
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(ReadFile(ListFile()), "[General]" + langtest::kEol + "CurID=-1" + langtest::kEol);
}

TEST_F(LanguageTest, SkippedSlotMovesTheNextOneUp) {
  List(
      "[General]\nNumber=2\n[Lang]\n000_Ext=gone\n000_Name=Missing\n"
      "001_Ext=b\n001_Name=Beta\n");
  LanguageFile("Pellow.b", "[ExtStr]\nText001=beta\n");
  auto language = Make();
  EXPECT_EQ(language->LangExts, std::vector<std::string>{"b"});
  EXPECT_EQ(language->LangNames, std::vector<std::string>{"Beta"});
  EXPECT_EQ(language->CurID, 0);
  EXPECT_EQ(language->LangFile, Dir() + "Pellow.b");
  EXPECT_EQ(language->GetLangString(1, "ExtStr", "Text"), "beta");
}

TEST_F(LanguageTest, SlotsWithoutExtensionFileOrNameAreSkipped) {
  List(
      "[General]\nNumber=5\n[Lang]\n"
      "000_Ext=\n000_Name=Empty ext\n"
      "001_Ext=dir\n001_Name=A directory\n"
      "002_Ext=a\n002_Name=\n"
      "003_Ext=b\n"
      "004_Ext=c\n004_Name=Gamma\n");
  std::filesystem::create_directories(Dir() + "Pellow.dir");
  LanguageFile("Pellow.a", "");
  LanguageFile("Pellow.b", "");
  LanguageFile("Pellow.c", "");
  auto language = Make();
  EXPECT_EQ(language->LangExts, std::vector<std::string>{"c"});
  EXPECT_EQ(language->LangNames, std::vector<std::string>{"Gamma"});
}

TEST_F(LanguageTest, OnlySlotsBelowNumberCount) {
  List("[Lang]\n000_Ext=a\n000_Name=A\n004_Ext=b\n004_Name=B\n");  // Number defaults to 4
  LanguageFile("Pellow.a", "");
  LanguageFile("Pellow.b", "");
  EXPECT_EQ(Make()->LangExts, std::vector<std::string>{"a"});
}

TEST_F(LanguageTest, NumberInHexadecimal) {
  List(
      "[General]\nNumber=0x10\n[Lang]\n"
      "000_Ext=a\n000_Name=A\n015_Ext=b\n015_Name=B\n016_Ext=c\n016_Name=C\n");
  LanguageFile("Pellow.a", "");
  LanguageFile("Pellow.b", "");
  LanguageFile("Pellow.c", "");
  EXPECT_EQ(Make()->LangExts, (std::vector<std::string>{"a", "b"}));
}

TEST_F(LanguageTest, SlotKeysAreZeroPaddedToThreeDigits) {
  List(
      "[General]\nNumber=1001\n[Lang]\n"
      "1000_Ext=k\n1000_Name=Thousand\n"
      "12_Ext=x\n12_Name=Unpadded\n"
      "0012_Ext=y\n0012_Name=Overpadded\n"
      "012_ext=z\n012_NAME=Twelve\n");
  LanguageFile("Pellow.k", "");
  LanguageFile("Pellow.x", "");
  LanguageFile("Pellow.y", "");
  LanguageFile("Pellow.z", "");
  auto language = Make();
  EXPECT_EQ(language->LangExts, (std::vector<std::string>{"z", "k"}));
  EXPECT_EQ(language->LangNames, (std::vector<std::string>{"Twelve", "Thousand"}));
}

TEST_F(LanguageTest, HugeNumberIsCheap) {
  List("[General]\nNumber=0x7FFFFFFF\n[Lang]\n000_Ext=a\n000_Name=A\n");
  LanguageFile("Pellow.a", "");
  EXPECT_EQ(Make()->LangExts, std::vector<std::string>{"a"});
}

TEST_F(LanguageTest, AppNameNamesTheFiles) {
  List("[General]\nAppName=Tool\n[Lang]\n000_Ext=a\n000_Name=A\n001_Ext=b\n001_Name=B\n");
  LanguageFile("Tool.a", "");
  LanguageFile("Pellow.b", "");
  auto language = Make();
  EXPECT_EQ(language->AppName, "Tool");
  EXPECT_EQ(language->LangExts, std::vector<std::string>{"a"});
  EXPECT_EQ(language->LangFile, Dir() + "Tool.a");
}

TEST_F(LanguageTest, CurIdPicksTheLanguage) {
  TwoLanguages("CurID=1\n");
  auto language = Make();
  EXPECT_EQ(language->CurID, 1);
  EXPECT_EQ(language->LangFile, Dir() + "Pellow.b");
  language.reset();
  EXPECT_EQ(WrittenCurID(), "1");
}

TEST_F(LanguageTest, CurIdOutsideTheListUsesTheFirstAndWritesZero) {
  TwoLanguages("CurID=5\n");
  auto language = Make();
  EXPECT_EQ(language->CurID, 0);
  EXPECT_EQ(language->GetLangString(1, "ExtStr", "Text"), "alpha");
  language.reset();
  EXPECT_EQ(WrittenCurID(), "0");
  EXPECT_TRUE(errors.empty());
}

TEST_F(LanguageTest, NegativeCurIdUsesTheFirst) {
  TwoLanguages("CurID=-3\n");
  EXPECT_EQ(Make()->CurID, 0);
}

TEST_F(LanguageTest, CurIdWithNothingUsableWritesMinusOne) {
  List("[General]\nCurID=5\nNumber=2\n[Lang]\n000_Ext=gone\n000_Name=Missing\n");
  auto language = Make();
  EXPECT_EQ(language->CurID, -1);
  language.reset();
  EXPECT_EQ(WrittenCurID(), "-1");
  EXPECT_EQ(ReadFile(ListFile()),
            "[General]\nCurID=-1\nNumber=2\n[Lang]\n000_Ext=gone\n000_Name=Missing\n");
}

TEST_F(LanguageTest, MissingCurIdComesFromTheLocale) {
  std::string list = "[General]\nNumber=5\n[Lang]\n";
  for (char ext : std::string("abcde")) {
    const std::string slot = "00" + std::to_string(ext - 'a');
    list += slot + "_Ext=" + ext + "\n" + slot + "_Name=" + ext + "\n";
    LanguageFile(std::string("Pellow.") + ext, "");
  }
  const std::pair<const char*, std::int32_t> cases[] = {
      {"en_US.UTF-8", 0}, {"zh_CN.UTF-8", 1}, {"ja_JP.UTF-8", 2}, {"zh_TW.UTF-8", 3},
      {"es_MX.UTF-8", 4}, {"es_ES.UTF-8", 0}, {"de_DE.UTF-8", 0}};
  for (const auto& [locale, index] : cases) {
    List(list);  // each destructor writes CurID back
    EXPECT_EQ(Make(locale)->CurID, index) << locale;
  }
}

TEST_F(LanguageTest, CurIdWriteKeepsTheRestOfTheListFile) {
  const std::string before =
      "; installed languages\r\n[General]\r\nAppName=Pellow\r\nCurID = 1 \r\nNumber=2\r\n\r\n"
      "[Lang]\r\n000_Ext=a\r\n000_Name=Alpha\r\n001_Ext=b\r\n001_Name=Beta\r\n";
  List(before);
  LanguageFile("Pellow.a", "");
  LanguageFile("Pellow.b", "");
  auto language = Make();
  ASSERT_TRUE(language->SelectLanguage(0));
  language.reset();
  std::string expected = before;
  expected.replace(expected.find("1 \r\n"), 2, "0");
  EXPECT_EQ(ReadFile(ListFile()), expected);
}

TEST_F(LanguageTest, CurIdWriteFailureIsReported) {
  TwoLanguages("");
  auto language = Make();
  std::filesystem::remove_all(Dir());
  EXPECT_NO_THROW(language.reset());
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(Dir()));
}

TEST_F(LanguageTest, ErrorDisplayThatThrowsDoesNotEscapeTheDestructor) {
  TKorvelLanguage* language =
      new TKorvelLanguage(base.Str(), "C", [](const std::string&) { throw 1; });
  EXPECT_NO_THROW(delete language);
}

TEST_F(LanguageTest, SetErrorDisplayReplacesTheDisplay) {
  auto language = Make();
  std::vector<std::string> quiet;
  language->SetErrorDisplay([&quiet](const std::string& m) { quiet.push_back(m); });
  language.reset();
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(quiet.size(), 1u);
}

TEST_F(LanguageTest, SelectLanguage) {
  TwoLanguages("CurID=0\n");
  auto language = Make();
  const std::string before = language->LangFile;
  EXPECT_FALSE(language->SelectLanguage(0));
  EXPECT_EQ(language->CurID, 0);
  EXPECT_EQ(language->LangFile, before);

  EXPECT_TRUE(language->SelectLanguage(1));
  EXPECT_EQ(language->CurID, 1);
  EXPECT_EQ(language->LangFile, Dir() + "Pellow.b");
  EXPECT_EQ(language->GetLangString(1, "ExtStr", "Text"), "beta");

  // Outside the contract: refused, nothing changes.
  EXPECT_FALSE(language->SelectLanguage(2));
  EXPECT_FALSE(language->SelectLanguage(-1));
  EXPECT_EQ(language->CurID, 1);
  EXPECT_EQ(language->LangFile, Dir() + "Pellow.b");
}

TEST_F(LanguageTest, SelectLanguageWithNoLanguage) {
  auto language = Make();
  EXPECT_FALSE(language->SelectLanguage(-1));
  EXPECT_FALSE(language->SelectLanguage(0));
  EXPECT_EQ(language->CurID, -1);
  EXPECT_EQ(language->GetLangString(1, "ExtStr", "Text"), "***");
}

class OneLanguageTest : public LanguageTest {
 protected:
  void SetUp() override {
    List("[General]\nCurID=0\n[Lang]\n000_Ext=eng\n000_Name=English\n");
    Write("");
  }
  void Write(const std::string& content) { LanguageFile("Pellow.eng", content); }
  std::string File() const { return Dir() + "Pellow.eng"; }
};

TEST_F(OneLanguageTest, NumberedTexts) {
  Write(
      "[ExtStr]\nText012=twelve\nText12=short key\nText1000=thousand\n"
      "BtnCaption001=Connect\ntext005=No.\n[Other]\nText001=other\n");
  auto language = Make();
  EXPECT_EQ(language->GetLangString(12, "ExtStr", "Text"), "twelve");
  EXPECT_EQ(language->GetLangString(1000, "ExtStr", "Text"), "thousand");
  EXPECT_EQ(language->GetLangString(1, "ExtStr", "BtnCaption"), "Connect");
  EXPECT_EQ(language->GetLangString(5, "extstr", "Text"), "No.");
  EXPECT_EQ(language->GetLangString(1, "ExtStr", "Text"), "");
  EXPECT_EQ(language->GetLangString(1, "Other", "Text"), "other");
  EXPECT_EQ(language->GetLangString(-5, "ExtStr", "Text"), "");
}

TEST_F(OneLanguageTest, LookupsSeeEditsAtOnce) {
  Write("[ExtStr]\nText001=before\n");
  auto language = Make();
  EXPECT_EQ(language->GetLangString(1, "ExtStr", "Text"), "before");
  Write("[ExtStr]\nText001=after\n");
  EXPECT_EQ(language->GetLangString(1, "ExtStr", "Text"), "after");
}

TEST_F(OneLanguageTest, LongValueGives2047Bytes) {
  Write("[ExtStr]\nText003=" + std::string(3000, 'r') + "\n");
  EXPECT_EQ(Make()->GetLangString(3, "ExtStr", "Text"), std::string(2047, 'r'));
}

TEST_F(OneLanguageTest, Gb2312FileIsDecoded) {
  // Charset 134, captions in code page 936: "连接", "网口调试", "断开".
  Write(
      "[General]\r\nFontName=SimSun\r\nCharset=134\r\nFontSize=9\r\n"
      "[MainForm]\r\nbtnIP=\xC1\xAC\xBD\xD3\r\ngrp1=\xCD\xF8\xBF\xDA\xB5\xF7\xCA\xD4\r\n"
      "[ExtStr]\r\nBtnCaption002=\xB6\xCF\xBF\xAA\r\n");
  auto language = Make();
  EXPECT_EQ(language->GetLangString(2, "ExtStr", "BtnCaption"), "断开");
  FakeWindow window;
  window.Add("btnIP", true, "Connect", true, false);
  window.Add("grp1", true, "Link");
  EXPECT_TRUE(language->ApplyLanguage(window));
  EXPECT_EQ(window.Find("btnIP")->caption, "连接");
  EXPECT_EQ(window.Find("grp1")->caption, "网口调试");
  EXPECT_EQ(window.charset, 134);
}

TEST_F(OneLanguageTest, ApplyLanguageInOrder) {
  Write(
      "[General]\nFontName=DejaVu Sans\nCharset=0\nFontSize=10\n"
      "[MainForm]\nMainForm=Tagwick\nts1=Parameters\nbtnIP=Connect\nlbl1=IP\n"
      "edtIP=must not be used\n");
  FakeWindow window;
  window.Add("ts1", true, "参数设置", true, false);
  window.Add("edtIP", false, "", true, false);    // no caption: never touched
  window.Add("lbl1", true, "IP");                 // follows its parent's font
  window.Add("", true, "unnamed", true, false);   // no name: skipped
  window.Add("lbl2", true, "端口", true, false);  // no key: keeps its caption, takes the font
  window.Add("btnIP", true, "连接", true, false);
  window.Add("timer", true, "", false, false);  // no parent-font flag at all
  auto language = Make();
  EXPECT_TRUE(language->ApplyLanguage(window));
  EXPECT_EQ(window.log,
            (std::vector<std::string>{"face=DejaVu Sans", "charset=0", "size=10", "title=Tagwick",
                                      "ts1.caption=Parameters", "ts1.charset=0",
                                      "ts1.face=DejaVu Sans", "lbl1.caption=IP", "lbl2.charset=0",
                                      "lbl2.face=DejaVu Sans", "btnIP.caption=Connect",
                                      "btnIP.charset=0", "btnIP.face=DejaVu Sans", "redraw"}));
  EXPECT_EQ(window.Find("edtIP")->face, "Design Face");
  EXPECT_EQ(window.Find("lbl2")->caption, "端口");
}

TEST_F(OneLanguageTest, ApplyLanguageDefaults) {
  Write("[General]\nCharset=GB2312\n");  // not a number: 1
  FakeWindow window;
  EXPECT_TRUE(Make()->ApplyLanguage(window));
  EXPECT_EQ(window.log, (std::vector<std::string>{"face=Arial", "charset=1", "size=9", "redraw"}));
  EXPECT_EQ(window.title, "TagwickV1.0");
}

TEST_F(OneLanguageTest, EmptyTitleKeyKeepsTheTitle) {
  Write("[MainForm]\nMainForm=\n");
  FakeWindow window;
  EXPECT_TRUE(Make()->ApplyLanguage(window));
  EXPECT_EQ(window.title, "TagwickV1.0");
}

TEST_F(OneLanguageTest, BorderlessWindowKeepsItsTitle) {
  Write("[MainForm]\nMainForm=Tagwick RFID Reader Tool\nbtnIP=Connect\n");
  FakeWindow window;
  window.borderless = true;
  window.Add("btnIP", true, "连接");
  EXPECT_TRUE(Make()->ApplyLanguage(window));
  EXPECT_EQ(window.title, "TagwickV1.0");
  EXPECT_EQ(window.Find("btnIP")->caption, "Connect");
  for (const auto& entry : window.log) EXPECT_NE(entry.rfind("title=", 0), 0u) << entry;
}

TEST_F(OneLanguageTest, WindowWithoutNameIsRefused) {
  Write("[General]\nFontName=DejaVu Sans\n");
  FakeWindow window;
  window.name = "";
  EXPECT_FALSE(Make()->ApplyLanguage(window));
  EXPECT_TRUE(window.log.empty());
}

TEST_F(OneLanguageTest, WindowSectionIsNamedLikeTheWindow) {
  Write("[MainForm]\nbtnIP=wrong window\n[Other]\nOther=Other title\nbtnIP=right window\n");
  FakeWindow window;
  window.name = "Other";
  window.Add("btnIP", true, "x");
  EXPECT_TRUE(Make()->ApplyLanguage(window));
  EXPECT_EQ(window.title, "Other title");
  EXPECT_EQ(window.Find("btnIP")->caption, "right window");
}

TEST_F(OneLanguageTest, ErrorPartWayIsShownAndStillTrue) {
  Write("[MainForm]\nbtnIP=Connect\nbtn11=Reboot\n");
  FakeWindow window;
  window.Add("btnIP", true, "x").throwOnCaption = true;
  window.Add("btn11", true, "y");
  auto language = Make();
  EXPECT_TRUE(language->ApplyLanguage(window));
  EXPECT_EQ(errors, std::vector<std::string>{"caption refused"});
  EXPECT_EQ(window.Find("btn11")->caption, "y");  // the remaining steps are skipped
  EXPECT_EQ(window.log.back(), "size=9");         // and so is the redraw
}

TEST_F(OneLanguageTest, SaveLanguage) {
  Write("[General]\nFontName=Arial\nCharset=1\nFontSize=9\n[MainForm]\nbtnIP=Old\n");
  FakeWindow window;
  window.title = "Tool";
  window.face = "DejaVu Sans";
  window.charset = 0;
  window.size = 11;
  window.Add("btnIP", true, "Connect");
  window.Add("lbl1", true, "");     // empty caption: not written
  window.Add("edtIP", false, "x");  // no caption property: not written
  window.Add("", true, "no name");  // no name: not written
  window.Add("grp1", true, "Link");
  auto language = Make();
  language->SaveLanguage(window);
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(ReadFile(File()),
            "[General]\nFontName=DejaVu Sans\nCharset=0\nFontSize=11\n"
            "[MainForm]\nbtnIP=Connect\nMainForm=Tool\ngrp1=Link\n");
}

TEST_F(OneLanguageTest, SaveLanguageCreatesAMissingFile) {
  auto language = Make();
  std::filesystem::remove(File());
  FakeWindow window;
  window.Add("btnIP", true, "连接");
  language->SaveLanguage(window);
  EXPECT_TRUE(errors.empty());
  // Charset comes before the captions, so they are written in its code page ("连接" in CP936).
  EXPECT_EQ(ReadFile(File()),
            langtest::Lines("[MainForm]\nMainForm=TagwickV1.0\nbtnIP=\xC1\xAC\xBD\xD3\n"
                            "[General]\nCharset=134\nFontName=YouYuan\nFontSize=9\n"));
}

TEST_F(OneLanguageTest, SaveLanguageFailureIsShownAndTheRestSkipped) {
  auto language = Make();
  std::filesystem::remove(File());
  std::filesystem::create_directories(File());  // the file cannot be read or written now
  FakeWindow window;
  window.Add("btnIP", true, "连接");
  language->SaveLanguage(window);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("Pellow.eng"), std::string::npos) << errors[0];
}

TEST_F(OneLanguageTest, SaveThenApplyRoundTrip) {
  Write("[General]\nCharset=134\n[MainForm]\nlbl1=\xB6\xCB\xBF\xDA\n");  // 端口 in CP936
  FakeWindow saved;
  saved.Add("btnIP", true, "断开");
  auto language = Make();
  language->SaveLanguage(saved);
  EXPECT_TRUE(errors.empty());
  const std::string bytes = ReadFile(File());
  EXPECT_NE(bytes.find("btnIP=\xB6\xCF\xBF\xAA"), std::string::npos);  // stays in CP936
  FakeWindow applied;
  applied.Add("btnIP", true, "");
  applied.Add("lbl1", true, "");
  EXPECT_TRUE(language->ApplyLanguage(applied));
  EXPECT_EQ(applied.Find("btnIP")->caption, "断开");
  EXPECT_EQ(applied.Find("lbl1")->caption, "端口");
}

TEST_F(OneLanguageTest, SaveWithNoLanguageDoesNothing) {
  std::filesystem::remove_all(Dir());
  auto language = Make();
  FakeWindow window;
  language->SaveLanguage(window);
  EXPECT_FALSE(std::filesystem::exists(Dir()));
}

TEST(DefaultLanguageIndex, EachLocaleFindsItsShippedLanguage) {
  EXPECT_EQ(DefaultLanguageIndex("en_US.UTF-8"), 0);
  EXPECT_EQ(DefaultLanguageIndex("zh_CN.UTF-8"), 1);
  EXPECT_EQ(DefaultLanguageIndex("zh_CN.GB18030"), 1);
  EXPECT_EQ(DefaultLanguageIndex("ja_JP.UTF-8"), 2);
  EXPECT_EQ(DefaultLanguageIndex("zh_TW.UTF-8"), 3);
  EXPECT_EQ(DefaultLanguageIndex("es_MX.UTF-8"), 4);
  // Spain reports the modern sort c0a, which the table does not list: index 0, as documented.
  EXPECT_EQ(DefaultLanguageIndex("es_ES.UTF-8"), 0);
  EXPECT_EQ(DefaultLanguageIndex("es_AR.UTF-8"), 0);
  EXPECT_EQ(DefaultLanguageIndex("zh_HK.UTF-8"), 0);
  EXPECT_EQ(DefaultLanguageIndex("en_GB.UTF-8"), 0);
  EXPECT_EQ(DefaultLanguageIndex("fr_FR.UTF-8"), 0);
  EXPECT_EQ(DefaultLanguageIndex("C"), 0);
  EXPECT_EQ(DefaultLanguageIndex(""), 0);
  EXPECT_EQ(DefaultLanguageIndex("xx_YY"), 0);
}

TEST(WindowsLocaleId, Names) {
  EXPECT_EQ(WindowsLocaleId("en_US"), 0x409u);
  EXPECT_EQ(WindowsLocaleId("en_US.UTF-8"), 0x409u);
  EXPECT_EQ(WindowsLocaleId("zh_CN.UTF-8"), 0x804u);
  EXPECT_EQ(WindowsLocaleId("ja_JP.eucJP"), 0x411u);
  EXPECT_EQ(WindowsLocaleId("zh_TW.Big5"), 0x404u);
  EXPECT_EQ(WindowsLocaleId("es_ES.UTF-8"), 0xc0au);
  EXPECT_EQ(WindowsLocaleId("es_ES@euro"), 0xc0au);
  EXPECT_EQ(WindowsLocaleId("es_MX.UTF-8"), 0x80au);
  EXPECT_EQ(WindowsLocaleId("de_CH.UTF-8"), 0x807u);
  EXPECT_EQ(WindowsLocaleId("pt_BR"), 0x416u);
  EXPECT_EQ(WindowsLocaleId("ko_KR.UTF-8"), 0x412u);
  EXPECT_EQ(WindowsLocaleId("sr_RS"), 0x281au);
  EXPECT_EQ(WindowsLocaleId("sr_RS@latin"), 0x241au);
  // Other spellings: BCP 47, lower-case territory, script, language only.
  EXPECT_EQ(WindowsLocaleId("zh-TW"), 0x404u);
  EXPECT_EQ(WindowsLocaleId("zh_tw"), 0x404u);
  EXPECT_EQ(WindowsLocaleId("zh-Hant-HK"), 0xc04u);
  EXPECT_EQ(WindowsLocaleId("zh_Hant"), 0x404u);
  EXPECT_EQ(WindowsLocaleId("zh"), 0x804u);
  EXPECT_EQ(WindowsLocaleId("ja"), 0x411u);
  EXPECT_EQ(WindowsLocaleId("es"), 0xc0au);
  EXPECT_EQ(WindowsLocaleId("fr_XX"), 0x40cu);
  EXPECT_EQ(WindowsLocaleId("C"), 0x409u);
  EXPECT_EQ(WindowsLocaleId("C.UTF-8"), 0x409u);
  EXPECT_EQ(WindowsLocaleId("POSIX"), 0x409u);
  EXPECT_EQ(WindowsLocaleId(""), 0x409u);
  EXPECT_EQ(WindowsLocaleId("xx_YY"), 0x409u);
}

}  // namespace
