#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "DeviceWindow.h"

// The window as the handler chain sees it, kept in memory: what the last datagram's handler
// showed in which field. The current-tag field behaves as the window's does: each change of its
// text to a non-empty EPC hands the report over, once, while a report hook is set.
class ReplyWindow : public DeviceWindow {
 public:
  using ReportHook = std::function<void(const std::string& report, const std::string& epc)>;

  void SetFieldText(const std::string& field, const std::string& text) override;
  void SetFieldHint(const std::string& field, const std::string& text) override;
  void SetPickers(const CalendarTime& time) override { pickers = time; }
  void SelectNetworkMode(int item) override { networkMode = item; }
  void AddLog(const std::string& text) override { log.push_back(text); }

  // Forgets what earlier datagrams showed, before the next one is dispatched.
  void Forget();

  std::map<std::string, std::string> fields;
  std::optional<CalendarTime> pickers;
  std::optional<int> networkMode;
  std::vector<std::string> log;
  // Set while an inventory runs (the window's running flag).
  ReportHook onReport;

 private:
  std::string cardNoText;
  std::string cardNoHint;
};
