#include "ErrorGuard.h"
#include "WindowFixture.h"

using StartupTest = WindowTest;

TEST_F(StartupTest, ParameterPageShownAndOnlyTheConnectButtonEnabled) {
  EXPECT_EQ(form->pgc1->currentIndex(), 0);
  EXPECT_EQ(form->size(), QSize(792, 563));
  EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
  const auto buttons = LinkButtons();
  EXPECT_EQ(buttons.size(), 14);
  for (QPushButton* button : buttons) {
    EXPECT_EQ(button->isEnabled(), button == form->btnIP) << button->objectName().toStdString();
  }
  // The analysis page judges what was read, connected or not.
  EXPECT_TRUE(form->ts3->btnRecipe->isEnabled());
  EXPECT_FALSE(form->btn12->isVisible());
  EXPECT_FALSE(form->Edit1->isVisible());
  EXPECT_FALSE(form->edtPort->isEnabled());
  EXPECT_EQ(form->antList, "x011xxxxxxxxxxxxxxxx");
  EXPECT_EQ(form->modList, "xxx1");
}

TEST_F(StartupTest, GridHasSevenColumnsAHeaderRowAndOneEmptyRow) {
  TagGridModel& grid = form->Grid();
  EXPECT_EQ(grid.ColCount(), 7);
  EXPECT_EQ(grid.RowCount(), 2);
  const int widths[] = {60, 245, 80, 80, 80, 80, 100};
  for (int col = 0; col < 7; ++col) {
    EXPECT_EQ(form->strngrd1->columnWidth(col), widths[col]) << col;
    EXPECT_EQ(Cell(col, 1), "") << col;
  }
  // No language in use: the looked-up headers show the placeholder, the fixed ones do not.
  for (int col = 0; col < 5; ++col) EXPECT_EQ(Cell(col, 0), "***");
  EXPECT_EQ(Cell(5, 0), "RSSI");
  EXPECT_EQ(Cell(6, 0), "Time");
  EXPECT_EQ(grid.headerData(5, Qt::Horizontal).toString(), "RSSI");
  EXPECT_EQ(grid.rowCount(), 1);
}

TEST_F(StartupTest, ConnectSendsDebugStartAndDisconnectSendsDebugStop) {
  form->Edit1->setText(QStringLiteral("abc"));
  form->edtIP->setText(QStringLiteral("127.0.0.1"));
  form->edtPort->setText(QString::fromStdString(device.PortText()));
  form->btnIP->click();
  EXPECT_EQ(device.Receive(), Request("abcdebugstart"));
  EXPECT_EQ(form->btnIP->property("tag").toInt(), 1);
  EXPECT_NE(udpthread, nullptr);
  EXPECT_EQ(form->btnIP->text(), "***");
  for (QPushButton* button : LinkButtons()) EXPECT_TRUE(button->isEnabled());
  EXPECT_NE(form->mmo1->toPlainText().indexOf(QString::fromStdString(Request("abcdebugstart"))),
            -1);
  EXPECT_EQ(LogTexts().back(), "***");  // the "link opened" text

  form->btnIP->click();
  const std::optional<std::string> stop = device.Receive();
  ASSERT_TRUE(stop);
  EXPECT_EQ(*stop, Request("debugstop"));
  EXPECT_EQ(stop->size(), 24u);
  EXPECT_EQ(udpthread, nullptr);
  for (QPushButton* button : LinkButtons()) {
    EXPECT_EQ(button->isEnabled(), button == form->btnIP);
  }
}

TEST_F(StartupTest, EveryConnectionIsANewLinkThatRereadsTheAddress) {
  Connect();
  const std::uint16_t firstPort = device.PeerPort();
  form->edtIP->setText(QStringLiteral("not used until the next connect"));
  form->btnIP->click();
  ASSERT_EQ(device.Receive(), Request("debugstop"));

  FakeDevice second;
  form->edtIP->setText(QStringLiteral("127.0.0.1"));
  form->edtPort->setText(QString::fromStdString(second.PortText()));
  form->btnIP->click();
  EXPECT_EQ(second.Receive(), Request("qdwdebugstart"));
  EXPECT_NE(second.PeerPort(), firstPort);
  EXPECT_FALSE(device.Receive(std::chrono::milliseconds(100)));
}

TEST_F(StartupTest, RepliesReachTheWindowThroughTheLink) {
  Connect();
  device.Send(R"({"type":"getdeviceid","deviceid":"4711"})");
  device.Send(R"({"type":"getnetwork","mode":"static","ip":"192.0.2.10","mask":"255.255.255.0",)"
              R"("gateway":"192.0.2.1","dns1":"1.1.1.1","dns2":""})");
  device.Send(R"({"type":"getrtc","rtc":"1487658770"})");
  ASSERT_TRUE(WaitUntil([&] { return LogContains("Get clock！"); }));
  EXPECT_EQ(form->edtDeviceID->text(), "4711");
  EXPECT_TRUE(LogContains("Get deviceid!"));
  EXPECT_EQ(form->NetworkMode(), 1);
  EXPECT_EQ(form->edtNetWorkIP->text(), "192.0.2.10");
  EXPECT_EQ(form->edtNetWorkMask->text(), "255.255.255.0");
  EXPECT_EQ(form->edtNetWorkGateWay->text(), "192.0.2.1");
  EXPECT_EQ(form->edtNetWorkDNS1->text(), "1.1.1.1");
  EXPECT_EQ(form->edtNetWorkDNS2->text(), "");
  const QDateTime expected(QDate(2017, 2, 21), QTime(6, 32, 50), Qt::UTC);
  EXPECT_EQ(form->dtp1->Value(), expected);
  EXPECT_EQ(form->dtp2->Value(), expected);
}

TEST_F(StartupTest, ClosingWhileConnectedSendsDebugStopAndWhileDisconnectedNothing) {
  Connect();
  form->close();
  EXPECT_EQ(device.Receive(), Request("debugstop"));
  EXPECT_EQ(udpthread, nullptr);
  form.reset();

  form = std::make_unique<TMainForm>(dialogs, sound);
  form->FormCreate();
  form->close();
  EXPECT_FALSE(device.Receive(std::chrono::milliseconds(200)));
  EXPECT_TRUE(form->mmo1->toPlainText().isEmpty());
}

TEST(ErrorBox, FullStopAfterAMessageWhoseLastCharacterSortsAfterTheDot) {
  EXPECT_EQ(ErrorBoxText("Cannot create file /x/taglist.csv"),
            "Cannot create file /x/taglist.csv.");
  EXPECT_EQ(ErrorBoxText("Done."), "Done.");
  EXPECT_EQ(ErrorBoxText("Really!"), "Really!");  // '!' sorts before '.'
  EXPECT_EQ(ErrorBoxText(""), "");
}

TEST_F(StartupTest, AnErrorEscapingAHandlerIsShownAndTheWindowGoesOn) {
  Connect();
  dialogs.savePath = QString::fromStdString((work.path / "missing-dir" / "t.csv").string());
  form->btnExport->click();
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].title, "Tagwick");
  EXPECT_EQ(dialogs.boxes[0].icon, BoxIcon::Error);
  EXPECT_EQ(dialogs.boxes[0].text, "Cannot create file " + *dialogs.savePath + ".");
  EXPECT_NE(udpthread, nullptr);
}
