#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "../common/FakeDevice.h"
#include "RecorderWindow.h"
#include "Uudpthread.h"

using namespace std::chrono_literals;

namespace {

// Runs posted tasks at once, on the posting thread.
class InlineWindowThread : public WindowThread {
 public:
  void Post(std::function<void()> task) override { task(); }
};

// Keeps posted tasks and never runs them: a window thread that is busy elsewhere.
class StuckWindowThread : public WindowThread {
 public:
  void Post(std::function<void()> task) override {
    std::lock_guard lock(mutex);
    tasks.push_back(std::move(task));
  }
  std::mutex mutex;
  std::deque<std::function<void()>> tasks;
};

// Counts what the chain is given, and logs each text so that the hand-over is exercised.
struct Received {
  std::mutex mutex;
  std::condition_variable arrived;
  std::vector<std::string> texts;

  bool WaitFor(std::size_t count, std::chrono::milliseconds timeout = 5s) {
    std::unique_lock lock(mutex);
    return arrived.wait_for(lock, timeout, [&] { return texts.size() >= count; });
  }
  std::size_t Count() {
    std::lock_guard lock(mutex);
    return texts.size();
  }
};

class RecordingHandler : public Handler {
 public:
  RecordingHandler(DeviceWindow& window, Received& received)
      : Handler("", window), received(received) {}
  bool Handle(std::string text) override {
    window.AddLog("got " + std::to_string(text.size()));
    {
      std::lock_guard lock(received.mutex);
      received.texts.push_back(text);
    }
    received.arrived.notify_all();
    return true;
  }
  Received& received;
};

UDPThread::ChainFactory Recording(Received& received) {
  return [&received](DeviceWindow& window) {
    auto chain = std::make_unique<HandlerChain>();
    chain->Add(std::make_unique<RecordingHandler>(window, received));
    return chain;
  };
}

struct LinkFixture : ::testing::Test {
  FakeDevice device;
  RecorderWindow window;
  InlineWindowThread windowThread;
  Received received;

  std::unique_ptr<UDPThread> Connect(WindowThread& thread) {
    return std::make_unique<UDPThread>("127.0.0.1", device.PortText(), window, thread,
                                       Recording(received));
  }
  // Sends one request so that the link has a local port and the device knows it.
  void Handshake(UDPThread& link) {
    link.Send("hello");
    ASSERT_EQ(device.Receive(), "hello");
  }
};

}  // namespace

TEST_F(LinkFixture, DatagramSizesAtTheBufferLimit) {
  auto link = Connect(windowThread);
  Handshake(*link);
  device.Send(std::string(8193, 'b'));  // one byte too many: dropped whole
  device.Send(std::string());           // empty: ignored
  device.Send(std::string(8192, 'a'));  // exactly the buffer: handled whole
  device.Send(std::string("ab\0cd", 5));
  ASSERT_TRUE(received.WaitFor(2));
  std::this_thread::sleep_for(50ms);
  link->Stop();
  ASSERT_EQ(received.texts.size(), 2u);
  EXPECT_EQ(received.texts[0], std::string(8192, 'a'));
  EXPECT_EQ(received.texts[1], "ab");  // a text ends at its first zero byte
  EXPECT_EQ(window.effects, (std::vector<std::string>{"log got 8192", "log got 2"}));
}

TEST_F(LinkFixture, FirstReplyArrivesWhicheverOfReceiveAndSendComesFirst) {
  for (bool receiveFirst : {true, false}) {
    auto link = Connect(windowThread);
    if (receiveFirst) std::this_thread::sleep_for(50ms);  // the loop is already polling
    link->Send("hello");
    ASSERT_EQ(device.Receive(), "hello");
    device.Send("reply");
    EXPECT_TRUE(received.WaitFor(receiveFirst ? 1 : 2)) << receiveFirst;
    link->Stop();
  }
}

TEST_F(LinkFixture, DatagramDuringTheStopPauseIsStillDispatched) {
  auto link = Connect(windowThread);
  Handshake(*link);
  std::this_thread::sleep_for(30ms);  // the loop is past its first polls, waiting in a receive
  std::thread late([&] {
    std::this_thread::sleep_for(30ms);
    device.Send("late");
  });
  link->Stop();  // clears the flag, pauses 100 ms, then closes
  late.join();
  ASSERT_EQ(received.Count(), 1u);
  EXPECT_EQ(received.texts[0], "late");
  EXPECT_EQ(window.effects, (std::vector<std::string>{"log got 4"}));
}

TEST_F(LinkFixture, StopDuringAFloodNeverDeadlocks) {
  // The window thread never gets to a hand-over here, as when it is busy: each stop must still
  // end, and carry out what was received.
  StuckWindowThread stuck;
  for (int round = 0; round < 50; ++round) {
    auto link = Connect(stuck);
    Handshake(*link);
    const std::size_t before = received.Count();
    std::atomic<bool> flooding{true};
    std::thread flood([&] {
      while (flooding) device.Send("{\"type\":\"epcinfo\"}");
    });
    EXPECT_TRUE(received.WaitFor(before + 100));
    link->Stop();
    link.reset();
    flooding = false;
    flood.join();
  }
  // Nothing received was lost: each stop carried out what the window had not yet got to, and
  // the stale posted calls find nothing left to do.
  for (auto& task : stuck.tasks) task();
  EXPECT_EQ(window.effects.size(), received.Count());
}

TEST_F(LinkFixture, DebugStopRequestIsExactly24BytesAndLogged) {
  auto link = Connect(windowThread);
  SendTypeRequest(*link, "debugstop", window);
  const std::string expected = "{\n\t\"type\":\t\"debugstop\"\n}";
  EXPECT_EQ(device.Receive(), expected);
  EXPECT_EQ(expected.size(), 24u);
  EXPECT_EQ(window.effects, (std::vector<std::string>{"log " + expected}));
}

TEST_F(LinkFixture, EachConnectionSendsFromANewLocalPort) {
  auto first = Connect(windowThread);
  Handshake(*first);
  const std::uint16_t firstPort = first->LocalPort();
  first->Stop();
  first.reset();
  auto second = Connect(windowThread);
  Handshake(*second);
  EXPECT_NE(second->LocalPort(), 0);
  EXPECT_NE(second->LocalPort(), firstPort);
  EXPECT_EQ(device.PeerPort(), second->LocalPort());
}
