#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "CsvCell.h"
#include "CsvExport.h"
#include "CsvPreamble.h"
#include "MemoryGrid.h"
#include "TagTable.h"

namespace {

namespace fs = std::filesystem;

// The file's text as the cells give it, after what the platform puts first.
std::string Csv(const std::string& lines) {
  return std::string(CsvPreamble()) + lines;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class CsvExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    grid.Init({"序号", "EPC", "Len", "Ant", "Count", "RSSI", "Time"});
    dir = fs::temp_directory_path() /
          ("tagwick-csv-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  void Report(const std::string& epc, const std::string& rssi, const TimeOfDay& now) {
    ASSERT_TRUE(ProcessEpcInfo("{\"type\": \"epcinfo\", \"rssi\": \"" + rssi + "\"}", epc, epcMap,
                               grid, now)
                    .processed());
  }

  MemoryGrid grid;
  EpcMap epcMap;
  fs::path dir;
};

TEST_F(CsvExportTest, NoTagsGiveTheHeaderLineAndSixCommas) {
  EXPECT_EQ(BuildCsv(grid), Csv("序号,EPC,Len,Ant,Count,RSSI,Time\r\n,,,,,,\r\n"));
}

TEST_F(CsvExportTest, ThreeTagsInTheOrderOfFirstSighting) {
  Report("E2B", "-60", TimeOfDay{10, 0, 0, 1});
  Report("E2A", "-61", TimeOfDay{10, 0, 0, 2});
  Report("E2C", "-62", TimeOfDay{10, 0, 0, 3});
  Report("E2B", "-63", TimeOfDay{10, 0, 0, 4});
  EXPECT_EQ(BuildCsv(grid), Csv("序号,EPC,Len,Ant,Count,RSSI,Time\r\n"
                                "1,E2B,1,0,2,64,10:00:00:004\r\n"
                                "2,E2A,1,0,1,66,10:00:00:002\r\n"
                                "3,E2C,1,0,1,65,10:00:00:003\r\n"));
}

TEST_F(CsvExportTest, CellsAreWrittenUnquotedAndUnchanged) {
  grid.Init({"No,1", "EPC \"x\"", "Len", "Ant", "Count", "RSSI", "Time"});
  grid.SetRow(1, {"a\nb", "\xff\xfe", "", "", "", "", "z"});
  const std::string csv = BuildCsv(grid);
  EXPECT_EQ(csv, Csv("No,1,EPC \"x\",Len,Ant,Count,RSSI,Time\r\na\nb,\xff\xfe,,,,,z\r\n"));
}

// A forged EPC must not become a live formula when the operator opens the file.
TEST_F(CsvExportTest, CellsASpreadsheetWouldRunAreGuardedAndReadBackExactly) {
  grid.SetRowCount(3);
  grid.SetRow(1, {"1", "=HYPERLINK(\"http://x\",\"click\")", "+cmd|' /C calc'!A0", "@SUM(1)", "\tX",
                  "-41", "\rY"});
  grid.SetRow(2, {"2", "E200A1", "-", "'=x", "'abc", "+7.5", "-1e3"});
  EXPECT_EQ(
      BuildCsv(grid),
      Csv("序号,EPC,Len,Ant,Count,RSSI,Time\r\n"
          "1,'=HYPERLINK(\"http://x\",\"click\"),'+cmd|' /C calc'!A0,'@SUM(1),'\tX,-41,'\rY\r\n"
          "2,E200A1,'-,''=x,'abc,+7.5,'-1e3\r\n"));
  for (const std::string cell : {"=1", "''=x", "'abc", "-41", "-", "", "'", "E2"}) {
    EXPECT_EQ(UnguardCell(GuardCell(cell)), cell);
  }
}

TEST_F(CsvExportTest, EveryLineEndsInCrLfTheLastIncluded) {
  const std::string csv = BuildCsv(grid);
  ASSERT_GE(csv.size(), 2u);
  EXPECT_EQ(csv.substr(csv.size() - 2), "\r\n");
}

// A spreadsheet on Windows reads a CSV without a byte-order mark in the ANSI code page.
TEST_F(CsvExportTest, AByteOrderMarkOnWindowsOnly) {
  const std::string csv = BuildCsv(grid);
#ifdef _WIN32
  EXPECT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
#else
  EXPECT_NE(csv.substr(0, 3), "\xEF\xBB\xBF");
#endif
  EXPECT_EQ(csv.substr(CsvPreamble().size(), 6), "序号");
}

TEST_F(CsvExportTest, WritesTheFile) {
  Report("E1", "-60", TimeOfDay{1, 2, 3, 4});
  const fs::path path = dir / "taglist.csv";
  std::string error;
  ASSERT_TRUE(WriteCsvFile(path.string(), grid, error)) << error;
  EXPECT_EQ(ReadFile(path), BuildCsv(grid));
  EXPECT_EQ(error, "");
}

// The window hands the chosen path over as UTF-8 bytes; on Windows the programs' manifest makes
// that the code page of the file calls.
TEST_F(CsvExportTest, APathInChineseIsWritten) {
  ASSERT_TRUE(fs::create_directories(dir / fs::path(u8"导出")));
  const std::string folder = dir.string() + "/导出";
  std::string error;
  ASSERT_TRUE(WriteCsvFile(folder + "/标签.csv", grid, error)) << error;
  EXPECT_EQ(ReadFile(dir / fs::path(u8"导出") / fs::path(u8"标签.csv")), BuildCsv(grid));
}

TEST_F(CsvExportTest, NameWithoutExtensionIsUsedAsTyped) {
  const fs::path path = dir / "taglist";
  std::string error;
  ASSERT_TRUE(WriteCsvFile(path.string(), grid, error)) << error;
  EXPECT_TRUE(fs::exists(path));
  EXPECT_FALSE(fs::exists(dir / "taglist.csv"));
}

TEST_F(CsvExportTest, AnExistingFileIsOverwritten) {
  const fs::path path = dir / "old.csv";
  {
    std::ofstream out(path, std::ios::binary);
    out << std::string(10000, 'x');
  }
  std::string error;
  ASSERT_TRUE(WriteCsvFile(path.string(), grid, error)) << error;
  EXPECT_EQ(ReadFile(path), BuildCsv(grid));
}

TEST_F(CsvExportTest, UncreatablePathReportsCannotCreateFile) {
  const std::string path = (dir / "no-such-dir" / "taglist.csv").string();
  std::string error;
  EXPECT_FALSE(WriteCsvFile(path, grid, error));
  EXPECT_EQ(error, "Cannot create file " + path);
  EXPECT_FALSE(fs::exists(dir / "no-such-dir"));
}

TEST_F(CsvExportTest, ADirectoryCannotBeCreatedAsAFile) {
  std::string error;
  EXPECT_FALSE(WriteCsvFile(dir.string(), grid, error));
  EXPECT_EQ(error, "Cannot create file " + dir.string());
}

TEST_F(CsvExportTest, AFullDiskIsAFailure) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  std::string error;
  EXPECT_FALSE(WriteCsvFile("/dev/full", grid, error));
  EXPECT_EQ(error.rfind("Cannot write file /dev/full: ", 0), 0u) << error;
}

TEST_F(CsvExportTest, ALargeGridIsWrittenWhole) {
  for (int i = 0; i < 20000; ++i) Report("EPC" + std::to_string(i), "-60", TimeOfDay{});
  const fs::path path = dir / "big.csv";
  std::string error;
  ASSERT_TRUE(WriteCsvFile(path.string(), grid, error)) << error;
  EXPECT_EQ(ReadFile(path), BuildCsv(grid));
  if (fs::exists("/dev/full")) {
    EXPECT_FALSE(WriteCsvFile("/dev/full", grid, error));
  }
}

}  // namespace
