// Floods the real window through the real link on loopback and measures what a flood costs:
// how long the disconnect after it takes, the process's peak memory, and how late the window
// thread gets to a 5 ms timer meanwhile. One flood per process, so that the peak is its own.
//
//   tagwick-bench-flood --flood tags|log|big [--seconds S]   flood S s, then disconnect
//   tagwick-bench-flood --flood lograte [--seconds S] [--rate N]
//
// tags:    tag reports as fast as loopback allows, test running
// log:     short datagrams that each write one log line, as fast as loopback allows
// big:     8 KiB datagrams that are not JSON (each logs "Invalid json string:" and the text)
// lograte: the log datagrams paced at N/s (5,000 unless told); waits until every line is shown
//
// The flood comes from a socket of this process bound to 127.0.0.1 and goes to 127.0.0.1 only.
//
// Where the datagrams sent went, as far as it is counted: shown in the window, counted as not
// shown by the disconnect, dropped by the kernel for want of room in the link's socket (that
// socket's drop counter in /proc/net/udp), or sent after the socket closed (the system's UDP
// NoPorts counter). The rest were in the socket's queue when it closed (its size then is given).
// The flood stops at the first send refused because the link's port is closed.
#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>
#include "../tests/common/UdpTable.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "SilentWindow.h"
#include "TagGridModel.h"
#include "Umainform.h"
#include "Uudpthread.h"
#include "WindowProbe.h"

namespace {

using Clock = BenchClock;

struct Options {
  std::string flood = "log";
  double seconds = 3;
  double rate = 5000;
};

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const std::string value = argv[i + 1];
    if (name == "--flood") {
      options.flood = value;
    } else if (name == "--seconds") {
      options.seconds = std::stod(value);
    } else if (name == "--rate") {
      options.rate = std::stod(value);
    } else {
      throw std::runtime_error("unknown option " + name);
    }
  }
  if (options.flood != "tags" && options.flood != "log" && options.flood != "big" &&
      options.flood != "lograte") {
    throw std::runtime_error("unknown flood " + options.flood);
  }
  return options;
}

// The device's side: a socket on 127.0.0.1 that learns the link's port from its first request
// and then sends to that port on 127.0.0.1 only.
class FloodSource {
 public:
  FloodSource() {
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
    int size = 4 * 1024 * 1024;
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    timeval tv{5, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  }
  ~FloodSource() { close(fd); }
  FloodSource(const FloodSource&) = delete;
  FloodSource& operator=(const FloodSource&) = delete;

  void LearnPeer() {
    char buffer[8192];
    sockaddr_in from{};
    socklen_t length = sizeof from;
    if (recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length) < 0 ||
        from.sin_addr.s_addr != htonl(INADDR_LOOPBACK)) {
      throw std::runtime_error("no request from the link");
    }
    // Connected, so that a send after the link's socket closed is refused (the kernel's
    // "port unreachable" comes back to this socket).
    if (connect(fd, reinterpret_cast<const sockaddr*>(&from), sizeof from) != 0) {
      throw std::runtime_error("connect");
    }
  }
  enum class Sent { Ok, Failed, Refused };
  Sent Send(const std::string& text) {
    if (::send(fd, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size())) {
      return Sent::Ok;
    }
    return errno == ECONNREFUSED ? Sent::Refused : Sent::Failed;
  }

  std::uint16_t port = 0;

 private:
  int fd = -1;
};

std::string Datagram(const std::string& flood, std::uint64_t n) {
  if (flood == "tags") {
    char epc[32];
    std::snprintf(epc, sizeof epc, "E2000017221101%010llu",
                  static_cast<unsigned long long>(n % 1000));
    return std::string(R"({"type":"epcinfo","epc":")") + epc +
           R"(","epclen":"12","antid":"1","rssi":"-50"})";
  }
  if (flood == "big") return std::string(8192, 'x');
  return R"({"type":"flood"})";
}

// Datagrams whose effects the memo shows, and the count of the "not shown" line, if any.
struct MemoCount {
  std::uint64_t shown = 0;
  std::uint64_t notShown = 0;
};

MemoCount CountMemo(QPlainTextEdit& memo, const std::string& flood) {
  const QString mark =
      flood == "big" ? QStringLiteral("==> Invalid json string:") : QStringLiteral("==> flood");
  const QString notShown =
      QStringLiteral(" datagrams received before the link closed were not shown");
  MemoCount count;
  for (QTextBlock block = memo.document()->begin(); block.isValid(); block = block.next()) {
    const QString text = block.text();
    if (text.contains(mark)) ++count.shown;
    const int at = text.indexOf(notShown);
    if (at > 0) {
      const int arrow = text.indexOf(QStringLiteral("==> "));
      count.notShown += text.mid(arrow + 4, at - arrow - 4).toULongLong();
    }
  }
  return count;
}

// Datagrams that reached a UDP port on this machine with no socket, system-wide ("NoPorts" of the
// "Udp:" lines in /proc/net/snmp).
std::uint64_t SystemUdpNoPorts() {
  std::ifstream snmp("/proc/net/snmp");
  std::string names, values;
  while (std::getline(snmp, names)) {
    if (names.rfind("Udp:", 0) != 0 || !std::getline(snmp, values)) continue;
    std::istringstream name(names), value(values);
    std::string field, number;
    while (name >> field && value >> number) {
      if (field == "NoPorts") return std::stoull(number);
    }
  }
  throw std::runtime_error("no Udp NoPorts in /proc/net/snmp");
}

// The link socket's drop counter and queue, read until the socket is gone: the last reading
// stands for the moment it closed.
class DropWatch {
 public:
  explicit DropWatch(std::uint16_t port) : port(port) {}
  ~DropWatch() { Stop(); }
  DropWatch(const DropWatch&) = delete;
  DropWatch& operator=(const DropWatch&) = delete;

  void Start() {
    watcher = std::thread([this] {
      do {
        const std::optional<UdpSocketState> state = ReadUdpSocket(port);
        if (!state) break;
        drops = state->drops;
        queuedBytes = state->queuedBytes;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      } while (watching);
    });
  }
  void Stop() {
    watching = false;
    if (watcher.joinable()) watcher.join();
  }
  std::uint64_t Drops() const { return drops; }
  std::uint64_t QueuedBytes() const { return queuedBytes; }

 private:
  std::uint16_t port;
  std::atomic<bool> watching{true};
  std::atomic<std::uint64_t> drops{0};
  std::atomic<std::uint64_t> queuedBytes{0};
  std::thread watcher;
};

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  try {
    const Options options = ParseOptions(argc, argv);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tagwick-flood-XXXXXX").string();
    const std::filesystem::path work = mkdtemp(pattern.data());
    std::filesystem::current_path(work);

    SilentDialogs dialogs;
    SilentSound sound;
    FloodSource source;
    TMainForm form(dialogs, sound);
    form.FormCreate();
    form.show();
    form.edtIP->setText(QStringLiteral("127.0.0.1"));
    form.edtPort->setText(QString::number(source.port));
    form.btnIP->click();
    if (!udpthread) throw std::runtime_error("not connected");
    source.LearnPeer();
    if (options.flood == "tags") {
      form.pgc1->setCurrentIndex(1);
      form.btnTest->click();
    }
    RunEventsFor(std::chrono::milliseconds(200));
    const long rssBefore = StatusKiB("VmRSS");
    LatenessProbe lateness(std::chrono::milliseconds(5));
    DropWatch dropWatch(udpthread->LocalPort());
    const std::uint64_t noPortsBefore = SystemUdpNoPorts();

    const bool paced = options.flood == "lograte";
    std::atomic<bool> flooding{true};
    std::atomic<std::uint64_t> sent{0};
    std::atomic<bool> refused{false};
    std::thread sender([&] {
      const Clock::time_point start = Clock::now();
      const Clock::time_point end =
          start + std::chrono::microseconds(static_cast<long>(options.seconds * 1e6));
      std::uint64_t n = 0;
      while (flooding) {
        const Clock::time_point now = Clock::now();
        if (paced) {
          if (now >= end) break;
          const auto due = static_cast<std::uint64_t>(
              std::chrono::duration<double>(now - start).count() * options.rate);
          if (n >= due) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            continue;
          }
        }
        const FloodSource::Sent result = source.Send(Datagram(options.flood, n));
        if (result == FloodSource::Sent::Refused) {
          refused = true;
          break;
        }
        if (result == FloodSource::Sent::Ok) sent = ++n;
      }
    });

    lateness.Start();
    double disconnectMs = 0;
    if (paced) {
      RunEventsFor(std::chrono::milliseconds(static_cast<long>(options.seconds * 1000)));
      sender.join();
      // Shown in full once the line count stays put for a while.
      std::uint64_t shown = 0;
      for (int still = 0; still < 4;) {
        RunEventsFor(std::chrono::milliseconds(150));
        const std::uint64_t now = CountMemo(*form.mmo1, options.flood).shown;
        still = now == shown ? still + 1 : 0;
        shown = now;
      }
      lateness.Stop();
      dropWatch.Start();  // the socket is still open: one reading
      dropWatch.Stop();
    } else {
      RunEventsFor(std::chrono::milliseconds(static_cast<long>(options.seconds * 1000)));
      lateness.Stop();
      // The flood goes on while the window disconnects, as a device that keeps sending does,
      // until a send is refused because the link's socket is gone.
      dropWatch.Start();
      QElapsedTimer clock;
      clock.start();
      form.btnIP->click();
      disconnectMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
      const Clock::time_point closed = Clock::now();
      while (!refused && Clock::now() - closed < std::chrono::seconds(1)) {
        std::this_thread::yield();
      }
      flooding = false;
      sender.join();
      dropWatch.Stop();
    }
    const std::uint64_t afterClose = SystemUdpNoPorts() - noPortsBefore;
    const long peakKiB = StatusKiB("VmHWM");
    const MemoCount memo = CountMemo(*form.mmo1, options.flood);
    const std::uint64_t shown =
        options.flood == "tags" ? ProcessedReports(form.Grid()) : memo.shown;
    if (udpthread) form.btnIP->click();
    form.close();
    std::printf(
        "result flood=%s seconds=%g rate=%g sent=%llu shown=%llu not_shown=%llu dropped=%llu "
        "after_close=%llu queued_kib=%.0f refused=%d disconnect_ms=%.0f lat_p50_ms=%.2f "
        "lat_p99_ms=%.2f "
        "peak_mib=%.1f before_mib=%.1f\n",
        options.flood.c_str(), options.seconds, paced ? options.rate : 0.0,
        static_cast<unsigned long long>(sent.load()), static_cast<unsigned long long>(shown),
        static_cast<unsigned long long>(memo.notShown),
        static_cast<unsigned long long>(dropWatch.Drops()),
        static_cast<unsigned long long>(afterClose),
        static_cast<double>(dropWatch.QueuedBytes()) / 1024, refused ? 1 : 0, disconnectMs,
        Percentile(lateness.lateMs, 0.5), Percentile(lateness.lateMs, 0.99),
        static_cast<double>(peakKiB) / 1024, static_cast<double>(rssBefore) / 1024);
    std::filesystem::current_path("/");
    std::filesystem::remove_all(work);
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tagwick-bench-flood: %s\n", error.what());
    return 1;
  }
}
