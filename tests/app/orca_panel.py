"""What Orca says while a keyboard user goes through the panel: Debian's own screen reader runs
against the panel preview over sample data, and the phrases it spoke are read from its debug
file. Usage: orca_panel.py PROGRAM, under dbus-run-session and run-with-xvfb; it starts the
accessibility bus itself. Exits 77 (skipped) where Orca cannot start.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import tty

PROGRAM = sys.argv[1]
SKIPPED = 77
failures = []


class Speech:
    """The phrases Orca speaks, read from its debug file as they come. The file is a terminal,
    since Orca writes it line by line only there (a plain file is written in blocks)."""

    def __init__(self, log_path):
        self.master, slave = os.openpty()
        tty.setraw(slave)
        self.path = os.ttyname(slave)
        self.slave = slave
        self.log = open(log_path, "w", encoding="utf-8")
        self.heard = []
        self.lock = threading.Lock()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        pending = b""
        while True:
            try:
                chunk = os.read(self.master, 65536)
            except OSError:
                return
            if not chunk:
                return
            *lines, pending = (pending + chunk).split(b"\n")
            for line in lines:
                text = line.decode("utf-8", errors="replace").rstrip("\r")
                self.log.write(text + "\n")
                self.log.flush()
                spoken = re.search(r"SPEECH OUTPUT: '(.*)'", text)
                if spoken:
                    with self.lock:
                        self.heard.append(spoken.group(1))

    def mark(self):
        with self.lock:
            return len(self.heard)

    def wait_for(self, pattern, since, seconds=20):
        """The first phrase spoken after `since` that matches, waiting up to `seconds`."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            with self.lock:
                found = next((p for p in self.heard[since:] if re.search(pattern, p)), None)
            if found:
                return found
            time.sleep(0.05)
        return None

    def since(self, mark):
        with self.lock:
            return self.heard[mark:]


def check(speech, since, pattern, what):
    found = speech.wait_for(pattern, since)
    print(("ok   " if found else "FAIL ") + f"{what}: {found or speech.since(since)}")
    if not found:
        failures.append(what)
    return found


def poll(probe, seconds=20):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = probe()
        if found:
            return found
        time.sleep(0.05)
    return None


def prepare_home(home):
    """A home whose desktop settings turn the screen reader on, with Orca's own preferences."""
    config = os.path.join(home, "config")
    os.makedirs(os.path.join(config, "glib-2.0", "settings"))
    with open(os.path.join(config, "glib-2.0", "settings", "keyfile"), "w") as keyfile:
        keyfile.write("[org/gnome/desktop/a11y/applications]\nscreen-reader-enabled=true\n"
                      "[org/gnome/desktop/interface]\ntoolkit-accessibility=true\n")
    os.makedirs(os.path.join(config, "tessel-calendar"))
    with open(os.path.join(config, "tessel-calendar", "settings.json"), "w") as settings:
        settings.write('{"preferences.showLunarCalendar": true, '
                       '"calendar.didShowShortcutHint": true}')
    runtime = os.path.join(home, "runtime")
    os.makedirs(runtime, mode=0o700)
    return dict(os.environ, HOME=home, XDG_CONFIG_HOME=config,
                XDG_DATA_HOME=os.path.join(home, "data"),
                XDG_CACHE_HOME=os.path.join(home, "cache"), XDG_RUNTIME_DIR=runtime,
                GSETTINGS_BACKEND="keyfile", TZ="Asia/Shanghai", LANG="C.UTF-8",
                LC_ALL="C.UTF-8", GTK_A11Y="atspi", NO_AT_BRIDGE="0",
                # Orca's phrases are logged before any speech server would say them; none is
                # started.
                SPEECHD_CMD="/bin/false", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")


def start_accessibility_bus(environment):
    launcher = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                env=environment, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)

    def bus_running():
        names = subprocess.run(["dbus-send", "--session", "--print-reply",
                                "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                                "org.freedesktop.DBus.NameHasOwner", "string:org.a11y.Bus"],
                               env=environment, capture_output=True, text=True).stdout
        return "boolean true" in names

    if not poll(bus_running):
        raise SystemExit("FAIL the accessibility bus did not start")
    subprocess.run(["dbus-send", "--session", "--dest=org.a11y.Bus", "/org/a11y/bus",
                    "org.freedesktop.DBus.Properties.Set", "string:org.a11y.Status",
                    "string:IsEnabled", "variant:boolean:true"], env=environment, check=True)
    return launcher


def key(environment, window, name):
    subprocess.run(["xdotool", "key", "--window", window, "--clearmodifiers", name],
                   env=environment, check=True)


def stop(process):
    process.terminate()
    try:
        process.wait(timeout=10)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


def main():
    if not shutil.which("orca"):
        print("SKIP: Orca is not installed (scripts/install-deps installs it)")
        return SKIPPED
    home = tempfile.mkdtemp()
    environment = prepare_home(home)
    launcher = start_accessibility_bus(environment)
    # Kept beside the build for whoever wants to read all Orca did.
    speech = Speech(os.path.join(os.getcwd(), "orca_panel-debug.out"))
    orca = subprocess.Popen(["orca", "--replace", "--user-prefs", os.path.join(home, "orca"),
                             "--debug-file", speech.path, "--disable", "braille",
                             "--disable", "braille-monitor", "--disable", "main-window",
                             "--disable", "splash-window"],
                            env=environment, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    panel = None
    try:
        if not speech.wait_for(r"Screen reader on", 0, seconds=45):
            print("SKIP: Orca did not start: " + ("it exited" if orca.poll() is not None
                                                  else "it said nothing in 45 s"))
            return SKIPPED

        since = speech.mark()
        panel = subprocess.Popen([PROGRAM, "--panel-preview", "--preview-data",
                                  "--date", "2026-12-07"], env=environment,
                                 stderr=subprocess.DEVNULL)
        window = poll(lambda: subprocess.run(
            ["xdotool", "search", "--pid", str(panel.pid), "--name", "panel-preview"],
            env=environment, capture_output=True, text=True).stdout.split())
        if not window:
            raise SystemExit("FAIL the panel's window did not appear")
        window = window[0]
        subprocess.run(["xdotool", "windowfocus", "--sync", window], env=environment)
        check(speech, since, r"2026年 12月.*12月7日 星期一，农历十月廿九，大雪，今天，已选中",
              "the opening line: the month, then today selected")

        since = speech.mark()
        key(environment, window, "Right")
        check(speech, since, r"^2027年 1月", "after →, the new month's title")

        # The selection left in December comes back as the 7th of the month shown, a week on.
        since = speech.mark()
        key(environment, window, "Down")
        check(speech, since, r"1月14日 星期四，农历\S+，已选中", "after ↓, the cell a week on")

        since = speech.mark()
        key(environment, window, "alt+Right")
        check(speech, since, r"1月15日 星期五，农历\S+，已选中，1 个日程：16:30 牙医预约",
              "after Alt+→, the next day with its first event")

        since = speech.mark()
        key(environment, window, "Tab")
        check(speech, since, r"牙医预约，16:30 - 17:00，生活", "after Tab, the event row")
        since = speech.mark()
        key(environment, window, "Tab")
        key(environment, window, "Tab")
        check(speech, since, r"^设置", "after two more Tabs, the settings button")
    finally:
        if panel:
            stop(panel)
        stop(orca)
        stop(launcher)
        shutil.rmtree(home, ignore_errors=True)
    print(f"{len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
