// Our INI layer against the platform's own private-profile routines, on generated files and
// queries. Built for Windows only; here the platform is Wine's implementation.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "Profile.h"
#include "TestFiles.h"

namespace {

using langtest::ReadFile;
using langtest::WriteFile;

// A small generator of its own, so that the cases are the same with every standard library.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state(seed) {}
  std::uint32_t Next() {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::uint32_t>(state >> 33);
  }
  std::size_t Below(std::size_t n) { return Next() % n; }
  bool Chance(int percent) { return Below(100) < static_cast<std::size_t>(percent); }
  template <typename T, std::size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Below(N)];
  }

 private:
  std::uint64_t state;
};

const char* const kSections[] = {"General", "general", "GENERAL", "Lang", "lang", "s", "S", "x y"};
const char* const kKeys[] = {"CurID", "curid", "Number", "k", "K", "Text001", "a b", "v"};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::string Blanks(Random& r) {
  static const char* const kBlanks[] = {"", "", "", " ", "  ", "\t", " \t "};
  return r.Pick(kBlanks);
}

std::string Value(Random& r) {
  switch (r.Below(10)) {
    case 0:
      return std::to_string(static_cast<std::int32_t>(r.Next()));
    case 1: {
      char hex[16];
      std::snprintf(hex, sizeof hex, r.Chance(50) ? "0x%X" : "0x%x", r.Next() >> r.Below(32));
      return hex;
    }
    case 2:
      return std::to_string(r.Below(1000)) + (r.Chance(50) ? "abc" : " 7");
    case 3:
      return std::string(1 + r.Below(3000), static_cast<char>('a' + r.Below(26)));
    case 4: {
      static const char* const kQuoted[] = {"\"q\"", "'q'",      "\"q'",  "\"",
                                            "\"\"",  "\" in \"", "'it's'"};
      return r.Pick(kQuoted);
    }
    default: {
      static const char kChars[] = "abcXYZ019 =;[]\"'#.-_";
      std::string v;
      for (std::size_t n = r.Below(12); n > 0; --n) v += kChars[r.Below(sizeof kChars - 1)];
      return v;
    }
  }
}

// A file of random lines. A canonical file is laid out as the platform writes files (no blanks
// around names and '=', CRLF after every line), so that writes can be compared byte for byte.
std::string File(Random& r, bool canonical) {
  const std::string eol = canonical || r.Chance(50) ? "\r\n" : "\n";
  auto blanks = [&] { return canonical ? std::string() : Blanks(r); };
  std::string text;
  for (std::size_t n = r.Below(14); n > 0; --n) {
    switch (r.Below(8)) {
      case 0:
      case 1:
        text += blanks() + "[" + blanks() + r.Pick(kSections) + blanks() + "]" + blanks();
        break;
      case 2:
        text += ";" + std::string(r.Pick(kKeys)) + "=comment";
        break;
      case 3:
        if (canonical) continue;
        text += r.Chance(50) ? "" : "no equals sign";
        break;
      default:
        std::string value = Value(r);
        if (canonical) value = std::string(Trim(value));
        text += blanks() + r.Pick(kKeys) + blanks() + "=" + blanks() + value + blanks();
    }
    text += eol;
  }
  if (!canonical && !text.empty() && r.Chance(20)) text.resize(text.size() - eol.size());
  return text;
}

// Every section of the name pool as a reader sees it.
std::string Contents(const std::string& path) {
  std::string all;
  for (const char* section : kSections) {
    all += std::string("[") + section + "]\n";
    for (const auto& [key, value] : profile::ReadSection(path, section))
      all += key + "=" + value + "\n";
  }
  return all;
}

class ProfileDifferentialTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    dir = std::string(temp) + "tagwick-differential-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(dir.c_str(), nullptr);
  }
  void TearDown() override { RemoveDirectoryA(dir.c_str()); }

  // Counts a difference of a kind recorded in language/README.md.
  void Known(const char* kind) { ++known[kind]; }
  // Fails for a difference of no known kind, showing the first few in full.
  void Unknown(const std::string& what, const std::string& file) {
    ++unknown;
    if (unknown <= 10) ADD_FAILURE() << what << "\n--- file ---\n" << file;
  }

  std::string dir;
  std::map<std::string, int> known;
  int unknown = 0;
};

TEST_F(ProfileDifferentialTest, AgreesWithThePlatform) {
  Random r(20240607);
  const int kFiles = 1000;
  int reads = 0, ints = 0, writes = 0, exactWrites = 0;
  for (int i = 0; i < kFiles; ++i) {
    // A fresh name each time: the platform may keep a parsed file between calls.
    const std::string ours = dir + "\\o" + std::to_string(i) + ".ini";
    const std::string theirs = dir + "\\t" + std::to_string(i) + ".ini";
    const bool exists = !r.Chance(5);
    const bool canonical = r.Chance(30);
    const std::string content = exists ? File(r, canonical) : std::string();
    if (exists) {
      WriteFile(ours, content);
      WriteFile(theirs, content);
    }
    for (int q = 0; q < 4; ++q) {
      const std::string section = Blanks(r) + r.Pick(kSections) + Blanks(r);
      const std::string key = Blanks(r) + r.Pick(kKeys) + Blanks(r);
      const std::string query = "[" + section + "] " + key;
      const std::string fallback = r.Chance(50) ? "dflt" + Blanks(r) : "";
      static const std::size_t kSizes[] = {2048, 2048, 2048, 16, 5, 2, 1};
      const std::size_t size = r.Pick(kSizes);
      std::string buffer(size, '\0');
      const DWORD n =
          GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), buffer.data(),
                                   static_cast<DWORD>(size), theirs.c_str());
      const std::string expected(buffer.data(), n);
      const std::string got = profile::ReadString(ours, section, key, fallback, size);
      ++reads;
      if (got != expected) {
        // The platform cuts a quoted value before it strips the closing quote, so a value that
        // just fits loses its last character.
        const std::string whole = profile::ReadString(ours, section, key, fallback, 1 << 16);
        if (got == whole && whole.size() == size - 1 && expected == whole.substr(0, size - 2))
          Known("quoted value that just fits");
        else
          Unknown(query + " size " + std::to_string(size) + ": ours \"" + got + "\", platform \"" +
                      expected + "\"",
                  content);
      }

      const int wanted = static_cast<int>(r.Below(100)) - 50;
      const INT platformInt =
          GetPrivateProfileIntA(section.c_str(), key.c_str(), wanted, theirs.c_str());
      const std::int32_t ourInt = profile::ReadInt(ours, section, key, wanted);
      ++ints;
      if (ourInt != platformInt) {
        const std::string text = profile::ReadString(ours, section, key, "");
        if (!text.empty() && !profile::ParseInt(text) && ourInt == wanted)
          Known("integer that is not wholly a number");
        else
          Unknown(query + ": ours " + std::to_string(ourInt) + ", platform " +
                      std::to_string(platformInt),
                  content);
      }
    }
    for (int w = 0; w < 2; ++w) {
      const std::string section = r.Pick(kSections);
      const std::string key = r.Pick(kKeys);
      const std::string value = std::string(Trim(Value(r))).substr(0, 100);
      const BOOL platformOk =
          WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), theirs.c_str());
      const bool ourOk = profile::WriteString(ours, section, key, value);
      ++writes;
      const std::string what = "write [" + section + "] " + key + "=" + value;
      if ((platformOk != 0) != ourOk) {
        Unknown(what + ": ours " + (ourOk ? "succeeds" : "fails"), content);
      } else if (canonical || !exists) {
        ++exactWrites;
        if (ReadFile(ours) != ReadFile(theirs))
          Unknown(what + "\n--- ours ---\n" + ReadFile(ours) + "\n--- platform ---\n" +
                      ReadFile(theirs),
                  content);
      } else if (Contents(ours) != Contents(theirs)) {
        Unknown(what + " reads back differently\n--- ours ---\n" + ReadFile(ours) +
                    "\n--- platform ---\n" + ReadFile(theirs),
                content);
      } else if (ReadFile(ours) != ReadFile(theirs)) {
        Known("write to a file not laid out as the platform writes (same contents)");
      }
    }
    DeleteFileA(ours.c_str());
    DeleteFileA(theirs.c_str());
  }
  std::printf(
      "differential cases: %d files, %d string reads, %d integer reads, %d writes "
      "(%d compared byte for byte)\n",
      kFiles, reads, ints, writes, exactWrites);
  for (const auto& [kind, count] : known)
    std::printf("  known difference, %s: %d\n", kind.c_str(), count);
  std::printf("  unknown differences: %d\n", unknown);
  EXPECT_EQ(unknown, 0);
}

}  // namespace
