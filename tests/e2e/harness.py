"""Helpers for the whole-program tests: start Quarvel.exe under Wine, find and poke its
windows, read X geometry. The environment (display, Wine prefix, locale) is the one the test
command set up; anything missing fails the test instead of skipping it."""

import os
import shutil
import subprocess
import time

CAPTION = "Quarvel1.0\u7248 "  # the caption as Wine shows it to X (UTF-8)
EXE = os.environ.get("QUARVEL_EXE", "")
BUILD_DIR = os.environ.get("QUARVEL_BUILD_DIR", "")
SOURCE_DIR = os.environ.get("QUARVEL_SOURCE_DIR", "")
WINTOOL = os.path.join(BUILD_DIR, "tools", "wintool.exe")


def _site_port():
    """The port of the search host the program was built for (the reference site must listen
    there); 8618 unless the build tree was configured with another."""
    try:
        with open(os.path.join(BUILD_DIR, "CMakeCache.txt"), encoding="utf-8") as cache:
            for line in cache:
                if line.startswith("QUARVEL_SEARCH_HOST:STRING="):
                    return int(line.strip().rsplit(":", 1)[1])
    except (OSError, ValueError):
        pass
    return 8618


SITE_PORT = _site_port()


def require_environment(test):
    test.assertTrue(os.environ.get("DISPLAY"), "no DISPLAY: run through scripts/test.sh")
    test.assertTrue(os.environ.get("WINEPREFIX"), "no WINEPREFIX: run through scripts/test.sh")
    test.assertTrue(os.path.isfile(EXE), "Quarvel.exe not built: %r" % EXE)
    test.assertTrue(os.path.isfile(WINTOOL), "wintool.exe not built: %r" % WINTOOL)
    for tool in ("wine", "xdotool", "xwininfo", "xdpyinfo"):
        test.assertTrue(shutil.which(tool), tool + " missing")


def wintool(*args, timeout=30):
    """Runs the Windows-side probe; returns (exit code, stdout)."""
    done = subprocess.run(["wine", WINTOOL, *args], capture_output=True, timeout=timeout)
    return done.returncode, done.stdout.decode("utf-8", "replace").strip()


class Quarvel:
    """One running Quarvel.exe; ended (if still running) when the test is done with it."""

    def __init__(self):
        self.process = subprocess.Popen(["wine", EXE], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def window_info(self, timeout=60):
        """(x, y, width, height, visible, pid, client width, client height, iconic) of the main
        window once it is visible."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            if self.process.poll() is not None:
                raise AssertionError("Quarvel.exe ended early with %r" % self.process.returncode)
            code, out = wintool("info", CAPTION)
            if code == 0:
                info = tuple(int(v) for v in out.split())
                if info[4]:
                    return info
            time.sleep(0.3)
        raise AssertionError("main window did not appear within %d s" % timeout)

    def wait_exit(self, timeout):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def end(self):
        if self.process.poll() is None:
            wintool("close", CAPTION)
            if self.wait_exit(10) is None:
                self.process.kill()
                self.process.wait()


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


def info():
    """The main window's current wintool info tuple, or None when it is not there."""
    code, out = wintool("info", CAPTION)
    return tuple(int(v) for v in out.split()) if code == 0 else None


def screenshot(path, x, y, w, h):
    subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage", path], check=True)


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


def mouse(*args):
    subprocess.run(["xdotool", *[str(a) for a in args]], check=True)


# --- the reference site, the link log and the clipboard ---

LINK_SCHEMES = ("thunder", "qqdl", "http", "https")
LINKLOG = os.path.join(BUILD_DIR, "tools", "linklog.exe")


class Site:
    """The reference site on the program's port with a request log of its own."""

    def __init__(self, log_dir, *switches):
        import socket
        self.log = os.path.join(log_dir, "requests.jsonl")
        script = os.path.join(SOURCE_DIR, "site", "server.py")
        self.process = subprocess.Popen(["python3", script, "--port", str(SITE_PORT), "--log", self.log,
                                         *switches], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # Ours must be the one listening: another site on the port would answer in its place.
        deadline = time.time() + 15
        while time.time() < deadline:
            if self.process.poll() is not None:
                raise AssertionError("site ended at once (port %d taken?)" % SITE_PORT)
            try:
                socket.create_connection(("127.0.0.1", SITE_PORT), timeout=1).close()
                if os.path.exists(self.log):
                    time.sleep(0.3)
                    if self.process.poll() is None:
                        return
            except OSError:
                pass
            time.sleep(0.1)
        raise AssertionError("site did not listen on %d" % SITE_PORT)

    def paths(self):
        """Request paths (with query) in the order the site read them."""
        import json
        if not os.path.exists(self.log):
            return []
        with open(self.log, encoding="utf-8") as f:
            return [json.loads(line)["path"] for line in f if line.strip()]

    def requests(self):
        import json
        if not os.path.exists(self.log):
            return []
        with open(self.log, encoding="utf-8") as f:
            return [json.loads(line) for line in f if line.strip()]

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait(10)


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def register_link_log(log_path):
    """Makes linklog.exe the prefix's handler of every link scheme the program opens, writing to
    log_path; returns a function that puts the previous handlers back."""
    previous = {}
    for scheme in LINK_SCHEMES:
        key = "HKCR\\%s\\shell\\open\\command" % scheme
        out = subprocess.run(["wine", "reg", "query", key, "/ve"], capture_output=True).stdout.decode("utf-8", "replace")
        value = None
        for line in out.splitlines():
            for kind in ("REG_EXPAND_SZ", "REG_SZ"):
                if kind in line:
                    value = line.split(kind, 1)[1].strip()
                    break
        previous[scheme] = value
        command = '"%s" "%s" "%%1"' % (windows_path(LINKLOG), windows_path(log_path))
        subprocess.run(["wine", "reg", "add", "HKCR\\" + scheme, "/v", "URL Protocol", "/d", "", "/f"],
                       capture_output=True, check=True)
        subprocess.run(["wine", "reg", "add", key, "/ve", "/d", command, "/f"], capture_output=True, check=True)

    def restore():
        for scheme, value in previous.items():
            key = "HKCR\\%s\\shell\\open\\command" % scheme
            if value is None:
                subprocess.run(["wine", "reg", "delete", key, "/ve", "/f"], capture_output=True)
            else:
                subprocess.run(["wine", "reg", "add", key, "/ve", "/d", value, "/f"], capture_output=True)
    return restore


def read_lines(path):
    if not os.path.exists(path):
        return []
    with open(path, encoding="utf-8", errors="replace") as f:
        return [line.rstrip("\n") for line in f if line.strip()]


def clipboard_text():
    done = subprocess.run(["xclip", "-o", "-selection", "clipboard"], capture_output=True, timeout=10)
    return done.stdout.decode("utf-8", "replace") if done.returncode == 0 else None


def wait_until(condition, timeout, message, step=0.2):
    deadline = time.time() + timeout
    while time.time() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(step)
    raise AssertionError(message)


def window_of(caption):
    """The wintool info tuple of a visible top-level window with that caption, or None."""
    code, out = wintool("info", caption)
    if code != 0:
        return None
    values = tuple(int(v) for v in out.split())
    return values if values[4] else None
