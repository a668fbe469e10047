// Language-file bytes decoded from each code page a font character set can name.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "CodePage.h"
#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // GB2312, Big5, Shift-JIS, Hangul, and one that falls back to Western.
  static constexpr int charsets[] = {134, 136, 128, 129, 0};
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const int charset : charsets) {
    const char* codePage = codepage::ForCharset(charset);
    const std::string text = codepage::ToUtf8(bytes, codePage);
    // Every input gives some text, and that text is UTF-8.
    FUZZ_CHECK(codepage::IsValidUtf8(text));
    FUZZ_CHECK(bytes.empty() == text.empty());
    // What a write stores must read back as the very text written.
    if (const auto encoded = codepage::FromUtf8(text, codePage)) {
      FUZZ_CHECK(codepage::ToUtf8(*encoded, codePage) == text);
    }
  }
  // A file in UTF-8 with a stray byte is read through the same decoding: it keeps every valid
  // character, and what comes out is UTF-8 too.
  const std::string repaired = codepage::ToUtf8(bytes, "UTF-8");
  FUZZ_CHECK(codepage::IsValidUtf8(repaired));
  if (codepage::IsValidUtf8(bytes)) FUZZ_CHECK(repaired == bytes);
  return 0;
}
