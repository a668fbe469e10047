#pragma once

#include <chrono>
#include <string>

// A calendar date and time as the clock pickers hold it.
struct CalendarTime {
  int year = 1970;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;

  bool operator==(const CalendarTime&) const = default;
};

// Everything a device reply may do to the window. The link calls these on the window thread only,
// one datagram's effects at a time, in the order the handler produced them.
class DeviceWindow {
 public:
  virtual ~DeviceWindow() = default;

  // `field` is the control's name, e.g. "edtDeviceID".
  virtual void SetFieldText(const std::string& field, const std::string& text) = 0;
  virtual void SetFieldHint(const std::string& field, const std::string& text) = 0;
  // Both clock pickers to the same date and time.
  virtual void SetPickers(const CalendarTime& time) = 0;
  // Selects item 0 ("DHCP") or 1 ("Static") of rgNetWork.
  virtual void SelectNetworkMode(int item) = 0;
  // Appends one time-stamped line to the log memo.
  virtual void AddLog(const std::string& text) = 0;

  // A note of the link about itself rather than an effect of a datagram: datagrams the system
  // dropped. The window logs it; a window that has no use for it leaves it out.
  virtual void AddLinkNote(const std::string& text) { static_cast<void>(text); }

  // When the link received the datagram whose effects are being carried out: the link sets it
  // before each datagram's effects, so that a tag report shows the time it was read, not the
  // later time at which its batch reached the window. The epoch until the first datagram.
  virtual void SetReceiveTime(std::chrono::system_clock::time_point time) { receiveTime = time; }
  std::chrono::system_clock::time_point ReceiveTime() const { return receiveTime; }

 private:
  std::chrono::system_clock::time_point receiveTime{};
};
