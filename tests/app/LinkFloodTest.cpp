#include <QTextDocument>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include "../common/ZoneScope.h"
#include "WindowFixture.h"

using LinkFloodTest = WindowTest;

TEST_F(LinkFloodTest, ClockInTheSpringForwardHourSetsBothPickersUnadjusted) {
  ZoneScope zone("Europe/Berlin");
  Connect();
  device.Send(R"({"type":"getrtc","rtc":"1616898600"})");  // 2021-03-28 02:30:00 UTC
  ASSERT_TRUE(WaitUntil([&] { return LogContains("Get clock！"); }));
  for (DateTimePicker* picker : {form->dtp1, form->dtp2}) {
    EXPECT_EQ(picker->Value().date(), QDate(2021, 3, 28));
    EXPECT_EQ(picker->Value().time(), QTime(2, 30, 0));
  }
  EXPECT_EQ(form->dtp1->date(), QDate(2021, 3, 28));
  EXPECT_EQ(form->dtp2->time(), QTime(2, 30, 0));
}

TEST_F(LinkFloodTest, ADisconnectWhoseStopHitsAThrowingEffectStillEndsTheLink) {
  Connect();
  // The reply's effect throws: its field is gone.
  delete form->edtDeviceID;
  form->edtDeviceID = nullptr;
  // The window gets no events before the click: the stop carries the reply out.
  device.Send(R"({"type":"getdeviceid","deviceid":"4711"})");
  form->btnIP->click();
  EXPECT_EQ(udpthread, nullptr);
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_TRUE(dialogs.boxes[0].text.contains(QStringLiteral("edtDeviceID")));
  EXPECT_FALSE(form->btn5->isEnabled());
  form->btnIP->click();
  EXPECT_NE(udpthread, nullptr);
  const std::vector<std::string> sent = device.Drain();
  ASSERT_FALSE(sent.empty());
  EXPECT_NE(sent.back().find("debugstart"), std::string::npos);
}

TEST_F(LinkFloodTest, LinesAppendedInOneDrainAreEachTheirOwnLineInOrder) {
  Connect();
  const int before = form->mmo1->document()->blockCount();
  for (int i = 0; i < 300; ++i) device.Send(R"({"type":"line)" + std::to_string(i) + "\"}");
  ASSERT_TRUE(WaitUntil([&] { return LogContains("line299"); }));
  const std::vector<std::string> texts = LogTexts();
  ASSERT_EQ(texts.size(), static_cast<std::size_t>(before + 300));
  for (int i = 0; i < 300; ++i) EXPECT_EQ(texts[before + i], "line" + std::to_string(i));
  EXPECT_EQ(form->mmo1->document()->blockCount(), before + 300);
  form->AddLog("at once");  // a line written outside a drain is there straight away
  EXPECT_EQ(LogTexts().back(), "at once");
}

#ifndef _WIN32
// The nice value of this process's thread named `name`; nullopt when there is none.
std::optional<int> NiceOf(const std::string& name) {
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::string comm;
    std::getline(std::ifstream(task.path() / "comm"), comm);
    if (comm != name) continue;
    return getpriority(PRIO_PROCESS, static_cast<id_t>(std::stoi(task.path().filename())));
  }
  return std::nullopt;
}

TEST_F(LinkFloodTest, TheWindowStepsBehindEveryLinksReceiveThread) {
  const auto windowNice = [] {
    return getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
  };
  Connect();
  EXPECT_GE(windowNice(), 10);
  // The second link is started by the window thread after it stepped back.
  form->btnIP->click();
  Connect();
  std::optional<int> receive;
  ASSERT_TRUE(WaitUntil([&] { return (receive = NiceOf("tagwick-receive")).has_value(); }));
  EXPECT_LT(*receive, windowNice());
}
#endif
