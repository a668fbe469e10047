#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "CodePage.h"
#include "Profile.h"

namespace {

class ProfileRegression : public testing::Test {
 protected:
  void SetUp() override {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    path = (std::filesystem::temp_directory_path() /
            (std::string("tagwick-fuzz-regression-") + info->name() + ".ini"))
               .string();
  }
  void TearDown() override { std::filesystem::remove(path); }

  void Write(const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
  std::string Bytes() const {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  std::string path;
};

// A file with a byte-order mark is UTF-8 even when a stray sequence is not; the values read from
// it must be UTF-8 nonetheless, or the window is handed text it cannot show.
TEST_F(ProfileRegression, StrayBytesInAMarkedUtf8FileReadAsUtf8) {
  Write(
      "\xEF\xBB\xBF[Strings]\nMsg001=saved\xF4\xB1\xB4\xA5\nMsg002=\xF8\x88\x80\x80\x80\n"
      "\xF4\x90\x80\x80key=x\n");
  const std::string value = profile::ReadString(path, "Strings", "Msg001", "");
  EXPECT_TRUE(codepage::IsValidUtf8(value));
  EXPECT_EQ(value.substr(0, 5), "saved");
  for (const auto& [key, text] : profile::ReadSection(path, "Strings")) {
    SCOPED_TRACE(key);
    EXPECT_TRUE(codepage::IsValidUtf8(key));
    EXPECT_TRUE(codepage::IsValidUtf8(text));
  }
}

// GB2312 text whose only non-UTF-8 bytes are in the value being replaced. "隆" is C2 A1 in
// GB2312, which is also the UTF-8 of "¡": once written, the file would no longer read as
// GB2312 and the value would come back as another character. The write must either keep its
// value or be refused with the file untouched.
TEST_F(ProfileRegression, WriteNeverTurnsALegacyFileIntoUtf8) {
  const std::string before = "[General]\r\nCharset=134\r\nCurID=\xB0\xA1\r\n";
  Write(before);
  ASSERT_EQ(profile::ReadString(path, "General", "CurID", ""), "啊");
  std::string error;
  if (profile::WriteString(path, "General", "CurID", "隆", &error)) {
    EXPECT_EQ(profile::ReadString(path, "General", "CurID", ""), "隆");
    EXPECT_EQ(profile::ReadInt(path, "General", "Charset", 0), 134);
  } else {
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(Bytes(), before);
  }
}

}  // namespace
