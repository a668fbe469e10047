#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "HandOver.h"
#include "Json.h"
#include "LogLine.h"
#include "RecorderWindow.h"

TEST(GetJsonField, MemberLookupRules) {
  struct Case {
    const char* text;
    const char* name;
    const char* value;
  };
  const Case cases[] = {
      {R"({"type":"setrtc","Status":"ok"})", "status", "ok"},  // letter case ignored
      {R"({"status":"first","STATUS":"second"})", "status", "first"},
      {R"({"port":8080})", "port", ""},  // not a string
      {R"({"type":"x"})", "port", ""},   // absent
      {R"(["status"])", "status", ""},   // not an object
  };
  for (const Case& c : cases) {
    RecorderWindow log;
    std::string value = "unset";
    EXPECT_TRUE(GetJsonField(c.text, c.name, value, log)) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
    EXPECT_TRUE(log.effects.empty());
  }
}

TEST(GetJsonField, TextThatDoesNotParseIsLogged) {
  RecorderWindow log;
  std::string value = "unset";
  EXPECT_FALSE(GetJsonField("abc", "type", value, log));
  EXPECT_EQ(value, "unset");
  EXPECT_EQ(log.effects, (std::vector<std::string>{"log Invalid json string:abc"}));
}

TEST(PrintJsonObject, FormattedLayoutKeepsMemberOrderAndEscapes) {
  EXPECT_EQ(
      PrintJsonObject({{"type", "setgateway"}, {"ip", "a\"b\\c\n"}, {"port", " 80"}}),
      "{\n\t\"type\":\t\"setgateway\",\n\t\"ip\":\t\"a\\\"b\\\\c\\n\",\n\t\"port\":\t\" 80\"\n}");
  // Bytes above 127 go out unchanged.
  EXPECT_EQ(PrintJsonObject({{"type", "\xe4\xb8\xad"}}), "{\n\t\"type\":\t\"\xe4\xb8\xad\"\n}");
}

TEST(FormatLogLine, TwoDigitFieldsThenArrow) {
  std::tm time{};
  time.tm_hour = 9;
  time.tm_min = 5;
  time.tm_sec = 3;
  EXPECT_EQ(FormatLogLine("Get gateway!", time), "09:05:03 ==> Get gateway!");
}

namespace {
class QueueWindowThread : public WindowThread {
 public:
  void Post(std::function<void()> task) override {
    std::lock_guard lock(mutex);
    tasks.push_back(std::move(task));
  }
  // Runs what has been posted so far, as the window's event loop would.
  void RunPosted() {
    std::vector<std::function<void()>> now;
    {
      std::lock_guard lock(mutex);
      now.swap(tasks);
    }
    for (auto& task : now) task();
  }
  std::mutex mutex;
  std::vector<std::function<void()>> tasks;
};
}  // namespace

TEST(HandOver, TasksRunOnceInOrderAndAFullQueueWaitsForRoom) {
  QueueWindowThread window;
  HandOver handOver(window, 2);
  std::vector<int> ran;
  handOver.Deliver([&] { ran.push_back(1); });
  handOver.Deliver([&] { ran.push_back(2); });
  std::atomic<bool> third{false};
  std::thread link([&] {
    handOver.Deliver([&] { ran.push_back(3); });  // waits: two are pending
    third = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(third);
  window.RunPosted();  // the window drains, which makes room
  link.join();
  window.RunPosted();
  EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(handOver.Pending(), 0u);
}

TEST(HandOver, CancelReleasesAWaitingLinkAndFlushLosesNothing) {
  QueueWindowThread window;
  HandOver handOver(window, 1);
  std::vector<int> ran;
  handOver.Deliver([&] { ran.push_back(1); });
  std::thread link([&] { handOver.Deliver([&] { ran.push_back(2); }); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  handOver.Cancel();  // the window is stopping the link and will not drain
  link.join();
  handOver.Flush();
  EXPECT_EQ(ran, (std::vector<int>{1, 2}));
  window.RunPosted();  // a stale drain finds nothing to do
  EXPECT_EQ(ran, (std::vector<int>{1, 2}));
}
