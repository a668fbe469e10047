"""The real tagwick.exe under Wine on the X display that run-display-tests prepared.

Usage: window_under_wine.py TAGWICK.EXE SOURCE_DIR [--shots DIR]
       window_under_wine.py --packaged UNPACKED_FOLDER SOURCE_DIR

Starts the program from a working folder of its own (a copy of Language/ with no CurID) once per
language and checks its title, its fixed frame and its centred position, then, in English,
drives it with the mouse and keyboard against a fake device on 127.0.0.1: the exact request
bytes, a device-ID round trip, an inventory of 1,000 reports counted in the exported grid and
drawn in 20-pixel rows, the export byte for byte, and the close that sends "debugstop" and
writes CurID to Lang.ini. Screenshots go to DIR (default SOURCE_DIR/docs).
"""

import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time

LOOPBACK = "127.0.0.1"
DEVICE_PORT = 11002  # edtPort is disabled: the program always talks to this port

# Design bounds of the controls used (left, top, width, height, relative to their holder) and of
# the holders on the page.
GRP1 = (16, 16)
GRP6 = (16, 184)
EDT_IP = (48, 32, 121, 20, GRP1)
BTN_IP = (56, 112, 57, 25, GRP1)
BTN3 = (14, 112, 67, 25, GRP6)
BTN10 = (102, 112, 67, 25, GRP6)
BTN_TEST = (600, 14, 73, 25, (0, 0))
BTN_EXPORT = (688, 14, 81, 25, (0, 0))
# Where the pages begin inside the tab widget under the Windows style, and the second tab.
PAGE = (2, 22)
TAB_READ_TEST = (126, 11)
# The tag grid's client area (inside the read-test page) and the design's row height.
GRID = (PAGE[0] + 17, PAGE[1] + 56, 752, 465)
ROW_HEIGHT = 20
# _MOTIF_WM_HINTS bits: functions resize and maximise, decorations resize handle and maximise.
MWM_FUNC_RESIZE, MWM_FUNC_MAXIMIZE = 0x2, 0x10
MWM_DECOR_RESIZEH, MWM_DECOR_MAXIMIZE = 0x4, 0x40
# The same for the Linux window (Fusion style), which the benchmark drives beside it.
LINUX_PAGE = (2, 26)
LINUX_TAB_READ_TEST = (125, 13)


def request(type_text, *members):
    """A request as the program prints it: cJSON's formatted layout."""
    pairs = [("type", type_text)] + list(members)
    body = ",\n".join('\t"%s":\t"%s"' % pair for pair in pairs)
    return ("{\n" + body + "\n}").encode()


def profile_value(path, section, key):
    text = open(path, encoding="utf-8-sig").read()
    current = None
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            current = line[1:-1]
        elif current == section and line.startswith(key + "="):
            return line[len(key) + 1:]
    return None


def xdotool(*args, timeout=60):
    return subprocess.run(("xdotool",) + args, check=True, timeout=timeout,
                          capture_output=True, text=True).stdout


class FakeDevice:
    """The device's side: one socket on 127.0.0.1:11002 that answers the program's port."""

    def __init__(self):
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        for attempt in range(50):
            try:
                self.sock.bind((LOOPBACK, DEVICE_PORT))
                break
            except OSError:
                if attempt == 49:
                    raise
                time.sleep(0.2)
        self.peer = None

    def receive(self, timeout=20):
        self.sock.settimeout(timeout)
        data, peer = self.sock.recvfrom(65536)
        assert peer[0] == LOOPBACK, peer
        self.peer = peer
        return data

    def expect(self, wanted, timeout=20):
        got = self.receive(timeout)
        assert got == wanted, "device got %r, wanted %r" % (got, wanted)

    def send(self, text):
        assert self.peer and self.peer[0] == LOOPBACK
        self.sock.sendto(text.encode(), self.peer)

    def close(self):
        self.sock.close()


class Window:
    """One run of tagwick.exe in its own working folder."""

    def __init__(self, exe, source, locale, folder=None, command=None, env_overrides=None):
        # The packaged folder is its own working folder; otherwise a copy of the language files.
        self.keep = folder is not None
        self.work = folder or tempfile.mkdtemp(prefix="tagwick-wine-")
        if not self.keep:
            shutil.copytree(os.path.join(source, "Language"), os.path.join(self.work, "Language"))
        self.lang_ini = os.path.join(self.work, "Language", "Lang.ini")
        assert self.cur_id() is None  # the locale chooses the language
        # The Windows platform plugin, whatever the caller's QT_QPA_PLATFORM (the tests' offscreen).
        env = dict(os.environ, LC_ALL=locale, LANG=locale, QT_QPA_PLATFORM="windows")
        env.update(env_overrides or {})
        self.started = time.monotonic()
        # TAGWICK_WINE_OUTPUT=1 lets the program's (and Wine's) output through.
        quiet = None if os.environ.get("TAGWICK_WINE_OUTPUT") else subprocess.DEVNULL
        self.process = subprocess.Popen(command or ["wine", os.path.abspath(exe)], cwd=self.work,
                                        env=env, stdout=quiet, stderr=quiet)
        self.id = self.find()

    def find(self):
        deadline = time.time() + 180  # the first start in a prefix builds its font cache
        while time.time() < deadline:
            assert self.process.poll() is None, "tagwick.exe ended early"
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--class", "tagwick"],
                                   capture_output=True, text=True).stdout.split()
            for wid in found:
                if self.geometry(wid)[2:] == (792, 563):
                    self.shown = time.monotonic()
                    time.sleep(1)  # let it paint
                    return wid
            time.sleep(0.05)
        raise AssertionError("no 792 x 563 window of tagwick.exe")

    def other_window(self, timeout=60):
        """The program's newest visible window besides the main one, once it has painted."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--class", "tagwick"],
                                   capture_output=True, text=True).stdout.split()
            others = [wid for wid in found if wid != self.id]
            if others:
                time.sleep(3)
                return others[-1]
            time.sleep(0.5)
        raise AssertionError("no dialog of tagwick.exe")

    @staticmethod
    def geometry(wid):
        values = dict(line.split("=", 1)
                      for line in xdotool("getwindowgeometry", "--shell", wid).split())
        return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    def check_frame_and_position(self, position=True):
        """The design's window: a fixed single frame without maximise, the client area centred
        on the screen as the Linux window centres it. A prefix made without a display tells the
        first program on the display a 1024 x 768 screen: its position is not checked."""
        hints = subprocess.run(["xprop", "-id", self.id, "_MOTIF_WM_HINTS", "WM_NORMAL_HINTS"],
                               capture_output=True, text=True, check=True).stdout
        motif = re.search(r"_MOTIF_WM_HINTS\(_MOTIF_WM_HINTS\) = (.*)", hints)
        assert motif, hints
        functions, decorations = [int(v, 16) for v in motif.group(1).split(", ")[1:3]]
        assert not functions & (MWM_FUNC_RESIZE | MWM_FUNC_MAXIMIZE), hints
        assert not decorations & (MWM_DECOR_RESIZEH | MWM_DECOR_MAXIMIZE), hints
        assert "minimum size: 792 by 563" in hints and "maximum size: 792 by 563" in hints, hints
        if not position:
            return
        info = subprocess.run(["xwininfo", "-id", self.id], capture_output=True, text=True,
                              check=True).stdout
        at = tuple(int(re.search(r"Absolute upper-left %s:\s+(-?\d+)" % axis, info).group(1))
                   for axis in "XY")
        width, height = (int(v) for v in xdotool("getdisplaygeometry").split())
        # QRect's centre, as the Linux window computes it: (size - 1) / 2.
        wanted = ((width - 1) // 2 - 791 // 2, (height - 1) // 2 - 562 // 2)
        assert at == wanted, "client area at %s, centred is %s" % (at, wanted)

    def row_pitch(self):
        """The distance between the tag grid's horizontal lines, from a capture of the window."""
        xwd = subprocess.run(["xwd", "-silent", "-id", self.id], capture_output=True, check=True)
        ppm = subprocess.run(["xwdtopnm"], input=xwd.stdout, capture_output=True,
                             check=True).stdout
        fields = ppm.split(maxsplit=4)
        assert fields[0] == b"P6", fields[:4]
        width = int(fields[1])
        pixels = fields[4]
        left, top, grid_width, grid_height = GRID
        base = bytes((230, 255, 255))
        lines = []
        # A grid line is a pixel row of one colour, other than the cells' background, across the
        # first columns; rows of text and of background are not.
        for y in range(top, top + grid_height):
            start = (y * width + left + 4) * 3
            row = pixels[start:start + 3 * 300]
            first = row[:3]
            if first != base and row == first * 300:
                lines.append(y)
        gaps = [b - a for a, b in zip(lines, lines[1:]) if b - a > 1]
        assert len(gaps) >= 10, lines
        return max(set(gaps), key=gaps.count)

    def title(self):
        out = subprocess.run(["xprop", "-id", self.id, "_NET_WM_NAME"], capture_output=True,
                             env=dict(os.environ, LC_ALL="C.UTF-8"), check=True).stdout
        match = re.match(rb'_NET_WM_NAME\(UTF8_STRING\) = "(.*)"\n', out)
        assert match, out
        return match.group(1).decode()

    page = PAGE
    read_test_tab = TAB_READ_TEST

    def centre(self, control):
        left, top, width, height, holder = control
        return (self.page[0] + holder[0] + left + width // 2,
                self.page[1] + holder[1] + top + height // 2)

    def press(self, control):
        self.click(*self.centre(control))

    def click(self, x, y):
        """A click at client coordinates of the window."""
        xdotool("mousemove", "--window", self.id, str(x), str(y))
        time.sleep(0.2)
        xdotool("click", "1")
        time.sleep(0.5)

    def type_into(self, control, text):
        self.press(control)
        xdotool("key", "ctrl+a")
        xdotool("type", "--delay", "20", text)

    def key(self, *keys):
        xdotool("key", *keys)
        time.sleep(0.5)

    def screenshot(self, path):
        # The window itself: a capture of the root shows Wine's dialogs black.
        xwd = subprocess.run(["xwd", "-silent", "-id", self.id], capture_output=True, check=True)
        pnm = subprocess.run(["xwdtopnm"], input=xwd.stdout, capture_output=True, check=True)
        png = subprocess.run(["pnmtopng", "-compression", "9"], input=pnm.stdout,
                             capture_output=True, check=True)
        with open(path, "wb") as f:
            f.write(png.stdout)

    def close(self):
        """Alt+F4, which the window manager turns into the window's close request."""
        for _ in range(10):
            if subprocess.run(["xdotool", "windowactivate", "--sync", self.id],
                              capture_output=True, timeout=30).returncode == 0:
                break
            time.sleep(0.5)
        xdotool("key", "alt+F4")
        self.process.wait(timeout=60)

    def cur_id(self):
        return profile_value(self.lang_ini, "General", "CurID")

    def remove(self):
        if self.process.poll() is None:
            self.process.kill()
        if not self.keep:
            shutil.rmtree(self.work, ignore_errors=True)


def english_session(exe, source, shots):
    device = FakeDevice()
    window = Window(exe, source, "en_US.UTF-8")
    language = os.path.join(source, "Language", "Pellow.eng")
    try:
        assert window.title() == profile_value(language, "MainForm", "MainForm"), window.title()
        window.check_frame_and_position()
        window.screenshot(os.path.join(shots, "windows-parameters-en.png"))

        window.type_into(EDT_IP, LOOPBACK)
        window.press(BTN_IP)
        device.expect(request("qdwdebugstart"))

        # The device ID comes back into edtDeviceID and goes out again with the set button.
        window.press(BTN3)
        device.expect(request("getdeviceid"))
        device.send('{"type":"getdeviceid","deviceid":"4711"}')
        time.sleep(1)
        window.press(BTN10)
        device.expect(request("setdeviceid", ("deviceid", "4711")))

        window.click(*window.read_test_tab)
        window.press(BTN_TEST)
        device.expect(request("teststart"), timeout=30)
        tags = ["E2000017%016X" % n for n in range(250)]
        for _ in range(4):
            for epc in tags:
                device.send('{"type":"epcinfo","epc":"%s","epclen":"12","antid":"1",'
                            '"rssi":"-60"}' % epc)
                time.sleep(0.001)
        time.sleep(3)
        window.screenshot(os.path.join(shots, "windows-read-test.png"))
        assert window.row_pitch() == ROW_HEIGHT, window.row_pitch()

        out = os.path.join(window.work, "export.csv")
        windows_path = subprocess.run(["winepath", "-w", out], capture_output=True, text=True,
                                      check=True).stdout.strip()
        window.press(BTN_EXPORT)
        # The system's save dialog: its file-name field sits above its bottom right corner.
        dialog = window.other_window()
        _, _, width, height = window.geometry(dialog)
        xdotool("mousemove", "--window", dialog, str(width - 283), str(height - 41))
        xdotool("click", "1")
        window.key("End", "shift+Home")  # a plain edit control knows no Ctrl+A
        xdotool("type", "--delay", "20", windows_path)
        window.key("Return")
        window.other_window()  # the box of Text015/Text016
        window.key("Return")
        data = open(out, "rb").read()
        header = [profile_value(language, "ExtStr", "Text%03d" % n) for n in range(5, 10)]
        lines = data[3:].split(b"\r\n")
        assert data[:3] == b"\xef\xbb\xbf", data[:16]
        assert lines[0] == ",".join(header + ["RSSI", "Time"]).encode(), lines[0]
        assert lines[-1] == b"" and len(lines) == 252, len(lines)
        reads = 0
        for row, (line, epc) in enumerate(zip(lines[1:-1], tags), start=1):
            # Every field is known but the time of the last read.
            assert re.fullmatch(rb"%d,%s,12,1,4,67,\d\d:\d\d:\d\d:\d\d\d" % (row, epc.encode()),
                                line), line
            reads += int(line.split(b",")[4])
        assert reads == 1000, reads

        window.close()
        device.expect(request("debugstop"))
        assert window.cur_id() == "0", window.cur_id()
    finally:
        window.remove()
        device.close()


def start_up(exe, source, shots, locale, extension, index, name, folder=None, first=False):
    window = Window(exe, source, locale, folder)
    try:
        language = os.path.join(source, "Language", "Pellow." + extension)
        assert window.title() == profile_value(language, "MainForm", "MainForm"), window.title()
        window.check_frame_and_position(position=not first)
        if shots:
            window.screenshot(os.path.join(shots, "windows-parameters-%s.png" % name))
        window.close()
        assert window.cur_id() == str(index), window.cur_id()
    finally:
        window.remove()


def main():
    if sys.argv[1] == "--packaged":
        # The unpacked zip: tagwick.exe started from its own folder, nothing else installed.
        folder, source = sys.argv[2], sys.argv[3]
        for name in ("tagwick.exe", "tagwick-cli.exe", "Language/Lang.ini", "Language/Pellow.eng",
                     "1.wav", "README.txt", "LICENSE", "THIRD-PARTY.txt"):
            assert os.path.isfile(os.path.join(folder, name)), name
        start_up(os.path.join(folder, "tagwick.exe"), source, None, "en_US.UTF-8", "eng", 0,
                 "en", folder, first=True)
        print("The unpacked zip started and closed under Wine.")
        return
    exe, source = sys.argv[1], sys.argv[2]
    shots = sys.argv[4] if len(sys.argv) > 4 and sys.argv[3] == "--shots" else \
        os.path.join(source, "docs")
    start_up(exe, source, shots, "zh_CN.UTF-8", "chs", 1, "zh", first=True)
    start_up(exe, source, shots, "ja_JP.UTF-8", "jpn", 2, "ja")
    english_session(exe, source, shots)
    print("tagwick.exe under Wine: titles in three languages, requests, device ID, "
          "1,000 reports, 20-pixel rows, fixed frame, centred window, export and close passed.")


if __name__ == "__main__":
    main()
