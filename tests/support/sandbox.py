"""Runs one test command in a machine of its own, so that tests can run side by side:

    sandbox.py [--network] [--codepage 936|1252] [--dpi N] [--name NAME] -- COMMAND [ARG...]

- its own virtual display (Xvfb picks a free display number itself),
- its own Wine prefix: a copy-on-write view (overlayfs) of the build tree's prepared prefix,
  so registry changes, the WinINet cache and the clipboard of one test never reach another,
  served by its own Wine server,
- the system code page it is given (936 unless told): Wine takes its ANSI code page from the
  locale each Windows process starts in (zh_CN.UTF-8: 936, en_US.UTF-8: 1252) and writes it
  into the prefix's registry at every start, so one prepared prefix serves every code page;
  the command sees the code page in QUARVEL_CODEPAGE,
- the display scale it is given (96 DPI unless told): the user's LogPixels setting in the
  prefix's registry before any program starts, as a user's scale setting on Windows; the
  command sees it in QUARVEL_DPI,
- with --network, its own loopback (a network namespace): the program's fixed site port is
  free in every sandbox at once.

The namespaces need root (or unprivileged user namespaces). Where they cannot be made, the
command runs in the build tree's shared prefix while holding one lock, so such tests still
pass, one after another. The prepared prefix is made by scripts/test.sh (quarvel_wine).

Exit code: the command's; 125 when the sandbox could not be set up.
"""

import argparse
import fcntl
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

INNER = "QUARVEL_SANDBOX_INNER"
NO_OVERLAY = 199  # the inner run's answer when it could not mount the prefix
LOCALES = {"936": "zh_CN.UTF-8", "1252": "en_US.UTF-8"}


def fail(message):
    sys.stderr.write("sandbox: %s\n" % message)
    sys.exit(125)


def build_dir():
    folder = os.environ.get("QUARVEL_BUILD_DIR") or os.environ.get("BUILD_DIR")
    if not folder:
        fail("QUARVEL_BUILD_DIR is not set")
    return folder


def template_prefix():
    """The prepared prefix, build/wineprefix (the same for every code page)."""
    path = os.path.join(build_dir(), "wineprefix")
    if not os.path.isfile(os.path.join(path, "system.reg")):
        fail("no prepared Wine prefix at %s (run scripts/test.sh)" % path)
    return path


def start_display(tries=3):
    """(Xvfb process, display name) on a display number Xvfb chose. A start that fails (two
    servers starting side by side on a loaded machine) is tried again."""
    for _ in range(tries):
        read, write = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1920x1080x24", "-nolisten", "tcp"],
                                pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        number = b""
        with os.fdopen(read, "rb") as pipe:
            while not number.endswith(b"\n"):
                chunk = pipe.read(1)
                if not chunk:
                    break
                number += chunk
        if number.strip():
            return xvfb, ":" + number.decode().strip()
        xvfb.kill()
        xvfb.wait()
    fail("Xvfb did not start")


def stop(process):
    if process and process.poll() is None:
        process.terminate()
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def mount_prefix(template, folder):
    """The template seen through an overlay whose changes land in folder; its path."""
    merged = os.path.join(folder, "prefix")
    for sub in ("upper", "work", "prefix"):
        os.makedirs(os.path.join(folder, sub), exist_ok=True)
    options = "lowerdir=%s,upperdir=%s,workdir=%s" % (template, os.path.join(folder, "upper"),
                                                       os.path.join(folder, "work"))
    done = subprocess.run(["mount", "-t", "overlay", "overlay", "-o", options, merged], capture_output=True)
    if done.returncode != 0:
        sys.stderr.write("sandbox: no overlay (%s): sharing the prefix\n" % done.stderr.decode(errors="replace").strip())
        shutil.rmtree(folder, ignore_errors=True)
        sys.exit(NO_OVERLAY)
    return merged


def run_inside(args):
    """In the fresh namespaces: loopback, prefix, display, Wine server, then the command."""
    if args.network:
        subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
    sandboxes = os.path.join(build_dir(), "sandboxes")
    os.makedirs(sandboxes, exist_ok=True)
    folder = tempfile.mkdtemp(prefix=(args.name or "test") + "-", dir=sandboxes)
    prefix = mount_prefix(template_prefix(), folder)
    code = run_with(args, prefix, folder)
    subprocess.run(["umount", prefix], capture_output=True)
    if code == 0:
        shutil.rmtree(folder, ignore_errors=True)
    else:
        sys.stderr.write("sandbox: kept %s\n" % folder)
    return code


def reap_orphans(ours, done):
    """The init's duty in a PID namespace of our own: collects processes that ended after their
    parent (Wine's), so that no zombie looks like a running program. Our own children are left
    to their Popen objects."""
    while not done.is_set():
        try:
            info = os.waitid(os.P_ALL, 0, os.WEXITED | os.WNOHANG | os.WNOWAIT)
        except ChildProcessError:
            info = None
        if info is not None and info.si_pid not in ours():
            try:
                os.waitpid(info.si_pid, 0)
            except ChildProcessError:
                pass
            continue
        done.wait(0.2)


class WineSession:
    """The sandbox's Wine server and the settings every session starts with."""

    def __init__(self, env, args, shared):
        self.env, self.args, self.shared = env, args, shared
        self.server = self.holder = None
        self.start()

    def wine(self, *command):
        subprocess.run(["wine", *command], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def start(self):
        self.server = subprocess.Popen(["wineserver", "-p", "-f"], env=self.env, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
        # No window manager runs on the virtual display: Wine would wait two seconds for one at
        # every window it hides or destroys unless its windows are unmanaged. (The prefix's
        # services start with this first Wine program and keep its output open: it must be one
        # of ours, so that a test reading a program's output gets its end.)
        self.wine("reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed", "/d", "N", "/f")
        # The display scale (a fresh copy of the prefix has none: 96 DPI). A sandbox without
        # namespaces shares the prefix with the ones before it, so it always writes its own.
        if self.args.dpi != 96 or self.shared:
            self.wine("reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t", "REG_DWORD",
                      "/d", str(self.args.dpi), "/f")

    def holder_pid(self):
        return self.holder.pid if self.holder else None

    def stop(self):
        if self.holder:
            self.holder.stdin.close()
            self.holder = None
        subprocess.run(["wineserver", "-k"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if self.server:
            try:
                self.server.wait(15)
            except subprocess.TimeoutExpired:
                self.server.kill()
                self.server.wait()

    def hold_desktop(self, deadline=180):
        """Starts the session's desktop and keeps it up, as it always is on Windows. Wine starts
        its desktop process at the first window of a session and closes it when the last program
        ends: a program started later starts it again, and when that start times out on a loaded
        machine its window is refused ("the explorer process failed to start"). So a holder
        program stays on the desktop for the sandbox's life. A session whose desktop would not
        start after a few tries starts again. What the tries print goes to desktop.log in the
        sandbox's folder."""
        tool = os.path.join(build_dir(), "tools", "wintool.exe")
        if not os.path.isfile(tool):
            return
        end = time.monotonic() + deadline
        refusals = 0
        with open(os.path.join(self.env["QUARVEL_SANDBOX"], "desktop.log"), "ab") as log:
            while True:
                holder = subprocess.Popen(["wine", tool, "desktop"], env=self.env, stdin=subprocess.PIPE,
                                          stdout=subprocess.PIPE, stderr=log)
                if holder.stdout.readline().strip() == b"up":
                    self.holder = holder
                    return
                holder.stdin.close()
                holder.wait()
                if time.monotonic() > end:
                    fail("the Wine desktop did not start within %d s (see %s)" % (deadline, log.name))
                refusals += 1
                if refusals % 3 == 0:
                    log.write(b"sandbox: no desktop after %d tries: starting the Wine session again\n" % refusals)
                    log.flush()
                    self.stop()
                    self.start()


def end_every_process():
    """The init of a PID namespace of our own ends the sandbox at once: every process in it is
    killed and collected. Nothing is left to save (the prefix is a throw-away overlay), and
    Wine's own orderly shutdown takes most of a second per test."""
    try:
        os.kill(-1, signal.SIGKILL)
    except ProcessLookupError:
        pass
    while True:
        try:
            os.waitpid(-1, 0)
        except ChildProcessError:
            return


def run_with(args, prefix, folder, shared=False):
    """Display, Wine server and the command with the sandbox's environment; its exit code."""
    xvfb, display = start_display()
    env = dict(os.environ, DISPLAY=display, WINEPREFIX=prefix, LC_ALL=LOCALES[args.codepage],
               QUARVEL_SANDBOX=folder, QUARVEL_CODEPAGE=args.codepage, QUARVEL_DPI=str(args.dpi))
    session = reaper = None
    stopping = threading.Event()
    try:
        session = WineSession(env, args, shared)
        session.hold_desktop()
        command = subprocess.Popen(args.command, env=env)
        if os.getpid() == 1:
            reaper = threading.Thread(target=reap_orphans, daemon=True,
                                      args=(lambda: {xvfb.pid, session.server.pid, session.holder_pid(), command.pid},
                                            stopping))
            reaper.start()
        try:
            return command.wait()
        except KeyboardInterrupt:
            command.send_signal(signal.SIGINT)
            return command.wait()
    finally:
        stopping.set()
        if reaper:
            reaper.join()
        if os.getpid() == 1:
            end_every_process()
        else:
            if session:
                session.stop()
            stop(xvfb)


def run_shared(args):
    """Without namespaces: the shared prefix and a display of its own, one sandbox at a time."""
    lock_path = os.path.join(build_dir(), "sandbox.lock")
    with open(lock_path, "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        folder = tempfile.mkdtemp(prefix=(args.name or "test") + "-")
        try:
            return run_with(args, template_prefix(), folder, shared=True)
        finally:
            shutil.rmtree(folder, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--network", action="store_true", help="a loopback of its own")
    parser.add_argument("--codepage", default="936", choices=sorted(LOCALES))
    parser.add_argument("--dpi", type=int, default=96, help="the display scale in DPI (96 = 100%%)")
    parser.add_argument("--name", default="")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    if args.command and args.command[0] == "--":
        args.command = args.command[1:]
    if not args.command:
        parser.error("no command")
    if os.environ.get(INNER):
        sys.exit(run_inside(args))
    # A PID namespace of its own ends every process the test left behind with the sandbox.
    namespaces = ["--mount", "--pid", "--mount-proc", "--fork", "--kill-child"] + (["--net"] if args.network else [])
    if os.geteuid() != 0:
        namespaces = ["--map-root-user"] + namespaces
    probe = subprocess.run(["unshare", *namespaces, "true"], capture_output=True)
    if probe.returncode != 0:
        sys.exit(run_shared(args))
    env = dict(os.environ, **{INNER: "1"})
    code = subprocess.run(["unshare", *namespaces, sys.executable, os.path.abspath(__file__), *sys.argv[1:]],
                          env=env).returncode
    sys.exit(run_shared(args) if code == NO_OVERLAY else code)


if __name__ == "__main__":
    main()
