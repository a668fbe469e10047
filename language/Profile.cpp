#include "Profile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "AsciiCase.h"
#include "AtomicFile.h"
#include "CodePage.h"
#ifdef _WIN32
#include "Utf8Path.h"
#endif

namespace profile {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

// At most `size` - 1 bytes, backing off to the start of a character (UTF-8 when `codePage` is
// null).
std::string Cut(std::string_view s, std::size_t size, const char* codePage = nullptr) {
  if (size == 0) return {};
  if (s.size() <= size - 1) return std::string(s);
  if (codePage) return std::string(s.substr(0, codepage::CharacterStart(s, size - 1, codePage)));
  std::size_t n = size - 1;
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return std::string(s.substr(0, n));
}

std::string_view StripQuotes(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

enum class Kind { Other, Section, Key };

struct ParsedLine {
  Kind kind = Kind::Other;
  std::string_view name;
  std::string_view value;
};

// `text` is one line without its line feed.
ParsedLine ParseLine(std::string_view text) {
  ParsedLine line;
  std::string_view t = Trim(text);
  if (t.empty() || t.front() == ';') return line;
  if (t.front() == '[') {
    std::size_t close = t.rfind(']');
    if (close != std::string_view::npos) {
      line.kind = Kind::Section;
      line.name = Trim(t.substr(1, close - 1));
      return line;
    }
  }
  std::size_t eq = t.find('=');
  if (eq == std::string_view::npos) return line;
  line.kind = Kind::Key;
  line.name = Trim(t.substr(0, eq));
  line.value = Trim(t.substr(eq + 1));
  return line;
}

struct RawLine {
  std::size_t begin;  // first byte
  std::size_t end;    // one past the last byte before the line ending
  std::size_t next;   // first byte of the next line (after "\n")
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string Describe(const std::string& path, int err) {
  return path + ": " + std::strerror(err);
}

// The file as bytes, its lines and its encoding.
struct Document {
  bool exists = false;
  std::string bytes;
  std::size_t bom = 0;
  const char* codePage = nullptr;  // null: UTF-8
  std::vector<RawLine> lines;
  std::string eol;

  // Reads the file; false (with errno) when it exists but cannot be read.
  bool Load(const std::string& path, int& err) {
#ifdef _WIN32
    // The path is UTF-8; the ANSI code page is not (Windows 10 1809).
    File f(_wfopen(Wide(path).c_str(), L"rb"));
#else
    File f(std::fopen(path.c_str(), "rb"));
#endif
    if (!f) {
      err = errno;
      if (err == ENOENT) {
        Classify();
        return true;
      }
      return false;
    }
    char buffer[8192];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f.get())) > 0) bytes.append(buffer, n);
    if (std::ferror(f.get())) {
      err = errno ? errno : EIO;
      return false;
    }
    exists = true;
    Classify();
    return true;
  }

  // The value of key line i as UTF-8: the file's own bytes after the '=', trimmed, without one
  // pair of quotes and cut to `size` - 1 bytes, then decoded, so that the limit counts the
  // file's bytes as the platform's buffer does. '=', blanks and quotes never occur inside a
  // character of the code pages concerned.
  std::string Value(std::size_t i, std::size_t size) const {
    std::string_view raw = Raw(i);
    raw = StripQuotes(Trim(raw.substr(raw.find('=') + 1)));
    return Decode(Cut(raw, size, codePage));
  }

  std::string Decode(std::string_view raw) const {
    if (codePage == nullptr)
      return codepage::IsValidUtf8(raw) ? std::string(raw) : codepage::ToUtf8(raw, "UTF-8");
    return codepage::ToUtf8(raw, codePage);
  }

  std::string_view Raw(std::size_t i) const {
    return std::string_view(bytes).substr(lines[i].begin, lines[i].end - lines[i].begin);
  }

  // Line i as UTF-8.
  std::string Text(std::size_t i) const {
    return Decode(Raw(i));
  }

  bool Utf8() const {
    return codePage == nullptr;
  }

  // Splits `bytes` into lines and settles the encoding.
  void Classify() {
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bom = 3;
    for (std::size_t pos = bom; pos < bytes.size();) {
      std::size_t lf = bytes.find('\n', pos);
      std::size_t next = lf == std::string::npos ? bytes.size() : lf + 1;
      std::size_t end = lf == std::string::npos ? bytes.size() : lf;
      if (lf != std::string::npos && end > pos && bytes[end - 1] == '\r') --end;
      if (eol.empty() && lf != std::string::npos)
        eol = (lf > 0 && bytes[lf - 1] == '\r') ? "\r\n" : "\n";
      lines.push_back({pos, end, next});
      pos = next;
    }
#ifdef _WIN32
    if (eol.empty()) eol = "\r\n";
#else
    if (eol.empty()) eol = "\n";
#endif
    // A byte-order mark declares UTF-8, even if a stray byte further on is not. Without one,
    // [General] Charset names the code page, whatever the bytes look like: a legacy file may
    // happen to be valid UTF-8. It is ASCII in every code page concerned, so it can be found
    // before the file is decoded. A file without either is UTF-8 when it is valid UTF-8.
    if (bom != 0) return;
    std::optional<int> charset;
    bool inGeneral = false;
    for (std::size_t i = 0; i < lines.size() && !charset; ++i) {
      ParsedLine line = ParseLine(Raw(i));
      if (line.kind == Kind::Section) {
        if (inGeneral) break;
        inGeneral = SameName(line.name, "General");
      } else if (inGeneral && line.kind == Kind::Key && SameName(line.name, "Charset")) {
        charset = ParseInt(StripQuotes(line.value)).value_or(1);
      }
    }
    if (!charset && codepage::IsValidUtf8(bytes)) return;
    codePage = codepage::ForCharset(charset.value_or(1));
  }
};

// Where a section and a key are, or would go.
struct Location {
  bool sectionFound = false;
  std::size_t lastLineOfSection = 0;  // the header or the section's last non-blank line
  std::optional<std::size_t> keyLine;
};

Location Find(const Document& doc, std::string_view section, std::string_view key) {
  Location where;
  bool inSection = false;
  for (std::size_t i = 0; i < doc.lines.size(); ++i) {
    std::string text = doc.Text(i);
    ParsedLine line = ParseLine(text);
    if (line.kind == Kind::Section) {
      if (inSection) break;  // only the first section of the name counts
      if (SameName(line.name, section)) {
        inSection = where.sectionFound = true;
        where.lastLineOfSection = i;
      }
      continue;
    }
    if (!inSection) continue;
    if (!Trim(text).empty()) where.lastLineOfSection = i;
    if (line.kind == Kind::Key && SameName(line.name, key)) {
      where.keyLine = i;
      break;
    }
  }
  return where;
}

bool Fail(std::string* error, std::string reason) {
  if (error) *error = std::move(reason);
  return false;
}

bool BreaksLine(std::string_view s) {
  return s.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace

std::optional<std::int32_t> ParseInt(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  bool hex = false;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    hex = true;
    text.remove_prefix(2);
  } else if (!text.empty() && text[0] == '$') {
    hex = true;
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  std::uint64_t magnitude = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (hex && c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (hex && c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      return std::nullopt;
    magnitude = magnitude * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
    if (magnitude > 0xFFFFFFFFull) return std::nullopt;
  }
  if (hex) {
    auto bits = static_cast<std::uint32_t>(magnitude);
    if (negative) bits = ~bits + 1u;
    return static_cast<std::int32_t>(bits);
  }
  if (negative) {
    if (magnitude > 0x80000000ull) return std::nullopt;
    return static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude));
  }
  if (magnitude > 0x7FFFFFFFull) return std::nullopt;
  return static_cast<std::int32_t>(magnitude);
}

std::string ReadString(const std::string& path, std::string_view section, std::string_view key,
                       std::string_view defaultValue, std::size_t size) {
  Document doc;
  int err = 0;
  if (doc.Load(path, err)) {
    Location where = Find(doc, Trim(section), Trim(key));
    if (where.keyLine) return doc.Value(*where.keyLine, size);
  }
  std::string_view d = defaultValue;
  // Only spaces, as the platform does: a default ending in a tab keeps it.
  while (!d.empty() && d.back() == ' ') d.remove_suffix(1);
  return Cut(d, size);
}

std::int32_t ReadInt(const std::string& path, std::string_view section, std::string_view key,
                     std::int32_t defaultValue) {
  return ParseInt(ReadString(path, section, key, "")).value_or(defaultValue);
}

std::vector<std::pair<std::string, std::string>> ReadSection(const std::string& path,
                                                             std::string_view section,
                                                             std::size_t size) {
  std::vector<std::pair<std::string, std::string>> entries;
  Document doc;
  int err = 0;
  if (!doc.Load(path, err)) return entries;
  section = Trim(section);
  bool inSection = false;
  for (std::size_t i = 0; i < doc.lines.size(); ++i) {
    std::string text = doc.Text(i);
    ParsedLine line = ParseLine(text);
    if (line.kind == Kind::Section) {
      if (inSection) break;
      inSection = SameName(line.name, section);
    } else if (inSection && line.kind == Kind::Key && !line.name.empty()) {
      bool seen = false;
      for (const auto& entry : entries) seen = seen || SameName(entry.first, line.name);
      if (!seen) entries.emplace_back(std::string(line.name), doc.Value(i, size));
    }
  }
  return entries;
}

bool WriteString(const std::string& path, std::string_view section, std::string_view key,
                 std::string_view value, std::string* error) {
  section = Trim(section);
  key = Trim(key);
  if (section.empty() || key.empty()) return Fail(error, path + ": empty section or key name");
  if (BreaksLine(section) || BreaksLine(key) || BreaksLine(value) ||
      key.find('=') != std::string_view::npos || key.front() == '[' || key.front() == ';')
    return Fail(error, path + ": a name or value would break the file's line structure");

  Document doc;
  int err = 0;
  if (!doc.Load(path, err)) return Fail(error, "cannot read " + Describe(path, err));

  // Names and value in the file's own encoding.
  auto encode = [&doc](std::string_view s) -> std::optional<std::string> {
    if (doc.Utf8()) return codepage::IsValidUtf8(s) ? std::optional<std::string>(s) : std::nullopt;
    return codepage::FromUtf8(s, doc.codePage);
  };
  auto fileValue = encode(value);
  auto fileKey = encode(key);
  auto fileSection = encode(section);
  if (!fileValue || !fileKey || !fileSection)
    return Fail(error, path + ": the text cannot be written in the file's encoding (" +
                           (doc.Utf8() ? "UTF-8" : doc.codePage) + ")");

  Location where = Find(doc, section, key);
  std::string out = doc.bytes;
  if (where.keyLine) {
    const RawLine& line = doc.lines[*where.keyLine];
    // '=' and blanks never occur as trail bytes of the double-byte code pages, so the raw
    // bytes can be searched for them directly.
    std::size_t start = doc.bytes.find('=', line.begin) + 1;
    while (start < line.end && (doc.bytes[start] == ' ' || doc.bytes[start] == '\t')) ++start;
    out.replace(start, line.end - start, *fileValue);
  } else if (where.sectionFound) {
    const RawLine& last = doc.lines[where.lastLineOfSection];
    std::string insert = *fileKey + "=" + *fileValue + doc.eol;
    if (last.next == last.end) insert = doc.eol + insert;  // the file ended without a newline
    out.insert(last.next, insert);
  } else {
    if (!out.empty() && out.back() != '\n') out += doc.eol;
    out += "[" + *fileSection + "]" + doc.eol + *fileKey + "=" + *fileValue + doc.eol;
  }

  // The file must read in the same encoding after the write, or every value in it would change
  // meaning: a file that is UTF-8 only by its bytes gets a byte-order mark when, say, a Charset
  // line arrives; a legacy file that would start to read otherwise is left alone.
  Document after;
  after.bytes = out;
  after.Classify();
  const bool sameEncoding =
      after.Utf8() == doc.Utf8() && (doc.Utf8() || std::strcmp(after.codePage, doc.codePage) == 0);
  const bool ascii = std::all_of(out.begin(), out.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (!sameEncoding && !ascii) {
    if (!doc.Utf8())
      return Fail(error, path + ": after this write the file would read in another encoding");
    out.insert(0, "\xEF\xBB\xBF");
  }

  // The whole file goes down anew: a crash or a full disk must leave the old one, never a file
  // emptied or cut, which would lose every other key in it.
  const atomicfile::Result written = atomicfile::Replace(path, out);
  if (!written) return Fail(error, "cannot write " + path + ": " + written.reason);
  return true;
}

}  // namespace profile
