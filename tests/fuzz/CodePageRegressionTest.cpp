#include <gtest/gtest.h>

#include <string>

#include "CodePage.h"

namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

// glibc's own UTF-8 decoder still takes the five- and six-byte forms and code points above
// U+10FFFF, and copies them through; the text that comes out must be UTF-8 all the same.
TEST(CodePageRegression, Utf8DecodingReplacesWhatIsNotUtf8) {
  const std::string invalid[] = {
      "\xF4\x90\x9B\x80",          // U+10FEC0, above the last code point
      "\xF5\x80\x80\x80",          // a lead byte that can never occur
      "\xF8\x88\x80\x80\x80",      // the old five-byte form
      "\xFC\x84\x80\x80\x80\x80",  // the old six-byte form
      "\xED\xA0\x80",              // a surrogate
      "\xC0\xAF",                  // an overlong '/'
  };
  for (const std::string& bad : invalid) {
    SCOPED_TRACE(testing::PrintToString(bad));
    const std::string text = codepage::ToUtf8("A" + bad + "\xC3\xA9", "UTF-8");
    EXPECT_TRUE(codepage::IsValidUtf8(text));
    EXPECT_EQ(text.substr(0, 1), "A");
    EXPECT_EQ(text.substr(text.size() - 2), "\xC3\xA9");
    EXPECT_NE(text.find(kReplacement), std::string::npos);
  }
}

}  // namespace
