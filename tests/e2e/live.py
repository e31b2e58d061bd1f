"""Driving a running Quarvel.exe from outside and reading it back: terms typed and the search
button pressed with xdotool, rows and tab captions read through its accessibility tree
(acctool), its answer time to a message and its resource figures through wintool."""

import json
import os
import subprocess
import time

import harness

ACCTOOL = os.path.join(harness.BUILD_DIR, "tools", "acctool.exe")

# Window coordinates of the search box and button, the five tabs and the first list row.
SEARCH_BOX = (200, 47)
SEARCH_BUTTON = (490, 47)
TABS = [(120, 72), (206, 72), (282, 72), (358, 72), (439, 72)]
LIST_CENTRE = (300, 300)
FIRST_ROW = (40, 122)
ROW_HEIGHT = 22
MENU_TITLE = "Tessel_DirectUI_Menu"
ROLE_LIST, ROLE_LIST_ITEM, ROLE_BUTTON = 33, 34, 43


def window_position(app, timeout=180):
    """(x, y) of the main window once it is visible. A probe that hangs while Wine brings up
    its desktop for the first time is given up and tried again."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        if app.process.poll() is not None:
            raise AssertionError("Quarvel.exe ended early with %r" % app.process.returncode)
        try:
            code, out = harness.wintool("info", harness.CAPTION, timeout=20)
        except subprocess.TimeoutExpired:
            continue
        if code == 0 and int(out.split()[4]):
            return tuple(int(v) for v in out.split()[:2])
        time.sleep(0.3)
    raise AssertionError("main window did not appear within %d s" % timeout)


def acc_tree(timeout=60):
    """The nodes of the main window's accessible tree, or None when it could not be read."""
    try:
        done = subprocess.run(["wine", ACCTOOL, "tree", harness.CAPTION], capture_output=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        return None
    if done.returncode != 0:
        return None
    lines = done.stdout.decode("utf-8", "replace").splitlines()
    return [json.loads(line) for line in lines if line.startswith("{")]


def visible_rows(nodes):
    """The visible list's rows as [id, title, size, format] lists, in list order."""
    lists = [n["path"] for n in nodes if n["role"] == ROLE_LIST]
    if not lists:
        return []
    prefix = lists[0] + "."
    items = [n for n in nodes if n["path"].startswith(prefix) and n["role"] == ROLE_LIST_ITEM
             and "." not in n["path"][len(prefix):]]
    items.sort(key=lambda n: int(n["path"][len(prefix):]))
    return [n["name"].split("\t") for n in items]


def tab_captions(nodes):
    return [n["name"] for n in nodes if n["role"] == ROLE_BUTTON and n["name"].endswith(")") and "(" in n["name"]]


def ping(limit_ms=200):
    """(answered within the limit, milliseconds) of a WM_NULL sent to the main window."""
    code, out = harness.wintool("ping", harness.CAPTION, str(limit_ms), timeout=60)
    try:
        ms = float(out.split()[-1])
    except (ValueError, IndexError):
        ms = float("inf")
    return code == 0, ms


def resources():
    """(GDI objects, USER objects, private bytes, exact) of the main window's process, or None."""
    code, out = harness.wintool("resources", harness.CAPTION, timeout=60)
    if code != 0:
        return None
    gdi, user, private, exact = (int(v) for v in out.split())
    return gdi, user, private, bool(exact)


def crash_dialogs():
    """X windows of a crash report (winedbg) or of a process that is no longer answering."""
    found = []
    for name in ("Program Error", "Wine Debugger", "winedbg"):
        found += harness.x_windows_named(name)
    running = subprocess.run(["pgrep", "winedbg"], capture_output=True, text=True).stdout.split()
    ours = []
    for pid in running:  # only those of this Wine prefix: other runs may share the machine
        try:
            with open("/proc/%s/environ" % pid, "rb") as f:
                if ("WINEPREFIX=" + os.environ.get("WINEPREFIX", "")).encode() in f.read().split(b"\0"):
                    ours.append("winedbg pid %s" % pid)
        except OSError:
            pass
    return found + ours


class Driver:
    """Clicks and keys at window coordinates of the main window at (x, y)."""

    def __init__(self, x, y, delay=0.15):
        self.x, self.y, self.delay = x, y, delay

    def click(self, point, button=1):
        harness.mouse("mousemove", self.x + point[0], self.y + point[1])
        time.sleep(self.delay)
        harness.mouse("click", button)
        time.sleep(self.delay)

    def type_term(self, term):
        self.click(SEARCH_BOX)
        harness.mouse("key", "ctrl+a", "Delete")
        if term:
            harness.mouse("type", "--delay", "20", term)

    def press_search(self):
        self.click(SEARCH_BUTTON)

    def search(self, term):
        self.type_term(term)
        self.press_search()

    def scroll(self, down, clicks=3):
        harness.mouse("mousemove", self.x + LIST_CENTRE[0], self.y + LIST_CENTRE[1])
        harness.mouse("click", "--repeat", str(clicks), "5" if down else "4")
