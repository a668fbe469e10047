#include "VerdictFiles.h"

#include <cjson/cJSON.h>

#include <memory>
#include <new>
#include <pugixml.hpp>
#include <sstream>

#include "AtomicFile.h"

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// The length of the well-formed UTF-8 sequence at `at`, or 0; its code point in `point`.
std::size_t Utf8At(const std::string& text, std::size_t at, unsigned& point) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned lead = byte(at);
  std::size_t length = 0;
  if (lead < 0x80) {
    point = lead;
    return 1;
  }
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    point = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    point = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    point = lead & 0x07;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    point = (point << 6) | (byte(at + i) & 0x3F);
  }
  // Overlong forms, surrogates and points past U+10FFFF are not UTF-8.
  if ((length == 3 && point < 0x800) || (length == 4 && point < 0x10000) || point > 0x10FFFF ||
      (point >= 0xD800 && point <= 0xDFFF)) {
    return 0;
  }
  return length;
}

// Keeps what `allowed` accepts of well-formed UTF-8; everything else becomes U+FFFD.
template <typename Allowed>
std::string Filtered(const std::string& text, Allowed allowed) {
  std::string safe;
  safe.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    unsigned point = 0;
    const std::size_t length = Utf8At(text, at, point);
    if (length == 0) {
      safe += kReplacement;
      ++at;
      continue;
    }
    if (allowed(point)) {
      safe.append(text, at, length);
    } else {
      safe += kReplacement;
    }
    at += length;
  }
  return safe;
}

std::string Utf8Safe(const std::string& text) {
  return Filtered(text, [](unsigned) { return true; });
}

using JsonPtr = std::unique_ptr<cJSON, decltype(&cJSON_Delete)>;

cJSON* Checked(cJSON* item) {
  if (!item) throw std::bad_alloc();
  return item;
}

void AddText(cJSON* object, const char* name, const std::string& text) {
  Checked(cJSON_AddStringToObject(object, name, Utf8Safe(text).c_str()));
}

void AddSignal(cJSON* object, const ReadStats::SignalRange& signal, bool any) {
  cJSON* range = Checked(cJSON_AddObjectToObject(object, "signal"));
  if (!any) return;
  cJSON_AddNumberToObject(range, "min", signal.min);
  cJSON_AddNumberToObject(range, "mean", std::stod(FigureText(signal.mean)));
  cJSON_AddNumberToObject(range, "max", signal.max);
}

cJSON* AddTextList(cJSON* object, const char* name, const std::vector<std::string>& texts) {
  cJSON* list = Checked(cJSON_AddArrayToObject(object, name));
  for (const std::string& text : texts)
    cJSON_AddItemToArray(list, Checked(cJSON_CreateString(Utf8Safe(text).c_str())));
  return list;
}

std::string Printed(cJSON* root) {
  char* printed = cJSON_Print(root);
  if (!printed) throw std::bad_alloc();
  std::string text = printed;
  cJSON_free(printed);
  return text + "\n";
}

}  // namespace

std::string XmlSafe(const std::string& text) {
  // XML 1.0's Char: tab, line feed, carriage return, and from U+0020 on, less the surrogates and
  // U+FFFE and U+FFFF.
  return Filtered(text, [](unsigned p) {
    return p == 0x9 || p == 0xA || p == 0xD || (p >= 0x20 && p <= 0xFFFD && p != 0xFFFE) ||
           p >= 0x10000;
  });
}

std::string VerdictJson(const Verdict& verdict, const Recipe& recipe, const RunInfo& run,
                        const EpcMap& tags, const ReadStats& stats,
                        ReadStats::Clock::time_point now) {
  JsonPtr root(Checked(cJSON_CreateObject()), cJSON_Delete);
  AddText(root.get(), "verdict", verdict.passed ? "PASS" : "FAIL");
  AddText(root.get(), "device", run.device);
  AddText(root.get(), "deviceid", run.deviceId);
  AddText(root.get(), "recipe", recipe.path);
  AddText(root.get(), "version", run.version);
  AddText(root.get(), "started", run.started);
  cJSON_AddNumberToObject(root.get(), "seconds", std::stod(FigureText(verdict.seconds)));
  cJSON_AddNumberToObject(root.get(), "tags", static_cast<double>(tags.size()));
  cJSON_AddNumberToObject(root.get(), "reads", static_cast<double>(stats.Reads()));

  cJSON* criteria = Checked(cJSON_AddArrayToObject(root.get(), "criteria"));
  for (const Criterion& criterion : verdict.criteria) {
    cJSON* item = Checked(cJSON_CreateObject());
    cJSON_AddItemToArray(criteria, item);
    AddText(item, "name", criterion.name);
    AddText(item, "limit", criterion.limit);
    AddText(item, "measured", criterion.measured);
    AddText(item, "outcome", OutcomeText(criterion.outcome));
    if (!criterion.detail.empty()) AddText(item, "detail", criterion.detail);
  }

  cJSON* antennas = Checked(cJSON_AddArrayToObject(root.get(), "antennas"));
  for (const ReadStats::AntennaFigures& figures : stats.Antennas(now)) {
    cJSON* item = Checked(cJSON_CreateObject());
    cJSON_AddItemToArray(antennas, item);
    AddText(item, "antenna", figures.name);
    cJSON_AddNumberToObject(item, "tags", figures.tags);
    cJSON_AddNumberToObject(item, "reads", static_cast<double>(figures.reads));
    cJSON_AddNumberToObject(item, "reads_per_second", std::stod(FigureText(figures.meanRate)));
    AddSignal(item, figures.signal, figures.reads > 0);
  }

  // In order of first sighting, as the grid lists them.
  std::vector<const std::string*> byRow(tags.size());
  for (const auto& [epc, data] : tags) {
    if (data.row >= 1 && static_cast<std::size_t>(data.row) <= byRow.size())
      byRow[data.row - 1] = &epc;
  }
  cJSON* list = Checked(cJSON_AddArrayToObject(root.get(), "tag_list"));
  for (std::size_t row = 1; row <= byRow.size(); ++row) {
    if (!byRow[row - 1]) continue;
    const ReadStats::TagFigures figures = stats.Tag(static_cast<int>(row));
    cJSON* item = Checked(cJSON_CreateObject());
    cJSON_AddItemToArray(list, item);
    AddText(item, "epc", *byRow[row - 1]);
    cJSON_AddNumberToObject(item, "reads", figures.reads);
    cJSON_AddNumberToObject(item, "first_seen", std::stod(FigureText(figures.firstSeen)));
    cJSON_AddNumberToObject(item, "last_seen", std::stod(FigureText(figures.lastSeen)));
    AddTextList(item, "antennas", figures.antennas);
    AddSignal(item, figures.signal, figures.reads > 0);
  }
  AddTextList(root.get(), "missing", verdict.missing);
  AddTextList(root.get(), "unexpected", verdict.unexpected);
  return Printed(root.get());
}

std::string VerdictJUnit(const Verdict& verdict, const Recipe& recipe, const RunInfo& run) {
  pugi::xml_document document;
  pugi::xml_node suites = document.append_child("testsuites");
  pugi::xml_node suite = suites.append_child("testsuite");
  const std::string name =
      "tagwick " + run.device + (run.deviceId.empty() ? "" : " device " + run.deviceId);
  std::size_t failures = 0;
  for (const Criterion& criterion : verdict.criteria)
    failures += criterion.outcome == Criterion::Outcome::Fail;
  for (pugi::xml_node node : {suites, suite}) {
    node.append_attribute("name") = XmlSafe(name).c_str();
    node.append_attribute("tests") = static_cast<unsigned long long>(verdict.criteria.size());
    node.append_attribute("failures") = static_cast<unsigned long long>(failures);
    node.append_attribute("errors") = 0;
    node.append_attribute("time") = FigureText(verdict.seconds).c_str();
  }
  suite.append_attribute("skipped") = 0;
  suite.append_attribute("timestamp") = XmlSafe(run.started).c_str();
  pugi::xml_node properties = suite.append_child("properties");
  const std::pair<const char*, std::string> values[] = {
      {"version", run.version},
      {"recipe", recipe.path},
      {"device", run.device},
      {"deviceid", run.deviceId},
      {"verdict", verdict.passed ? "PASS" : "FAIL"}};
  for (const auto& [key, value] : values) {
    pugi::xml_node property = properties.append_child("property");
    property.append_attribute("name") = key;
    property.append_attribute("value") = XmlSafe(value).c_str();
  }
  for (const Criterion& criterion : verdict.criteria) {
    pugi::xml_node testcase = suite.append_child("testcase");
    testcase.append_attribute("classname") = "tagwick.recipe";
    testcase.append_attribute("name") = XmlSafe(criterion.name).c_str();
    testcase.append_attribute("time") = "0";
    const std::string said = "limit " + criterion.limit + ", measured " + criterion.measured +
                             (criterion.detail.empty() ? "" : ": " + criterion.detail);
    if (criterion.outcome == Criterion::Outcome::Fail) {
      pugi::xml_node failure = testcase.append_child("failure");
      failure.append_attribute("message") = XmlSafe(said).c_str();
      failure.append_attribute("type") = "limit";
      failure.text().set(XmlSafe(said).c_str());
    } else if (criterion.outcome == Criterion::Outcome::Warn) {
      testcase.append_child("system-out").text().set(XmlSafe("warning: " + said).c_str());
    }
  }
  std::ostringstream out;
  document.save(out, "  ", pugi::format_default | pugi::format_no_declaration);
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + out.str();
}

bool WriteVerdictFile(const std::string& path, const std::string& text, std::string& error) {
  const atomicfile::Result written = atomicfile::Replace(path, text);
  if (written) return true;
  error = "cannot write " + path + (written.reason.empty() ? "" : ": " + written.reason);
  return false;
}
