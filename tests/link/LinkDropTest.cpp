#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "../common/FakeDevice.h"
#include "RecorderWindow.h"
#include "Socket.h"
#include "Uudpthread.h"

using namespace std::chrono_literals;

namespace {

class InlineWindowThread : public WindowThread {
 public:
  void Post(std::function<void()> task) override { task(); }
};

class NoteRecorder : public RecorderWindow {
 public:
  void AddLinkNote(const std::string& text) override { effects.push_back("note " + text); }
};

// A socket whose queue holds a few datagrams, and a burst far beyond it: every datagram sent is
// either shown or in the count of the drop lines, none is lost unsaid.
TEST(LinkDropTest, AnOverflowingSocketsDropsAreLoggedAndAddUpExactly) {
  if (!net::kDropsCountedBySystem) GTEST_SKIP() << "this system does not count its drops";
  FakeDevice device;
  NoteRecorder window;
  InlineWindowThread windowThread;
  LinkTuning tuning;
  tuning.socketBufferBytes = 1;  // the system's smallest queue
  tuning.drainInterval = 0ms;
  UDPThread link("127.0.0.1", device.PortText(), window, windowThread, BuildHandlerChain, tuning);
  link.Send("{}");
  ASSERT_TRUE(device.Receive());
  constexpr int kSent = 5000;
  for (int i = 0; i < kSent; ++i) device.Send(R"({"type":"setdeviceid","status":"ok"})");
  std::this_thread::sleep_for(300ms);
  link.Stop();

  const std::string tail = " datagrams were dropped by the system: its receive buffer was full";
  long shown = 0;
  long dropped = 0;
  for (const std::string& effect : window.effects) {
    if (effect == "log Set DeviceID！") ++shown;
    if (effect.rfind("note ", 0) == 0 && effect.size() > tail.size() &&
        effect.compare(effect.size() - tail.size(), tail.size(), tail) == 0) {
      dropped += std::stol(effect.substr(5));
    }
  }
  EXPECT_GT(dropped, 0);
  EXPECT_EQ(shown + dropped, kSent);
}

}  // namespace
