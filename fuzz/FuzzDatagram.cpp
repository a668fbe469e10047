// One received datagram through the whole handler chain, as the link thread hands it over.
#include <cjson/cJSON.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "Handler.h"
#include "RecorderWindow.h"

namespace {

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// The pickers only ever get a real date and time in the 32-bit range of the device clock.
class CheckingWindow : public RecorderWindow {
 public:
  void SetPickers(const CalendarTime& time) override {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    FUZZ_CHECK(time.year >= 1901 && time.year <= 2038);
    FUZZ_CHECK(time.month >= 1 && time.month <= 12);
    const int monthDays = time.month == 2 && IsLeapYear(time.year) ? 29 : days[time.month - 1];
    FUZZ_CHECK(time.day >= 1 && time.day <= monthDays);
    FUZZ_CHECK(time.hour >= 0 && time.hour <= 23);
    FUZZ_CHECK(time.minute >= 0 && time.minute <= 59);
    FUZZ_CHECK(time.second >= 0 && time.second <= 59);
    RecorderWindow::SetPickers(time);
  }
};

bool StartsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Handlers keep no state between texts, so one chain serves the whole run.
  static CheckingWindow window;
  static const auto chain = BuildHandlerChain(window);
  window.effects.clear();

  const std::string text(reinterpret_cast<const char*>(data), size);
  chain->Dispatch(text);

  // A text that is not JSON may reach the log, never a field, the pickers or the network mode;
  // one that is JSON is never logged as invalid.
  cJSON* root = cJSON_ParseWithLength(text.data(), text.size());
  const bool parses = root != nullptr;
  cJSON_Delete(root);
  for (const std::string& effect : window.effects) {
    if (parses) {
      // A "type" value may itself read "Invalid json string:...", so compare the whole line.
      FUZZ_CHECK(effect != "log Invalid json string:" + text);
    } else {
      FUZZ_CHECK(StartsWith(effect, "log "));
    }
  }
  return 0;
}
