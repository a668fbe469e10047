#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../common/PosixOnWindows.h"
#include "Recipe.h"

namespace {

namespace fs = std::filesystem;

class RecipeTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
    return (dir / name).string();
  }
  // The message of the error that loading `text` as a recipe gives.
  std::string ErrorOf(const std::string& text) {
    try {
      LoadRecipe(Write("recipe.ini", text));
    } catch (const RecipeError& error) {
      return error.what();
    }
    return "(loaded)";
  }
  fs::path dir = [] {
    std::string pattern = (fs::temp_directory_path() / "tagwick-recipe-XXXXXX").string();
    return fs::path(mkdtemp(pattern.data()));
  }();
  ~RecipeTest() override { fs::remove_all(dir); }
};

}  // namespace

TEST_F(RecipeTest, AWholeRecipeWithATagListExportedByTheTool) {
  // The export's own form: a BOM on Windows, CR LF, unquoted cells, a guarded forged EPC, an EPC
  // that holds a comma, and the empty row of a grid without tags.
  Write("golden.csv",
        "\xEF\xBB\xBFNo.,EPC,Len,Ant,Count,RSSI,Time\r\n"
        "1,E200A1,6,1,3,70,10:00:00:000\r\n"
        "2,'=HYPERLINK(1),6,2,1,70,10:00:00:000\r\n"
        "3,A,B,6,2,1,70,10:00:00:000\r\n"
        "4,E200A1,6,1,3,70,10:00:00:000\r\n"
        ",,,,,,\r\n");
  const Recipe recipe = LoadRecipe(Write("recipe.ini",
                                         "; bench 3\n[test]\nSeconds = 2.5\nstopwhenpassed=Yes\n"
                                         "[Tags]\nExpected=\"golden.csv\"\nMinReads=2\n"
                                         "MinSignal=-10\nUnexpected=FAIL\n"
                                         "[Antennas]\nRead=1, 2,3\nSilent=4\nMinTags=5\n"
                                         "[Antenna 2]\nMinTags=1\nMinSignal=30\n"));
  EXPECT_DOUBLE_EQ(recipe.seconds, 2.5);
  EXPECT_TRUE(recipe.stopWhenPassed);
  EXPECT_EQ(recipe.expected, (std::vector<std::string>{"E200A1", "=HYPERLINK(1)", "A,B"}));
  EXPECT_EQ(recipe.unexpected, Recipe::Unexpected::Fail);
  EXPECT_EQ(recipe.readAntennas, (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(recipe.LimitsFor("1").minTags, 5);
  EXPECT_EQ(recipe.LimitsFor("2").minTags, 1);
  EXPECT_EQ(recipe.LimitsFor("2").minSignal, 30);
  EXPECT_FALSE(recipe.LimitsFor("3").minSignal);

  Write("plain.txt", "# the test set\nE1\n\n  E2  \nE1\n");
  EXPECT_EQ(LoadExpectedTags((dir / "plain.txt").string()), (std::vector<std::string>{"E1", "E2"}));
}

// Every refusal names the file, the line and the key, so that it is found at once.
TEST_F(RecipeTest, ErrorsNameTheFileTheLineAndTheKey) {
  const std::string file = (dir / "recipe.ini").string();
  const std::pair<const char*, std::string> cases[] = {
      {"[Test]\nSeconds=10\nSecond=3\n", file + ":3: [Test] Second: unknown key"},
      {"[Test]\n\nSeconds=ten\n[Antennas]\nRead=1\n", file + ":3: [Test] Seconds: 'ten'"},
      {"[Antennas]\nRead=1\nMinSignal=300\n", file + ":3: [Antennas] MinSignal: '300'"},
      {"[Antennas]\nRead=1\nread=2\n", file + ":3: [Antennas] read: given twice (first on line 2)"},
      {"[Tags]\nUnexpected=maybe\n", file + ":2: [Tags] Unexpected: 'maybe'"},
      {"[Tags]\nExpected=none.csv\n", file + ":2: [Tags] Expected: " + (dir / "none.csv").string()},
      {"[Reader]\n", file + ":1: [Reader]: unknown section"},
      {"Seconds=1\n", file + ":1: [] Seconds: a key before the first section"},
      {"[Test]\nSeconds=1\n", file + ": judges nothing"},
      {"[Antennas]\nRead=1\nSilent=1\n", file + ": [Antennas] antenna 1 must both read"},
  };
  for (const auto& [text, expected] : cases) {
    const std::string error = ErrorOf(text);
    EXPECT_EQ(error.rfind(expected, 0), 0u) << text << "\ngave: " << error;
  }
  EXPECT_EQ(ErrorOf("[Antennas]\nRead=1\n").find("(loaded)"), 0u);
  try {
    LoadRecipe((dir / "missing.ini").string());
    ADD_FAILURE() << "a missing recipe loaded";
  } catch (const RecipeError& error) {
    EXPECT_EQ(std::string(error.what()).rfind((dir / "missing.ini").string() + ": cannot read", 0),
              0u);
  }
}
