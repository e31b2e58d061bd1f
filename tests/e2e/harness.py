"""What every whole-program test shares: the program's texts and window coordinates, starting
Quarvel.exe under Wine, the reference site with its request log, the link log of the protocol
handlers, the clipboard, the accessibility tree read from outside (acctool), window probes
(wintool), mouse and keys (xdotool), screenshots, and one way to wait.

Tests wait for what they check, with one generous deadline (wait_until); they never sleep to
let something happen. A check that something did not happen first waits for proof that the
program got past the point (answered(): the window has handled what came before).

The environment (display, Wine prefix, locale, loopback) is the one scripts/test.sh or
tests/support/sandbox.py set up; anything missing fails the test instead of skipping it."""

import atexit
import base64
import json
import os
import select
import shutil
import subprocess
import sys
import tempfile
import threading
import time

EXE = os.environ.get("QUARVEL_EXE", "")
BUILD_DIR = os.environ.get("QUARVEL_BUILD_DIR", "")
SOURCE_DIR = os.environ.get("QUARVEL_SOURCE_DIR", "")
TOOLS = os.path.join(BUILD_DIR, "tools")
WINTOOL = os.path.join(TOOLS, "wintool.exe")
ACCTOOL = os.path.join(TOOLS, "acctool.exe")
LINKLOG = os.path.join(TOOLS, "linklog.exe")

# One deadline for every wait: long enough for a loaded machine, so reaching it means the
# awaited thing is not coming.
DEADLINE = 90.0

# --- the program's texts ---
CAPTION = "Quarvel1.0\u7248 "  # the main window's caption
AGENT = ("Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1; Vorla; .NET CLR 2.0.50727; .NET CLR 3.0.04506.648; "
         ".NET CLR 3.5.21022)")
TAB_NAMES = ["\u5168\u90e8", "\u89c6\u9891", "\u97f3\u9891", "\u56fe\u7247", "\u538b\u7f29\u5305"]
SEARCH_CAPTION = "\u641c\u7d22"
MENU_TITLE = "Tessel_DirectUI_Menu"
MAGNET_TITLE = "\u78c1\u529b\u94fe\u63a5"  # the copy boxes
NO_RESOURCE_TITLE = "\u65e0\u8d44\u6e90\u63d0\u793a"
UPDATE_TITLE = "\u65b0\u7248\u672c\u63d0\u793a"
COPY, CLOUD_PLAY, THUNDER, QQDL = 1, 2, 3, 4  # result menu items in order

# --- window coordinates of the main window (610 x 515) ---
SEARCH_BOX = (200, 47)
SEARCH_BUTTON = (490, 47)
TABS = [(120, 72), (206, 72), (282, 72), (358, 72), (439, 72)]
LIST_CENTRE = (300, 300)
FIRST_ROW = (40, 122)  # in the ID column: the cloud-play window covers the middle of the list
ROW_HEIGHT = 22
MENU_ITEM_OFFSET = (60, 18)  # first item of a menu opened at a point, from that point
BOX_BUTTON = (272, 127)  # the one button of a copy or update box, from the box's corner
UPDATE_LABEL = (445, 17)
SITE_LABEL = (170, 18)
BUSY_INDICATOR = (275, 185, 32, 32)  # left, top, width, height
NOTICE_BAND = (486, 510)
DOUBLE_CLICK_SPAN = 6  # wider than the system's double-click rectangle (4 pixels)

# Accessible roles and states (oleacc).
ROLE = {"menupopup": 11, "menuitem": 12, "dialog": 18, "separator": 21, "list": 33, "listitem": 34,
        "statictext": 41, "text": 42, "pushbutton": 43}
STATE_UNAVAILABLE, STATE_SELECTED, STATE_FOCUSED, STATE_BUSY = 0x1, 0x2, 0x4, 0x800


def _built_host(name):
    """A host the program was built with (host:port), as the build tree was configured."""
    try:
        with open(os.path.join(BUILD_DIR, "CMakeCache.txt"), encoding="utf-8") as cache:
            for line in cache:
                if line.startswith(name + ":STRING="):
                    return line.strip().split("=", 1)[1]
    except OSError:
        pass
    return "127.0.0.1:8618"


def _site_port():
    """The port of the search host the program was built for (the reference site must listen
    there); 8618 unless the build tree was configured with another."""
    try:
        return int(_built_host("QUARVEL_SEARCH_HOST").rsplit(":", 1)[1])
    except (ValueError, IndexError):
        return 8618


SITE_PORT = _site_port()
PRODUCT_HOST = _built_host("QUARVEL_PRODUCT_HOST")


# The system code page the sandbox gave (tests/support/sandbox.py): 936, the code page of the
# program's own texts, or 1252 as on a Western Windows. The texts and requests a test checks
# are the same under both.
CODEPAGE = os.environ.get("QUARVEL_CODEPAGE", "936")


def also_under_codepage(*codepages):
    """Marks a test (method or class) that reads the program's texts to run once more under each
    of these system code pages, as a ctest entry of its own (e2e_..._cp1252, listed by
    tests/support/list_tests.py). The test itself is unchanged."""
    def mark(test):
        test.codepages = codepages
        return test
    return mark


# The display scale the sandbox gave (tests/support/sandbox.py --dpi). The program lays its
# windows out in pixels at 96 DPI and scales them: the places above are at 96 DPI, and
# scaled(...) gives them on the screen.
DPI = int(os.environ.get("QUARVEL_DPI", "96"))


def also_at_dpi(*dpis):
    """Marks a test (method or class) to run once more at each of these display scales, as a
    ctest entry of its own (e2e_..._dpi144, listed by tests/support/list_tests.py). Its clicks
    go through Driver, which scales the places."""
    def mark(test):
        test.dpis = dpis
        return test
    return mark


def scaled(value, dpi=None):
    """A length, or a point or rectangle of lengths, in pixels at 96 DPI as it is on the screen
    at the sandbox's scale (rounded to the nearest pixel)."""
    factor = (dpi or DPI) / 96.0
    if isinstance(value, (tuple, list)):
        return tuple(int(round(v * factor)) for v in value)
    return int(round(value * factor))


def require_environment(test):
    test.assertTrue(os.environ.get("DISPLAY"), "no DISPLAY: run through scripts/test.sh")
    test.assertTrue(os.environ.get("WINEPREFIX"), "no WINEPREFIX: run through scripts/test.sh")
    test.assertTrue(os.path.isfile(EXE), "Quarvel.exe not built: %r" % EXE)
    for tool in (WINTOOL, ACCTOOL, LINKLOG):
        test.assertTrue(os.path.isfile(tool), "%s not built" % tool)
    for tool in ("wine", "xdotool", "xwininfo", "xdpyinfo", "xclip", "import", "convert", "compare"):
        test.assertTrue(shutil.which(tool), tool + " missing")
    # A run meant for a code page that Wine does not give would prove nothing.
    test.assertEqual(wintool("acp"), (0, CODEPAGE), "Wine's ANSI code page is not the one asked for")


# --- waiting ---

def wait_until(condition, message, timeout=DEADLINE, step=0.1):
    """The first true value of condition(), polled until the deadline; fails with message (a
    text, or a function giving it, for what the condition saw)."""
    deadline = time.time() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.time() >= deadline:
            text = message() if callable(message) else message
            raise AssertionError("%s (waited %.0f s%s)" % (text, timeout, failure_shot()))
        time.sleep(step)


def failure_shot():
    """A screenshot of the display when a wait fails, kept in the sandbox's folder (which the
    sandbox keeps when the test fails); ', screen: PATH' or ''."""
    folder = os.environ.get("QUARVEL_SANDBOX")
    if not folder:
        return ""
    path = os.path.join(folder, "failure-%d.png" % int(time.time() * 1000))
    try:
        subprocess.run(["import", "-window", "root", path], check=True, timeout=30, capture_output=True)
    except (OSError, subprocess.SubprocessError):
        return ""
    return ", screen: " + path


def answered(caption=CAPTION):
    """Waits until the window answers a message and an accessibility call: its UI thread has
    handled everything that reached it before (a click, a menu choice, a detail page it waits
    for). While it waits for a page it answers sent messages such as the ping at once but leaves
    posted ones queued, and the calls that follow WM_GETOBJECT reach it posted (COM's)."""
    wait_until(lambda: ping(caption, 2000)[0] and acctool("focus", caption)[0] == 0,
               "window %r does not answer" % caption)


# --- Windows-side probes ---

def wintool(*args, timeout=60):
    """Asks the window probe; (exit code, stdout). A probe that hangs counts as code -1. One
    probe process serves the test's questions; one that starts a program runs in a process of
    its own, whose output goes to a file, not a pipe: the program it starts may hold its output
    open long after the probe has ended."""
    if args and args[0] != "start-close":
        code, lines = _server(WINTOOL).ask(args, timeout)
        return code, "\n".join(lines).strip()
    with tempfile.TemporaryFile() as out:
        probe = subprocess.Popen(["wine", WINTOOL, *args], stdout=out, stderr=subprocess.DEVNULL)
        try:
            code = probe.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            probe.kill()
            probe.wait()
            return -1, ""
        out.seek(0)
        return code, out.read().decode("utf-8", "replace").strip()


def window_of(caption):
    """(x, y, width, height, visible, pid, client width, client height, iconic) of a visible
    top-level window with that caption, or None."""
    code, out = wintool("info", caption)
    if code != 0:
        return None
    values = tuple(int(v) for v in out.split())
    return values if values[4] else None


def window_gone(caption):
    return wintool("info", caption)[0] == 2


def ping(caption=CAPTION, limit_ms=200):
    """(answered within the limit, milliseconds) of a WM_NULL sent to the window."""
    code, out = wintool("ping", caption, str(limit_ms))
    try:
        ms = float(out.split()[-1])
    except (ValueError, IndexError):
        ms = float("inf")
    return code == 0, ms


def resources():
    """(GDI objects, USER objects, private bytes, exact) of the main window's process, or None."""
    code, out = wintool("resources", CAPTION)
    if code != 0:
        return None
    gdi, user, private, exact = (int(v) for v in out.split())
    return gdi, user, private, bool(exact)


class _Server:
    """One serving process of a test tool (TOOL serve) for every question a thread of the test
    asks: a Wine process (and for the reader, COM) is started once, not for each question."""

    def __init__(self, tool):
        self.tool = tool
        self.process = None
        self.pending = b""

    def stop(self):
        if self.process:
            self.process.kill()
            self.process.wait()
            self.process.stdin.close()
            self.process.stdout.close()
            self.process = None

    def ask(self, args, timeout):
        """(exit code, output lines) of one command; a hang or an ended reader counts as -1."""
        if self.process is None or self.process.poll() is not None:
            self.stop()
            self.process = subprocess.Popen(["wine", self.tool, "serve"], stdin=subprocess.PIPE,
                                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            self.pending = b""
        try:
            self.process.stdin.write(("\t".join(args) + "\n").encode("utf-8"))
            self.process.stdin.flush()
        except OSError:
            self.stop()
            return -1, []
        lines = []
        deadline = time.monotonic() + timeout
        out = self.process.stdout.fileno()
        while True:
            while b"\n" in self.pending:
                line, _, self.pending = self.pending.partition(b"\n")
                text = line.decode("utf-8", "replace").strip()
                if text.startswith('{"done": '):
                    return json.loads(text)["done"], lines
                lines.append(text)
            left = deadline - time.monotonic()
            chunk = os.read(out, 65536) if left > 0 and select.select([out], [], [], left)[0] else b""
            if not chunk:
                self.stop()
                return -1, []
            self.pending += chunk


_SERVERS = {}  # (tool, thread) -> _Server: a thread's questions never meet another's answers
_SERVERS_LOCK = threading.Lock()


def _server(tool):
    with _SERVERS_LOCK:
        return _SERVERS.setdefault((tool, threading.get_ident()), _Server(tool))


def _stop_servers():
    for server in list(_SERVERS.values()):
        server.stop()


atexit.register(_stop_servers)


def acctool(*args, timeout=60):
    """Runs a command of the accessibility reader; (exit code, its JSON lines). A hang counts
    as code -1. The reader serves every command but events, which runs in a process of its own."""
    if args and args[0] == "events":
        try:
            done = subprocess.run(["wine", ACCTOOL, *args], capture_output=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            return -1, []
        code, lines = done.returncode, done.stdout.decode("utf-8", "replace").splitlines()
    else:
        code, lines = _server(ACCTOOL).ask(args, timeout)
    return code, [json.loads(line) for line in lines if line.startswith("{")]


def tree(title=CAPTION):
    """{path: node} of a window's accessible client area ("" is the client area itself), or
    None when it cannot be read (no such window, or it does not answer)."""
    code, nodes = acctool("tree", title)
    return {n["path"]: n for n in nodes} if code == 0 else None


def children(nodes, path=""):
    prefix = path + "." if path else ""
    found = [p for p in nodes if p.startswith(prefix) and p != path and "." not in p[len(prefix):]]
    return [nodes[p] for p in sorted(found, key=lambda p: int(p[len(prefix):]))]


def find(nodes, role, name=None, parent=""):
    for node in children(nodes, parent):
        if node["role"] == ROLE[role] and (name is None or node["name"] == name):
            return node
    return None


def visible_rows(nodes):
    """The visible list's rows as [id, title, size, format] lists, in list order."""
    found = find(nodes, "list")
    if not found:
        return []
    return [n["name"].split("\t") for n in children(nodes, found["path"]) if n["role"] == ROLE["listitem"]]


def run_ended(nodes):
    """Whether the visible list is done filling: the list reads as busy from a search press or
    a tab click until the search run or the category fill has ended."""
    found = find(nodes, "list")
    return found is not None and not found["state"] & STATE_BUSY


def tab_captions(nodes):
    return [n["name"] for n in children(nodes) if n["role"] == ROLE["pushbutton"] and n["name"].endswith(")")
            and "(" in n["name"]]


def search_box_text(nodes):
    box = find(nodes, "text")
    return box["value"] if box else None


def read_when(check, message, title=CAPTION, timeout=DEADLINE):
    """Waits until check(tree) holds for the window's accessible tree; returns that tree."""
    def attempt():
        nodes = tree(title)
        return nodes if nodes is not None and check(nodes) else None
    return wait_until(attempt, message, timeout)


_image_base = {}


def program_frames(frames):
    """Stack frames as stallwatch reports them, the program's own ("quarvel+0x...") named by
    function and line from its debug information; the system's kept as they are."""
    if EXE not in _image_base:
        out = subprocess.run(["i686-w64-mingw32-objdump", "-p", EXE], capture_output=True, text=True).stdout
        line = next((l for l in out.splitlines() if l.startswith("ImageBase")), "ImageBase 00400000")
        _image_base[EXE] = int(line.split()[-1], 16)
    ours = [f for f in frames if f.lower().startswith("quarvel+0x")]
    if not ours:
        return list(frames)
    addresses = ["0x%x" % (_image_base[EXE] + int(f.split("+")[1], 16)) for f in ours]
    out = subprocess.run(["i686-w64-mingw32-addr2line", "-f", "-C", "-s", "-e", EXE, *addresses],
                         capture_output=True, text=True).stdout.splitlines()
    functions = [out[2 * i] for i in range(len(out) // 2)]
    # The 32-bit toolchain reports mangled names without their leading underscore.
    mangled = ["_" + f if f.startswith("Z") else f for f in functions]
    demangled = subprocess.run(["c++filt"], input="\n".join(mangled), capture_output=True, text=True).stdout.splitlines()
    demangled = [d.split("(")[0] if "(" in d else d for d in demangled]
    named = dict(zip(ours, ("%s (%s)" % (d, out[2 * i + 1]) for i, d in enumerate(demangled))))
    return [named.get(f, f) for f in frames]


def crash_dialogs():
    """X windows of a crash report (winedbg), or winedbg processes of this Wine prefix."""
    found = []
    for name in ("Program Error", "Wine Debugger", "winedbg"):
        found += x_windows_named(name)
    running = subprocess.run(["pgrep", "winedbg"], capture_output=True, text=True).stdout.split()
    for pid in running:
        try:
            with open("/proc/%s/environ" % pid, "rb") as f:
                if ("WINEPREFIX=" + os.environ.get("WINEPREFIX", "")).encode() in f.read().split(b"\0"):
                    found.append("winedbg pid %s" % pid)
        except OSError:
            pass
    return found


# --- the program ---

class Quarvel:
    """One running Quarvel.exe; ended (if still running) when the test is done with it."""

    def __init__(self, exe=None, env=None):
        # What Wine and the program print goes into the sandbox's folder, kept when a test fails.
        folder = os.environ.get("QUARVEL_SANDBOX")
        self.log = open(os.path.join(folder, "quarvel.log"), "ab") if folder else subprocess.DEVNULL
        self.process = subprocess.Popen(["wine", exe or EXE], stdout=self.log, stderr=self.log,
                                        env=dict(os.environ, **(env or {})))

    def window(self):
        """The main window's info tuple once it is visible and shown on the X display (so that
        clicks reach it)."""
        def shown():
            if self.process.poll() is not None:
                raise AssertionError("Quarvel.exe ended early with %r" % self.process.returncode)
            info = window_of(CAPTION)
            return info if info and x_viewable(CAPTION.strip()) else None
        return wait_until(shown, "the main window did not appear")

    def wait_exit(self, timeout=DEADLINE):
        """The exit code once the process has ended; None if it still runs at the deadline."""
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def alive(self):
        return self.process.poll() is None

    def end(self):
        if self.process.poll() is None:
            wintool("close", CAPTION)
            if self.wait_exit(30) is None:
                self.process.kill()
                self.process.wait()
        if self.log is not subprocess.DEVNULL:
            self.log.close()


class Driver:
    """Mouse and keys at window coordinates of the main window, whose corner is at (x, y)."""

    def __init__(self, x, y):
        self.x, self.y = x, y
        self.last_click = None

    def at(self, point):
        """The screen point of a window point given in pixels at 96 DPI."""
        dx, dy = scaled(point)
        return self.x + dx, self.y + dy

    def click(self, point, button=1):
        """A click at a window point. A click on the spot of the one before, with the same
        button, lands a few pixels aside: the two would otherwise make a double click when
        they come quickly, which the program is right to treat differently."""
        x, y = self.at(point)
        if self.last_click == (x, y, button):
            x += DOUBLE_CLICK_SPAN
        self.last_click = (x, y, button)
        mouse("mousemove", x, y, "click", button)

    def row_point(self, row):
        return FIRST_ROW[0], FIRST_ROW[1] + ROW_HEIGHT * (row - 1)

    def type_term(self, term):
        """Puts term into the search box by typing and waits until the box holds it."""
        self.click(SEARCH_BOX)
        mouse("key", "ctrl+a", "Delete")
        if term:
            mouse("type", "--delay", "10", term)
        read_when(lambda n: search_box_text(n) == term, "the search box does not read %r" % term)

    def paste_term(self, text):
        """Pastes text into the search box with Ctrl+V from the X clipboard, offering it again
        until the box holds it: Wine takes a new selection owner over a moment after xclip."""
        for _ in range(6):
            offer_clipboard(text)
            self.click(SEARCH_BOX)
            mouse("key", "ctrl+a", "ctrl+v")
            try:
                return read_when(lambda n: search_box_text(n) == text, "", timeout=5)
            except AssertionError:
                pass
        raise AssertionError("the pasted text %r never reached the search box" % text)

    def copy_term(self):
        """Copies the search box's whole text to the clipboard with Ctrl+A, Ctrl+C and waits
        until the X clipboard reads something else than a marker offered just before."""
        marker = "-"
        offer_clipboard(marker)
        self.click(SEARCH_BOX)
        mouse("key", "ctrl+a", "ctrl+c")

        def copied():
            text = clipboard_text()
            return text if text not in (None, marker) else None
        return wait_until(copied, "the search box's text did not reach the clipboard")

    def press_search(self):
        self.click(SEARCH_BUTTON)

    def search(self, term):
        self.type_term(term)
        self.press_search()

    def scroll(self, down, clicks=3):
        mouse("mousemove", *self.at(LIST_CENTRE), "click", "--repeat", str(clicks), "5" if down else "4")

    def open_menu(self, row):
        """Right-clicks a row of the visible list and waits for the result menu."""
        self.click(self.row_point(row), 3)
        wait_until(lambda: window_of(MENU_TITLE), "no menu over row %d" % row)

    def choose(self, row, item):
        """Opens the result menu over a row and picks an item; returns once the menu is gone."""
        self.open_menu(row)
        x, y = self.row_point(row)
        self.click((x + MENU_ITEM_OFFSET[0], y + MENU_ITEM_OFFSET[1] + ROW_HEIGHT * (item - 1)))
        wait_until(lambda: window_gone(MENU_TITLE), "the menu stayed open")

    def close_box(self, title):
        """Presses the one button of a box and waits until the box is gone."""
        box = wait_until(lambda: window_of(title), "no box titled %r" % title)
        dx, dy = scaled(BOX_BUTTON)
        mouse("mousemove", box[0] + dx, box[1] + dy, "click", 1)
        wait_until(lambda: window_gone(title), "box %r stayed open" % title)


def start(test, *site_switches):
    """Starts a site with those switches, Quarvel.exe and a driver for its window; everything
    ends with the test. Returns (site, app, driver)."""
    require_environment(test)
    site = Site(tempfile.mkdtemp(prefix="quarvel-site-"), *site_switches)
    test.addCleanup(site.stop)
    app = Quarvel()
    test.addCleanup(app.end)
    x, y = app.window()[:2]
    return site, app, Driver(x, y)


def wait_search_done(site, term, rows):
    """Waits until a search for term has asked for the page after its rows and its run has
    ended; checks that the all tab counts them and returns the accessible tree then."""
    last = "/ajax/search_next?s=%s&p=%d" % (term, (rows + 9) // 10 + 1)
    wait_until(lambda: last in site.paths(), "the search for %r did not reach its end" % term)
    nodes = read_when(run_ended, "the search for %r did not end" % term)
    total = "%s(%d)" % (TAB_NAMES[0], rows)
    if total not in tab_captions(nodes):
        raise AssertionError("the all tab reads %r, not %s" % (tab_captions(nodes), total))
    return nodes


# --- X: windows, geometry, mouse and screenshots ---

def screen_size():
    out = subprocess.run(["xdpyinfo"], capture_output=True, text=True).stdout
    for line in out.splitlines():
        if "dimensions:" in line:
            w, h = line.split()[1].split("x")
            return int(w), int(h)
    raise AssertionError("xdpyinfo gave no screen size")


def x_windows_named(name):
    done = subprocess.run(["xdotool", "search", "--name", name], capture_output=True, text=True)
    return [int(w) for w in done.stdout.split()]


def x_viewable(name):
    """Whether an X window with that name is mapped and viewable."""
    for window in x_windows_named(name):
        out = subprocess.run(["xwininfo", "-id", str(window)], capture_output=True, text=True).stdout
        if "IsViewable" in out:
            return True
    return False


def x_geometry(window_id):
    """(x, y, width, height) of an X window from xwininfo."""
    out = subprocess.run(["xwininfo", "-id", str(window_id)], capture_output=True, text=True).stdout
    values = {}
    for line in out.splitlines():
        line = line.strip()
        for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"):
            if line.startswith(key + ":"):
                values[key] = int(line.split(":")[1])
    return (values["Absolute upper-left X"], values["Absolute upper-left Y"], values["Width"], values["Height"])


def mouse(*args):
    subprocess.run(["xdotool", *[str(a) for a in args]], check=True)


def screenshot(path, x, y, w, h):
    subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage", path], check=True)


def differing_pixels(path_a, path_b, fuzz_percent=15):
    """How many pixels of two images of one size differ by more than the fuzz."""
    done = subprocess.run(["compare", "-metric", "AE", "-fuzz", "%d%%" % fuzz_percent, path_a, path_b, "null:"],
                          capture_output=True, text=True)
    try:
        return int(float(done.stderr.split()[0]))
    except (ValueError, IndexError):
        raise AssertionError("compare failed: %r" % done.stderr)


# How far a colour channel may stray between two looks of the same drawing (JPEG skin, text
# smoothing) and still count as the same pixel.
PIXEL_TOLERANCE = 28


def close_enough(a, b, tolerance=PIXEL_TOLERANCE):
    """Whether two RGB tuples are the same colour within the tolerance on every channel."""
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def rgb_rows(path):
    """(width, height, bytes of RGB pixels, row after row) of an image."""
    size = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True, text=True, check=True).stdout
    width, height = (int(v) for v in size.split()[:2])
    data = subprocess.run(["convert", path, "-colorspace", "sRGB", "-depth", "8", "rgb:-"], capture_output=True,
                          check=True).stdout
    return width, height, data


def pixels_apart(path_a, path_b, skip_rows=(), tolerance=PIXEL_TOLERANCE):
    """The (x, y) pixels where two images of one size differ by more than the tolerance on some
    channel, leaving out the rows in skip_rows (a range). None when the sizes differ."""
    width, height, a = rgb_rows(path_a)
    other_width, other_height, b = rgb_rows(path_b)
    if (width, height) != (other_width, other_height):
        return None
    apart = []
    for y in range(height):
        if y in skip_rows:
            continue
        row = y * width * 3
        if a[row:row + width * 3] == b[row:row + width * 3]:
            continue
        for x in range(width):
            i = row + 3 * x
            if any(abs(a[i + c] - b[i + c]) > tolerance for c in range(3)):
                apart.append((x, y))
    return apart


def pixels(path, points, resize=None):
    """RGB tuples of an image at the given points (after an exact resize when given)."""
    args = ["convert", path]
    if resize:
        args += ["-resize", "%dx%d!" % resize]
    fmt = ";".join("%%[pixel:p{%d,%d}]" % p for p in points)
    out = subprocess.run(args + ["-colorspace", "sRGB", "-format", fmt, "info:"], capture_output=True,
                         text=True, check=True).stdout
    result = []
    for item in out.split(";"):
        inside = item[item.index("(") + 1:item.index(")")]
        result.append(tuple(int(round(float(v.rstrip("%")) * (2.55 if v.endswith("%") else 1)))
                            for v in inside.split(",")[:3]))
    return result


# --- the reference site, the link log and the clipboard ---

class Site:
    """The reference site on the program's port with a request log of its own."""

    def __init__(self, log_dir, *switches):
        self.log = os.path.join(log_dir, "requests.jsonl")
        port_file = os.path.join(log_dir, "port")
        script = os.path.join(SOURCE_DIR, "site", "server.py")
        self.process = subprocess.Popen([sys.executable, script, "--port", str(SITE_PORT), "--port-file", port_file,
                                         "--log", self.log, *switches],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        def listening():
            if self.process.poll() is not None:
                raise AssertionError("site ended at once (port %d taken?)" % SITE_PORT)
            if not os.path.exists(port_file):
                return False
            with open(port_file) as f:
                return f.read().strip()
        wait_until(listening, "site did not listen on %d" % SITE_PORT)

    def requests(self):
        if not os.path.exists(self.log):
            return []
        with open(self.log, encoding="utf-8") as f:
            return [json.loads(line) for line in f if line.endswith("\n")]

    def paths(self):
        """Request paths (with query) in the order the site read them."""
        return [r["path"] for r in self.requests()]

    def searches(self, term=None):
        prefix = "/ajax/search_next?s=" + (term + "&" if term is not None else "")
        return [p for p in self.paths() if p.startswith(prefix)]

    def details(self):
        return [p for p in self.paths() if p.startswith("/detail")]

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait(10)


def catalogue(term):
    """Catalogue entries a search for term lists, in list order."""
    with open(os.path.join(SOURCE_DIR, "site", "catalogue.json"), encoding="utf-8") as f:
        entries = json.load(f)["entries"]
    return [e for e in entries if term.lower() in e["expect"]["title"].strip().lower()]


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


LINK_SCHEMES = ("thunder", "qqdl", "http", "https")


def register_link_log(log_path):
    """Makes linklog.exe the prefix's handler of every link scheme the program opens, writing to
    log_path; returns a function that puts the previous handlers back."""
    def done(answer, what):
        if answer[0] != 0:
            raise AssertionError("%s failed with code %d" % (what, answer[0]))
    previous = {}
    for scheme in LINK_SCHEMES:
        key = "HKCR\\%s\\shell\\open\\command" % scheme
        code, out = wintool("reg-get", key, "")
        kind, _, data = out.partition("\t")
        previous[scheme] = (kind, data) if code == 0 else None
        command = '"%s" "%s" "%%1"' % (windows_path(LINKLOG), windows_path(log_path))
        done(wintool("reg-set", "HKCR\\" + scheme, "URL Protocol", ""), "marking %s a link scheme" % scheme)
        done(wintool("reg-set", key, "", command), "setting the handler of %s" % scheme)

    def restore():
        for scheme, value in previous.items():
            key = "HKCR\\%s\\shell\\open\\command" % scheme
            if value is None:
                wintool("reg-delete", key, "")
            else:
                wintool("reg-set", key, "", value[1], value[0])
    return restore


def running_handlers():
    """The link handlers (linklog.exe) started by the shell that still run, as "pid state
    command" lines. A handler that ended but was not yet collected by its parent does not count."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                command = f.read().replace(b"\0", b" ").decode("utf-8", "replace").strip()
            with open("/proc/%s/stat" % pid) as f:
                state = f.read().rsplit(")", 1)[1].split()[0]
        except OSError:
            continue
        if "linklog.exe" in command and state != "Z":
            found.append("%s %s %s" % (pid, state, command))
    return found


def links_opened(log_path):
    """The links the shell handed to the handlers, once no handler is still writing."""
    try:
        wait_until(lambda: not running_handlers(), "a link handler did not end")
    except AssertionError as failure:
        raise AssertionError("%s; still running: %s" % (failure, running_handlers())) from None
    return read_lines(log_path)


def read_lines(path):
    if not os.path.exists(path):
        return []
    with open(path, encoding="utf-8", errors="replace") as f:
        return [line.rstrip("\n") for line in f if line.strip()]


def b64(text):
    return base64.b64encode(text.encode("ascii")).decode("ascii")


def clipboard_text():
    done = subprocess.run(["xclip", "-o", "-selection", "clipboard"], capture_output=True, timeout=10)
    return done.stdout.decode("utf-8", "replace") if done.returncode == 0 else None


def offer_clipboard(text):
    """Puts text on the X clipboard (xclip stays behind to serve it; it must not hold this
    process's output open)."""
    subprocess.run(["xclip", "-selection", "clipboard"], input=text.encode("utf-8"), check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

