#include <QPaintEvent>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "CsvPreamble.h"
#include "WindowFixture.h"

namespace {

std::string Report(const std::string& epc, const std::string& extra = "") {
  return R"({"type":"epcinfo","epc":")" + epc + "\"" + extra + "}";
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

class ReadTestPageTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    Connect();
  }
  void StartTest() {
    form->btnTest->click();
    ASSERT_EQ(device.Receive(), Request("teststart"));
  }
  // Sends reports and waits until the current-tag field shows the last one's EPC twice over:
  // a final marker report makes sure every earlier one has been handled.
  void SendAndSettle(const std::vector<std::string>& reports) {
    for (const std::string& report : reports) device.Send(report);
    const std::string marker = "MARKER" + std::to_string(++markers);
    device.Send(Report(marker));
    ASSERT_TRUE(WaitUntil([&] { return form->edtCardNo->text().toStdString() == marker; }));
  }
  int markers = 0;
};

}  // namespace

TEST_F(ReadTestPageTest, FirstReportFillsRowOne) {
  StartTest();
  device.Send(Report("E2000001", R"(,"rssi":"-60","epclen":"4","antid":"2")"));
  ASSERT_TRUE(WaitUntil([&] { return form->edtCount->text() == "1"; }));
  EXPECT_EQ(form->Grid().RowCount(), 2);
  EXPECT_EQ(Cell(0, 1), "1");
  EXPECT_EQ(Cell(1, 1), "E2000001");
  EXPECT_EQ(Cell(2, 1), "4");
  EXPECT_EQ(Cell(3, 1), "2");
  EXPECT_EQ(Cell(4, 1), "1");
  EXPECT_EQ(Cell(5, 1), "67");
  EXPECT_EQ(Cell(6, 1).size(), 12u);  // hh:nn:ss:zzz
  EXPECT_EQ(form->edtCardNo->text(), "E2000001");
}

TEST_F(ReadTestPageTest, RepeatedAndCaseDifferingTagsAndDefaults) {
  StartTest();
  const std::string epc = "E28011606000020A1B2C3D4E";  // 24 characters
  SendAndSettle({Report(epc, R"(,"rssi":"60")"), Report(epc, R"(,"RSSI":"200","antid":"3")"),
                 Report("e28011606000020a1b2c3d4e")});
  // Row 1: the same EPC twice, columns 3 and 5 from the second report; "RSSI" read as rssi.
  EXPECT_EQ(Cell(4, 1), "2");
  EXPECT_EQ(Cell(5, 1), "71");
  EXPECT_EQ(Cell(3, 1), "3");
  EXPECT_EQ(Cell(2, 1), "12");
  // Row 2: letter case makes another tag; no members gives the defaults.
  EXPECT_EQ(Cell(1, 2), "e28011606000020a1b2c3d4e");
  EXPECT_EQ(Cell(2, 2), "12");
  EXPECT_EQ(Cell(3, 2), "0");
  EXPECT_EQ(Cell(5, 2), "-41");
  EXPECT_EQ(form->edtCount->text(), "3");  // the marker is a tag too
}

TEST_F(ReadTestPageTest, AKnownTagUpdatesOnlyItsOwnRow) {
  StartTest();
  SendAndSettle({Report("A1"), Report("B2")});
  const std::string rowOfB = Cell(6, 2) + Cell(4, 2);
  SendAndSettle({Report("A1", R"(,"rssi":"129")")});
  EXPECT_EQ(Cell(4, 1), "2");
  EXPECT_EQ(Cell(5, 1), "0");
  EXPECT_EQ(Cell(6, 2) + Cell(4, 2), rowOfB);
}

TEST_F(ReadTestPageTest, ReportsWhileStoppedOnlyShowTheCurrentTag) {
  SendAndSettle({Report("A1")});
  EXPECT_EQ(form->edtCount->text(), "0");
  EXPECT_EQ(form->Grid().RowCount(), 2);
  EXPECT_EQ(Cell(1, 1), "");
  StartTest();
  SendAndSettle({Report("A1")});
  form->btnTest->click();  // stop
  ASSERT_EQ(device.Receive(), Request("teststop"));
  SendAndSettle({Report("A1")});
  StartTest();
  SendAndSettle({Report("A1")});
  EXPECT_EQ(Cell(4, 1), "2");  // the kept table goes on counting
}

TEST_F(ReadTestPageTest, BadSignalIsLoggedNotShownAndTheTagNotCounted) {
  StartTest();
  SendAndSettle({Report("A1", R"(,"rssi":"-61.5")")});
  EXPECT_TRUE(dialogs.boxes.empty());
  EXPECT_TRUE(LogContains("'-61.5' is not a valid integer value"));
  EXPECT_EQ(Cell(1, 1), "MARKER1");
}

TEST_F(ReadTestPageTest, ResetWhileRunningEmptiesEverythingAndKeepsRunning) {
  StartTest();
  SendAndSettle({Report("A1"), Report("B2")});
  form->btnClear->click();
  EXPECT_EQ(device.Receive(), Request("setactionreset"));
  EXPECT_EQ(form->edtCount->text(), "0");
  EXPECT_EQ(form->edtCardNo->text(), "");
  EXPECT_EQ(form->Grid().RowCount(), 2);
  EXPECT_EQ(Cell(1, 1), "");
  EXPECT_EQ(Cell(5, 0), "RSSI");
  EXPECT_TRUE(form->epcMap.empty());
  EXPECT_EQ(form->btnTest->property("tag").toInt(), 1);
  SendAndSettle({Report("B2")});
  EXPECT_EQ(Cell(1, 1), "B2");
  EXPECT_EQ(Cell(4, 1), "1");
}

TEST_F(ReadTestPageTest, SoundPlaysBeforeTheCaptionChangesAndTheRequestIsSent) {
  std::vector<std::string> seen;
  sound.onPlay = [&] {
    seen.push_back(form->btnTest->text().toStdString());
    seen.push_back(device.Receive(std::chrono::milliseconds(50)) ? "sent" : "not sent");
  };
  const std::string before = form->btnTest->text().toStdString();
  form->btnTest->click();
  EXPECT_EQ(device.Receive(), Request("teststart"));
  form->btnTest->click();
  EXPECT_EQ(device.Receive(), Request("teststop"));
  EXPECT_EQ(seen, (std::vector<std::string>{before, "not sent", "***", "not sent"}));
  ASSERT_EQ(sound.paths.size(), 2u);
  EXPECT_EQ(std::filesystem::path(sound.paths[0]).filename(), "1.wav");
}

TEST_F(ReadTestPageTest, NoReportIsLostInABurst) {
  StartTest();
  constexpr int kReports = 10000;
  constexpr int kTags = 500;
  for (int i = 0; i < kReports; ++i) device.Send(Report("TAG" + std::to_string(i % kTags)));
  ASSERT_TRUE(WaitUntil(
      [&] {
        long total = 0;
        for (int row = 1; row < form->Grid().RowCount(); ++row)
          total += std::stol("0" + Cell(4, row));
        return total == kReports;
      },
      30000));
  EXPECT_EQ(form->edtCount->text(), "500");
}

TEST_F(ReadTestPageTest, ExportWritesTheGridAsShown) {
  const auto path = work.path / "tags";  // no extension: used exactly as typed
  dialogs.savePath = QString::fromStdString(path.string());
  form->btnExport->click();
  EXPECT_EQ(ReadFile(path),
            std::string(CsvPreamble()) + "***,***,***,***,***,RSSI,Time\r\n,,,,,,\r\n");
  ASSERT_EQ(dialogs.saveRequests.size(), 1u);
  EXPECT_EQ(dialogs.saveRequests[0].first, "taglist.csv");
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].icon, BoxIcon::None);

  StartTest();
  SendAndSettle({Report("A1"), Report("B2")});
  form->btnExport->click();  // the same file again: overwritten without a question
  const std::string content = ReadFile(path);
  std::vector<std::string> lines;
  std::stringstream stream(content);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1].rfind("1,A1,1,0,1,-41,", 0), 0u) << lines[1];
  EXPECT_EQ(lines[2].rfind("2,B2,1,0,1,-41,", 0), 0u) << lines[2];
  EXPECT_EQ(content.substr(content.size() - 2), "\r\n");
}

// The grid shows what the device sent; only the file is guarded against spreadsheet formulas.
TEST_F(ReadTestPageTest, ExportGuardsFormulasFromADeviceButShowsThemAsReceived) {
  StartTest();
  SendAndSettle({Report(R"(=HYPERLINK(\"http://x\",\"click\"))"), Report("+cmd|' /C calc'!A0"),
                 Report("@SUM(1)", R"(,"antid":"-2")")});
  EXPECT_EQ(Cell(1, 1), R"(=HYPERLINK("http://x","click"))");
  const auto path = work.path / "forged.csv";
  dialogs.savePath = QString::fromStdString(path.string());
  form->btnExport->click();
  const std::string content = ReadFile(path);
  for (const char* line : {"\n1,'=HYPERLINK(\"http://x\",\"click\"),15,0,1,-41,",
                           "\n2,'+cmd|' /C calc'!A0,9,0,1,-41,", "\n3,'@SUM(1),3,-2,1,-41,"}) {
    EXPECT_NE(content.find(line), std::string::npos) << line << " in\n" << content;
  }
}

TEST_F(ReadTestPageTest, CancelledExportWritesNothingButStillConfirms) {
  dialogs.savePath.reset();
  form->btnExport->click();
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, "***");
  EXPECT_TRUE(std::filesystem::is_empty(work.path));
}

TEST_F(ReadTestPageTest, TimeColumnShowsWhenTheLinkReceivedEachReport) {
  StartTest();
  // The grid's history of row 1's time, as each report reached it.
  std::vector<std::string> times;
  QObject::connect(&form->Grid(), &QAbstractItemModel::dataChanged, form.get(),
                   [&](const QModelIndex& topLeft, const QModelIndex&) {
                     if (topLeft.row() == 0) times.push_back(Cell(6, 1));
                   });
  // The window thread handles no event until the link has taken both, so both reach it in one
  // batch.
  device.Send(Report("A1"));
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  device.Send(Report("A1"));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  SendAndSettle({});
  ASSERT_EQ(times.size(), 2u);
  const auto millis = [](const std::string& text) {
    int h = 0, m = 0, s = 0, ms = 0;
    EXPECT_EQ(std::sscanf(text.c_str(), "%d:%d:%d:%d", &h, &m, &s, &ms), 4) << text;
    return ((h * 60 + m) * 60 + s) * 1000 + ms;
  };
  int apart = millis(times[1]) - millis(times[0]);
  if (apart < 0) apart += 24 * 3600 * 1000;  // across midnight
  // 30 ms less however late the link thread got to the first one; the time of processing
  // would put them within a millisecond.
  EXPECT_GE(apart, 15) << times[0] << " " << times[1];
}

TEST_F(ReadTestPageTest, GridRepaintsRowsInSightOnly) {
  form->pgc1->setCurrentIndex(1);
  StartTest();
  std::vector<QRegion> painted;
  struct PaintRecorder : QObject {
    std::vector<QRegion>* painted;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) {
        painted->push_back(static_cast<QPaintEvent*>(event)->region());
      }
      return false;
    }
  } recorder;
  recorder.painted = &painted;
  form->strngrd1->viewport()->installEventFilter(&recorder);
  const auto rowPainted = [&](int gridRow) {
    const QRect rect = form->strngrd1->visualRect(form->Grid().index(gridRow - 1, 1));
    for (const QRegion& region : painted) {
      if (region.intersects(rect)) return true;
    }
    return false;
  };
  // A row appended in sight is painted.
  SendAndSettle({Report("A1"), Report("B2")});
  EXPECT_TRUE(WaitUntil([&] { return rowPainted(2); }));
  std::vector<std::string> reports;
  for (int i = 0; i < 60; ++i) reports.push_back(Report("T" + std::to_string(i)));
  SendAndSettle(reports);
  ASSERT_GT(form->strngrd1->rowAt(form->strngrd1->viewport()->height() - 1), 0);
  ASSERT_LT(form->strngrd1->rowAt(form->strngrd1->viewport()->height() - 1), 50);
  QTest::qWait(50);
  // A row out of sight changing, and rows appended below it: nothing in the rows is repainted.
  painted.clear();
  SendAndSettle({Report("T55"), Report("NEW")});
  QTest::qWait(50);
  EXPECT_TRUE(painted.empty());
  // A row in sight changing is repainted.
  SendAndSettle({Report("B2")});
  EXPECT_TRUE(WaitUntil([&] { return rowPainted(2); }));
}
