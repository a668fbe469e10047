#pragma once

#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

// What a good reader does, as a bench or a production line expects it: an INI file, edited like
// the language files.
//
//   [Test]
//   Seconds=10              ; how long the test may run
//   StopWhenPassed=yes      ; end as soon as every criterion is met
//   [Tags]
//   Expected=golden.csv     ; EPCs one per line, or a tag list this tool exported
//   MinReads=2              ; each expected tag
//   MinSignal=40            ; each expected tag's mean signal, as the grid shows it
//   Unexpected=warn         ; ignore, warn or fail
//   [Antennas]
//   Read=1,2,3,4            ; antennas that must read
//   Silent=5                ; antennas that must not
//   MinTags=5               ; for each antenna that must read
//   MinReadsPerSecond=10
//   MinSignal=40
//   [Antenna 3]             ; one antenna's own limits
//   MinTags=2
//
// Names are compared without regard to letter case; values are trimmed, and one pair of
// surrounding quotes is stripped. Unlike a language file, a key given twice, an unknown section or
// key and a bad value are errors: a recipe that does not say what its author meant must not pass
// a reader.
struct Recipe {
  enum class Unexpected { Ignore, Warn, Fail };
  struct AntennaLimits {
    std::optional<long long> minTags;
    std::optional<double> minReadsPerSecond;
    std::optional<double> minSignal;
  };

  std::string path;
  double seconds = 10;
  bool stopWhenPassed = false;
  std::optional<std::string> expectedPath;
  std::vector<std::string> expected;  // in file order, each once
  std::optional<long long> tagMinReads;
  std::optional<double> tagMinSignal;
  Unexpected unexpected = Unexpected::Ignore;
  std::vector<std::string> readAntennas;
  std::vector<std::string> silentAntennas;
  AntennaLimits antennaDefaults;
  std::map<std::string, AntennaLimits> antennaLimits;  // [Antenna NAME] sections

  // The limits for one antenna that must read: its own section's, else [Antennas]'.
  AntennaLimits LimitsFor(const std::string& antenna) const;
};

// A recipe that cannot be used: the message names the file, the line and the key.
class RecipeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads and checks a whole recipe, the expected tags included (a path relative to the recipe's
// folder). Throws RecipeError.
Recipe LoadRecipe(const std::string& path);

// The EPCs of a file: one per line, or the EPC column of a tag list exported by this tool (a
// header line, then its rows; a guarded cell is read back as the device sent it). Empty lines and
// lines beginning with '#' are skipped; each EPC once. Throws RecipeError.
std::vector<std::string> LoadExpectedTags(const std::string& path);
