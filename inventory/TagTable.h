#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "TagGrid.h"

// The per-tag record of the tag table.
struct __EPCDATA {
  int32_t row;    // the tag's grid row, 1-based, its place in the order of first sighting
  int32_t count;  // processed reports of this tag since it was first seen
};

// EPC text exactly as received (no case folding, no trimming) to its record; std::string's
// ordering is the byte-wise comparison that tells tags apart.
using EpcMap = std::map<std::string, __EPCDATA>;

// The seven columns of the tag grid.
enum TagColumn : int {
  kColRow = 0,
  kColEpc = 1,
  kColEpcLength = 2,
  kColAntenna = 3,
  kColCount = 4,
  kColRssi = 5,
  kColTime = 6,
  kTagColumnCount = 7,
};

// A local time of day, as the time column shows it.
struct TimeOfDay {
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// The local time of day now, or of `time`, to the millisecond.
TimeOfDay LocalTimeOfDay();
TimeOfDay LocalTimeOfDay(std::chrono::system_clock::time_point time);

// "hh:nn:ss:zzz": two-digit hours (00-23), minutes and seconds, three-digit milliseconds. The
// separator is ':' (the time separator of the locales this tool runs in on Linux).
std::string FormatTimeText(const TimeOfDay& time);

// The signal conversion: the text as a decimal 32-bit integer v (optional '+' or '-',
// then ASCII digits, nothing else, no spaces), then the low 8 bits of v + 127 read as a signed
// byte, in decimal. "-60" -> "67", "60" -> "-69", "129" -> "0", "200" -> "71", "88" -> "-41".
// Nothing when the text is not such an integer (also when it is out of the 32-bit range).
std::optional<std::string> ConvertSignalText(const std::string& text);
// The same conversion as a number.
std::optional<int> ConvertSignalValue(const std::string& text);

// Fixed texts of the two failures.
extern const char kInvalidEpcLogPrefix[];  // "收到下位机无效EPC字符串:"
// "'<text>' is not a valid integer value"
std::string InvalidIntegerText(const std::string& text);

struct EpcOutcome {
  enum class Kind {
    Processed,      // table and grid updated; countText is the new text of edtCount
    InvalidJson,    // nothing changed; logText is the line to AddLog
    InvalidSignal,  // nothing changed; logText is the line to AddLog
  };
  Kind kind = Kind::Processed;
  std::string countText;
  std::string logText;
  // Of a processed report, for the read analysis: the tag's grid row, the antenna text and the
  // signal as the grid shows them.
  int32_t row = 0;
  std::string antenna;
  int signal = 0;

  bool processed() const { return kind == Kind::Processed; }
};

// Processes one "epcinfo" report: `reportText` is the datagram's whole
// JSON text, `epc` the current text of edtCardNo, `now` the time of day to show in column 6.
//
// Members "rssi", "epclen" and "antid" are looked up ignoring ASCII case, first match (cJSON's
// object lookup). A string member gives its text. A number member gives its decimal text as cJSON
// prints it ("60", "-61.5"; integral values without ".0"), so a non-integral "rssi" number fails
// the integer conversion like the text "-61.5" would. Any other kind (true, false, null, object,
// array) is treated as absent: the default applies ("88", EPC byte length / 2, "0").
//
// A text that does not parse: InvalidJson with "收到下位机无效EPC字符串:" + text. A signal text
// that is not an integer: InvalidSignal with "'<signal text>' is not a valid integer value", for
// the log: a modal box per report would stall the window at hundreds of reports a second. In both
// cases the table, the grid and the count are left as they were.
//
// A new tag gets row = size + 1, the grid's row count is set to row + 1, and the row is written
// with one SetRow call; a known tag's count goes up by one and its own row is rewritten with one
// SetRow call, the row count untouched.
EpcOutcome ProcessEpcInfo(const std::string& reportText, const std::string& epc, EpcMap& epcMap,
                          TagGrid& grid, const TimeOfDay& now);

// The empty grid: 7 columns, the header row and one empty row, the column widths. The headers of
// columns 0 to 4 are the numbered texts 5 to 9 that `headerText` gives, then "RSSI" and "Time".
void InitTagGrid(TagGrid& grid, const std::function<std::string(int number)>& headerText);

// Sets every cell of the grid, all rows (the header row included) and all columns, to "".
void ClearGridCells(TagGrid& grid);
