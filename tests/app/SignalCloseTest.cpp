// A signal to the real window process closes it as the operator would. The test runs itself as
// that process: the child case below is skipped unless the parent case started it.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "Requests.h"
#include "SignalClose.h"
#include "WindowFixture.h"

namespace {

constexpr char kPortVariable[] = "TAGWICK_SIGNAL_TEST_PORT";

TEST(SignalCloseChild, RunsTheConnectedWindowUntilItCloses) {
  const char* port = std::getenv(kPortVariable);
  if (!port) GTEST_SKIP() << "the window process of the test below";
  FakeDialogs dialogs;
  FakeSound sound;
  TMainForm form(dialogs, sound);
  form.FormCreate();
  form.show();
  SignalClose closeOnSignal(form);
  form.edtIP->setText(QStringLiteral("127.0.0.1"));
  form.edtPort->setText(QString::fromLatin1(port));
  form.btnIP->click();
  QApplication::exec();
  EXPECT_EQ(udpthread, nullptr);
}

TEST(SignalCloseTest, TermSendsDebugStopAndWritesTheLanguageChoice) {
  TempDir work;
  std::filesystem::create_directories(work.path / "Language");
  std::ofstream(work.path / "Language" / "Lang.ini")
      << "[General]\nAppName=Pellow\nNumber=1\nCurID=7\n[Lang]\n000_Ext=tst\n000_Name=Test\n";
  std::ofstream(work.path / "Language" / "Pellow.tst") << "[General]\nFontSize=9\n";
  FakeDevice device;
  const std::string port = device.PortText();
  const pid_t child = fork();
  if (child == 0) {
    setenv(kPortVariable, port.c_str(), 1);
    if (chdir(work.path.c_str()) != 0) _exit(126);
    execl("/proc/self/exe", "signal_close_tests",
          "--gtest_filter=SignalCloseChild.RunsTheConnectedWindowUntilItCloses", nullptr);
    _exit(127);
  }
  const auto start = device.Receive(std::chrono::seconds(20));
  ASSERT_TRUE(start.has_value()) << "the window did not connect";
  EXPECT_TRUE(start->find("debugstart") != std::string::npos);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  kill(child, SIGTERM);
  const auto stop = device.Receive(std::chrono::seconds(10));
  int status = 0;
  for (int waited = 0; waitpid(child, &status, WNOHANG) == 0; ++waited) {
    if (waited == 200) kill(child, SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(stop, TypeRequest("debugstop"));
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  std::ifstream list(work.path / "Language" / "Lang.ini");
  std::stringstream text;
  text << list.rdbuf();
  EXPECT_NE(text.str().find("CurID=0\n"), std::string::npos) << text.str();
}

}  // namespace
