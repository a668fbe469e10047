#include <cstdlib>
#include <ctime>

#include "../common/ZoneScope.h"
#include "FieldChecks.h"
#include "WindowFixture.h"

namespace {

class SettingsPageTest : public WindowTest {
 protected:
  std::filesystem::path WorkingDirectory() override {
    WriteNumberedLanguage(work.path);
    return work.path;
  }
  void SetUp() override {
    WindowTest::SetUp();
    Connect();
  }
  // Nothing reached the device within a short while.
  void ExpectNothingSent() { EXPECT_FALSE(device.Receive(std::chrono::milliseconds(150))); }
  QColor Background(QLineEdit* field) { return field->palette().color(QPalette::Base); }

  const QColor red{255, 0, 0};
  const QColor white{255, 255, 255};
};

}  // namespace

TEST_F(SettingsPageTest, GatewaySetWithAnEmptyPortIsRefused) {
  form->edtGateWayIP->setText(QStringLiteral("192.0.2.7"));
  const std::size_t lines = LogTexts().size();
  form->btn6->click();
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, "Text011");
  EXPECT_EQ(dialogs.boxes[0].title, "Text004");
  EXPECT_EQ(dialogs.boxes[0].icon, BoxIcon::Stop);
  EXPECT_EQ(dialogs.boxes[0].buttons, BoxButtons::Ok);
  EXPECT_EQ(LogTexts().size(), lines + 1);
  EXPECT_EQ(LogTexts().back(), "Text011");
  ExpectNothingSent();

  form->edtGateWayPort->setText(QStringLiteral(" 80"));
  form->btn6->click();
  EXPECT_EQ(device.Receive(),
            "{\n\t\"type\":\t\"setgateway\",\n\t\"ip\":\t\"192.0.2.7\",\n\t\"port\":\t\" 80\"\n}");
  EXPECT_EQ(LogTexts().size(), lines + 1);  // a set with members is not logged
}

TEST_F(SettingsPageTest, DeviceIdSetWithAnEmptyIdIsRefusedWithoutALogLine) {
  const std::size_t lines = LogTexts().size();
  form->btn10->click();
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, "Text012");
  EXPECT_EQ(dialogs.boxes[0].title, "Text004");
  EXPECT_EQ(dialogs.boxes[0].icon, BoxIcon::Stop);
  EXPECT_EQ(LogTexts().size(), lines);
  ExpectNothingSent();
}

TEST_F(SettingsPageTest, StaticNetworkWithOnlyTheMaskEmptyPaintsOnlyTheMaskRed) {
  form->SetNetworkMode(1);
  form->edtNetWorkMask->clear();
  bool maskRedWhileBoxShown = true;
  dialogs.onBox = [&] { maskRedWhileBoxShown = Background(form->edtNetWorkMask) == red; };
  const std::size_t lines = LogTexts().size();
  form->btn9->click();
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, "Text013");
  EXPECT_EQ(dialogs.boxes[0].title, "Text004");
  EXPECT_FALSE(maskRedWhileBoxShown);  // painted after the box is closed
  EXPECT_EQ(Background(form->edtNetWorkMask), red);
  EXPECT_NE(Background(form->edtNetWorkIP), red);
  EXPECT_NE(Background(form->edtNetWorkGateWay), red);
  EXPECT_EQ(LogTexts().size(), lines);
  ExpectNothingSent();
}

TEST_F(SettingsPageTest, NetworkSetSendsOnlyWhatItsModeNeeds) {
  for (QLineEdit* field : {form->edtNetWorkIP, form->edtNetWorkMask, form->edtNetWorkGateWay,
                           form->edtNetWorkDNS1, form->edtNetWorkDNS2}) {
    field->clear();
  }
  form->btn9->click();
  const std::optional<std::string> dhcp = device.Receive();
  ASSERT_TRUE(dhcp);
  EXPECT_EQ(*dhcp, "{\n\t\"type\":\t\"setnetwork\",\n\t\"mode\":\t\"dhcp\"\n}");
  EXPECT_EQ(dhcp->size(), 42u);
  EXPECT_EQ(LogTexts().back(), "Set network...");

  form->SetNetworkMode(1);
  form->edtNetWorkIP->setText(QStringLiteral("192.0.2.6"));
  form->edtNetWorkMask->setText(QStringLiteral("255.255.255.0"));
  form->edtNetWorkGateWay->setText(QStringLiteral("192.0.2.1"));
  form->btn9->click();
  EXPECT_EQ(device.Receive(),
            "{\n\t\"type\":\t\"setnetwork\",\n\t\"mode\":\t\"static\",\n\t\"ip\":\t\"192.0.2.6\",\n"
            "\t\"mask\":\t\"255.255.255.0\",\n\t\"gateway\":\t\"192.0.2.1\",\n\t\"dns1\":\t\"\",\n"
            "\t\"dns2\":\t\"\"\n}");
}

TEST_F(SettingsPageTest, ClockSetSendsTheDatePickersOwnTimeNotTheTimePickers) {
  ZoneScope zone("CST-8");
  form->dtp1->SetValue(QDateTime(QDate(2017, 2, 21), QTime(14, 32, 50)));
  form->dtp2->setTime(QTime(1, 2, 3));  // as the operator edits the time picker
  form->btn4->click();
  EXPECT_EQ(device.Receive(), "{\n\t\"type\":\t\"setrtc\",\n\t\"rtc\":\t\"1487658770\"\n}");
  EXPECT_EQ(LogTexts().back(), "Set Clock...");

  // A date the device's count cannot hold is not sent at all.
  form->dtp1->SetValue(QDateTime(QDate(2040, 1, 1), QTime(0, 0, 0)));
  form->btn4->click();
  ExpectNothingSent();
  EXPECT_NE(LogTexts().back().find("Clock not sent"), std::string::npos);
}

TEST_F(SettingsPageTest, DeviceIdReadLogsThenSendsAndTheReplyFillsTheField) {
  form->btn3->click();
  EXPECT_EQ(device.Receive(), Request("getdeviceid"));
  const QString log = form->mmo1->toPlainText();
  EXPECT_NE(log.indexOf("==> Get DeviceID...\n"), -1);
  EXPECT_TRUE(log.endsWith(QString::fromStdString(Request("getdeviceid"))));
  device.Send(R"({"type":"getdeviceid","deviceid":"1234"})");
  ASSERT_TRUE(WaitUntil([&] { return form->edtDeviceID->text() == "1234"; }));
  ASSERT_TRUE(WaitUntil([&] { return LogContains("Get deviceid!"); }));
}

TEST_F(SettingsPageTest, RebootAsksFirstThenDisconnects) {
  dialogs.answers = {BoxAnswer::Cancel, BoxAnswer::Ok};
  form->btn11->click();
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, "Text003");
  EXPECT_EQ(dialogs.boxes[0].title, "Text004");
  EXPECT_EQ(dialogs.boxes[0].icon, BoxIcon::Warning);
  EXPECT_EQ(dialogs.boxes[0].buttons, BoxButtons::OkCancel);
  ExpectNothingSent();
  EXPECT_NE(udpthread, nullptr);

  form->btn11->click();
  EXPECT_EQ(device.Receive(), Request("reboot"));
  EXPECT_EQ(device.Receive(), Request("debugstop"));
  EXPECT_EQ(udpthread, nullptr);
  EXPECT_EQ(form->btnIP->property("tag").toInt(), 0);
  for (QPushButton* button : LinkButtons()) {
    EXPECT_EQ(button->isEnabled(), button == form->btnIP);
  }
}

TEST_F(SettingsPageTest, HiddenTestButtonLogsTheThreeAddressesOfItsSample) {
  form->btn12->click();
  const QString log = form->mmo1->toPlainText();
  EXPECT_NE(log.indexOf("==> 192.168.0.6\n"), -1);
  EXPECT_NE(log.indexOf("==> 192.168.0.255\n"), -1);
  EXPECT_NE(log.indexOf("==> 255.255.255.0\n"), -1);
}

TEST_F(SettingsPageTest, UnboundHandlersSendTheirRequests) {
  form->btn7Click();
  EXPECT_EQ(device.Receive(),
            "{\n\t\"type\":\t\"setantlist\",\n\t\"antlist\":\t"
            "\"x011xxxxxxxxxxxxxxxx\",\n\t\"modlist\":\t\"xxx1\"\n}");
  form->btn16Click();
  EXPECT_EQ(device.Receive(), Request("getschedule"));
}

// Leaving fields, with the focus moved by the keyboard as the operator does.
class FieldExitTest : public SettingsPageTest {
 protected:
  void SetUp() override {
    SettingsPageTest::SetUp();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  }
  void Leave(QLineEdit* field) {
    field->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    QTest::keyClick(field, Qt::Key_Tab);
    QTest::qWait(50);  // the check runs just after the focus has moved
  }
};

TEST_F(FieldExitTest, BadMaskShowsOneBoxPutsTheFocusBackAndTurnsRed) {
  form->edtNetWorkMask->setText(QStringLiteral("255.255.255.255"));
  Leave(form->edtNetWorkMask);
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, "Text012");
  EXPECT_EQ(dialogs.boxes[0].title, "Text004");
  EXPECT_EQ(dialogs.boxes[0].icon, BoxIcon::Stop);
  EXPECT_TRUE(form->edtNetWorkMask->hasFocus());
  EXPECT_EQ(Background(form->edtNetWorkMask), red);
  QTest::qWait(100);
  EXPECT_EQ(dialogs.boxes.size(), 1u);  // the box did not trigger another check

  form->edtNetWorkMask->clear();
  Leave(form->edtNetWorkMask);
  EXPECT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(Background(form->edtNetWorkMask), white);
}

TEST_F(FieldExitTest, SurroundingBlanksPassAndStayInTheField) {
  form->edtIP->setText(QStringLiteral(" 127.0.0.1 "));
  Leave(form->edtIP);
  EXPECT_TRUE(dialogs.boxes.empty());
  EXPECT_EQ(form->edtIP->text(), " 127.0.0.1 ");
  EXPECT_EQ(Background(form->edtIP), white);
}

TEST_F(FieldExitTest, DeviceIdAndPortMessages) {
  form->edtDeviceID->setText(QStringLiteral("12 34"));
  Leave(form->edtDeviceID);
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].title, "错误");
  EXPECT_EQ(dialogs.boxes[0].text, "输入不合法，必须为至少一位的纯数字！\n清空可继续.");
  form->edtDeviceID->clear();  // "clear it to go on": leaving it empty passes

  form->edtGateWayPort->setText(QStringLiteral("80a"));
  Leave(form->edtGateWayPort);
  ASSERT_EQ(dialogs.boxes.size(), 2u);
  EXPECT_EQ(dialogs.boxes[1].text, "Text014");
  EXPECT_EQ(dialogs.boxes[1].title, "Text004");
  EXPECT_EQ(Background(form->edtGateWayPort), red);
}

TEST(FieldPatterns, WholeTextMatches) {
  for (const char* good :
       {"192.168.1.1", "255.255.255.0", "0.0.0.0", "001.02.3.4", "1x2x3x4", "1111111"}) {
    EXPECT_TRUE(IsIPAddressText(good)) << good;
  }
  for (const char* bad :
       {"192.168.1.255", "255.255.255.255", "256.1.1.1", "1.2.3", "1.2.3.4.", "", "1.2.3.4 "}) {
    EXPECT_FALSE(IsIPAddressText(bad)) << bad;
  }
  for (const char* good : {"0", "65536", "007"}) EXPECT_TRUE(IsDigitsText(good)) << good;
  for (const char* bad : {"80a", "-1", "12 34", "", "٣"}) EXPECT_FALSE(IsDigitsText(bad)) << bad;
  EXPECT_TRUE(IsScheduleText("0:00-6:30/8:30-11:30/"));
  EXPECT_TRUE(IsScheduleText("99:99-99:99+"));
  EXPECT_FALSE(IsScheduleText("0:00-6:30/8:30-11:30"));
  EXPECT_FALSE(IsScheduleText("0:00-6:30"));
  // A pasted flood of digits is checked without trouble.
  const std::string many(100000, '7');
  EXPECT_TRUE(IsDigitsText(many));
  EXPECT_FALSE(IsIPAddressText(many));
  EXPECT_FALSE(IsScheduleText(many));
}

TEST(FieldPatterns, TrimRemovesBlanksAndControlCharacters) {
  EXPECT_EQ(TrimText(" \t1.2.3.4\r\n"), "1.2.3.4");
  EXPECT_EQ(TrimText("  "), "");
  EXPECT_EQ(TrimText("a b"), "a b");
}

TEST(FieldPatterns, SearchFindsEveryAddressLeftToRight) {
  EXPECT_EQ(FindAddresses("inet addr:192.168.0.6  Bcast:192.168.0.255  Mask:255.255.255.0"),
            (std::vector<std::string>{"192.168.0.6", "192.168.0.255", "255.255.255.0"}));
  EXPECT_TRUE(FindAddresses("no address here").empty());
}
