#include <QLabel>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTimer>
#include <fstream>
#include <sstream>

#include "AnalysisPage.h"
#include "LineChart.h"
#include "WindowFixture.h"

namespace {

class AnalysisPageTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    Connect();
    form->btnTest->click();
    ASSERT_EQ(device.Receive(), Request("teststart"));
  }
  // Sends reports, then waits until the window has processed `total` of them.
  void SendAll(const std::vector<std::string>& reports, std::uint64_t total) {
    for (const std::string& report : reports) device.Send(report);
    ASSERT_TRUE(WaitUntil([&] { return form->readStats.Reads() == total; }));
  }
  static std::string Report(const std::string& epc, const std::string& antenna, int rssi) {
    return R"({"type":"epcinfo","epc":")" + epc + R"(","antid":")" + antenna + R"(","rssi":")" +
           std::to_string(rssi) + "\"}";
  }
  std::string AntennaCell(int row, int col) {
    QTableWidgetItem* item = form->ts3->tblAntennas->item(row, col);
    return item ? item->text().toStdString() : "";
  }
  QTimer* Timer() { return form->ts3->findChild<QTimer*>(); }
};

}  // namespace

// What the page shows follows the reports and the count reset, and it is drawn only while seen.
TEST_F(AnalysisPageTest, FiguresFollowTheReportsAndTheResetWhileThePageIsShown) {
  SendAll({Report("A", "2", -60), Report("B", "1", -70), Report("A", "2", -50)}, 3);
  EXPECT_FALSE(Timer()->isActive());
  form->pgc1->setCurrentIndex(2);
  EXPECT_TRUE(Timer()->isActive());
  // By antenna number; the signal as the grid shows it (-60 -> 67).
  EXPECT_EQ(AntennaCell(0, 0), "1");
  EXPECT_EQ(AntennaCell(1, 0), "2");
  EXPECT_EQ(AntennaCell(1, 1), "1");   // tags
  EXPECT_EQ(AntennaCell(1, 2), "2");   // reads
  EXPECT_EQ(AntennaCell(1, 5), "67");  // min
  EXPECT_EQ(AntennaCell(1, 7), "77");  // max

  // The tag selected in the grid is the one plotted.
  form->strngrd1->selectRow(0);
  form->ts3->Refresh();
  EXPECT_EQ(form->readStats.Watched(), 1);
  EXPECT_EQ(form->ts3->chtSignal->SeriesList().front().points.size(), 2);

  form->btnClear->click();
  form->ts3->Refresh();
  EXPECT_EQ(form->ts3->tblAntennas->rowCount(), 0);
  form->pgc1->setCurrentIndex(1);
  EXPECT_FALSE(Timer()->isActive());
}

// The window saves the same two files as the command line's test.
TEST_F(AnalysisPageTest, AVerdictIsJudgedLiveAndSavedAsJUnitAndJson) {
  std::ofstream(work.path / "r.ini") << "[Antennas]\nRead=1,2\nMinTags=1\n";
  dialogs.openPath = QString::fromStdString((work.path / "r.ini").string());
  form->ts3->btnRecipe->click();
  EXPECT_EQ(form->ts3->lblVerdict->text(), "FAIL");
  SendAll({Report("A", "2", -60), Report("B", "1", -70)}, 2);
  form->ts3->Refresh();
  EXPECT_EQ(form->ts3->lblVerdict->text(), "PASS");

  dialogs.savePath = QString::fromStdString((work.path / "bench.xml").string());
  form->ts3->btnVerdictSave->click();
  ASSERT_TRUE(std::filesystem::exists(work.path / "bench.xml"));
  std::stringstream json;
  json << std::ifstream(work.path / "bench.json").rdbuf();
  EXPECT_NE(json.str().find("\"verdict\":\t\"PASS\""), std::string::npos) << json.str();
  EXPECT_NE(json.str().find("\"device\":\t\"127.0.0.1:" + device.PortText() + "\""),
            std::string::npos);

  // A bad recipe is named in the error box; the one loaded before stays.
  std::ofstream(work.path / "bad.ini") << "[Antennas]\nRead=1\nMinTag=1\n";
  dialogs.openPath = QString::fromStdString((work.path / "bad.ini").string());
  form->ts3->btnRecipe->click();
  ASSERT_FALSE(dialogs.boxes.empty());
  EXPECT_TRUE(dialogs.boxes.back().text.contains(QStringLiteral("bad.ini:3: [Antennas] MinTag")));
  EXPECT_EQ(form->ts3->LoadedRecipe()->path, (work.path / "r.ini").string());
}
