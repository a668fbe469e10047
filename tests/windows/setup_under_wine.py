"""The setup program under Wine on the X display that run-display-tests prepared, each case in a
fresh prefix.

Usage: setup_under_wine.py BUILD_DIR SOURCE_DIR OLD_SETUP.EXE OLD_FILE_NAME

BUILD_DIR holds Tagwick-<version>-win64-setup.exe; OLD_SETUP.EXE is a setup of a lower version
whose installation holds one file more, OLD_FILE_NAME. Cases: a Windows older than 10 1809
refused; per user (files, "Apps & features" entry, Start-menu shortcut, the program started as
the shortcut starts it, the language choice kept in %APPDATA%\\Tagwick\\Language); for all users
under a read-only Program Files folder; an upgrade in place; the silent uninstall; and the per-user
case once more with the system's ANSI code page (GBK), as on Windows 10 1809, and a user profile,
install folder and working folder named in Chinese.
"""

import glob
import os
import re
import shutil
import struct
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import window_under_wine as ww  # noqa: E402

UNINSTALL = r"Software\Microsoft\Windows\CurrentVersion\Uninstall"
KEY_VALUES = ("DisplayName", "DisplayVersion", "Publisher", "DisplayIcon", "InstallLocation",
              "UninstallString", "QuietUninstallString", "EstimatedSize", "NoModify", "NoRepair")
CHINESE_USER = "\u64cd\u4f5c\u5458"      # "operator"
CHINESE_FOLDER = "\u7a0b\u5e8f"          # "program"


class Prefix:
    """A fresh Wine prefix: its own user, locale and Windows version."""

    def __init__(self, root, name, user="tester", locale="en_US.UTF-8", windows="win10",
                 extra_env=None):
        self.path = os.path.join(root, name)
        shutil.rmtree(self.path, ignore_errors=True)
        self.user = user
        # What Wine's console programs write into a pipe: the OEM code page.
        self.encoding = "gbk" if locale.startswith("zh_CN") else "utf-8"
        self.env = dict(os.environ, WINEPREFIX=self.path, WINEDEBUG="-all", USER=user,
                        LOGNAME=user, LANG=locale, LC_ALL=locale,
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d",
                        QT_QPA_PLATFORM="windows")
        self.env.update(extra_env or {})
        subprocess.run(["wineboot", "--init"], env=self.env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.wait()
        if windows:
            self.wine("winecfg", "-v", windows)

    def wine(self, *args, check=True, env=None):
        return subprocess.run(("wine",) + args, env=env or self.env, check=check,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).returncode

    def wait(self):
        subprocess.run(["wineserver", "-w"], env=self.env, check=True, timeout=300)

    def close(self):
        subprocess.run(["wineserver", "-k"], env=self.env)
        shutil.rmtree(self.path, ignore_errors=True)

    def unix(self, windows_path):
        """C:\\... inside this prefix."""
        drive, rest = windows_path.split(":", 1)
        assert drive.upper() == "C", windows_path
        return os.path.join(self.path, "drive_c", *[p for p in rest.split("\\") if p])

    def windows_lower(self, path):
        return path.replace("/", "\\").lower()

    def registry(self, root, key):
        """The values of a key as {name: text}, or None when there is no such key."""
        out = subprocess.run(["wine", "reg", "query", root + "\\" + key], env=self.env,
                             capture_output=True)
        if out.returncode != 0:
            return None
        values = {}
        for line in out.stdout.decode(self.encoding, "replace").splitlines():
            match = re.match(r"    (\S+)    (REG_\w+)    (.*)$", line.rstrip("\r"))
            if match:
                values[match.group(1)] = match.group(3)
        return values

    def subkeys(self, root, key):
        out = subprocess.run(["wine", "reg", "query", root + "\\" + key], env=self.env,
                             capture_output=True, check=True).stdout.decode(self.encoding,
                                                                            "replace")
        lines = [line.strip() for line in out.splitlines() if line.startswith("HKEY_")]
        return [line.rsplit("\\", 1)[-1] for line in lines
                if not line.lower().endswith("\\" + key.lower())]

    def profile(self):
        return os.path.join(self.path, "drive_c", "users", self.user)

    def appdata_language(self):
        return os.path.join(self.profile(), "AppData", "Roaming", "Tagwick", "Language")


def shell_link(path, ansi="latin-1"):
    """Target, working folder, arguments and icon of a .lnk file (MS-SHLLINK); ansi: the code
    page of its ANSI strings."""
    data = open(path, "rb").read()
    assert struct.unpack_from("<I", data, 0)[0] == 0x4C, path
    flags = struct.unpack_from("<I", data, 0x14)[0]
    pos = 0x4C
    if flags & 0x1:  # HasLinkTargetIDList
        pos += 2 + struct.unpack_from("<H", data, pos)[0]
    target = None
    if flags & 0x2:  # HasLinkInfo: the local base path
        size, header = struct.unpack_from("<II", data, pos)
        base = struct.unpack_from("<I", data, pos + 16)[0]
        if header >= 0x24:
            unicode_base = struct.unpack_from("<I", data, pos + 28)[0]
            end = data.index(b"\0\0", pos + unicode_base)
            end += (end - pos - unicode_base) % 2
            target = data[pos + unicode_base:end].decode("utf-16-le")
        else:
            end = data.index(b"\0", pos + base)
            target = data[pos + base:end].decode(ansi)
        pos += size
    strings = {}
    unicode = flags & 0x80
    for bit, name in ((0x4, "name"), (0x8, "relative"), (0x10, "workdir"), (0x20, "args"),
                      (0x40, "icon")):
        if flags & bit:
            count = struct.unpack_from("<H", data, pos)[0]
            pos += 2
            width = 2 if unicode else 1
            raw = data[pos:pos + count * width]
            strings[name] = raw.decode("utf-16-le" if unicode else ansi).rstrip("\0")
            pos += count * width
    return target, strings


class ShortcutRun(ww.Window):
    """tagwick.exe started the way the Start-menu entry starts it: the shell opens the .lnk.
    Wine's start.exe returns at once for a link, so the program is known by its window and
    waited for through the prefix's wineserver."""

    def __init__(self, prefix, link, locale, lang_ini, env_overrides=None):
        self.keep = True
        self.work = None
        self.prefix = prefix
        self.lang_ini = lang_ini
        env = dict(prefix.env, LANG=locale, LC_ALL=locale)
        env.update(env_overrides or {})
        quiet = None if os.environ.get("TAGWICK_WINE_OUTPUT") else subprocess.DEVNULL
        windows_link = "C:\\" + os.path.relpath(link, os.path.join(prefix.path, "drive_c")).replace(
            os.sep, "\\")
        subprocess.run(["wine", "start", windows_link], env=env, stdout=quiet, stderr=quiet,
                       check=True, timeout=120)
        self.process = None
        self.id = self.find()

    def find(self):
        deadline = time.time() + 180
        while time.time() < deadline:
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--class", "tagwick"],
                                   capture_output=True, text=True).stdout.split()
            for wid in found:
                if self.geometry(wid)[2:] == (792, 563):
                    time.sleep(1)
                    return wid
            time.sleep(0.1)
        raise AssertionError("no 792 x 563 window of tagwick.exe")

    def close(self):
        subprocess.run(["xdotool", "windowactivate", "--sync", self.id], capture_output=True,
                       timeout=30)
        ww.xdotool("key", "alt+F4")
        self.prefix.wait()

    def remove(self):
        pass


def language_title(source, extension):
    return ww.profile_value(os.path.join(source, "Language", "Pellow." + extension), "MainForm",
                            "MainForm")


def installed_files(folder):
    found = set()
    for base, _, files in os.walk(folder):
        for name in files:
            found.add(os.path.relpath(os.path.join(base, name), folder).replace(os.sep, "/"))
    return found


def expected_files(source):
    names = {"tagwick.exe", "tagwick-cli.exe", "1.wav", "tagwick.ico", "README.txt", "LICENSE",
             "THIRD-PARTY.txt", "uninstall.exe"}
    return names | {"Language/" + name for name in os.listdir(os.path.join(source, "Language"))}


def check_installation(prefix, source, root, folder, start_menu, version, scope_option=""):
    """Files, "Apps & features" values and the shortcut of an installation in folder."""
    unix_folder = prefix.unix(folder)
    assert installed_files(unix_folder) == expected_files(source), \
        installed_files(unix_folder) ^ expected_files(source)
    values = prefix.registry(root, UNINSTALL + "\\Tagwick")
    assert values is not None, "no uninstall key under " + root
    assert set(KEY_VALUES) <= set(values), set(KEY_VALUES) - set(values)
    uninstaller = '"%s\\uninstall.exe"' % folder
    wanted = {"DisplayName": "Tagwick", "DisplayVersion": version,
              "Publisher": "Tagwick developers", "DisplayIcon": folder + "\\tagwick.ico",
              "InstallLocation": folder, "UninstallString": uninstaller + scope_option,
              "QuietUninstallString": uninstaller + " /S" + scope_option,
              "NoModify": "0x1", "NoRepair": "0x1"}
    for name, value in wanted.items():
        assert values[name].lower() == value.lower(), (name, values[name], value)
    size_kb = sum(os.path.getsize(os.path.join(unix_folder, f))
                  for f in installed_files(unix_folder)) // 1024
    assert abs(int(values["EstimatedSize"], 16) - size_kb) <= 64, (values["EstimatedSize"], size_kb)

    link = os.path.join(prefix.unix(start_menu), "Tagwick.lnk")
    ansi = "gbk" if prefix.encoding == "gbk" else "latin-1"
    target, strings = shell_link(link, ansi)
    assert target.lower() == (folder + "\\tagwick.exe").lower(), target
    assert strings.get("workdir") == "%USERPROFILE%", strings
    assert strings.get("icon", "").lower() == (folder + "\\tagwick.ico").lower(), strings
    cli_target, cli = shell_link(os.path.join(prefix.unix(start_menu), "Tagwick command line.lnk"),
                                 ansi)
    assert cli_target.lower().endswith("\\cmd.exe") and folder.lower() in cli["args"].lower(), cli
    return link


def start_twice(prefix, source, link, first_locale, first_extension, second_locale,
                env_overrides=None):
    """Started from the shortcut, closed, started again in another locale: the language of the
    first start is kept in the user's copy, and the installed Lang.ini stays as shipped."""
    lang_ini = os.path.join(prefix.appdata_language(), "Lang.ini")
    for locale in (first_locale, second_locale):
        window = ShortcutRun(prefix, link, locale, lang_ini, env_overrides)
        try:
            title = language_title(source, first_extension)
            assert window.title() == title, (window.title(), title)
            window.close()
        finally:
            window.remove()
        prefix.wait()
    assert os.path.isfile(lang_ini), lang_ini
    return ww.profile_value(lang_ini, "General", "CurID")


def setup(prefix, exe, *options):
    shutil.copy(exe, os.path.join(prefix.path, "drive_c", "setup.exe"))
    code = prefix.wine("C:\\setup.exe", *options, check=False)
    prefix.wait()
    return code


def refused_on_older_windows(root, new_setup):
    prefix = Prefix(root, "old-windows", windows="win7")
    try:
        # ERROR_OLD_WIN_VERSION (1150), of which the exit status keeps the low byte.
        assert setup(prefix, new_setup, "/S") == 1150 & 0xFF
        assert not os.path.exists(os.path.join(prefix.profile(), "AppData", "Local", "Programs",
                                               "Tagwick"))
        assert prefix.registry("HKCU", UNINSTALL + "\\Tagwick") is None
    finally:
        prefix.close()


def per_user(root, source, new_setup, version):
    prefix = Prefix(root, "per-user")
    try:
        assert setup(prefix, new_setup, "/S") == 0
        folder = "C:\\users\\tester\\AppData\\Local\\Programs\\Tagwick"
        start_menu = "C:\\users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"
        link = check_installation(prefix, source, "HKCU", folder, start_menu, version)
        assert start_twice(prefix, source, link, "en_US.UTF-8", "eng", "zh_CN.UTF-8") == "0"
        assert ww.profile_value(os.path.join(prefix.unix(folder), "Language", "Lang.ini"),
                                "General", "CurID") is None
    finally:
        prefix.close()


def all_users(root, source, new_setup, version):
    prefix = Prefix(root, "all-users")
    folder = "C:\\Program Files\\Tagwick"
    try:
        assert setup(prefix, new_setup, "/S", "/AllUsers") == 0
        start_menu = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"
        link = check_installation(prefix, source, "HKLM", folder, start_menu, version,
                                  " /AllUsers")
        assert prefix.registry("HKCU", UNINSTALL + "\\Tagwick") is None
        # Read-only for the user as far as Wine goes: the Unix permissions (which root passes)
        # and the files' read-only attribute.
        subprocess.run(["chmod", "-R", "a-w", prefix.unix(folder)], check=True)
        prefix.wine("cmd", "/c", "attrib", "+r", folder + "\\*", "/s", check=False)
        assert start_twice(prefix, source, link, "en_US.UTF-8", "eng", "ja_JP.UTF-8") == "0"
        assert ww.profile_value(os.path.join(prefix.unix(folder), "Language", "Lang.ini"),
                                "General", "CurID") is None
    finally:
        subprocess.run(["chmod", "-R", "u+w", prefix.unix(folder)])
        prefix.close()


def upgrade(root, source, new_setup, old_setup, old_file, version):
    prefix = Prefix(root, "upgrade")
    folder = "C:\\users\\tester\\AppData\\Local\\Programs\\Tagwick"
    try:
        assert setup(prefix, old_setup, "/S") == 0
        values = prefix.registry("HKCU", UNINSTALL + "\\Tagwick")
        assert values["DisplayVersion"] != version, values
        assert os.path.isfile(os.path.join(prefix.unix(folder), old_file))
        # A running tagwick.exe is reported (ERROR_SHARING_VIOLATION) and nothing is changed.
        start_menu = "C:\\users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"
        link = os.path.join(prefix.unix(start_menu), "Tagwick.lnk")
        running = ShortcutRun(prefix, link, "en_US.UTF-8",
                              os.path.join(prefix.appdata_language(), "Lang.ini"))
        try:
            shutil.copy(new_setup, os.path.join(prefix.path, "drive_c", "setup.exe"))
            code = prefix.wine("C:\\setup.exe", "/S", check=False)
            assert code == 32, code
            assert prefix.registry("HKCU", UNINSTALL + "\\Tagwick")["DisplayVersion"] != version
            assert os.path.isfile(os.path.join(prefix.unix(folder), old_file))
        finally:
            running.close()
        assert setup(prefix, new_setup, "/S") == 0
        entries = [k for k in prefix.subkeys("HKCU", UNINSTALL) if "tagwick" in k.lower()]
        assert entries == ["Tagwick"], entries
        check_installation(prefix, source, "HKCU", folder, start_menu, version)
    finally:
        prefix.close()


def uninstall(root, source, new_setup):
    prefix = Prefix(root, "uninstall")
    folder = "C:\\users\\tester\\AppData\\Local\\Programs\\Tagwick"
    start_menu = "C:\\users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"
    try:
        assert setup(prefix, new_setup, "/S") == 0
        link = os.path.join(prefix.unix(start_menu), "Tagwick.lnk")
        assert start_twice(prefix, source, link, "en_US.UTF-8", "eng", "en_US.UTF-8") == "0"
        quiet = prefix.registry("HKCU", UNINSTALL + "\\Tagwick")["QuietUninstallString"]
        uninstaller, option = re.match(r'"(.*)" (/S)$', quiet).groups()
        prefix.wine(uninstaller, option)
        prefix.wait()  # the uninstaller runs on from a copy of itself
        assert not os.path.exists(prefix.unix(folder)), installed_files(prefix.unix(folder))
        assert not glob.glob(os.path.join(prefix.unix(start_menu), "Tagwick*"))
        assert prefix.registry("HKCU", UNINSTALL + "\\Tagwick") is None
        assert ww.profile_value(os.path.join(prefix.appdata_language(), "Lang.ini"), "General",
                                "CurID") == "0"
    finally:
        prefix.close()


def ansi_code_page(root, source, new_setup, version, locales):
    """Windows 10 1809 ignores the manifest's UTF-8 code page. The same happens here: the
    installed tagwick.exe's manifest element is renamed (1809 does not know it), and the locale
    is Chinese, so that the process's ANSI code page is GBK (936). The user's profile (the
    shortcut's working folder) and the install folder are named in Chinese."""
    env = {"LOCPATH": locales}
    prefix = Prefix(root, "code-page", user=CHINESE_USER, locale="zh_CN.UTF-8", extra_env=env)
    folder = "C:\\%s\\Tagwick" % CHINESE_FOLDER
    try:
        assert setup(prefix, new_setup, "/S", "/D=" + folder) == 0
        exe = os.path.join(prefix.unix(folder), "tagwick.exe")
        program = open(exe, "rb").read()
        assert program.count(b"<activeCodePage") == 1, "the manifest is not where it was"
        with open(exe, "wb") as f:
            f.write(program.replace(b"activeCodePage", b"activeCodePagX"))
        start_menu = ("C:\\users\\%s\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"
                      % CHINESE_USER)
        link = check_installation(prefix, source, "HKCU", folder, start_menu, version)
        # Chinese from the system locale, chosen on the first start and read back on the second.
        # (The locale stays: Wine's link keeps its target in the ANSI code page it was made in.)
        assert start_twice(prefix, source, link, "zh_CN.UTF-8", "chs", "zh_CN.UTF-8", env) == "1"
    finally:
        prefix.close()


def main():
    build, source, old_setup, old_file = sys.argv[1:5]
    version = re.search(r"project\(Tagwick VERSION ([0-9.]+)",
                        open(os.path.join(source, "CMakeLists.txt")).read()).group(1)
    new_setup = os.path.join(build, "Tagwick-%s-win64-setup.exe" % version)
    root = os.path.join(build, "setup-prefixes")
    os.makedirs(root, exist_ok=True)
    # The Chinese locale for Wine's Unix side (UTF-8 file names), built into the build folder.
    locales = os.path.join(build, "locales")
    for name in ("zh_CN",):
        if not os.path.isdir(os.path.join(locales, name + ".UTF-8")):
            os.makedirs(locales, exist_ok=True)
            subprocess.run(["localedef", "-i", name, "-f", "UTF-8",
                            os.path.join(locales, name + ".UTF-8")], check=True)
    os.environ["LOCPATH"] = locales
    refused_on_older_windows(root, new_setup)
    print("setup: refused on Windows 7.")
    per_user(root, source, new_setup, version)
    print("setup: per-user install, shortcut and language copy passed.")
    all_users(root, source, new_setup, version)
    print("setup: all-users install under a read-only Program Files folder passed.")
    upgrade(root, source, new_setup, old_setup, old_file, version)
    print("setup: upgrade in place passed.")
    uninstall(root, source, new_setup)
    print("setup: silent uninstall passed.")
    ansi_code_page(root, source, new_setup, version, locales)
    print("setup: ANSI code page 936 with Chinese profile and folders passed.")
    shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main()
