#include <fstream>
#include <sstream>

#include "../app/WindowFixture.h"
#include "../common/SimProcess.h"

namespace {

// The real window against the real simulated device process.
class SimulatedDeviceTest : public WindowTest {
 protected:
  void ConnectToSimulator() {
    form->edtIP->setText(QStringLiteral("127.0.0.1"));
    form->edtPort->setText(QString::number(sim.Port()));
    form->btnIP->click();
    ASSERT_NE(udpthread, nullptr);
  }
  // Clicks a button and waits for the log line its reply brings.
  void ClickAndWaitFor(QPushButton* button, const std::string& line) {
    const std::size_t before = CountOf(line);
    button->click();
    ASSERT_TRUE(WaitUntil([&] { return CountOf(line) > before; })) << line;
  }
  std::size_t CountOf(const std::string& line) const {
    std::size_t n = 0;
    for (const std::string& text : LogTexts()) n += text == line;
    return n;
  }

  SimProcess sim{{"--heartbeat", "1", "--reboot-ms", "700", "--rate", "2000", "--tags", "40",
                  "--count", "3000", "--seed", "7"}};
};

}  // namespace

TEST_F(SimulatedDeviceTest, ReadSetAndReadBackEveryGroup) {
  ConnectToSimulator();
  ClickAndWaitFor(form->btn2, "Get gateway!");
  EXPECT_FALSE(form->edtGateWayIP->text().isEmpty());
  ClickAndWaitFor(form->btn3, "Get deviceid!");
  ClickAndWaitFor(form->btn8, "Get network！");
  ClickAndWaitFor(form->btn5, "Get clock！");

  form->edtGateWayIP->setText(QStringLiteral("127.0.0.9"));
  form->edtGateWayPort->setText(QStringLiteral("9191"));
  ClickAndWaitFor(form->btn6, "set network！");
  form->edtDeviceID->setText(QStringLiteral("4711"));
  ClickAndWaitFor(form->btn10, "Set DeviceID！");
  form->SetNetworkMode(1);
  form->edtNetWorkIP->setText(QStringLiteral("127.0.0.7"));
  form->edtNetWorkMask->setText(QStringLiteral("255.0.0.0"));
  form->edtNetWorkGateWay->setText(QStringLiteral("127.0.0.1"));
  form->edtNetWorkDNS1->setText(QStringLiteral("127.0.0.53"));
  form->edtNetWorkDNS2->clear();
  ClickAndWaitFor(form->btn9, "Set network！");
  // The clock as UTC, so that reading it back shows the same date and time.
  setenv("TZ", "UTC0", 1);
  tzset();
  form->dtp1->SetValue(QDateTime(QDate(2030, 5, 6), QTime(7, 8, 9)));
  ClickAndWaitFor(form->btn4, "Set clock！");

  for (QLineEdit* field : {form->edtGateWayIP, form->edtGateWayPort, form->edtDeviceID,
                           form->edtNetWorkIP, form->edtNetWorkMask}) {
    field->clear();
  }
  form->SetNetworkMode(0);
  ClickAndWaitFor(form->btn2, "Get gateway!");
  ClickAndWaitFor(form->btn3, "Get deviceid!");
  ClickAndWaitFor(form->btn8, "Get network！");
  ClickAndWaitFor(form->btn5, "Get clock！");
  unsetenv("TZ");
  tzset();
  EXPECT_EQ(form->edtGateWayIP->text(), "127.0.0.9");
  EXPECT_EQ(form->edtGateWayPort->text(), "9191");
  EXPECT_EQ(form->edtDeviceID->text(), "4711");
  EXPECT_EQ(form->NetworkMode(), 1);
  EXPECT_EQ(form->edtNetWorkIP->text(), "127.0.0.7");
  EXPECT_EQ(form->edtNetWorkMask->text(), "255.0.0.0");
  EXPECT_EQ(form->edtNetWorkDNS2->text(), "");
  // The device's clock has run on for a moment since it was set.
  const qint64 drift = QDateTime(QDate(2030, 5, 6), QTime(7, 8, 9)).secsTo(form->dtp1->Value());
  EXPECT_GE(drift, 0);
  EXPECT_LE(drift, 30);
}

TEST_F(SimulatedDeviceTest, InventoryRunCountsEveryReportAndExports) {
  ConnectToSimulator();
  form->btnTest->click();
  // The simulator stops by itself after exactly 3000 reports.
  auto total = [&] {
    long sum = 0;
    for (int row = 1; row < form->Grid().RowCount(); ++row) {
      sum += std::stol("0" + Cell(4, row));
    }
    return sum;
  };
  ASSERT_TRUE(WaitUntil([&] { return total() == 3000; }, 30000)) << total();
  form->btnTest->click();
  EXPECT_EQ(form->edtCount->text(), "40");
  QTest::qWait(200);
  EXPECT_EQ(total(), 3000);  // nothing counted twice, nothing after the end

  const auto path = work.path / "run.csv";
  dialogs.savePath = QString::fromStdString(path.string());
  form->btnExport->click();
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  std::vector<std::string> lines;
  for (std::string line; std::getline(content, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 41u);
  for (const std::string& line : lines) {
    EXPECT_EQ(std::count(line.begin(), line.end(), ','), 6) << line;
    EXPECT_EQ(line.back(), '\r');
  }
}

TEST_F(SimulatedDeviceTest, RebootThenReconnectAfterTheSilence) {
  ConnectToSimulator();
  form->edtDeviceID->setText(QStringLiteral("99"));
  ClickAndWaitFor(form->btn10, "Set DeviceID！");
  form->btn11->click();  // the fake dialog answers OK
  EXPECT_EQ(udpthread, nullptr);
  QTest::qWait(1000);
  ConnectToSimulator();
  form->edtDeviceID->clear();
  ClickAndWaitFor(form->btn3, "Get deviceid!");
  EXPECT_EQ(form->edtDeviceID->text(), "99");  // the stored setting survived the reboot
}
