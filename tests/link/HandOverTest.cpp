#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "HandOver.h"

using namespace std::chrono_literals;

namespace {
class DroppingWindowThread : public WindowThread {
 public:
  void Post(std::function<void()>) override {}
};

// Runs what is posted at once, on the posting thread.
class InlineWindowThread : public WindowThread {
 public:
  void Post(std::function<void()> task) override { task(); }
};
}  // namespace

// A drain past its budget posts the rest; a window thread that runs it at once must find the
// hand-over unlocked.
TEST(HandOverDrain, TasksPastTheDrainsBudgetAllRunInOrderWhenPostsRunAtOnce) {
  InlineWindowThread window;
  HandOver handOver(window, 1000, 0ms);
  std::vector<int> ran;
  handOver.Deliver([&] {
    for (int i = 1; i < 4; ++i) {
      handOver.Deliver([&ran, i] {
        std::this_thread::sleep_for(10ms);  // longer than a drain may take
        ran.push_back(i);
      });
    }
    ran.push_back(0);
  });
  EXPECT_EQ(ran, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(handOver.Pending(), 0u);
}

// Keeps what is posted, to run when the test says.
class HeldWindowThread : public WindowThread {
 public:
  void Post(std::function<void()> task) override { posted.push_back(std::move(task)); }
  std::vector<std::function<void()>> posted;
};

// Tasks delivered while posts are held reach the window in one drain once let go, in order,
// with no wait for an interval; a queue that fills while held is posted all the same.
TEST(HandOverDrain, TasksDeliveredWhilePostsAreHeldGoInOneDrainOnceLetGo) {
  HeldWindowThread window;
  HandOver handOver(window, 4, 1h);
  std::vector<int> ran;
  handOver.HoldPosts(true);
  for (int i = 0; i < 3; ++i) handOver.Deliver([&ran, i] { ran.push_back(i); });
  EXPECT_TRUE(window.posted.empty());
  handOver.HoldPosts(false);
  ASSERT_EQ(window.posted.size(), 1u);
  window.posted[0]();
  EXPECT_EQ(ran, (std::vector<int>{0, 1, 2}));

  // The next interval has not begun: held again, a full queue is posted without letting go.
  window.posted.clear();
  handOver.HoldPosts(true);
  for (int i = 0; i < 4; ++i) handOver.Deliver([] {});
  EXPECT_TRUE(window.posted.empty());
  std::thread link([&] { handOver.Deliver([] {}); });
  // The link thread posts before it waits for room.
  while (handOver.Waiting() != 1) std::this_thread::yield();
  ASSERT_EQ(window.posted.size(), 1u);
  window.posted[0]();
  link.join();
}

TEST(HandOverBound, PendingBytesNeverExceedTheBoundAndALoneLargeTaskStillGoesIn) {
  DroppingWindowThread window;
  HandOver handOver(window, 1000, 0ms, 100);
  handOver.Deliver([] {}, 60);
  handOver.Deliver([] {}, 40);
  std::atomic<int> delivered{0};
  std::thread link([&] {
    handOver.Deliver([] {}, 1);  // 101 bytes would be over: waits
    delivered = 1;
    handOver.Deliver([] {}, 500);  // larger than the bound: waits for an empty queue
    delivered = 2;
  });
  // Each step waits for the link thread to be held back, never for a time: a flush that began
  // before the large task waited would run it too.
  auto waitUntilHeld = [&](int done) {
    while (handOver.Waiting() != 1 || delivered != done) std::this_thread::yield();
  };
  waitUntilHeld(0);
  EXPECT_EQ(handOver.PendingBytes(), 100u);
  handOver.Flush();  // makes room, as a drain does
  waitUntilHeld(1);
  EXPECT_EQ(handOver.PendingBytes(), 1u);
  handOver.Flush();
  link.join();
  EXPECT_EQ(delivered, 2);
  EXPECT_EQ(handOver.PendingBytes(), 500u);
  EXPECT_EQ(handOver.Pending(), 1u);
}

TEST(HandOverBound, FlushPastItsBudgetRunsOnlyKeptTasksInOrderAndCountsTheRest) {
  DroppingWindowThread window;
  HandOver handOver(window);
  std::vector<int> ran;
  for (int i = 0; i < 6; ++i) handOver.Deliver([&ran, i] { ran.push_back(i); }, 10, i % 2 == 1);
  HandOver::FlushResult result = handOver.Flush(0ms, 1h);
  EXPECT_EQ(ran, (std::vector<int>{1, 3, 5}));
  EXPECT_EQ(result.skipped, 3u);
  EXPECT_EQ(handOver.Pending(), 0u);
  EXPECT_EQ(handOver.PendingBytes(), 0u);

  // Nothing runs once both budgets are spent; a task that throws does not stop the ones behind.
  ran.clear();
  handOver.Deliver([&] { ran.push_back(0); }, 0, true);
  EXPECT_EQ(handOver.Flush(0ms, 0ms).skipped, 1u);
  handOver.Deliver([] { throw std::runtime_error("first"); });
  handOver.Deliver([] { throw std::runtime_error("second"); });
  handOver.Deliver([&] { ran.push_back(2); });
  result = handOver.Flush();
  EXPECT_EQ(ran, (std::vector<int>{2}));
  EXPECT_EQ(result.skipped, 0u);
  try {
    std::rethrow_exception(result.error);
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "first");
  }
}
