"""tagwick.exe under Wine beside the Linux window, both on the same Xvfb, in one run.

Usage (inside xvfb-run and tests/app/run-display-tests):
  wine_vs_linux.py LINUX_TAGWICK TAGWICK.EXE SIMULATOR SOURCE_DIR SECONDS [RESULTS.md]

Measures the start-up time (process start to the window on the screen, the median of three warm
starts) and the share of one core while the simulated device on 127.0.0.1:11002 streams 2,000 and
20,000 reports/s over 10,000 tags into the running read test. Prints a markdown section; with
RESULTS.md, puts it there too, in place of its previous version.
"""

import json
import os
import socket
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "windows"))
import window_under_wine as w  # noqa: E402

HEADING = "## tagwick.exe under Wine beside the Linux window"
TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    fields = open("/proc/%d/stat" % pid).read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def wineserver_pid():
    prefix = os.environ.get("WINEPREFIX", "").encode()
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            if not open("/proc/%s/comm" % entry, "rb").read().startswith(b"wineserver"):
                continue
            if b"WINEPREFIX=" + prefix + b"\0" in open("/proc/%s/environ" % entry, "rb").read():
                return int(entry)
        except OSError:
            continue
    return None


class Platform:
    def __init__(self, name, exe, command, env, page, tab):
        self.name, self.exe, self.command, self.env = name, exe, command, env
        self.page, self.tab = page, tab

    def open(self, source):
        window = w.Window(self.exe, source, "en_US.UTF-8", command=self.command,
                            env_overrides=self.env)
        window.page, window.read_test_tab = self.page, self.tab
        return window


def start_up(platform, source):
    times = []
    for _ in range(3):
        window = platform.open(source)
        times.append(window.shown - window.started)
        print("%s start-up %.2f s" % (platform.name, times[-1]), file=sys.stderr)
        window.close()
        window.remove()
    return statistics.median(times)


def reports_sent():
    """The simulator's own count of the reports it sent (it answers "simstats" from anywhere)."""
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        s.settimeout(5)
        s.sendto(b'{"type":"simstats"}', (w.LOOPBACK, w.DEVICE_PORT))
        return json.loads(s.recv(65536))["reports"]


def streaming(platform, source, simulator, rate, seconds):
    sim = subprocess.Popen([simulator, "--bind", w.LOOPBACK, "--port", str(w.DEVICE_PORT),
                            "--rate", str(rate), "--tags", "10000", "--heartbeat", "0"],
                           stdout=subprocess.PIPE, text=True)
    window = None
    try:
        assert sim.stdout.readline().startswith("listening on 127.0.0.1:")
        window = platform.open(source)
        window.type_into(w.EDT_IP, w.LOOPBACK)
        window.press(w.BTN_IP)
        window.click(*window.read_test_tab)
        window.press(w.BTN_TEST)
        time.sleep(2)
        server = wineserver_pid() if platform.name == "wine" else None
        pid = window.process.pid
        wall0, cpu0 = time.monotonic(), cpu_seconds(pid)
        server0 = cpu_seconds(server) if server else 0
        time.sleep(seconds)
        wall = time.monotonic() - wall0
        share = 100 * (cpu_seconds(pid) - cpu0) / wall
        server_share = 100 * (cpu_seconds(server) - server0) / wall if server else None
        # The clicks reached the window: the device is streaming to it.
        assert reports_sent() >= rate * seconds, "the simulator sent too few reports"
        window.screenshot("/tmp/tagwick-bench-%s-%d.png" % (platform.name, rate))
        window.close()
        return share, server_share
    finally:
        if window:
            window.remove()
        sim.terminate()
        sim.wait(timeout=30)


def main():
    linux, exe, simulator, source = (os.path.abspath(a) for a in sys.argv[1:5])
    seconds = sys.argv[5]
    results = sys.argv[6] if len(sys.argv) > 6 else None
    seconds = float(seconds)
    platforms = [
        Platform("linux", linux, [linux], {"QT_QPA_PLATFORM": "xcb"}, w.LINUX_PAGE,
                 w.LINUX_TAB_READ_TEST),
        Platform("wine", exe, ["wine", exe], {}, w.PAGE, w.TAB_READ_TEST),
    ]
    w.Window(exe, source, "en_US.UTF-8").remove()  # a first start fills Wine's font cache
    rows = []
    for platform in platforms:
        row = {"start": start_up(platform, source)}
        for rate in (2000, 20000):
            row[rate] = streaming(platform, source, simulator, rate, seconds)
        rows.append((platform.name, row))

    def share(value):
        return "%.1f %%" % value

    out = [HEADING, "",
           "The same build of the window: `tagwick.exe` (mingw-w64, static Qt, Release) under "
           "Wine %s and the Linux `tagwick` (RelWithDebInfo) on one Xvfb with openbox, one "
           "after the other in this run. Start-up = process start to the 792 x 563 window on "
           "the screen, median of three warm starts. Share of one core = CPU time of the "
           "program's process over %g s of wall time while the simulator streams the given "
           "rate over 10,000 tags into the running read test; Wine's server process, which "
           "carries the Windows side of every socket and window call, is counted on its own. "
           "Produced by `bench/wine_vs_linux.py` from `scripts/bench`; load average at the "
           "end: %.1f." % (subprocess.run(["wine", "--version"], capture_output=True,
                                          text=True).stdout.strip(), seconds,
                          os.getloadavg()[0]), "",
           "| window | start-up s | share of one core at 2,000/s | wineserver at 2,000/s | "
           "share of one core at 20,000/s | wineserver at 20,000/s |",
           "|---|---:|---:|---:|---:|---:|"]
    for name, row in rows:
        label = "tagwick.exe under Wine" if name == "wine" else "tagwick on Linux"
        cells = [label, "%.2f" % row["start"]]
        for rate in (2000, 20000):
            own, server = row[rate]
            cells += [share(own), "" if server is None else share(server)]
        out.append("| " + " | ".join(cells) + " |")
    section = "\n".join(out) + "\n"
    print(section)
    if results:
        text = open(results).read() if os.path.exists(results) else ""
        if HEADING in text:
            start = text.index(HEADING)
            end = text.find("\n## ", start + len(HEADING))
            text = text[:start] + section + (text[end + 1:] if end >= 0 else "")
        else:
            text = text.rstrip("\n") + "\n\n" + section
        open(results, "w").write(text)


if __name__ == "__main__":
    main()
