// Arbitrary bytes as a language file: reads of sections, keys and numbers, and one write that
// must read back and leave the rest of the file's content alone.
#include <unistd.h>

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "CodePage.h"
#include "FuzzCheck.h"
#include "Profile.h"

namespace {

// One file per process, so that parallel runs do not share it.
const std::string& FilePath() {
  static const std::string path = [] {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/tagwick-fuzz-profile-" +
           std::to_string(getpid()) + ".ini";
  }();
  return path;
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  FUZZ_CHECK(f != nullptr);
  FUZZ_CHECK(std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size());
  FUZZ_CHECK(std::fclose(f) == 0);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Plain decimal integers, cross-checked against the standard library.
void CheckParseInt(std::string_view text) {
  std::string_view number = text;
  if (!number.empty() && number.front() == '+') number.remove_prefix(1);
  const std::string_view digits =
      !number.empty() && number.front() == '-' ? number.substr(1) : number;
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) return;
  std::int32_t expected = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), expected);
  const auto parsed = profile::ParseInt(text);
  if (error == std::errc()) {
    FUZZ_CHECK(end == number.data() + number.size());
    FUZZ_CHECK(parsed && *parsed == expected);
  } else {
    FUZZ_CHECK(!parsed);
  }
}

bool HasBlankOrQuoteEnds(std::string_view s) {
  const auto special = [](char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v' || c == '"' ||
           c == '\'';
  };
  return !s.empty() && (special(s.front()) || special(s.back()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string& path = FilePath();
  WriteFile(path, bytes);

  // Buffer sizes from one byte (room for nothing) to the tool's own; one per input keeps the
  // run fast, since every read opens and decodes the whole file again.
  static constexpr std::size_t sizes[] = {1, 2, 8, profile::kBufferSize};
  const std::size_t bufferSize = sizes[size == 0 ? 3 : data[size - 1] % 4];
  static constexpr const char* keys[][2] = {{"General", "Charset"},  {" general ", "CURID"},
                                            {"General", "FontName"}, {"MainForm", "MainForm"},
                                            {"MainForm", "btnIP"},   {"Lang", "001_Name"}};
  for (const auto& [section, key] : keys) {
    const std::string value = profile::ReadString(path, section, key, "none ", bufferSize);
    // The limit counts the file's bytes; one byte of a file decodes to at most three of UTF-8.
    FUZZ_CHECK(value.size() <= 3 * (bufferSize - 1));
    FUZZ_CHECK(codepage::IsValidUtf8(value));
    if (bufferSize == profile::kBufferSize) CheckParseInt(value);
    profile::ReadInt(path, section, key, -1);
  }

  static constexpr const char* sections[] = {"General", "MainForm", "Lang"};
  for (const char* section : sections) {
    const auto entries = profile::ReadSection(path, section);
    for (const auto& [key, value] : entries) {
      FUZZ_CHECK(!key.empty());
      FUZZ_CHECK(codepage::IsValidUtf8(key) && codepage::IsValidUtf8(value));
      FUZZ_CHECK(value.size() <= 3 * (profile::kBufferSize - 1));
      // The section listing and a single read agree on which line of a name counts.
      FUZZ_CHECK(profile::ReadString(path, section, key, "\x01") == value);
    }
  }

  // The value written is either the key's own value with its first character dropped (an edit
  // of what is there) or text from the end of the file, so that code-page characters get written
  // into files of every encoding.
  std::string value;
  if (!bytes.empty() && (bytes.front() & 1) != 0) {
    value = profile::ReadString(path, "General", "CurID", "");
    std::size_t first = value.empty() ? 0 : 1;
    while (first < value.size() && (static_cast<unsigned char>(value[first]) & 0xC0) == 0x80)
      ++first;
    value.erase(0, first);
  } else {
    value = codepage::ToUtf8(bytes.substr(bytes.size() > 12 ? bytes.size() - 12 : 0), "CP936");
  }
  const auto windowBefore = profile::ReadSection(path, "MainForm");
  const auto listBefore = profile::ReadSection(path, "Lang");
  const std::string fileBefore = ReadFile(path);
  std::string error;
  if (profile::WriteString(path, "General", "CurID", value, &error)) {
    if (!HasBlankOrQuoteEnds(value) && value.find_first_of("\r\n") == std::string::npos) {
      FUZZ_CHECK(profile::ReadString(path, "General", "CurID", "\x01") == value);
    }
    FUZZ_CHECK(profile::ReadSection(path, "MainForm") == windowBefore);
    FUZZ_CHECK(profile::ReadSection(path, "Lang") == listBefore);
  } else {
    FUZZ_CHECK(!error.empty());
    FUZZ_CHECK(ReadFile(path) == fileBefore);
  }
  // libFuzzer leaves without running exit handlers, so nothing may be left for one.
  std::remove(path.c_str());
  return 0;
}
