#include "CodePage.h"

#include <gtest/gtest.h>

namespace {

TEST(CodePage, ValidUtf8) {
  EXPECT_TRUE(codepage::IsValidUtf8(""));
  EXPECT_TRUE(codepage::IsValidUtf8("plain ASCII"));
  EXPECT_TRUE(codepage::IsValidUtf8("连接 café 接続 \xF0\x9F\x98\x80"));
  EXPECT_TRUE(codepage::IsValidUtf8("\xEF\xBB\xBF[General]"));
}

TEST(CodePage, InvalidUtf8) {
  EXPECT_FALSE(codepage::IsValidUtf8("\xC1\xAC\xBD\xD3"));  // 连接 in GBK
  EXPECT_FALSE(codepage::IsValidUtf8("caf\xE9"));           // café in Windows-1252
  EXPECT_FALSE(codepage::IsValidUtf8("\xC0\x80"));          // overlong NUL
  EXPECT_FALSE(codepage::IsValidUtf8("\xE0\x80\xAF"));      // overlong '/'
  EXPECT_FALSE(codepage::IsValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(codepage::IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_FALSE(codepage::IsValidUtf8("\xE8\xBF"));          // cut short
  EXPECT_FALSE(codepage::IsValidUtf8("\x80"));              // stray continuation
}

TEST(CodePage, CharsetNames) {
  EXPECT_STREQ(codepage::ForCharset(134), "CP936");
  EXPECT_STREQ(codepage::ForCharset(136), "CP950");
  EXPECT_STREQ(codepage::ForCharset(128), "CP932");
  EXPECT_STREQ(codepage::ForCharset(129), "CP949");
  EXPECT_STREQ(codepage::ForCharset(0), "WINDOWS-1252");
  EXPECT_STREQ(codepage::ForCharset(1), "WINDOWS-1252");
  EXPECT_STREQ(codepage::ForCharset(238), "WINDOWS-1252");
}

TEST(CodePage, Decodes) {
  EXPECT_EQ(codepage::ToUtf8("\xC1\xAC\xBD\xD3", "CP936"), "连接");
  EXPECT_EQ(codepage::ToUtf8("\xB3\x73\xBD\x75", "CP950"), "連線");
  EXPECT_EQ(codepage::ToUtf8("\x90\xDA\x91\xB1", "CP932"), "接続");
  EXPECT_EQ(codepage::ToUtf8("\xBF\xAC\xB0\xE1", "CP949"), "연결");
  EXPECT_EQ(codepage::ToUtf8("caf\xE9 \x80", "WINDOWS-1252"), "café €");
}

TEST(CodePage, UndefinedBytesBecomeReplacementCharacters) {
  EXPECT_EQ(codepage::ToUtf8("a\x81z", "WINDOWS-1252"), "a\xEF\xBF\xBDz");
  EXPECT_EQ(codepage::ToUtf8("ok\xC1", "CP936"), "ok\xEF\xBF\xBD");  // lead byte at the end
}

TEST(CodePage, Encodes) {
  EXPECT_EQ(codepage::FromUtf8("断开", "CP936"), std::optional<std::string>("\xB6\xCF\xBF\xAA"));
  EXPECT_EQ(codepage::FromUtf8("接続", "CP932"), std::optional<std::string>("\x90\xDA\x91\xB1"));
  EXPECT_EQ(codepage::FromUtf8("café", "WINDOWS-1252"), std::optional<std::string>("caf\xE9"));
  EXPECT_EQ(codepage::FromUtf8("", "CP936"), std::optional<std::string>(""));
}

TEST(CodePage, RefusesWhatTheCodePageCannotHold) {
  EXPECT_FALSE(codepage::FromUtf8("\xF0\x9F\x98\x80", "CP936"));  // an emoji
  EXPECT_FALSE(codepage::FromUtf8("连接", "WINDOWS-1252"));
  EXPECT_FALSE(codepage::FromUtf8("caf\xE9", "CP936"));  // not UTF-8 to begin with
}

}  // namespace
