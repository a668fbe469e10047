#include <cjson/cJSON.h>
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "Verdict.h"
#include "VerdictFiles.h"

namespace {

using namespace std::chrono_literals;
using Clock = ReadStats::Clock;

// Reports as the tag table processes them, into the table and the statistics at once.
class VerdictTest : public ::testing::Test {
 protected:
  void Report(const std::string& epc, const std::string& antenna, int signal) {
    auto found = tags.find(epc);
    if (found == tags.end())
      found = tags.emplace(epc, __EPCDATA{static_cast<int32_t>(tags.size()) + 1, 0}).first;
    ++found->second.count;
    stats.Add(found->second.row, antenna, signal, origin + 100ms * stats.Reads());
  }
  const Criterion* Find(const Verdict& verdict, const std::string& name) {
    for (const Criterion& criterion : verdict.criteria) {
      if (criterion.name == name) return &criterion;
    }
    ADD_FAILURE() << "no criterion " << name;
    return nullptr;
  }
  Clock::time_point origin = Clock::time_point() + 1h;
  ReadStats stats{origin};
  EpcMap tags;
  Recipe recipe = [] {
    Recipe r;
    r.readAntennas = {"1", "2"};
    r.silentAntennas = {"4"};
    r.antennaDefaults.minTags = 2;
    r.antennaDefaults.minSignal = 50;
    r.expected = {"A", "B", "C"};
    r.tagMinReads = 2;
    return r;
  }();
};

}  // namespace

TEST_F(VerdictTest, AHealthyReaderPassesAndEachFaultFailsItsOwnCriterion) {
  for (int i = 0; i < 2; ++i) {
    Report("A", "1", 60);
    Report("B", "1", 60);
    Report("B", "2", 70);
    Report("C", "2", 70);
  }
  Verdict verdict = Judge(recipe, tags, stats, origin + 2s);
  EXPECT_TRUE(verdict.passed);
  EXPECT_TRUE(verdict.missing.empty());

  // Antenna 4 should stay silent; antenna 2 reads weakly; tag D was never expected.
  Report("D", "4", 20);
  recipe.unexpected = Recipe::Unexpected::Warn;
  recipe.antennaLimits["2"].minSignal = 71;
  recipe.expected.push_back("E");
  verdict = Judge(recipe, tags, stats, origin + 3s);
  EXPECT_FALSE(verdict.passed);
  EXPECT_EQ(Find(verdict, "antenna 4 silent")->outcome, Criterion::Outcome::Fail);
  EXPECT_EQ(Find(verdict, "antenna 2 mean signal")->outcome, Criterion::Outcome::Fail);
  EXPECT_EQ(Find(verdict, "antenna 2 mean signal")->measured, "70");
  EXPECT_EQ(Find(verdict, "antenna 1 mean signal")->outcome, Criterion::Outcome::Pass);
  EXPECT_EQ(Find(verdict, "expected tags seen")->measured, "3");
  EXPECT_EQ(Find(verdict, "expected tags seen")->detail, "never seen: E");
  EXPECT_EQ(verdict.missing, (std::vector<std::string>{"E"}));
  EXPECT_EQ(verdict.unexpected, (std::vector<std::string>{"D"}));
  EXPECT_EQ(Find(verdict, "unexpected tags")->outcome, Criterion::Outcome::Warn);
  EXPECT_EQ(verdict.Failed().size(), 3u);
}

TEST_F(VerdictTest, ADeadAntennaFailsByNameAndUnexpectedTagsFailByPolicy) {
  Report("A", "1", 60);
  Report("A", "1", 60);
  recipe.expected = {"A"};
  recipe.unexpected = Recipe::Unexpected::Fail;
  Report("X", "1", 60);
  const Verdict verdict = Judge(recipe, tags, stats, origin + 1s);
  EXPECT_FALSE(verdict.passed);
  EXPECT_EQ(Find(verdict, "antenna 2 reads")->outcome, Criterion::Outcome::Fail);
  EXPECT_EQ(Find(verdict, "antenna 2 mean signal")->measured, "none");
  EXPECT_EQ(Find(verdict, "unexpected tags")->outcome, Criterion::Outcome::Fail);
  EXPECT_EQ(Find(verdict, "expected tags' reads")->outcome, Criterion::Outcome::Pass);
}

// A forged EPC with control characters and bytes that are not UTF-8 must not break either file.
TEST_F(VerdictTest, BothFilesParseWhateverTheDeviceSent) {
  const std::string forged =
      std::string("E\x01\x1b[2J\xff\xfe<&\"", 11) + std::string(1, '\0') + "Z";
  Report(forged, "1", 60);
  Report("B", std::string("\x02", 1), 60);
  recipe.expected = {forged, "missing\x07"};
  recipe.unexpected = Recipe::Unexpected::Fail;
  const Verdict verdict = Judge(recipe, tags, stats, origin + 1s);
  const RunInfo run{"127.0.0.1:11002", "dev\x03", "1.0", "2026-01-01T00:00:00"};

  pugi::xml_document document;
  const std::string junit = VerdictJUnit(verdict, recipe, run);
  ASSERT_TRUE(document.load_string(junit.c_str())) << junit;
  const pugi::xml_node suite = document.child("testsuites").child("testsuite");
  EXPECT_EQ(suite.attribute("tests").as_uint(), verdict.criteria.size());
  EXPECT_EQ(suite.attribute("failures").as_uint(), verdict.Failed().size());
  EXPECT_STREQ(suite.child("properties")
                   .find_child_by_attribute("property", "name", "deviceid")
                   .attribute("value")
                   .value(),
               "dev\xEF\xBF\xBD");
  EXPECT_EQ(XmlSafe("a\x01\xff\xc3\xa9\tb"), "a\xEF\xBF\xBD\xEF\xBF\xBD\xc3\xa9\tb");

  const std::string json = VerdictJson(verdict, recipe, run, tags, stats, origin + 1s);
  cJSON* root = cJSON_Parse(json.c_str());
  ASSERT_NE(root, nullptr) << json;
  EXPECT_STREQ(cJSON_GetObjectItem(root, "verdict")->valuestring, "FAIL");
  EXPECT_EQ(cJSON_GetArraySize(cJSON_GetObjectItem(root, "tag_list")), 2);
  EXPECT_EQ(cJSON_GetArraySize(cJSON_GetObjectItem(root, "unexpected")), 1);
  cJSON_Delete(root);
}
