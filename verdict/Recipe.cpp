#include "Recipe.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "CsvCell.h"
#include "TagTable.h"

namespace {

namespace fs = std::filesystem;

// Paths are UTF-8, the system's text, on every platform; the standard library's narrow paths
// are not on Windows.
fs::path FsPath(const std::string& path) {
  return fs::path(std::u8string(path.begin(), path.end()));
}

std::string PathText(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::string ReadText(const std::string& path, const std::string& what) {
  std::ifstream in(FsPath(path), std::ios::binary);
  if (!in) throw RecipeError(path + ": cannot read " + what + ": " + std::strerror(errno));
  std::stringstream content;
  content << in.rdbuf();
  std::string text = content.str();
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  return text;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string Trim(std::string_view text) {
  const auto space = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && space(text.front())) text.remove_prefix(1);
  while (!text.empty() && space(text.back())) text.remove_suffix(1);
  return std::string(text);
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string Unquoted(std::string value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::vector<std::string> List(const std::string& value) {
  std::vector<std::string> items;
  std::string item;
  std::istringstream stream(value);
  while (std::getline(stream, item, ',')) {
    item = Trim(item);
    if (!item.empty() && std::find(items.begin(), items.end(), item) == items.end())
      items.push_back(item);
  }
  return items;
}

// Where a value came from, for the message of a bad one.
struct Place {
  const std::string& path;
  int line;
  const std::string& section;
  const std::string& key;

  [[noreturn]] void Fail(const std::string& what) const {
    throw RecipeError(path + ":" + std::to_string(line) + ": [" + section + "] " + key + ": " +
                      what);
  }
};

double Number(const Place& place, const std::string& value, double min, double max) {
  double number = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (value.empty() || error != std::errc() || end != value.data() + value.size() ||
      !std::isfinite(number) || number < min || number > max) {
    std::ostringstream range;
    range << "'" << value << "' is not a number from " << min << " to " << max;
    place.Fail(range.str());
  }
  return number;
}

long long Whole(const Place& place, const std::string& value, long long min, long long max) {
  long long number = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (value.empty() || error != std::errc() || end != value.data() + value.size() || number < min ||
      number > max) {
    place.Fail("'" + value + "' is not a whole number from " + std::to_string(min) + " to " +
               std::to_string(max));
  }
  return number;
}

bool YesNo(const Place& place, const std::string& value) {
  const std::string lower = Lower(value);
  if (lower == "yes" || lower == "true" || lower == "1") return true;
  if (lower == "no" || lower == "false" || lower == "0") return false;
  place.Fail("'" + value + "' is not yes or no");
}

// The signal as the grid shows it: a signed byte.
constexpr double kSignalMin = -128;
constexpr double kSignalMax = 127;

void SetAntennaLimit(const Place& place, const std::string& key, const std::string& value,
                     Recipe::AntennaLimits& limits) {
  if (key == "mintags") {
    limits.minTags = Whole(place, value, 0, 100000000);
  } else if (key == "minreadspersecond") {
    limits.minReadsPerSecond = Number(place, value, 0, 1e9);
  } else if (key == "minsignal") {
    limits.minSignal = Number(place, value, kSignalMin, kSignalMax);
  } else {
    place.Fail("unknown key (MinTags, MinReadsPerSecond or MinSignal)");
  }
}

}  // namespace

Recipe::AntennaLimits Recipe::LimitsFor(const std::string& antenna) const {
  AntennaLimits limits = antennaDefaults;
  const auto own = antennaLimits.find(antenna);
  if (own != antennaLimits.end()) {
    if (own->second.minTags) limits.minTags = own->second.minTags;
    if (own->second.minReadsPerSecond) limits.minReadsPerSecond = own->second.minReadsPerSecond;
    if (own->second.minSignal) limits.minSignal = own->second.minSignal;
  }
  return limits;
}

Recipe LoadRecipe(const std::string& path) {
  Recipe recipe;
  recipe.path = path;
  const std::vector<std::string> lines = Lines(ReadText(path, "the recipe"));
  std::string section;       // as written, for messages
  std::string sectionLower;  // as compared
  std::map<std::string, int> seen;
  int expectedLine = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const int number = static_cast<int>(i) + 1;
    const std::string line = Trim(lines[i]);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      if (line.back() != ']') {
        throw RecipeError(path + ":" + std::to_string(number) + ": '" + line +
                          "' is not a section header");
      }
      section = Trim(std::string_view(line).substr(1, line.size() - 2));
      sectionLower = Lower(section);
      const bool antenna = sectionLower.rfind("antenna ", 0) == 0 &&
                           !Trim(std::string_view(section).substr(8)).empty();
      if (sectionLower != "test" && sectionLower != "tags" && sectionLower != "antennas" &&
          !antenna) {
        throw RecipeError(path + ":" + std::to_string(number) + ": [" + section +
                          "]: unknown section (Test, Tags, Antennas or Antenna NAME)");
      }
      if (!seen.emplace("[" + sectionLower, number).second) {
        throw RecipeError(path + ":" + std::to_string(number) + ": [" + section +
                          "]: given twice (first on line " +
                          std::to_string(seen["[" + sectionLower]) + ")");
      }
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) {
      throw RecipeError(path + ":" + std::to_string(number) + ": '" + line +
                        "' is neither a section nor KEY=VALUE");
    }
    const std::string key = Trim(std::string_view(line).substr(0, equals));
    const std::string keyLower = Lower(key);
    const std::string value = Unquoted(Trim(std::string_view(line).substr(equals + 1)));
    const Place place{path, number, section, key};
    if (section.empty()) place.Fail("a key before the first section");
    if (!seen.emplace(sectionLower + "/" + keyLower, number).second) {
      place.Fail("given twice (first on line " +
                 std::to_string(seen[sectionLower + "/" + keyLower]) + ")");
    }
    if (sectionLower == "test") {
      if (keyLower == "seconds") {
        recipe.seconds = Number(place, value, 0.1, 86400);
      } else if (keyLower == "stopwhenpassed") {
        recipe.stopWhenPassed = YesNo(place, value);
      } else {
        place.Fail("unknown key (Seconds or StopWhenPassed)");
      }
    } else if (sectionLower == "tags") {
      if (keyLower == "expected") {
        if (value.empty()) place.Fail("no file named");
        recipe.expectedPath = value;
        expectedLine = number;
      } else if (keyLower == "minreads") {
        recipe.tagMinReads = Whole(place, value, 0, 1000000000);
      } else if (keyLower == "minsignal") {
        recipe.tagMinSignal = Number(place, value, kSignalMin, kSignalMax);
      } else if (keyLower == "unexpected") {
        const std::string policy = Lower(value);
        if (policy == "ignore") {
          recipe.unexpected = Recipe::Unexpected::Ignore;
        } else if (policy == "warn") {
          recipe.unexpected = Recipe::Unexpected::Warn;
        } else if (policy == "fail") {
          recipe.unexpected = Recipe::Unexpected::Fail;
        } else {
          place.Fail("'" + value + "' is not ignore, warn or fail");
        }
      } else {
        place.Fail("unknown key (Expected, MinReads, MinSignal or Unexpected)");
      }
    } else if (sectionLower == "antennas") {
      if (keyLower == "read") {
        recipe.readAntennas = List(value);
      } else if (keyLower == "silent") {
        recipe.silentAntennas = List(value);
      } else {
        SetAntennaLimit(place, keyLower, value, recipe.antennaDefaults);
      }
    } else {
      const std::string antenna = Trim(std::string_view(section).substr(8));
      SetAntennaLimit(place, keyLower, value, recipe.antennaLimits[antenna]);
    }
  }

  for (const std::string& antenna : recipe.readAntennas) {
    if (std::find(recipe.silentAntennas.begin(), recipe.silentAntennas.end(), antenna) !=
        recipe.silentAntennas.end()) {
      throw RecipeError(path + ": [Antennas] antenna " + antenna + " must both read and be silent");
    }
  }
  for (const auto& [antenna, limits] : recipe.antennaLimits) {
    if (std::find(recipe.readAntennas.begin(), recipe.readAntennas.end(), antenna) ==
        recipe.readAntennas.end()) {
      throw RecipeError(path + ": [Antenna " + antenna + "] is not in [Antennas] Read");
    }
  }
  if (recipe.readAntennas.empty() && recipe.silentAntennas.empty() && !recipe.expectedPath) {
    throw RecipeError(path +
                      ": judges nothing: name antennas ([Antennas] Read or Silent) or the "
                      "expected tags ([Tags] Expected)");
  }
  if (recipe.expectedPath) {
    fs::path expected = FsPath(*recipe.expectedPath);
    if (expected.is_relative()) expected = FsPath(path).parent_path() / expected;
    recipe.expectedPath = PathText(expected);
    try {
      recipe.expected = LoadExpectedTags(*recipe.expectedPath);
    } catch (const RecipeError& error) {
      throw RecipeError(path + ":" + std::to_string(expectedLine) +
                        ": [Tags] Expected: " + error.what());
    }
  }
  return recipe;
}

std::vector<std::string> LoadExpectedTags(const std::string& path) {
  const std::vector<std::string> lines = Lines(ReadText(path, "the expected tags"));
  // A tag list of this tool: its header line has the seven columns, "RSSI" and "Time" last.
  const bool tagList = !lines.empty() && lines.front().size() >= 10 &&
                       lines.front().substr(lines.front().size() - 10) == ",RSSI,Time";
  std::vector<std::string> epcs;
  std::set<std::string> seen;
  for (std::size_t i = tagList ? 1 : 0; i < lines.size(); ++i) {
    std::string epc;
    if (tagList) {
      // Cells are written unquoted: an EPC that holds commas spans several, and the five cells
      // after it are always there.
      std::vector<std::string> cells;
      std::istringstream stream(lines[i]);
      for (std::string cell; std::getline(stream, cell, ',');) cells.push_back(cell);
      if (!lines[i].empty() && lines[i].back() == ',') cells.emplace_back();
      if (cells.size() < kTagColumnCount) continue;
      for (std::size_t c = kColEpc; c + (kTagColumnCount - kColEpc - 1) < cells.size(); ++c)
        epc += (c == kColEpc ? "" : ",") + cells[c];
      epc = UnguardCell(epc);
    } else {
      epc = Trim(lines[i]);
      if (epc.empty() || epc.front() == '#') continue;
    }
    if (epc.empty()) continue;
    if (seen.insert(epc).second) epcs.push_back(epc);
  }
  if (epcs.empty()) throw RecipeError(path + ": no EPC in the file");
  return epcs;
}
