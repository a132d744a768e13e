"""What Orca says while a keyboard user goes through the panel preview over sample data, read
from Orca's debug file. Usage: orca_panel.py PROGRAM, under dbus-run-session and run-with-xvfb.
Exits 77 (skipped) where Orca cannot start.
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

failures = []
heard = []


def listen(master, log):
    """Orca writes its debug file line by line only to a terminal, so it gets one."""
    pending = b""
    while chunk := os.read(master, 65536):
        *lines, pending = (pending + chunk).split(b"\n")
        for line in lines:
            text = line.decode(errors="replace").rstrip("\r")
            log.write(text + "\n")
            log.flush()
            heard.extend(re.findall(r"SPEECH OUTPUT: '(.*?)'(?:\{|$)", text))


def said_after(mark, pattern, seconds=20):
    """All Orca said after `mark` phrases, once it matches `pattern`."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        said = " | ".join(heard[mark:])
        if re.search(pattern, said):
            return said
        time.sleep(0.05)
    return None


def step(keys, pattern, what, env):
    mark = len(heard)
    for key in keys:
        # Through XTEST to the window with the input focus, as a keyboard would.
        subprocess.run(["xdotool", "key", "--clearmodifiers", key], env=env, check=True)
    said = said_after(mark, pattern)
    print(("ok   " if said else "FAIL ") + f"{what}: {said or heard[mark:]}")
    if not said:
        failures.append(what)


def home_environment(home):
    """A home whose desktop settings turn the screen reader on."""
    config = os.path.join(home, "config")
    os.makedirs(os.path.join(config, "glib-2.0", "settings"))
    os.makedirs(os.path.join(config, "tessel-calendar"))
    os.makedirs(os.path.join(home, "runtime"), mode=0o700)
    with open(os.path.join(config, "glib-2.0", "settings", "keyfile"), "w") as keyfile:
        keyfile.write("[org/gnome/desktop/a11y/applications]\nscreen-reader-enabled=true\n")
    with open(os.path.join(config, "tessel-calendar", "settings.json"), "w") as settings:
        settings.write('{"calendar.didShowShortcutHint": true, '
                       '"preferences.showLunarCalendar": true}')
    # No speech server is started: Orca logs each phrase before it would hand it to one.
    return dict(os.environ, HOME=home, XDG_CONFIG_HOME=config,
                XDG_DATA_HOME=os.path.join(home, "data"), XDG_CACHE_HOME=home,
                XDG_RUNTIME_DIR=os.path.join(home, "runtime"), GSETTINGS_BACKEND="keyfile",
                TZ="Asia/Shanghai", LANG="C.UTF-8", LC_ALL="C.UTF-8", SPEECHD_CMD="/bin/false",
                QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")


def main(program):
    if not shutil.which("orca"):
        print("SKIP: Orca is not installed (scripts/install-deps installs it)")
        return 77
    home = tempfile.mkdtemp()
    env = home_environment(home)
    master, slave = os.openpty()
    tty.setraw(slave)
    log = open(os.path.join(os.getcwd(), "orca_panel-debug.out"), "w")
    threading.Thread(target=listen, args=(master, log), daemon=True).start()
    processes = [subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                  env=env)]
    subprocess.run(["gdbus", "wait", "--session", "--timeout", "20", "org.a11y.Bus"], env=env,
                   check=True)
    processes.append(subprocess.Popen(
        ["orca", "--replace", "--user-prefs", os.path.join(home, "orca"), "--debug-file",
         os.ttyname(slave), "--disable", "braille", "--disable", "braille-monitor"],
        env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    try:
        if not said_after(0, "Screen reader on", seconds=60):
            print("SKIP: Orca did not start: "
                  + ("it exited" if processes[1].poll() is not None else "silent for 60 s"))
            return 77
        panel = subprocess.Popen([program, "--panel-preview", "--preview-data", "--date",
                                  "2026-12-07"], env=env)
        processes.append(panel)
        deadline = time.monotonic() + 20
        while not (window := subprocess.run(
                # Viewable, not merely created: focus cannot go to a window not yet mapped.
                ["xdotool", "search", "--onlyvisible", "--pid", str(panel.pid), "--name",
                 "panel-preview"],
                env=env, capture_output=True, text=True).stdout.split()):
            if time.monotonic() > deadline:
                raise SystemExit("FAIL the panel's window did not appear")
            time.sleep(0.05)
        subprocess.run(["xdotool", "windowfocus", "--sync", window[0]], env=env, check=True)
        step([], r"2026年 12月.*12月7日 星期一，农历\S+今天，已选中", "the opening line",
             env)
        step(["Right"], r"2027年 1月", "after →, the new month's title", env)
        # The selection left in December comes back on the 7th of the month shown, a week on.
        step(["Down"], r"1月14日 星期四，农历\S+，已选中", "after ↓, the day a week on", env)
        step(["alt+Right"], r"1月15日 星期五，农历\S+，已选中，1 个日程：16:30 牙医预约",
             "after Alt+→, the next day and its first event", env)
        step(["Tab"], r"牙医预约，16:30 - 17:00，生活", "after Tab, the event row", env)
        # One key at a time: Orca drops a focus phrase that a quicker second focus change overtakes.
        step(["Tab"], r"在日历应用中打开", "the next Tab, the app button", env)
        step(["Tab"], r"设置", "the next Tab, the settings button", env)
    finally:
        for process in reversed(processes):
            process.terminate()
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        shutil.rmtree(home, ignore_errors=True)
    print(f"{len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
