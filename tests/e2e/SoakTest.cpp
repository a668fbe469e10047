#include <dirent.h>

#include <atomic>
#include <random>
#include <thread>

#include "../app/WindowFixture.h"

namespace {

int CountEntries(const char* directory) {
  int n = 0;
  if (DIR* dir = opendir(directory)) {
    while (readdir(dir)) ++n;
    closedir(dir);
  }
  return n;
}

std::string TagReport(int i) {
  return R"({"type":"epcinfo","epc":"E200)" + std::to_string(100000 + i % 3000) + R"(","rssi":"-)" +
         std::to_string(30 + i % 50) + R"(","antid":"1"})";
}

class SoakTest : public WindowTest {
 protected:
  void StartTestRunning() {
    Connect();
    form->btnTest->click();
    ASSERT_EQ(device.Receive(), Request("teststart"));
  }
  long TotalReads() {
    long sum = 0;
    for (int row = 1; row < form->Grid().RowCount(); ++row) sum += std::stol("0" + Cell(4, row));
    return sum;
  }
};

}  // namespace

TEST_F(SoakTest, MixedFloodCountsEveryValidReportOnceAndLogsEveryMalformedOne) {
  StartTestRunning();
  std::mt19937 random(12345);
  long reports = 0;
  long malformed = 0;
  constexpr int kDatagrams = 200000;
  constexpr int kBurst = 2000;
  for (int sent = 0; sent < kDatagrams;) {
    for (int i = 0; i < kBurst; ++i, ++sent) {
      const unsigned kind = random() % 100;
      if (kind < 70) {
        device.Send(TagReport(sent));
        ++reports;
      } else if (kind < 78) {
        device.Send(R"({"type":"getdeviceid","deviceid":")" + std::to_string(sent) + "\"}");
      } else if (kind < 80) {
        device.Send(R"({"type":"heart"})");
      } else if (kind < 88) {
        device.Send(TagReport(sent).substr(0, 10 + random() % 40));  // cut short: not JSON
        ++malformed;
      } else if (kind < 92) {
        device.Send(std::string(8193, 'x'));  // oversize: dropped without a trace
      } else if (kind < 96) {
        device.Send(std::string());  // empty: ignored
      } else {
        std::string garbage(1 + random() % 300, '\0');
        for (char& c : garbage) c = static_cast<char>(random() % 256);
        garbage[0] = '\xff';  // never valid JSON, never empty
        device.Send(garbage);
        ++malformed;
      }
    }
    // Let the window catch up between bursts, so the kernel queue never overflows: this tests
    // the handling, not the socket's buffer.
    device.Send(R"({"type":"getdeviceid","deviceid":"burst)" + std::to_string(sent) + "\"}");
    ASSERT_TRUE(
        WaitUntil([&] { return form->edtDeviceID->text() == QString("burst%1").arg(sent); }, 60000))
        << sent;
  }
  EXPECT_EQ(TotalReads(), reports);
  EXPECT_EQ(form->edtCount->text(), "3000");
  EXPECT_EQ(form->mmo1->toPlainText().count("Invalid json string:"), malformed);
}

TEST_F(SoakTest, ConnectAndDisconnectDuringAFloodLeavesNothingBehind) {
  // Counted after a first round: what the toolkit starts once, on first use, is not a leak.
  Connect();
  form->btnTest->click();
  form->btnTest->click();
  form->btnIP->click();
  ASSERT_EQ(udpthread, nullptr);
  device.Drain(std::chrono::milliseconds(1));
  const int fdsBefore = CountEntries("/proc/self/fd");
  const int threadsBefore = CountEntries("/proc/self/task");
  std::atomic<std::uint16_t> target{0};
  std::atomic<bool> flooding{true};
  std::thread flood([&] {
    FakeDevice sender;
    int i = 0;
    while (flooding) {
      if (const std::uint16_t port = target) {
        sender.Send(i % 7 == 0 ? "{broken" : TagReport(i), port);
      }
      ++i;
    }
  });
  for (int round = 0; round < 100; ++round) {
    Connect();
    target = udpthread->LocalPort();
    if (round % 10 == 0) form->btnTest->click();  // start and stop the test now and then
    QTest::qWait(5);
    form->btnIP->click();
    ASSERT_EQ(udpthread, nullptr);
    device.Drain(std::chrono::milliseconds(1));
  }
  flooding = false;
  flood.join();
  // A pooled thread of the toolkit's may outlive its task for a while: wait for the counts to
  // come back rather than for a time.
  EXPECT_TRUE(WaitUntil([&] { return CountEntries("/proc/self/task") <= threadsBefore; }, 60000))
      << CountEntries("/proc/self/task") << " threads, " << threadsBefore << " before";
  EXPECT_EQ(CountEntries("/proc/self/fd"), fdsBefore);
  EXPECT_GT(form->Grid().RowCount(), 1);
}
