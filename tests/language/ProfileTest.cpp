#include "Profile.h"

#include <gtest/gtest.h>

#include "TestFiles.h"

namespace {

using langtest::ReadFile;
using langtest::TempDir;
using langtest::WriteFile;

class ProfileTest : public ::testing::Test {
 protected:
  std::string Ini(const std::string& content) {
    WriteFile(file, content);
    return file;
  }
  std::string Get(const std::string& section, const std::string& key,
                  const std::string& def = "<default>") {
    return profile::ReadString(file, section, key, def);
  }

  TempDir dir;
  std::string file = dir / "test.ini";
};

TEST_F(ProfileTest, MissingFileGivesTheDefault) {
  EXPECT_EQ(Get("General", "AppName", "Pellow"), "Pellow");
  EXPECT_EQ(profile::ReadInt(file, "General", "Number", 4), 4);
  EXPECT_TRUE(profile::ReadSection(file, "Lang").empty());
}

TEST_F(ProfileTest, DefaultLosesTrailingBlanksAndIsCut) {
  EXPECT_EQ(Get("a", "b", "  x \t "), "  x \t");  // spaces only, as the platform
  EXPECT_EQ(profile::ReadString(file, "a", "b", "abcdef", 4), "abc");
}

TEST_F(ProfileTest, NamesIgnoreCaseAndBlanks) {
  Ini("  [ General ]  \n   AppName   =   Tool One   \nCHARSET=134\n");
  EXPECT_EQ(Get("general", "appname"), "Tool One");
  EXPECT_EQ(Get(" GENERAL ", " AppName "), "Tool One");
  EXPECT_EQ(profile::ReadInt(file, "General", "charset", 1), 134);
}

TEST_F(ProfileTest, OnePairOfQuotesIsStripped) {
  Ini("[s]\n"
      "a=\"quoted\"\n"
      "b='single'\n"
      "c=\"\"twice\"\"\n"
      "d=\"mismatched'\n"
      "e=\"\n"
      "f=\"  inner blanks  \"\n"
      "g=it's\n");
  EXPECT_EQ(Get("s", "a"), "quoted");
  EXPECT_EQ(Get("s", "b"), "single");
  EXPECT_EQ(Get("s", "c"), "\"twice\"");
  EXPECT_EQ(Get("s", "d"), "\"mismatched'");
  EXPECT_EQ(Get("s", "e"), "\"");
  EXPECT_EQ(Get("s", "f"), "  inner blanks  ");
  EXPECT_EQ(Get("s", "g"), "it's");
}

TEST_F(ProfileTest, FirstSectionAndFirstKeyWin) {
  Ini("[s]\nk=first\nK=second\n[other]\nk=other\n[S]\nk=third\nonly=in second section\n");
  EXPECT_EQ(Get("s", "k"), "first");
  EXPECT_EQ(Get("other", "k"), "other");
  EXPECT_EQ(Get("s", "only"), "<default>");  // a later section of the same name is not read
}

TEST_F(ProfileTest, CommentsBlankLinesAndLinesWithoutEquals) {
  Ini("; a comment\n[s]\n\n;k=commented\nk\nk=value\nnot a key\n");
  EXPECT_EQ(Get("s", "k"), "value");
  EXPECT_EQ(Get("s", ";k"), "<default>");
  EXPECT_EQ(Get("s", "not a key"), "<default>");
}

TEST_F(ProfileTest, EmptyValueIsAValue) {
  Ini("[s]\nk=\n");
  EXPECT_EQ(Get("s", "k"), "");
  EXPECT_EQ(profile::ReadInt(file, "s", "k", 7), 7);
}

TEST_F(ProfileTest, KeysBeforeAnySectionBelongToNone) {
  Ini("k=loose\n[s]\nj=1\n");
  EXPECT_EQ(Get("s", "k"), "<default>");
}

TEST_F(ProfileTest, CrLfFile) {
  Ini("[s]\r\nk=value\r\nn=0x10\r\n");
  EXPECT_EQ(Get("s", "k"), "value");
  EXPECT_EQ(profile::ReadInt(file, "s", "n", 0), 16);
}

TEST_F(ProfileTest, AtMostSizeMinusOneBytes) {
  Ini("[s]\nk=" + std::string(3000, 'x') + "\nq=\"" + std::string(3000, 'y') + "\"\n");
  EXPECT_EQ(Get("s", "k"), std::string(2047, 'x'));
  EXPECT_EQ(Get("s", "q"), std::string(2047, 'y'));
  EXPECT_EQ(profile::ReadString(file, "s", "k", "", 10), std::string(9, 'x'));
  EXPECT_EQ(profile::ReadString(file, "s", "k", "", 1), "");
}

TEST_F(ProfileTest, CutNeverSplitsACharacter) {
  Ini("[s]\nk=" + std::string(2045, 'a') + "连接\n");  // 2045 + 3 + 3 bytes
  EXPECT_EQ(Get("s", "k"), std::string(2045, 'a'));
}

TEST_F(ProfileTest, ReadsIntegers) {
  Ini("[s]\n"
      "dec=42\nneg=-7\npos=+7\nhex=0x10\nupper=0X1f\ndollar=$FF\nall=$FFFFFFFF\n"
      "quoted='12'\nletters=abc\ntrailing=12abc\nspace=1 2\nbare=0x\nbaredollar=$\n"
      "big=2147483648\nmin=-2147483648\nfloat=1.5\n");
  EXPECT_EQ(profile::ReadInt(file, "s", "dec", 0), 42);
  EXPECT_EQ(profile::ReadInt(file, "s", "neg", 0), -7);
  EXPECT_EQ(profile::ReadInt(file, "s", "pos", 0), 7);
  EXPECT_EQ(profile::ReadInt(file, "s", "hex", 0), 16);
  EXPECT_EQ(profile::ReadInt(file, "s", "upper", 0), 31);
  EXPECT_EQ(profile::ReadInt(file, "s", "dollar", 0), 255);
  EXPECT_EQ(profile::ReadInt(file, "s", "all", 0), -1);
  EXPECT_EQ(profile::ReadInt(file, "s", "quoted", 0), 12);
  EXPECT_EQ(profile::ReadInt(file, "s", "letters", 99), 99);
  EXPECT_EQ(profile::ReadInt(file, "s", "trailing", 99), 99);
  EXPECT_EQ(profile::ReadInt(file, "s", "space", 99), 99);
  EXPECT_EQ(profile::ReadInt(file, "s", "bare", 99), 99);
  EXPECT_EQ(profile::ReadInt(file, "s", "baredollar", 99), 99);
  EXPECT_EQ(profile::ReadInt(file, "s", "big", 99), 99);
  EXPECT_EQ(profile::ReadInt(file, "s", "min", 99), -2147483647 - 1);
  EXPECT_EQ(profile::ReadInt(file, "s", "float", 99), 99);
  EXPECT_EQ(profile::ReadInt(file, "s", "missing", 99), 99);
}

TEST(ParseInt, Forms) {
  EXPECT_EQ(profile::ParseInt("0"), 0);
  EXPECT_EQ(profile::ParseInt("007"), 7);
  EXPECT_EQ(profile::ParseInt("-$10"), -16);
  EXPECT_EQ(profile::ParseInt("0xffffffff"), -1);
  EXPECT_EQ(profile::ParseInt("2147483647"), 2147483647);
  EXPECT_FALSE(profile::ParseInt(""));
  EXPECT_FALSE(profile::ParseInt("-"));
  EXPECT_FALSE(profile::ParseInt("0x100000000"));
  EXPECT_FALSE(profile::ParseInt(" 5"));
  EXPECT_FALSE(profile::ParseInt("0xg"));
  EXPECT_FALSE(profile::ParseInt("12abc"));
}

TEST_F(ProfileTest, ReadSectionInFileOrderFirstKeyWins) {
  Ini("[Lang]\n000_Ext=eng\n000_Name=English\n000_EXT=dup\n001_Ext=\"chs\"\n[x]\n002_Ext=no\n");
  auto entries = profile::ReadSection(file, "lang");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0], (std::pair<std::string, std::string>("000_Ext", "eng")));
  EXPECT_EQ(entries[1], (std::pair<std::string, std::string>("000_Name", "English")));
  EXPECT_EQ(entries[2], (std::pair<std::string, std::string>("001_Ext", "chs")));
}

TEST_F(ProfileTest, NoCache) {
  Ini("[s]\nk=one\n");
  EXPECT_EQ(Get("s", "k"), "one");
  Ini("[s]\nk=two\n");
  EXPECT_EQ(Get("s", "k"), "two");
}

TEST_F(ProfileTest, WriteEditsOnlyItsOwnLine) {
  const std::string before =
      "; tool settings\n"
      "[General]\n"
      "AppName = Pellow   \n"
      "CurID   =  3\n"
      "\n"
      "  Number=4\n"
      "[Lang]\n"
      "000_Ext=eng\n";
  Ini(before);
  ASSERT_TRUE(profile::WriteString(file, "general", "curid", "-1"));
  std::string expected = before;
  expected.replace(expected.find("3\n"), 1, "-1");
  EXPECT_EQ(ReadFile(file), expected);
  EXPECT_EQ(profile::ReadInt(file, "General", "CurID", 9), -1);
}

TEST_F(ProfileTest, WriteKeepsCrLf) {
  Ini("[General]\r\nCurID=0\r\nNumber=4\r\n[Lang]\r\n");
  ASSERT_TRUE(profile::WriteString(file, "General", "CurID", "2"));
  ASSERT_TRUE(profile::WriteString(file, "Lang", "000_Ext", "eng"));
  ASSERT_TRUE(profile::WriteString(file, "New", "k", "v"));
  EXPECT_EQ(ReadFile(file),
            "[General]\r\nCurID=2\r\nNumber=4\r\n[Lang]\r\n000_Ext=eng\r\n[New]\r\nk=v\r\n");
}

TEST_F(ProfileTest, WriteAppendsTheKeyAtTheEndOfItsSection) {
  Ini("[a]\nx=1\n\n[b]\ny=2\n");
  ASSERT_TRUE(profile::WriteString(file, "a", "z", "3"));
  EXPECT_EQ(ReadFile(file), "[a]\nx=1\nz=3\n\n[b]\ny=2\n");
}

TEST_F(ProfileTest, WriteToTheFirstOfTwoSections) {
  Ini("[a]\nx=1\n[A]\nz=old\n");
  ASSERT_TRUE(profile::WriteString(file, "a", "z", "new"));
  EXPECT_EQ(ReadFile(file), "[a]\nx=1\nz=new\n[A]\nz=old\n");
  EXPECT_EQ(Get("a", "z"), "new");
}

TEST_F(ProfileTest, WriteToAFileWithoutFinalNewline) {
  Ini("[a]\nx=1");
  ASSERT_TRUE(profile::WriteString(file, "a", "y", "2"));
  EXPECT_EQ(ReadFile(file), "[a]\nx=1\ny=2\n");
  Ini("[a]\nx=1");
  ASSERT_TRUE(profile::WriteString(file, "b", "y", "2"));
  EXPECT_EQ(ReadFile(file), "[a]\nx=1\n[b]\ny=2\n");
  Ini("[a]\nx=1");
  ASSERT_TRUE(profile::WriteString(file, "a", "x", "5"));
  EXPECT_EQ(ReadFile(file), "[a]\nx=5");
}

TEST_F(ProfileTest, WriteCreatesAMissingFile) {
  ASSERT_TRUE(profile::WriteString(file, "General", "CurID", "0"));
  EXPECT_EQ(ReadFile(file), "[General]" + langtest::kEol + "CurID=0" + langtest::kEol);
}

TEST_F(ProfileTest, WriteFailsWithoutTheDirectory) {
  std::string error;
  const std::string missing = dir / "no-such-dir/Lang.ini";
  EXPECT_FALSE(profile::WriteString(missing, "General", "CurID", "0", &error));
  EXPECT_NE(error.find("no-such-dir"), std::string::npos) << error;
  EXPECT_FALSE(std::filesystem::exists(dir / "no-such-dir"));
}

TEST_F(ProfileTest, WriteFailsOnADirectory) {
  std::filesystem::create_directories(file);
  std::string error;
  EXPECT_FALSE(profile::WriteString(file, "s", "k", "v", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(Get("s", "k"), "<default>");
}

TEST_F(ProfileTest, WriteRefusesBrokenNames) {
  Ini("[s]\nk=v\n");
  std::string error;
  EXPECT_FALSE(profile::WriteString(file, "", "k", "v", &error));
  EXPECT_FALSE(profile::WriteString(file, "s", " ", "v", &error));
  EXPECT_FALSE(profile::WriteString(file, "s", "a=b", "v", &error));
  EXPECT_FALSE(profile::WriteString(file, "s", "k", "two\nlines", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ReadFile(file), "[s]\nk=v\n");
}

TEST_F(ProfileTest, Utf8WithByteOrderMark) {
  Ini("\xEF\xBB\xBF[MainForm]\r\nMainForm=标签工具\r\n");
  EXPECT_EQ(Get("MainForm", "MainForm"), "标签工具");
  ASSERT_TRUE(profile::WriteString(file, "MainForm", "btnIP", "连接"));
  EXPECT_EQ(ReadFile(file), "\xEF\xBB\xBF[MainForm]\r\nMainForm=标签工具\r\nbtnIP=连接\r\n");
}

TEST_F(ProfileTest, Gb2312FileIsDecodedAndWrittenInItsOwnCodePage) {
  // "连接" and "断开" in code page 936.
  const std::string before =
      "[General]\r\nCharset=134\r\n[MainForm]\r\nbtnIP=\xC1\xAC\xBD\xD3\r\nbtn11=x\r\n";
  Ini(before);
  EXPECT_EQ(Get("MainForm", "btnIP"), "连接");
  ASSERT_TRUE(profile::WriteString(file, "MainForm", "btn11", "断开"));
  std::string expected = before;
  expected.replace(expected.find("btn11=x") + 6, 1, "\xB6\xCF\xBF\xAA");
  EXPECT_EQ(ReadFile(file), expected);
  EXPECT_EQ(Get("MainForm", "btn11"), "断开");

  std::string error;
  EXPECT_FALSE(profile::WriteString(file, "MainForm", "btn11", "\xF0\x9F\x98\x80", &error));
  EXPECT_NE(error.find("CP936"), std::string::npos) << error;
  EXPECT_EQ(ReadFile(file), expected);
}

TEST_F(ProfileTest, OtherCodePages) {
  Ini("[General]\nCharset=128\n[s]\nk=\x90\xDA\x91\xB1\n");
  EXPECT_EQ(Get("s", "k"), "接続");
  Ini("[General]\nCharset=136\n[s]\nk=\xB3\x73\xBD\x75\n");
  EXPECT_EQ(Get("s", "k"), "連線");
  Ini("[General]\nCharset=129\n[s]\nk=\xBF\xAC\xB0\xE1\n");
  EXPECT_EQ(Get("s", "k"), "연결");
  Ini("[s]\nk=caf\xE9\n");  // no Charset: Windows-1252
  EXPECT_EQ(Get("s", "k"), "café");
  Ini("[General]\nCharset=abc\n[s]\nk=caf\xE9\n");
  EXPECT_EQ(Get("s", "k"), "café");
}

TEST_F(ProfileTest, CharsetDecidesWithoutAByteOrderMark) {
  // "陆路" in code page 936, whose bytes are also the valid UTF-8 of "½·".
  Ini("[General]\nCharset=134\n[s]\nk=\xC2\xBD\xC2\xB7\n");
  EXPECT_EQ(Get("s", "k"), "陆路");
  Ini("\xEF\xBB\xBF[General]\nCharset=134\n[s]\nk=连接\n");
  EXPECT_EQ(Get("s", "k"), "连接");
}

TEST_F(ProfileTest, LimitCountsTheFilesOwnBytes) {
  // 1500 bytes of code page 936 are 2250 bytes of UTF-8; 3000 are cut at 2047, inside the
  // 1024th character, so 1023 characters are left.
  std::string inFile, inUtf8;  // 750 times "连"
  for (int i = 0; i < 750; ++i) inFile += "\xC1\xAC";
  for (int i = 0; i < 750; ++i) inUtf8 += "连";
  Ini("[General]\nCharset=134\n[s]\nk=" + inFile + "\nlong=" + inFile + inFile + "\n");
  EXPECT_EQ(Get("s", "k"), inUtf8);
  EXPECT_EQ(Get("s", "long"), inUtf8 + inUtf8.substr(0, 273 * 3));
}

TEST_F(ProfileTest, WriteKeepsTheEncodingTheFileReadsIn) {
  // UTF-8 only by its bytes: a Charset line would make the file read as code page 936, so the
  // write marks the file as UTF-8.
  Ini("[s]\nk=连接\n");
  ASSERT_TRUE(profile::WriteString(file, "General", "Charset", "134"));
  EXPECT_EQ(ReadFile(file), "\xEF\xBB\xBF[s]\nk=连接\n[General]\nCharset=134\n");
  EXPECT_EQ(Get("s", "k"), "连接");
  // A legacy file that would read otherwise is left as it was.
  const std::string legacy = "[General]\nCharset=134\n[s]\nk=\xC1\xAC\n";
  Ini(legacy);
  EXPECT_FALSE(profile::WriteString(file, "General", "Charset", "0"));
  EXPECT_EQ(ReadFile(file), legacy);
}

}  // namespace
