"""The panel in a real sway session (headless) whose bar reserves space at the top, then at the
bottom: shown natively and through XWayland, its rectangle read back from sway's tree.
Usage: sway_placement.py PROGRAM, under dbus-run-session. Exits 77 (skipped) where sway cannot
start. As root, sway (which refuses root) runs as nobody with an X11 socket folder of its own.
"""

import json
import os
import socket
import struct
import subprocess
import sys
import tempfile
import time

PROGRAM = sys.argv[1]
RUN_COMMAND, GET_WORKSPACES, GET_OUTPUTS, GET_TREE = 0, 1, 3, 4
MARGIN, GAP = 8, 6
failures = []
seen = None


def wait_for(probe, seconds=30):
    """Polls probe() until it returns something true; its last answer when time runs out."""
    deadline = time.monotonic() + seconds
    while True:
        found = probe()
        if found or time.monotonic() > deadline:
            return found
        time.sleep(0.1)


def ipc(kind, payload=b""):
    with socket.socket(socket.AF_UNIX) as connection:
        connection.connect(sway_socket)
        connection.sendall(b"i3-ipc" + struct.pack("=II", len(payload), kind) + payload)
        data = b""
        while len(data) < 14 or len(data) < 14 + struct.unpack("=I", data[6:10])[0]:
            chunk = connection.recv(65536)
            if not chunk:
                raise SystemExit("FAIL sway closed its socket")
            data += chunk
        return json.loads(data[14:])


def rect(node):
    r = node["rect"]
    return r["x"], r["y"], r["x"] + r["width"], r["y"] + r["height"]


def areas():
    workspace = next(w for w in ipc(GET_WORKSPACES) if w["focused"])
    output = next(o for o in ipc(GET_OUTPUTS) if o["name"] == workspace["output"])
    return rect(output), rect(workspace)


def panel():
    """The panel's rectangle among the floating windows, once it is in the right corner."""
    global seen
    nodes = [ipc(GET_TREE)]
    while nodes:
        node = nodes.pop()
        nodes += node.get("nodes", [])
        for window in node.get("floating_nodes", []):
            if window.get("name") == "栖格日历":
                seen = rect(window)
                return seen if areas()[0][2] - seen[2] == MARGIN else None
    return None


def show_panel(how, side, extra):
    environment = dict(base, **extra)
    global seen
    seen = None
    with subprocess.Popen([PROGRAM], env=environment, stderr=subprocess.DEVNULL) as program:
        try:
            wait_for(panel)
            (ox, oy, ox2, oy2), (ux, uy, ux2, uy2) = areas()
            what = f"{how}, bar at the {side}: panel {seen}, usable {ux, uy, ux2, uy2}"
            ok = seen is not None
            if ok:
                x, y, x2, y2 = seen
                ok = ux <= x and x2 <= ux2 and uy <= y and y2 <= uy2 and ox2 - x2 <= MARGIN
                ok = ok and (y == uy + GAP if side == "top" else y2 == uy2 - GAP)
            print(("ok   " if ok else "FAIL ") + what)
            if not ok:
                failures.append(what)
        finally:
            program.terminate()


work = tempfile.mkdtemp()
os.chmod(work, 0o755)
runtime = os.path.join(work, "sway")
os.mkdir(runtime, 0o700)
config = os.path.join(work, "sway.conf")


def write_config(side):
    with open(config, "w", encoding="utf-8") as file:
        file.write("output * resolution 1440x900 position 0 0\nxwayland enable\n"
                   f"exec printenv DISPLAY > {runtime}/display\nbar {{\n position {side}\n}}\n")


write_config("top")
sway = ["sway", "-c", config]
if os.geteuid() == 0:
    os.chown(runtime, 65534, 65534)
    sway = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"] + sway
    if subprocess.run(["unshare", "--mount", "true"], check=False).returncode == 0:
        # /tmp/.X11-unix may be root's alone; clients reach XWayland through its abstract socket.
        sway = ["unshare", "--mount", "--propagation", "private", "sh", "-c",
                'mkdir -p -m 1777 /tmp/.X11-unix && mount -t tmpfs -o mode=1777 tmpfs '
                '/tmp/.X11-unix && exec "$@"', "sh"] + sway
swaylog = open(os.path.join(work, "sway.log"), "w", encoding="utf-8")
session = subprocess.Popen(sway, stdout=swaylog, stderr=subprocess.STDOUT, env={
    "PATH": os.environ["PATH"], "HOME": work, "XDG_RUNTIME_DIR": runtime,
    "WLR_BACKENDS": "headless", "WLR_LIBINPUT_NO_DEVICES": "1", "WLR_RENDERER": "pixman"})
try:
    def find_sockets():
        names = os.listdir(runtime)
        found = ([f for f in names if f.startswith("sway-ipc.")],
                 [f for f in names if f.startswith("wayland-") and "." not in f])
        return session.poll() is None and all(found) and found

    sockets = wait_for(find_sockets, 20)
    if not sockets:
        swaylog.flush()
        print("SKIP sway could not start:", open(swaylog.name, encoding="utf-8").read()[-600:])
        sys.exit(77)
    sway_socket = os.path.join(runtime, sockets[0][0])
    display = wait_for(lambda: open(f"{runtime}/display", encoding="utf-8").read().strip()
                       if os.path.exists(f"{runtime}/display") else "", 10)
    base = dict(os.environ, SWAYSOCK=sway_socket, XDG_SESSION_TYPE="wayland",
                WAYLAND_DISPLAY=os.path.join(runtime, sockets[1][0]), TS_PREVIEW_POPUP="1",
                XDG_CONFIG_HOME=os.path.join(work, "config"),
                XDG_DATA_HOME=os.path.join(work, "data"), XDG_CURRENT_DESKTOP="sway")
    for side in ("top", "bottom"):
        write_config(side)
        ipc(RUN_COMMAND, b"reload")
        reserved = wait_for(lambda: (lambda o, u: u[1] > o[1] if side == "top" else
                                     u[3] < o[3])(*areas()))
        if not reserved:
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

if failures:
    sys.exit("FAILED: " + "; ".join(failures))
