#!/usr/bin/env python3
"""check_install.py BUILD SOURCE VERSION [EDS_MODULE]: installs BUILD into a temporary DESTDIR
and checks the tree a package ships. With EDS_MODULE (the module's file name), the installed
program lists an Evolution Data Server calendar and must load that module from the installed
tree; run it on a bus where the Evolution services can be started."""

import json
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree
from pathlib import Path

build, source, version = sys.argv[1], Path(sys.argv[2]), sys.argv[3]
module_name = sys.argv[4] if len(sys.argv) > 4 else None
problems = []


def check(condition, problem):
    if not condition:
        problems.append(problem)
    return condition


def run(*command, **options):
    return subprocess.run(command, capture_output=True, text=True, **options)


def check_quiet(*command):
    result = run(*command)
    check(result.returncode == 0 and not result.stdout.strip() and not result.stderr.strip(),
          f"{' '.join(command)}: {result.returncode}\n{result.stdout}{result.stderr}")


def check_program(program):
    printed = run(str(program), "--version").stdout
    check(printed == f"tessel-calendar {version}\n", f"--version printed {printed!r}")


def check_desktop_entry(root):
    entry = root / "usr/share/applications/tessel-calendar.desktop"
    if not check(entry.is_file(), "no desktop entry"):
        return
    keys = dict(line.split("=", 1) for line in entry.read_text().splitlines() if "=" in line)
    check(keys.get("Exec", "").split()[0:1] == ["tessel-calendar"]
          and (root / "usr/bin/tessel-calendar").is_file(),
          f"Exec={keys.get('Exec')} is not the installed program")
    check(keys.get("Icon") == "tessel-calendar", f"Icon={keys.get('Icon')}")
    check_quiet("desktop-file-validate", str(entry))


def check_icons(root):
    icons = root / "usr/share/icons/hicolor"
    check((icons / "scalable/apps/tessel-calendar.svg").is_file(), "no scalable icon")
    for size in (16, 22, 24, 32, 48, 64, 128, 256):
        check((icons / f"{size}x{size}/apps/tessel-calendar.png").is_file(), f"no {size} icon")


def check_metainfo(root):
    found = list(root.glob("usr/share/metainfo/*.metainfo.xml"))
    if not check(len(found) == 1, f"metainfo files: {found}"):
        return
    metainfo = found[0]
    component = ElementTree.parse(metainfo).getroot()
    check(metainfo.name == f"{component.findtext('id')}.metainfo.xml", f"{metainfo.name} id")
    releases = [release.get("version") for release in component.iter("release")]
    check(releases[:1] == [version], f"metainfo releases {releases}")
    check(component.findtext("launchable") == "tessel-calendar.desktop", "metainfo launchable")
    check(component.findtext("provides/binary") == "tessel-calendar", "metainfo binary")
    result = run("appstreamcli", "validate", "--pedantic", "--no-net", str(metainfo))
    check(result.returncode == 0, f"appstreamcli validate:\n{result.stdout}{result.stderr}")


def check_manual(root, program):
    page = root / "usr/share/man/man1/tessel-calendar.1"
    if not check(page.is_file(), "no manual page"):
        return
    text = page.read_text().replace("\\-", "-")
    summary = run(str(program), "--help").stdout
    named = set(re.findall(r"(?<![\w-])--?[a-z][a-z-]*", summary))
    named |= set(re.findall(r"^  tessel-calendar ([a-z]+)", summary, re.MULTILINE))
    for word in sorted(named) + ["TS_PREVIEW_POPUP", "TS_PREVIEW_SETTINGS", "QT_QPA_PLATFORM",
                                 "settings.json", "EXIT STATUS", "waybar", "polybar", "genmon"]:
        check(word in text, f"the manual page does not mention {word}")


def check_extension(root):
    if not (source / "gnome-shell").is_dir():
        return
    metadata = root / "usr/share/gnome-shell/extensions/topbar@tessel-calendar/metadata.json"
    if check(metadata.is_file(), "no extension metadata.json"):
        fields = json.loads(metadata.read_text())
        check(fields.get("uuid") == "topbar@tessel-calendar", f"extension uuid {fields.get('uuid')}")
        check(bool(fields.get("shell-version")), "extension without shell-version")


def check_debian_changelog():
    changelog = source / "debian/changelog"
    if changelog.is_file():
        first = changelog.read_text().split("\n", 1)[0]
        match = re.match(r"tessel-calendar \((?:\d+:)?([^-)]+)", first)
        check(match and match.group(1) == version, f"debian/changelog starts {first!r}")


def check_module(root, program, home):
    modules = list(root.glob(f"usr/lib/**/tessel-calendar/{module_name}"))
    if not check(len(modules) == 1, f"installed modules: {modules}"):
        return
    folders = {name: str(home / name.lower()) for name in
               ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME")}
    settings = home / "xdg_config_home/tessel-calendar/settings.json"
    sources = home / "xdg_config_home/evolution/sources"
    calendar = home / "xdg_data_home/evolution/calendar/tessel-install"
    for folder in (settings.parent, sources, calendar):
        folder.mkdir(parents=True)
    settings.write_text(json.dumps({"calendar.access.events": "granted"}))
    (sources / "tessel-install.source").write_text(
        "[Data Source]\nDisplayName=Installed\nEnabled=true\nParent=local-stub\n\n"
        "[Calendar]\nBackendName=local\nSelected=true\n")
    (calendar / "calendar.ics").write_text(
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//tessel//install//EN\r\nBEGIN:VEVENT\r\n"
        "UID:install\r\nDTSTAMP:20260301T000000Z\r\nDTSTART:20260310T080000Z\r\n"
        "DTEND:20260310T083000Z\r\nSUMMARY:Standup\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")
    environment = dict(os.environ, **folders, TZ="UTC", GSETTINGS_BACKEND="memory")
    # The Evolution services the bus starts take these folders too.
    run("dbus-update-activation-environment", *folders, "TZ", "GSETTINGS_BACKEND",
        env=environment)
    # The first start of the registry and factory on a fresh bus may outlast one wait.
    for _ in range(5):
        result = run(str(program), "events", "2026-03-10", "--tsv",
                     env=dict(environment, LD_DEBUG="files"))
        if "\tStandup\tInstalled\t" in result.stdout:
            break
    check("\tStandup\tInstalled\t" in result.stdout,
          f"the event through Evolution Data Server: {result.stdout!r}")
    loaded = {str(Path(path).resolve()) for path in
              re.findall(r"file=(/\S*" + re.escape(module_name) + r") ", result.stderr)}
    check(loaded == {str(modules[0].resolve())}, f"the module loaded from {loaded}")


# The Evolution services the bus started may still write there while it is removed.
with tempfile.TemporaryDirectory(ignore_cleanup_errors=True) as temporary:
    root = Path(temporary) / "root"
    install = run("cmake", "--install", build, "--prefix", "/usr",
                  env=dict(os.environ, DESTDIR=str(root)))
    if install.returncode != 0:
        sys.exit(f"cmake --install failed:\n{install.stdout}{install.stderr}")
    program = root / "usr/bin/tessel-calendar"
    check_program(program)
    check_desktop_entry(root)
    check_icons(root)
    check_metainfo(root)
    check_manual(root, program)
    check_extension(root)
    check(not (root / "etc/xdg/autostart").exists(), "an autostart entry is installed")
    check_debian_changelog()
    if module_name:
        check_module(root, program, Path(temporary))

for problem in problems:
    print(problem)
sys.exit(1 if problems else 0)
