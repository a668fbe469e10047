// Reports lost on their way in, and how many of them the tool counted, for the window and the
// command line: 20,000 reports/s sustained, and bursts of 5,000 and 50,000 sent as fast as
// loopback allows. Meant to run as an unprivileged user with the stock receive-buffer cap
// (bench/drops.sh sees to both); one result line per run:
//
//   tagwick-bench-drops --front window|cli|bare --load sustained|burst --count N [--rate R]
//                       [--seconds S] [--cli PATH] [--cores shared|own]
//
// A real device is another machine; here its sender shares the processors with the tool, and
// the system may put the two on one processor, where the sender takes turns with the tool's
// receive thread. --cores own gives the device's sender processor 0 to itself and the tool the
// others, as if the device were elsewhere; shared (the default) leaves both to the system.
//
// bare is no tool: a thread that only takes datagrams off a socket, waiting in each receive.
// The device's side is a socket of this process on 127.0.0.1; everything goes to 127.0.0.1.
// The program uses nothing newer than the window's and the command line's own interfaces, so
// that the same source measures an earlier tree too.
#include <arpa/inet.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "SilentWindow.h"
#include "TagGridModel.h"
#include "Umainform.h"
#include "Uudpthread.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
  std::string front = "window";
  std::string load = "burst";
  long count = 5000;
  double rate = 20000;
  std::string cli;
  bool ownCores = false;
};

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const std::string value = argv[i + 1];
    if (name == "--front") {
      options.front = value;
    } else if (name == "--load") {
      options.load = value;
    } else if (name == "--count") {
      options.count = std::stol(value);
    } else if (name == "--rate") {
      options.rate = std::stod(value);
    } else if (name == "--cli") {
      options.cli = value;
    } else if (name == "--cores") {
      if (value != "shared" && value != "own") throw std::runtime_error("--cores shared|own");
      options.ownCores = value == "own";
    } else {
      throw std::runtime_error("unknown option " + name);
    }
  }
  if (options.front == "cli" && options.cli.empty()) throw std::runtime_error("--cli PATH needed");
  return options;
}

// With --cores own: the calling thread, and what it starts from then on, runs on processor 0
// (the device) or on every other one (the tool).
void KeepTo(bool device, const Options& options) {
  if (!options.ownCores) return;
  const int count = static_cast<int>(std::thread::hardware_concurrency());
  if (count < 2) throw std::runtime_error("--cores own needs two processors");
  cpu_set_t set;
  CPU_ZERO(&set);
  for (int cpu = device ? 0 : 1; cpu < (device ? 1 : count); ++cpu) CPU_SET(cpu, &set);
  if (sched_setaffinity(0, sizeof set, &set) != 0) throw std::runtime_error("sched_setaffinity");
}

// The device: learns the tool's port from its first request, then sends there on 127.0.0.1.
class Device {
 public:
  Device() {
    fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
      throw std::runtime_error("bind");
    }
    socklen_t length = sizeof local;
    getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
    port = ntohs(local.sin_port);
    timeval tv{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  }
  ~Device() { close(fd); }
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  // Waits for a request whose text holds `what`, and answers to where it came from.
  void WaitFor(const std::string& what) {
    char buffer[8192];
    for (;;) {
      sockaddr_in from{};
      socklen_t length = sizeof from;
      const ssize_t n =
          recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
      if (n < 0) throw std::runtime_error("no " + what + " request");
      if (from.sin_addr.s_addr != htonl(INADDR_LOOPBACK)) continue;
      peer = from;
      if (std::string(buffer, static_cast<std::size_t>(n)).find(what) != std::string::npos) return;
    }
  }

  // Sends `count` reports, paced at `rate` per second or (rate 0) as fast as loopback allows.
  long SendReports(long count, double rate) {
    const Clock::time_point start = Clock::now();
    long sent = 0;
    char text[160];
    for (long n = 0; n < count; ++n) {
      if (rate > 0) {
        const auto due = start + std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double>(static_cast<double>(n) / rate));
        while (Clock::now() < due) std::this_thread::sleep_for(std::chrono::microseconds(50));
      }
      const int length = std::snprintf(
          text, sizeof text,
          R"({"type":"epcinfo","epc":"E2000017221101%010ld","epclen":"12","antid":"1","rssi":"-50"})",
          n % 1000);
      if (::sendto(fd, text, static_cast<std::size_t>(length), 0,
                   reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == length) {
        ++sent;
      }
    }
    return sent;
  }

  std::uint16_t port = 0;

 private:
  int fd = -1;
  sockaddr_in peer{};
};

void RunEventsFor(std::chrono::milliseconds duration) {
  QEventLoop loop;
  QTimer::singleShot(duration, &loop, &QEventLoop::quit);
  loop.exec();
}

long ProcessedReports(TagGridModel& grid) {
  long sum = 0;
  for (int row = 1; row < grid.RowCount(); ++row) {
    sum += std::strtol(grid.Cell(kColCount, row).c_str(), nullptr, 10);
  }
  return sum;
}

// The sum of the counts of the log's drop lines: what the tool said it lost.
long CountedInLog(const QString& log) {
  long counted = 0;
  const QString tail = QStringLiteral(" datagrams were dropped by the system");
  for (const QString& line : log.split('\n')) {
    const int at = line.indexOf(tail);
    const int arrow = line.indexOf(QStringLiteral(" ==> "));
    if (at > arrow && arrow >= 0) counted += line.mid(arrow + 5, at - arrow - 5).toLong();
  }
  return counted;
}

struct Outcome {
  long sent = 0;
  long processed = 0;
  long counted = 0;
};

Outcome RunWindow(const Options& options) {
  int qtArgc = 1;
  char name[] = "tagwick-bench-drops";
  char* qtArgv[] = {name, nullptr};
  QApplication app(qtArgc, qtArgv);
  std::string pattern = (std::filesystem::temp_directory_path() / "tagwick-drops-XXXXXX").string();
  const std::filesystem::path work = mkdtemp(pattern.data());
  std::filesystem::current_path(work);
  SilentDialogs dialogs;
  SilentSound sound;
  Device device;
  Outcome outcome;
  {
    TMainForm form(dialogs, sound);
    form.FormCreate();
    form.show();
    form.edtIP->setText(QStringLiteral("127.0.0.1"));
    form.edtPort->setText(QString::number(device.port));
    form.btnIP->click();
    if (!udpthread) throw std::runtime_error("not connected");
    device.WaitFor("debugstart");
    form.pgc1->setCurrentIndex(1);
    form.btnTest->click();
    device.WaitFor("teststart");
    RunEventsFor(std::chrono::milliseconds(200));
    std::atomic<bool> sending{true};
    std::thread sender([&] {
      KeepTo(true, options);
      outcome.sent = device.SendReports(options.count, options.load == "burst" ? 0 : options.rate);
      sending = false;
    });
    // The window goes on with its events while the reports come.
    while (sending) RunEventsFor(std::chrono::milliseconds(20));
    sender.join();
    for (long last = -1; last != ProcessedReports(form.Grid());) {
      last = ProcessedReports(form.Grid());
      RunEventsFor(std::chrono::milliseconds(500));
    }
    // The disconnect logs what the system dropped since the last drop line.
    form.btnIP->click();
    outcome.processed = ProcessedReports(form.Grid());
    outcome.counted = CountedInLog(form.mmo1->toPlainText());
    form.close();
  }
  std::filesystem::current_path("/");
  std::filesystem::remove_all(work);
  return outcome;
}

long Field(const std::string& text, const std::string& key) {
  const std::size_t at = text.find("\n" + key + "=");
  return at == std::string::npos ? 0 : std::strtol(text.c_str() + at + key.size() + 2, nullptr, 10);
}

Outcome RunCli(const Options& options) {
  Device device;
  const double seconds =
      (options.load == "burst" ? 0.0 : static_cast<double>(options.count) / options.rate) + 3.0;
  char outPath[] = "/tmp/tagwick-drops-out-XXXXXX";
  const int out = mkstemp(outPath);
  const std::string deviceArg = "127.0.0.1:" + std::to_string(device.port);
  const std::string secondsArg = std::to_string(seconds);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out, STDOUT_FILENO);
    execl(options.cli.c_str(), "tagwick-cli", "--device", deviceArg.c_str(), "inventory",
          secondsArg.c_str(), nullptr);
    _exit(127);
  }
  Outcome outcome;
  KeepTo(true, options);
  device.WaitFor("teststart");
  outcome.sent = device.SendReports(options.count, options.load == "burst" ? 0 : options.rate);
  int status = 0;
  waitpid(pid, &status, 0);
  std::ifstream in(outPath);
  std::stringstream text;
  text << "\n" << in.rdbuf();
  close(out);
  unlink(outPath);
  outcome.processed = Field(text.str(), "reads");
  outcome.counted = Field(text.str(), "dropped");
  return outcome;
}

// The simplest receiver: a thread that does nothing but take datagrams off a socket set up as the
// tools' sockets are, waiting in each receive, while the same reports come.
Outcome RunBare(const Options& options) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  int size = 16 * 1024 * 1024;
  setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
  const timeval tv{0, 200000};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  Device device;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  to.sin_port = htons(device.port);
  ::sendto(fd, "teststart", 9, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  device.WaitFor("teststart");
  Outcome outcome;
  std::atomic<bool> sending{true};
  std::thread receiver([&] {
    std::vector<char> bytes(64 * 256);
    std::vector<iovec> parts(64);
    std::vector<mmsghdr> headers(64);
    for (;;) {
      for (std::size_t i = 0; i < 64; ++i) {
        parts[i] = {bytes.data() + i * 256, 256};
        headers[i] = {};
        headers[i].msg_hdr.msg_iov = &parts[i];
        headers[i].msg_hdr.msg_iovlen = 1;
      }
      const int taken = recvmmsg(fd, headers.data(), 64, MSG_WAITFORONE, nullptr);
      if (taken > 0) outcome.processed += taken;
      if (taken <= 0 && !sending) break;
    }
  });
  KeepTo(true, options);
  outcome.sent = device.SendReports(options.count, options.load == "burst" ? 0 : options.rate);
  sending = false;
  receiver.join();
  ::close(fd);
  return outcome;
}

// Datagrams the system dropped before any socket: the second column of /proc/net/softnet_stat,
// summed over the processors. On loopback a sender outrunning the processing of its packets
// fills the backlog of each processor (net.core.netdev_max_backlog) and the rest are dropped
// there, silently to the sender and to the receiving socket alike, as a network card's ring
// would drop them on a real network. Machine-wide: anything else the machine received in the
// run counts too. -1 where the file cannot be read.
long BacklogDrops() {
  std::ifstream file("/proc/net/softnet_stat");
  if (!file) return -1;
  long total = 0;
  std::string processed, dropped;
  std::string rest;
  while (file >> processed >> dropped) {
    total += std::stol(dropped, nullptr, 16);
    std::getline(file, rest);
  }
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  try {
    const Options options = ParseOptions(argc, argv);
    // Before any thread is started, so that all of the tool's inherit it.
    KeepTo(false, options);
    const long backlogBefore = BacklogDrops();
    const Outcome outcome = options.front == "cli"    ? RunCli(options)
                            : options.front == "bare" ? RunBare(options)
                                                      : RunWindow(options);
    const long backlogAfter = BacklogDrops();
    const long backlog = backlogBefore < 0 || backlogAfter < 0 ? -1 : backlogAfter - backlogBefore;
    std::printf(
        "result front=%s cores=%s load=%s count=%ld rate=%g sent=%ld processed=%ld lost=%ld "
        "counted=%ld backlog=%ld\n",
        options.front.c_str(), options.ownCores ? "own" : "shared", options.load.c_str(),
        options.count, options.load == "burst" ? 0.0 : options.rate, outcome.sent,
        outcome.processed, outcome.sent - outcome.processed, outcome.counted, backlog);
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tagwick-bench-drops: %s\n", error.what());
    return 1;
  }
}
