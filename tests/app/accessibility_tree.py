"""What a screen reader finds through AT-SPI: the panel over sample data on a fixed day, a month
switch made through a day cell's action, and the preferences window with every control named.
Usage: accessibility_tree.py PROGRAM, under dbus-run-session and run-with-xvfb; it starts the
accessibility bus itself, as a session does for a screen reader.
"""

import json
import os
import re
import subprocess
import sys
import tempfile
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

PROGRAM = sys.argv[1]
failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


def wait_for(probe, what):
    """Polls probe() for 20 s until it returns something true, dispatching AT-SPI events."""
    deadline = time.monotonic() + 20
    while time.monotonic() < deadline:
        while GLib.MainContext.default().iteration(False):
            pass
        found = probe()
        if found:
            return found
        time.sleep(0.05)
    raise SystemExit(f"FAIL timed out waiting for {what}")


def start_accessibility_bus():
    launcher = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["gdbus", "wait", "--session", "--timeout", "20", "org.a11y.Bus"], check=True)
    # What a screen reader sets when it starts.
    subprocess.run(["gdbus", "call", "--session", "--dest", "org.a11y.Bus", "--object-path",
                    "/org/a11y/bus", "--method", "org.freedesktop.DBus.Properties.Set",
                    "org.a11y.Status", "IsEnabled", "<true>"], check=True, stdout=subprocess.DEVNULL)
    return launcher


def children(node):
    return [c for c in map(node.get_child_at_index, range(node.get_child_count())) if c]


def application_of(process):
    app = next((a for a in children(Atspi.get_desktop(0)) if a.get_process_id() == process.pid),
               None)
    if app:
        app.set_cache_mask(Atspi.Cache.NONE)  # so the names read are the current ones
    return app


def walk(node, role=None):
    """Every object under node in reading order, or those of one role."""
    found = [node] if role is None or node.get_role() == role else []
    for child in children(node):
        found += walk(child, role)
    return found


def run(arguments, environment):
    return subprocess.Popen([PROGRAM] + arguments, env=environment, stderr=subprocess.DEVNULL)


def check_panel(environment):
    focused = []
    listener = Atspi.EventListener.new(
        lambda event: focused.append(event.source.get_name()) if event.detail1 else None)
    listener.register("object:state-changed:focused")
    panel = run(["--panel-preview", "--preview-data", "--date", "2026-12-02"], environment)
    try:
        app = wait_for(lambda: application_of(panel), "the panel's program on the bus")
        table = wait_for(lambda: next((t for t in walk(app, Atspi.Role.TABLE)
                                       if t.get_child_count() > 7), None), "the month grid")
        check(table.get_name() == "2026年 12月", "the table is named after the month")
        # Week numbers are on: each row is headed by its ISO week, 30 November to 6 December
        # being the 49th.
        header = table.get_row_header(0)
        check(header is not None and header.get_name() == "第 49 周"
              and header.get_role() == Atspi.Role.TABLE_ROW_HEADER, "the first row's header")
        cells = walk(table, Atspi.Role.TABLE_CELL)
        names = [c.get_name() for c in cells]
        pattern = re.compile(r"\d{1,2}月\d{1,2}日 星期[一二三四五六日]，农历\S+")
        check(len(cells) in (35, 42) and all(pattern.match(n) for n in names),
              "every cell says date, weekday, lunar")
        selected = [c.get_name() for c in cells
                    if c.get_state_set().contains(Atspi.StateType.SELECTED)]
        check(selected == [n for n in names if "今天" in n] and len(selected) == 1
              and selected[0].startswith("12月2日 星期三，农历")
              and selected[0].endswith("今天，已选中，2 个日程：09:30 产品站会，14:00 设计评审"),
              f"today selected, with its events: {selected}")
        buttons = [n.get_name() for n in walk(app, Atspi.Role.PUSH_BUTTON)]
        check("产品站会，09:30 - 10:15，工作" in buttons and "设置" in buttons,
              f"event rows and settings named: {buttons}")

        # The last cell belongs to January: pressing it selects the day and shows its month.
        cells[-1].do_action(0)
        names = wait_for(lambda: (lambda n: n if n and n[0].startswith("12月28日") else None)(
            [c.get_name() for c in walk(app, Atspi.Role.TABLE_CELL)]), "January's cells")
        check([n for n in names if "已选中" in n]
              == [n for n in names if n.startswith("1月3日 星期日，农历")], "the pressed day selected")
        check(any(re.fullmatch(r"1月1日 星期五，农历\S+，元旦", n) for n in names),
              "a holiday says its name")
        wait_for(lambda: any(n and n.startswith("1月3日") for n in focused),
                 "the focus event of the selected day")
    finally:
        panel.terminate()
        panel.wait()
        listener.deregister("object:state-changed:focused")


def check_preferences(environment):
    preferences = run([], dict(environment, TS_PREVIEW_SETTINGS="1"))
    try:
        app = wait_for(lambda: application_of(preferences), "the program on the bus")
        window = wait_for(lambda: next((w for w in children(app) if w.get_name() == "设置"), None),
                          "the preferences window")
        controls = wait_for(lambda: [n for n in walk(window) if n.get_role() in (
            Atspi.Role.PUSH_BUTTON, Atspi.Role.CHECK_BOX, Atspi.Role.RADIO_BUTTON)
            and n.get_state_set().contains(Atspi.StateType.SHOWING)], "the preferences' controls")
        check(all(c.get_name() for c in controls), "every control named")
        states = {c.get_name(): c.get_state_set().contains(Atspi.StateType.CHECKED)
                  for c in controls if c.get_name() in ("开机启动", "显示农历", "工作")}
        check(states == {"开机启动": False, "显示农历": True, "工作": True},
              f"check boxes carry their state {states}")
    finally:
        preferences.terminate()
        preferences.wait()


def main():
    home = tempfile.mkdtemp()
    os.makedirs(os.path.join(home, "config", "tessel-calendar"))
    with open(os.path.join(home, "config", "tessel-calendar", "settings.json"), "w") as f:
        json.dump({"preferences.usePreviewData": True, "preferences.showLunarCalendar": True,
                   "preferences.showWeekNumbers": True, "calendar.didShowShortcutHint": True}, f)
    environment = dict(os.environ, XDG_CONFIG_HOME=os.path.join(home, "config"),
                       XDG_DATA_HOME=os.path.join(home, "data"), TZ="Asia/Shanghai",
                       LANG="C.UTF-8", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    launcher = start_accessibility_bus()
    try:
        check_panel(environment)
        check_preferences(environment)
    finally:
        launcher.terminate()
        launcher.wait()
    print(f"{len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
