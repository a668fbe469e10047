// One end-to-end measurement per process, so that peak memory and CPU time belong to that run
// alone. scripts/bench runs the matrix and collects the "result" lines.
//
//   tagwick-bench-e2e --mode window|baseline|ceiling|idle --rate N --tags N --seconds S
//
// window:   the simulator streams into the real window (shown on the platform that
//           QT_QPA_PLATFORM names, offscreen by default; "xcb" under xvfb-run for a real X
//           server) through the real link, test running; processed = the sum of the grid's count
//           column.
// idle:     the window connected to the simulator, nothing streaming: what waiting costs.
// baseline: the same, with the first design's receive loop (10 ms pause before every receive,
//           the system's socket buffer).
// ceiling:  no window: recv, parse with cJSON, read "epc", count.
//
// processed/s is over the time the processing took: from the start to the last report processed,
// the backlog drained after the stream stopped included.
#include <arpa/inet.h>
#include <cjson/cJSON.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include "../tests/common/SimProcess.h"

#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "SilentWindow.h"
#include "TagGridModel.h"
#include "Umainform.h"
#include "Uudpthread.h"
#include "WindowProbe.h"

namespace {

using Clock = BenchClock;

struct Options {
  std::string mode = "window";
  double rate = 2000;
  int tags = 10000;
  double seconds = 20;
};

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const std::string value = argv[i + 1];
    if (name == "--mode") {
      options.mode = value;
    } else if (name == "--rate") {
      options.rate = std::stod(value);
    } else if (name == "--tags") {
      options.tags = std::stoi(value);
    } else if (name == "--seconds") {
      options.seconds = std::stod(value);
    } else {
      throw std::runtime_error("unknown option " + name);
    }
  }
  if (options.mode != "window" && options.mode != "baseline" && options.mode != "ceiling" &&
      options.mode != "idle") {
    throw std::runtime_error("unknown mode " + options.mode);
  }
  return options;
}

// The simulated device as a child process on 127.0.0.1, streaming at `rate` over `tags` tags.
class Simulator : public SimProcess {
 public:
  Simulator(double rate, int tags)
      : SimProcess({"--heartbeat", "0", "--seed", "1", "--rate", std::to_string(rate), "--tags",
                    std::to_string(tags)},
                   TAGWICK_DEVICESIM_PATH) {}
};

// A UDP socket on 127.0.0.1 that talks to the simulator only.
class LoopbackSocket {
 public:
  explicit LoopbackSocket(std::uint16_t devicePort, int receiveBuffer = 0) {
    fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) throw std::runtime_error("socket");
    if (receiveBuffer > 0) {
      if (setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &receiveBuffer, sizeof receiveBuffer) != 0) {
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
      }
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
      throw std::runtime_error("bind");
    }
    device.sin_family = AF_INET;
    device.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    device.sin_port = htons(devicePort);
    SetTimeout(std::chrono::milliseconds(200));
  }
  ~LoopbackSocket() { close(fd); }
  LoopbackSocket(const LoopbackSocket&) = delete;
  LoopbackSocket& operator=(const LoopbackSocket&) = delete;

  void SetTimeout(std::chrono::milliseconds timeout) {
    timeval tv{};
    tv.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    tv.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  }
  void Send(const std::string& text) {
    ::sendto(fd, text.data(), text.size(), 0, reinterpret_cast<const sockaddr*>(&device),
             sizeof device);
  }
  // The datagram's length, or -1 after the timeout.
  ssize_t Receive(char* buffer, std::size_t size) { return ::recv(fd, buffer, size, 0); }

 private:
  int fd = -1;
  sockaddr_in device{};
};

// The simulator's count of reports the kernel accepted, asked from a socket of our own.
std::uint64_t ReportsSent(std::uint16_t devicePort) {
  LoopbackSocket socket(devicePort);
  std::vector<char> buffer(65536);
  for (int attempt = 0; attempt < 10; ++attempt) {
    socket.Send(R"({"type":"simstats"})");
    ssize_t n = socket.Receive(buffer.data(), buffer.size());
    if (n <= 0) continue;
    cJSON* root = cJSON_ParseWithLength(buffer.data(), static_cast<std::size_t>(n));
    const cJSON* reports = cJSON_GetObjectItem(root, "reports");
    const bool ok = cJSON_IsNumber(reports);
    const std::uint64_t value = ok ? static_cast<std::uint64_t>(reports->valuedouble) : 0;
    cJSON_Delete(root);
    if (ok) return value;
  }
  throw std::runtime_error("no simstats reply");
}

double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Result {
  std::uint64_t sent = 0;
  std::uint64_t processed = 0;
  // Processed by the time the stream was stopped; the rest came from what was queued then.
  std::uint64_t processedInStream = 0;
  double streamSeconds = 0;
  // From the start to the last report processed, the drain after the stream included.
  double busySeconds = 0;
  double latencyMedianMs = 0;
  double latencyP99Ms = 0;
  double paintMedianMs = 0;
  double paintP99Ms = 0;
  // Wall time over which the CPU times below were taken.
  double measuredSeconds = 0;
  double processCpuSeconds = 0;
  double windowCpuSeconds = 0;
  long peakKiB = 0;
  long growthKiB = 0;
  long wakeups = 0;
};

// Calls `onPaint` after each repaint of a window has been carried out (Qt paints a window's
// changed widgets and flushes them to the screen in one UpdateRequest event).
class BenchApplication : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    const bool paint = event->type() == QEvent::UpdateRequest;
    const bool done = QApplication::notify(receiver, event);
    if (paint && onPaint) onPaint();
    return done;
  }
  std::function<void()> onPaint;
};

// Milliseconds since local midnight, the scale of the grid's Time column.
double LocalMillisecondOfDay() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  const auto millis = std::chrono::duration<double, std::milli>(now.time_since_epoch()).count();
  return ((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000.0 +
         std::fmod(millis, 1000.0);
}

// "hh:nn:ss:zzz" as milliseconds since midnight; -1 when the text is not such a time.
double TimeTextMilliseconds(const std::string& text) {
  int h = 0, m = 0, sec = 0, ms = 0;
  if (std::sscanf(text.c_str(), "%d:%d:%d:%d", &h, &m, &sec, &ms) != 4) return -1;
  return ((h * 60 + m) * 60 + sec) * 1000.0 + ms;
}

Result RunWindow(const Options& options, Simulator& sim, BenchApplication& app) {
  if (const char* interval = std::getenv("TAGWICK_BENCH_DRAIN_MS")) {
    DefaultLinkTuning().drainInterval = std::chrono::milliseconds(std::atoi(interval));
  }
  if (options.mode == "baseline") {
    // The first design's loop: one datagram per receive, a fixed pause before each.
    DefaultLinkTuning().beforeEachReceive = [] {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    };
    DefaultLinkTuning().receiveBatch = 1;
    DefaultLinkTuning().socketBufferBytes = 0;
    DefaultLinkTuning().drainInterval = std::chrono::milliseconds(0);
  }
  // An empty working directory: no language files, so nothing to read or write back.
  std::string pattern = (std::filesystem::temp_directory_path() / "tagwick-bench-XXXXXX").string();
  const std::filesystem::path work = mkdtemp(pattern.data());
  std::filesystem::current_path(work);

  SilentDialogs dialogs;
  SilentSound sound;
  Result result;
  {
    TMainForm form(dialogs, sound);
    form.FormCreate();
    form.show();
    form.pgc1->setCurrentIndex(1);
    form.edtIP->setText(QStringLiteral("127.0.0.1"));
    form.edtPort->setText(QString::number(sim.Port()));
    form.btnIP->click();
    if (!udpthread) throw std::runtime_error("not connected");
    RunEventsFor(std::chrono::milliseconds(200));

    if (options.mode == "idle") {
      const double processCpu = CpuSeconds(RUSAGE_SELF);
      const long wakeups = VoluntaryContextSwitches();
      const Clock::time_point start = Clock::now();
      RunEventsFor(std::chrono::milliseconds(static_cast<long>(options.seconds * 1000)));
      result.measuredSeconds = std::chrono::duration<double>(Clock::now() - start).count();
      result.wakeups = VoluntaryContextSwitches() - wakeups;
      result.streamSeconds = result.measuredSeconds;
      result.busySeconds = result.measuredSeconds;
      result.processCpuSeconds = CpuSeconds(RUSAGE_SELF) - processCpu;
      result.windowCpuSeconds = result.processCpuSeconds;
      result.peakKiB = StatusKiB("VmHWM");
      form.btnIP->click();
      form.close();
      std::filesystem::current_path("/");
      std::filesystem::remove_all(work);
      return result;
    }

    // From a report's arrival (the Time column, which shows it) to the end of the next repaint
    // of the window, which shows the row when it is in sight and the count and current tag in
    // any case. Sampled, so that the measuring costs little at high rates.
    const int sampleEvery = std::max(1, static_cast<int>(options.rate / 500));
    int sampleCountdown = 0;
    std::vector<double> unpainted;
    std::vector<double> paintLatency;
    paintLatency.reserve(200000);
    Clock::time_point lastProcessed = Clock::now();
    const auto sample = [&](int modelRow) {
      lastProcessed = Clock::now();
      if (--sampleCountdown > 0) return;
      sampleCountdown = sampleEvery;
      const double arrived = TimeTextMilliseconds(form.Grid().Cell(kColTime, modelRow + 1));
      if (arrived >= 0) unpainted.push_back(arrived);
    };
    // A changed row reaches views as a change, a new one as part of an insertion.
    QObject::connect(
        &form.Grid(), &QAbstractItemModel::dataChanged,
        [&](const QModelIndex& topLeft, const QModelIndex&) { sample(topLeft.row()); });
    QObject::connect(&form.Grid(), &QAbstractItemModel::rowsInserted,
                     [&](const QModelIndex&, int first, int last) {
                       for (int row = first; row <= last; ++row) sample(row);
                     });
    app.onPaint = [&] {
      if (unpainted.empty()) return;
      const double now = LocalMillisecondOfDay();
      for (double arrived : unpainted) {
        double late = now - arrived;
        if (late < -43200000.0) late += 86400000.0;  // across midnight
        paintLatency.push_back(late);
      }
      unpainted.clear();
    };

    // How late the window thread gets to a timer while the reports stream in. Every 25 ms: a
    // faster probe would itself add much of the CPU time measured at ordinary rates.
    LatenessProbe lateness(std::chrono::milliseconds(25));

    const long rssBefore = StatusKiB("VmRSS");
    const double processCpu = CpuSeconds(RUSAGE_SELF);
    const double windowCpu = CpuSeconds(RUSAGE_THREAD);
    const long wakeups = VoluntaryContextSwitches();
    lateness.Start();
    const Clock::time_point start = Clock::now();
    form.btnTest->click();
    RunEventsFor(std::chrono::milliseconds(static_cast<long>(options.seconds * 1000)));
    lateness.Stop();
    result.streamSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    result.processedInStream = ProcessedReports(form.Grid());
    udpthread->Send(R"({"type":"teststop"})");

    // Drained once the count stays put for a while.
    std::uint64_t processed = ProcessedReports(form.Grid());
    for (int still = 0; still < 4;) {
      RunEventsFor(std::chrono::milliseconds(150));
      const std::uint64_t now = ProcessedReports(form.Grid());
      still = now == processed ? still + 1 : 0;
      processed = now;
    }
    app.onPaint = nullptr;
    result.measuredSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    result.busySeconds = std::chrono::duration<double>(lastProcessed - start).count();
    result.wakeups = VoluntaryContextSwitches() - wakeups;
    result.processCpuSeconds = CpuSeconds(RUSAGE_SELF) - processCpu;
    result.windowCpuSeconds = CpuSeconds(RUSAGE_THREAD) - windowCpu;
    result.growthKiB = StatusKiB("VmRSS") - rssBefore;
    result.peakKiB = StatusKiB("VmHWM");
    result.processed = processed;
    result.sent = ReportsSent(sim.Port());
    result.latencyMedianMs = Percentile(lateness.lateMs, 0.5);
    result.latencyP99Ms = Percentile(lateness.lateMs, 0.99);
    result.paintMedianMs = Percentile(paintLatency, 0.5);
    result.paintP99Ms = Percentile(paintLatency, 0.99);

    form.btnIP->click();
    form.close();
  }
  std::filesystem::current_path("/");
  std::filesystem::remove_all(work);
  return result;
}

Result RunCeiling(const Options& options, Simulator& sim) {
  Result result;
  LoopbackSocket socket(sim.Port(), 16 * 1024 * 1024);
  std::vector<char> buffer(8192);
  const double processCpu = CpuSeconds(RUSAGE_SELF);
  const long rssBefore = StatusKiB("VmRSS");
  const long wakeups = VoluntaryContextSwitches();
  const Clock::time_point start = Clock::now();
  Clock::time_point lastProcessed = start;
  const Clock::time_point end =
      start + std::chrono::microseconds(static_cast<long>(options.seconds * 1e6));
  socket.Send(R"({"type":"teststart"})");
  auto receiveOne = [&] {
    const ssize_t n = socket.Receive(buffer.data(), buffer.size());
    if (n <= 0) return false;
    cJSON* root = cJSON_ParseWithLength(buffer.data(), static_cast<std::size_t>(n));
    const cJSON* epc = cJSON_GetObjectItem(root, "epc");
    if (cJSON_IsString(epc) && epc->valuestring[0] != '\0') {
      ++result.processed;
      lastProcessed = Clock::now();
    }
    cJSON_Delete(root);
    return true;
  };
  while (Clock::now() < end) receiveOne();
  result.streamSeconds = std::chrono::duration<double>(Clock::now() - start).count();
  result.processedInStream = result.processed;
  socket.Send(R"({"type":"teststop"})");
  while (receiveOne()) {
  }
  result.measuredSeconds = std::chrono::duration<double>(Clock::now() - start).count();
  result.busySeconds = std::chrono::duration<double>(lastProcessed - start).count();
  result.wakeups = VoluntaryContextSwitches() - wakeups;
  result.processCpuSeconds = CpuSeconds(RUSAGE_SELF) - processCpu;
  result.windowCpuSeconds = result.processCpuSeconds;
  result.growthKiB = StatusKiB("VmRSS") - rssBefore;
  result.peakKiB = StatusKiB("VmHWM");
  result.sent = ReportsSent(sim.Port());
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  try {
    const Options options = ParseOptions(argc, argv);
    int qtArgc = 1;
    BenchApplication app(qtArgc, argv);
    Simulator sim(options.rate, options.tags);
    const Result r =
        options.mode == "ceiling" ? RunCeiling(options, sim) : RunWindow(options, sim, app);
    // Signed: more processed than sent is a counting fault, and shows as such.
    const long long lost = static_cast<long long>(r.sent) - static_cast<long long>(r.processed);
    if (lost < 0) {
      std::fprintf(stderr, "tagwick-bench-e2e: %lld more reports processed than sent\n", -lost);
    }
    const double perReport = r.processed ? 1e6 / static_cast<double>(r.processed) : 0;
    std::printf(
        "result mode=%s rate=%g tags=%d seconds=%.1f sent=%llu processed=%llu "
        "processed_in_stream=%llu lost=%lld busy_s=%.2f throughput=%.0f lat_p50_ms=%.2f "
        "lat_p99_ms=%.2f paint_p50_ms=%.2f paint_p99_ms=%.2f cpu_us=%.2f window_cpu_us=%.2f "
        "core_share=%.2f wakeups_per_s=%.1f peak_kib=%ld growth_kib=%ld platform=%s\n",
        options.mode.c_str(), options.rate, options.tags, r.streamSeconds,
        static_cast<unsigned long long>(r.sent), static_cast<unsigned long long>(r.processed),
        static_cast<unsigned long long>(r.processedInStream), lost, r.busySeconds,
        // Over the time the processing took, not over the stream alone: a backlog drained after
        // the stop took time of its own.
        r.processed ? static_cast<double>(r.processed) / std::max(r.busySeconds, 1e-9) : 0.0,
        r.latencyMedianMs, r.latencyP99Ms, r.paintMedianMs, r.paintP99Ms,
        r.processCpuSeconds * perReport, r.windowCpuSeconds * perReport,
        100.0 * r.processCpuSeconds / std::max(r.measuredSeconds, 1e-9),
        static_cast<double>(r.wakeups) / std::max(r.measuredSeconds, 1e-9), r.peakKiB, r.growthKiB,
        options.mode == "ceiling" ? "none" : QGuiApplication::platformName().toUtf8().constData());
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tagwick-bench-e2e: %s\n", error.what());
    return 1;
  }
}
