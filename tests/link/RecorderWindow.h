#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "DeviceWindow.h"

// Records every effect on the window in order, one line each: "text edtDeviceID=1234",
// "hint edtCardNo=...", "pickers 1970-01-01 00:00:00", "mode 1", "log Get deviceid!".
class RecorderWindow : public DeviceWindow {
 public:
  void SetFieldText(const std::string& field, const std::string& text) override {
    effects.push_back("text " + field + "=" + text);
  }
  void SetFieldHint(const std::string& field, const std::string& text) override {
    effects.push_back("hint " + field + "=" + text);
  }
  void SetPickers(const CalendarTime& time) override {
    char text[64];
    std::snprintf(text, sizeof text, "pickers %04d-%02d-%02d %02d:%02d:%02d", time.year, time.month,
                  time.day, time.hour, time.minute, time.second);
    effects.push_back(text);
  }
  void SelectNetworkMode(int item) override { effects.push_back("mode " + std::to_string(item)); }
  void AddLog(const std::string& text) override { effects.push_back("log " + text); }

  std::vector<std::string> effects;
};
