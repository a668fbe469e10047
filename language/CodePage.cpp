#include "CodePage.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace codepage {

#ifndef _WIN32
namespace {

// One iconv conversion descriptor, closed on every path out.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd(iconv_open(to, from)) {
    if (cd == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error(std::string("iconv cannot convert from ") + from + " to " + to);
  }
  ~Converter() { iconv_close(cd); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts as much of [in, in + inLeft) as it can, appending to `out`. Returns 0 when all was
  // converted, otherwise the errno that stopped it (EILSEQ or EINVAL); `in`/`inLeft` then point
  // at the offending input.
  int Run(char*& in, std::size_t& inLeft, std::string& out) {
    char buffer[1024];
    while (inLeft > 0) {
      char* dst = buffer;
      std::size_t dstLeft = sizeof buffer;
      std::size_t r = iconv(cd, &in, &inLeft, &dst, &dstLeft);
      const int error = errno;
      out.append(buffer, static_cast<std::size_t>(dst - buffer));
      if (r == static_cast<std::size_t>(-1) && error != E2BIG) return error;
    }
    char* dst = buffer;
    std::size_t dstLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);  // flush any shift state
    out.append(buffer, static_cast<std::size_t>(dst - buffer));
    return 0;
  }

 private:
  iconv_t cd;
};

}  // namespace
#endif

namespace {

// The length of the well-formed UTF-8 sequence at `p`, or 0 when none starts there.
std::size_t SequenceLength(const unsigned char* p, const unsigned char* end) {
  const unsigned char c = *p;
  if (c < 0x80) return 1;
  std::size_t length;
  char32_t cp;
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (static_cast<std::size_t>(end - p) < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (p[i] & 0x3F);
  }
  if ((length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000) || cp > 0x10FFFF ||
      (cp >= 0xD800 && cp <= 0xDFFF))
    return 0;
  return length;
}

}  // namespace

#ifdef _WIN32
namespace {

// The Windows code page behind one of ForCharset's names.
UINT CodePageNumber(const char* name) {
  if (std::strcmp(name, "CP936") == 0) return 936;
  if (std::strcmp(name, "CP950") == 0) return 950;
  if (std::strcmp(name, "CP932") == 0) return 932;
  if (std::strcmp(name, "CP949") == 0) return 949;
  if (std::strcmp(name, "WINDOWS-1252") == 0) return 1252;
  throw std::runtime_error(std::string("no Windows code page for ") + name);
}

std::wstring Widen(UINT codePage, std::string_view bytes, DWORD flags) {
  if (bytes.empty()) return {};
  const int n = MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()),
                                    nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), wide.data(),
                      n);
  return wide;
}

// Fails (empty) only on input that is not valid in `codePage`; `usedDefault` tells whether a
// character had no form in it.
std::string Narrow(UINT codePage, std::wstring_view wide, BOOL* usedDefault) {
  if (wide.empty()) return {};
  const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int n = WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()),
                                    nullptr, 0, nullptr, usedDefault);
  if (n <= 0) return {};
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                      nullptr, usedDefault);
  return out;
}

// The platform's own conversion. A byte sequence the code page does not define becomes U+FFFD
// and decoding goes on with the next byte, as the iconv path does: the platform would put its
// own default character there.
std::string LegacyToUtf8(std::string_view bytes, const char* name) {
  const UINT codePage = CodePageNumber(name);
  std::wstring wide = Widen(codePage, bytes, MB_ERR_INVALID_CHARS);
  if (wide.empty() && !bytes.empty()) {
    // Character by character: a lead byte and its trail byte, or one byte.
    for (std::size_t i = 0; i < bytes.size();) {
      const bool lead = IsDBCSLeadByteEx(codePage, static_cast<BYTE>(bytes[i])) != 0;
      const std::size_t length = lead && i + 1 < bytes.size() ? 2 : 1;
      std::wstring one = lead && length == 1
                             ? std::wstring()
                             : Widen(codePage, bytes.substr(i, length), MB_ERR_INVALID_CHARS);
      if (one.empty()) {
        wide += L'\xFFFD';
        i += 1;
      } else {
        wide += one;
        i += length;
      }
    }
  }
  if (codePage == 1252) {
    // The five bytes Windows-1252 leaves undefined come back as C1 controls; iconv calls them
    // undefined, and so does this.
    for (wchar_t& c : wide)
      if (c >= 0x80 && c <= 0x9F) c = 0xFFFD;
  }
  return Narrow(CP_UTF8, wide, nullptr);
}

std::optional<std::string> Utf8ToLegacy(std::string_view text, const char* name) {
  const UINT codePage = CodePageNumber(name);
  if (text.empty()) return std::string();
  BOOL usedDefault = FALSE;
  std::string out = Narrow(codePage, Widen(CP_UTF8, text, MB_ERR_INVALID_CHARS), &usedDefault);
  if (usedDefault || out.empty()) return std::nullopt;
  if (codePage == 1252 && out.find_first_of("\x81\x8D\x8F\x90\x9D") != std::string::npos)
    return std::nullopt;
  return out;
}

}  // namespace
#endif

bool IsValidUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  while (p < end) {
    const std::size_t length = SequenceLength(p, end);
    if (length == 0) return false;
    p += length;
  }
  return true;
}

const char* ForCharset(int charset) {
  switch (charset) {
    case kGb2312Charset:
      return "CP936";
    case kChineseBig5Charset:
      return "CP950";
    case kShiftJisCharset:  // glibc's SHIFT_JIS lacks the Windows extensions CP932 has
      return "CP932";
    case kHangeulCharset:
      return "CP949";
    default:
      return "WINDOWS-1252";
  }
}

std::size_t CharacterStart(std::string_view bytes, std::size_t limit, const char* codePage) {
  const std::string_view name(codePage);
  const bool shiftJis = name == "CP932";
  const bool doubleByte = shiftJis || name == "CP936" || name == "CP949" || name == "CP950";
  if (!doubleByte) return std::min(limit, bytes.size());
  std::size_t at = 0;
  while (at < bytes.size()) {
    const auto c = static_cast<unsigned char>(bytes[at]);
    const bool lead =
        shiftJis ? (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC) : c >= 0x81 && c <= 0xFE;
    const std::size_t length = lead && at + 1 < bytes.size() ? 2 : 1;
    if (at + length > limit) break;
    at += length;
  }
  return at;
}

std::string ToUtf8(std::string_view bytes, const char* codePage) {
  if (std::string_view(codePage) == "UTF-8") {
    // glibc's UTF-8 decoder lets code points above U+10FFFF through; check sequences here.
    std::string out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
      const std::size_t length = SequenceLength(p, end);
      if (length == 0) {
        out += "\xEF\xBF\xBD";
        ++p;
      } else {
        out.append(reinterpret_cast<const char*>(p), length);
        p += length;
      }
    }
    return out;
  }
#ifdef _WIN32
  return LegacyToUtf8(bytes, codePage);
#else
  Converter converter("UTF-8", codePage);
  std::string in(bytes);
  char* src = in.data();
  std::size_t left = in.size();
  std::string out;
  out.reserve(in.size() * 3 / 2);
  while (converter.Run(src, left, out) != 0) {
    out += "\xEF\xBF\xBD";  // U+FFFD, then resynchronise on the next byte
    // The converter may report a bad sequence having taken every byte: nothing is left to skip.
    if (left == 0) break;
    ++src;
    --left;
  }
  return out;
#endif
}

std::optional<std::string> FromUtf8(std::string_view text, const char* codePage) {
  if (!IsValidUtf8(text)) return std::nullopt;
#ifdef _WIN32
  return Utf8ToLegacy(text, codePage);
#else
  Converter converter(codePage, "UTF-8");
  std::string in(text);
  char* src = in.data();
  std::size_t left = in.size();
  std::string out;
  if (converter.Run(src, left, out) != 0) return std::nullopt;
  return out;
#endif
}

}  // namespace codepage
