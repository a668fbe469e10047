// Member reads of arbitrary texts, with names of every kind the handlers use.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "Json.h"
#include "RecorderWindow.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static constexpr const char* names[] = {"type", "status", "epc", "rtc", "IP", "Dns1", "", "ép"};
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const char* name : names) {
    RecorderWindow log;
    std::string value;
    const bool parsed = GetJsonField(text, name, value, log);
    // A failed parse logs exactly one line with the whole text; a successful one logs nothing.
    if (parsed) {
      FUZZ_CHECK(log.effects.empty());
      // A member's text ends at its first NUL: the value is a C string inside cJSON.
      FUZZ_CHECK(value.find('\0') == std::string::npos);
    } else {
      FUZZ_CHECK(log.effects.size() == 1 && log.effects[0] == "log Invalid json string:" + text);
    }
  }
  return 0;
}
