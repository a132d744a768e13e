"""The panel in a real headless sway whose bar reserves space at the top, then at the bottom:
shown natively and through XWayland, its rectangle read back from sway's tree.
Usage: sway_placement.py PROGRAM, under dbus-run-session. Exits 77 (skipped) where sway cannot
start. As root, sway (which refuses root) runs as nobody with an X11 socket folder of its own.
"""

import json
import os
import subprocess
import sys
import tempfile
import time

PROGRAM = sys.argv[1]
MARGIN, GAP = 8, 6
failures = []


def wait_for(probe, seconds=30):
    """Polls probe() until it returns something true; its last answer when time runs out."""
    deadline = time.monotonic() + seconds
    while not (found := probe()) and time.monotonic() < deadline:
        time.sleep(0.1)
    return found


def swaymsg(*arguments):
    return json.loads(subprocess.run(["swaymsg", "-s", sway_socket, "-r", *arguments],
                                     capture_output=True, check=True).stdout)


def rect(node):
    r = node["rect"]
    return r["x"], r["y"], r["x"] + r["width"], r["y"] + r["height"]


def areas():
    """The focused output's rectangle and its usable part, as (x, y, right, bottom)."""
    workspace = next(w for w in swaymsg("-t", "get_workspaces") if w["focused"])
    return next(rect(o) for o in swaymsg("-t", "get_outputs")
                if o["name"] == workspace["output"]), rect(workspace)


def panel(node):
    """The rectangle of the floating panel in sway's tree under that node."""
    found = [rect(w) for w in node.get("floating_nodes", []) if w.get("name") == "栖格日历"]
    return next(iter(found + [r for n in node.get("nodes", []) if (r := panel(n))]), None)


def show_panel(how, side, environment):
    program = subprocess.Popen([PROGRAM], env=dict(base, **environment))
    try:
        (_, _, right, _), (ux, uy, ux2, uy2) = areas()
        found = wait_for(lambda: (r := panel(swaymsg("-t", "get_tree"))) and right - r[2] == MARGIN
                         and r) or panel(swaymsg("-t", "get_tree"))
        x, y, x2, y2 = found or (0, 0, 0, 0)
        ok = ux <= x and x2 <= ux2 and uy <= y and y2 <= uy2 and right - x2 <= MARGIN
        ok = ok and (y == uy + GAP if side == "top" else y2 == uy2 - GAP)
        what = f"{how}, bar at the {side}: panel {found}, usable area {ux, uy, ux2, uy2}"
        print(("ok   " if ok else "FAIL ") + what)
        failures.extend([] if ok else [what])
    finally:
        program.terminate()
        program.wait(10)


def write_config(side):
    with open(config, "w", encoding="utf-8") as file:
        file.write("output * resolution 1440x900 position 0 0\nxwayland enable\n"
                   # XWayland lets in only its own user; the program may run as root
                   f"exec xhost +si:localuser:root && printenv DISPLAY > {runtime}/display\n"
                   f"bar {{\n position {side}\n}}\n")


def sockets():
    names = os.listdir(runtime)
    found = [sorted(f for f in names if f.startswith(prefix) and not f.endswith(".lock"))
             for prefix in ("sway-ipc.", "wayland-")]
    return session.poll() is None and all(found) and found


work = tempfile.mkdtemp()
os.chmod(work, 0o755)
runtime, config = os.path.join(work, "sway"), os.path.join(work, "sway.conf")
os.mkdir(runtime, 0o700)
sway = ["sway", "-c", config]
if os.geteuid() == 0:
    os.chown(runtime, 65534, 65534)
    sway = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"] + sway
    if subprocess.run(["unshare", "--mount", "true"], check=False).returncode == 0:
        # /tmp/.X11-unix may be root's alone; clients reach XWayland through its abstract socket.
        sway = ["unshare", "--mount", "--propagation", "private", "sh", "-c",
                "mkdir -p -m 1777 /tmp/.X11-unix && mount -t tmpfs -o mode=1777 tmpfs "
                '/tmp/.X11-unix && exec "$@"', "sh"] + sway
write_config("top")
log = open(os.path.join(work, "sway.log"), "w", encoding="utf-8")
session = subprocess.Popen(sway, stdout=log, stderr=subprocess.STDOUT, env={
    "PATH": os.environ["PATH"], "HOME": work, "XDG_RUNTIME_DIR": runtime,
    "WLR_BACKENDS": "headless", "WLR_LIBINPUT_NO_DEVICES": "1", "WLR_RENDERER": "pixman"})
try:
    if not (names := wait_for(sockets, 20)):
        print("SKIP sway could not start:", open(log.name, encoding="utf-8").read()[-600:])
        sys.exit(77)
    sway_socket = os.path.join(runtime, names[0][0])
    display = wait_for(lambda: os.path.exists(f"{runtime}/display") and
                       open(f"{runtime}/display", encoding="utf-8").read().strip(), 10)
    base = dict(os.environ, SWAYSOCK=sway_socket, WAYLAND_DISPLAY=os.path.join(runtime, names[1][0]),
                XDG_SESSION_TYPE="wayland", XDG_CURRENT_DESKTOP="sway", TS_PREVIEW_POPUP="1",
                XDG_CONFIG_HOME=work + "/config", XDG_DATA_HOME=work + "/data")
    for side in ("top", "bottom"):
        write_config(side)
        swaymsg("reload")
        if not wait_for(lambda: (lambda o, u: u[1] > o[1] if side == "top" else u[3] < o[3])(
                *areas())):
            failures.append(f"the bar at the {side} reserves no space: {areas()}")
            continue
        show_panel("natively", side, {"QT_QPA_PLATFORM": "wayland"})
        if display:
            show_panel("through XWayland", side, {"QT_QPA_PLATFORM": "xcb", "DISPLAY": display})
        else:
            print("SKIP through XWayland: sway started no XWayland")
finally:
    session.terminate()
    session.wait(10)
sys.exit("FAILED: " + "; ".join(failures) if failures else 0)
