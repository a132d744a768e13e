"""What a screen reader finds through AT-SPI: the panel over sample data on a fixed day, a month
switch made through a day cell's action, and the preferences window with every control named.

Usage: accessibility_tree.py PROGRAM, run under dbus-run-session and run-with-xvfb. It starts the
desktop's accessibility bus itself, as a session would for a screen reader.
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
from gi.repository import Atspi, Gio, GLib  # noqa: E402

PROGRAM = sys.argv[1]
TIMEOUT = 20.0
failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


def wait_for(probe, what):
    """Polls probe() until it returns something true, dispatching AT-SPI events meanwhile."""
    deadline = time.monotonic() + TIMEOUT
    context = GLib.MainContext.default()
    while True:
        while context.iteration(False):
            pass
        found = probe()
        if found or time.monotonic() > deadline:
            break
        time.sleep(0.05)
    if not found:
        raise SystemExit(f"FAIL timed out waiting for {what}")
    return found


def start_accessibility_bus():
    launcher = subprocess.Popen(
        ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    session = Gio.bus_get_sync(Gio.BusType.SESSION)

    def has_bus():
        reply = session.call_sync(
            "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
            "NameHasOwner", GLib.Variant("(s)", ("org.a11y.Bus",)), None,
            Gio.DBusCallFlags.NONE, -1, None)
        return reply.unpack()[0]

    wait_for(has_bus, "the accessibility bus")
    # What a screen reader sets when it starts.
    session.call_sync(
        "org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Set",
        GLib.Variant("(ssv)", ("org.a11y.Status", "IsEnabled", GLib.Variant("b", True))),
        None, Gio.DBusCallFlags.NONE, -1, None)
    return launcher


def application_of(process):
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_process_id() == process.pid:
            # Ask the program every time, so the names read are the current ones.
            app.set_cache_mask(Atspi.Cache.NONE)
            return app
    return None


def walk(node, depth=0):
    """Every object under node in reading order, node first."""
    if node is None or depth > 40:
        return []
    found = [node]
    for i in range(node.get_child_count()):
        found += walk(node.get_child_at_index(i), depth + 1)
    return found


def named(nodes, role):
    return [n for n in nodes if n.get_role() == role]


def window_named(app, name):
    for i in range(app.get_child_count()):
        window = app.get_child_at_index(i)
        if window is not None and window.get_name() == name:
            return window
    return None


def run(arguments, environment):
    return subprocess.Popen([PROGRAM] + arguments, env=environment,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def check_panel(environment):
    focused = []
    listener = Atspi.EventListener.new(
        lambda event: focused.append(event.source.get_name()) if event.detail1 else None)
    listener.register("object:state-changed:focused")

    panel = run(["--panel-preview", "--preview-data", "--date", "2026-12-02"], environment)
    try:
        app = wait_for(lambda: application_of(panel), "the panel's program on the bus")

        def grid():
            tables = named(walk(app), Atspi.Role.TABLE)
            return tables[0] if tables and tables[0].get_child_count() > 7 else None

        table = wait_for(grid, "the month grid")
        nodes = walk(app)
        headings = [n.get_name() for n in named(nodes, Atspi.Role.HEADING)]
        check("2026年 12月" in headings, f"month title among headings {headings}")
        texts = [n.get_name() for n in nodes if n.get_role() in (Atspi.Role.LABEL,
                                                                    Atspi.Role.STATIC)]
        check(any(re.fullmatch(r"\S+年 · \S+", n or "") for n in texts),
              f"the sexagenary line among texts {texts}")

        headers = [n.get_name() for n in named(walk(table), Atspi.Role.TABLE_COLUMN_HEADER)]
        check(headers == ["星期一", "星期二", "星期三", "星期四", "星期五", "星期六", "星期日"],
              f"weekday header {headers}")

        def day_names():
            cells = named(walk(table), Atspi.Role.TABLE_CELL)
            return cells, [c.get_name() for c in cells]

        cells, names = day_names()
        check(len(cells) in (35, 42), f"{len(cells)} day cells")
        pattern = re.compile(r"\d{1,2}月\d{1,2}日 星期[一二三四五六日]，农历\S+")
        check(all(pattern.match(name) for name in names), "every cell says date, weekday, lunar")
        today = [n for n in names if "今天" in n]
        selected = [c.get_name() for c in cells
                    if c.get_state_set().contains(Atspi.StateType.SELECTED)]
        check(len(today) == 1 and today[0].startswith("12月2日 星期三，农历"),
              f"one today: {today}")
        check(today and today[0].endswith("今天，已选中，2 个日程"), "today is selected, 2 events")
        check(selected == today, f"one selected cell: {selected}")
        check(table.get_name() == "2026年 12月", "the table is named after the month")

        rows = [n.get_name() for n in named(nodes, Atspi.Role.PUSH_BUTTON)]
        check("产品站会，09:30 - 10:15，工作" in rows and "设计评审，14:00 - 15:30，工作" in rows,
              f"event rows {rows}")
        check("设置" in rows, "settings button named")

        # The last cell belongs to January: pressing it selects the day and shows its month.
        cells[-1].do_action(0)
        wait_for(lambda: "2027年 1月" in [n.get_name() for n in
                                          named(walk(app), Atspi.Role.HEADING)],
                 "the title of the next month")
        cells, names = wait_for(lambda: (lambda c, n: (c, n) if n and n[0].startswith("12月28日")
                                         else None)(*day_names()), "January's cells")
        chosen = [n for n in names if "已选中" in n]
        check(chosen == [n for n in names if n.startswith("1月3日 星期日，农历")],
              f"the pressed day is selected: {chosen}")
        check(not any("今天" in n for n in names), "no today in January")
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
        window = wait_for(lambda: window_named(app, "设置"), "the preferences window")
        controls = wait_for(lambda: [n for n in walk(window) if n.get_role() in (
            Atspi.Role.PUSH_BUTTON, Atspi.Role.CHECK_BOX, Atspi.Role.RADIO_BUTTON)
            and n.get_state_set().contains(Atspi.StateType.SHOWING)],
            "the preferences' controls")
        names = [c.get_name() for c in controls]
        check(all(names), f"every control named: {names}")

        def checked(name):
            box = next((c for c in controls if c.get_name() == name), None)
            return box is not None and box.get_state_set().contains(Atspi.StateType.CHECKED)

        order = ["开机启动", "外观模式: 跟随系统", "快捷键: ", "菜单栏: ", "显示星期", "显示日期",
                 "显示农历", "显示事件红点", "24小时", "12小时", "显示秒", "工作", "生活",
                 "订阅提醒"]
        positions = [next((i for i, n in enumerate(names) if n.startswith(w)), -1) for w in order]
        check(-1 not in positions and positions == sorted(positions),
              f"controls in reading order: {list(zip(order, positions))}")
        states = {n: checked(n) for n in ("开机启动", "显示农历", "工作")}
        check(states == {"开机启动": False, "显示农历": True, "工作": True},
              f"check boxes carry their state {states}")
    finally:
        preferences.terminate()
        preferences.wait()


def main():
    home = tempfile.mkdtemp()
    config = os.path.join(home, "config")
    os.makedirs(os.path.join(config, "tessel-calendar"))
    with open(os.path.join(config, "tessel-calendar", "settings.json"), "w") as f:
        json.dump({"preferences.usePreviewData": True, "preferences.showLunarCalendar": True,
                   "calendar.didShowShortcutHint": True}, f)
    environment = dict(os.environ, XDG_CONFIG_HOME=config,
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
