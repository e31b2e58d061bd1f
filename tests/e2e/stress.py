"""Runs Quarvel.exe against a reference site serving many pages quickly while xdotool keeps
starting and stopping searches, switching tabs, scrolling both lists, resolving links and
opening the result menu. At the end: the process is alive, the last completed search's rows
are in the main list once each, numbered 1..n, and GDI objects, USER objects and private
bytes have not grown past the bounds printed since a warm-up that ended with the same search.

    python3 tests/e2e/stress.py SECONDS [SEED]     (scripts/stress.sh sets up display and Wine)
Exit code 0 when every check holds."""

import os
import json
import random
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

TERM = "stress"
ROWS_PER_PAGE = 50
NEUTRAL = (560, 498)  # the notice line: a click there does nothing
# Growth allowed from the warm-up to the end.
GDI_BOUND = 24
USER_BOUND = 4
PRIVATE_BOUND = 12 * 1024 * 1024
STALL_MS = 100  # answers slower than this are reported with where the UI thread was
STALLS_SHOWN = 5
STALLWATCH = os.path.join(harness.TOOLS, "stallwatch.exe")


def log(text):
    sys.stdout.write("[%7.1f] %s\n" % (time.time() - START, text))
    sys.stdout.flush()


START = time.time()


class Stress:
    def __init__(self, seconds, pages, seed=20240601):
        self.seconds, self.pages = seconds, pages
        self.random = random.Random(seed)
        self.counts = {}
        self.previous = None
        self.slowest_ping = 0.0
        self.failures = []
        self.timeline = []
        self.watcher = None

    def start(self):
        folder = tempfile.mkdtemp(prefix="quarvel-stress-")
        self.site = harness.Site(folder, "--stress-pages", str(self.pages), "--stress-rows", str(ROWS_PER_PAGE))
        self.app = harness.Quarvel()
        x, y = self.app.window()[:2]
        self.ui = harness.Driver(x, y)

    def stop(self):
        if self.watcher and self.watcher.poll() is None:
            self.watcher.kill()
        if getattr(self, "app", None):
            self.app.end()
        if getattr(self, "site", None):
            self.site.stop()

    def alive(self):
        if self.app.process.poll() is not None:
            raise SystemExit("FAIL: Quarvel.exe ended with %r" % self.app.process.returncode)
        crashes = harness.crash_dialogs()
        if crashes:
            raise SystemExit("FAIL: crash report %r" % crashes)

    # --- one action each ---

    def act_search(self):
        self.ui.search(self.random.choice([TERM, TERM, "ABC", ""]))

    def act_press(self):
        self.ui.press_search()  # stops a run going, or starts one with the same term

    def act_tab(self):
        self.ui.click(self.random.choice(harness.TABS))

    def act_scroll(self):
        self.ui.scroll(self.random.random() < 0.6, self.random.randint(1, 8))

    def act_menu(self):
        if self.random.random() < 0.5:
            self.ui.click(harness.TABS[0])  # the rows of the search, not an emptied category
        row = self.random.randint(1, 12)
        at = self.ui.row_point(row)
        self.ui.click(at, 3)
        harness.answered()  # a menu, if the list has rows, is open by now
        if not harness.window_of(harness.MENU_TITLE):
            return
        if self.random.random() < 0.5:
            harness.mouse("key", "Escape")
            self.ui.click(NEUTRAL)
            return
        # Off a row (empty list space) the copy item is greyed: the menu is closed instead.
        nodes = harness.tree(harness.MENU_TITLE)
        items = [n for n in harness.children(nodes or {}) if n["role"] == harness.ROLE["menuitem"]]
        if not items or items[0]["state"] & harness.STATE_UNAVAILABLE:
            harness.mouse("key", "Escape")
            harness.wait_until(lambda: harness.window_gone(harness.MENU_TITLE), "Escape left the menu open")
            return
        self.ui.click((at[0] + harness.MENU_ITEM_OFFSET[0], at[1] + harness.MENU_ITEM_OFFSET[1]))  # copy: resolves
        harness.wait_until(lambda: harness.window_gone(harness.MENU_TITLE), "the menu stayed open")
        # The link comes from a worker: its box opens once the page is in.
        harness.wait_until(lambda: harness.window_of(harness.MAGNET_TITLE) or harness.window_of(harness.NO_RESOURCE_TITLE),
                           "no box after the copy")
        self.close_boxes()

    def close_boxes(self):
        """Closes the box a copy shows, once the window has handled what came before."""
        harness.answered()
        for title in (harness.MAGNET_TITLE, harness.NO_RESOURCE_TITLE):
            if harness.window_of(title):
                self.ui.close_box(title)

    def act_ping(self):
        answered, ms = harness.ping(harness.CAPTION, 1000)
        self.slowest_ping = max(self.slowest_ping, ms)
        if ms > 200:
            log("answer after %.0f ms (previous action: %s)" % (ms, self.previous))

    ACTIONS = [("search", act_search, 3), ("press", act_press, 2), ("tab", act_tab, 4), ("scroll", act_scroll, 5),
               ("menu", act_menu, 2), ("ping", act_ping, 1)]

    def act(self):
        names, actions, weights = zip(*self.ACTIONS)
        choice = self.random.choices(range(len(actions)), weights)[0]
        started = time.time()
        actions[choice](self)
        self.timeline.append((started, time.time(), names[choice]))
        self.previous = names[choice]
        self.counts[names[choice]] = self.counts.get(names[choice], 0) + 1

    # --- the window's stalls ---

    def watch_stalls(self, seconds):
        """Starts stallwatch on the main window for the run: every answer slower than the limit,
        with the UI thread's stacks while it was late."""
        self.watcher = subprocess.Popen(["wine", STALLWATCH, harness.CAPTION, str(int(seconds)), str(STALL_MS)],
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)

    def report_stalls(self):
        """Prints the longest answers, what the test was doing then and where the UI thread was."""
        out, _ = self.watcher.communicate(timeout=harness.DEADLINE)
        records = [json.loads(line) for line in out.decode("utf-8", "replace").splitlines() if line.startswith("{")]
        summary = next((r for r in records if "answers" in r), {"answers": 0, "longest": 0})
        slow = sorted((r for r in records if "ms" in r), key=lambda r: -r["ms"])
        log("window answers: %d, longest %.1f ms; %d over %d ms" % (summary["answers"], summary["longest"], len(slow),
                                                                      STALL_MS))
        for record in slow[:STALLS_SHOWN]:
            doing = [name for start, end, name in self.timeline if start - 0.5 <= record["at"] <= end + 0.5]
            log("  %.0f ms during %s" % (record["ms"], "/".join(doing) or "no action"))
            for stack in record["stacks"][:3]:
                log("    " + " < ".join(harness.program_frames(stack)[:8]))

    # --- the completed search and its check ---

    def complete_search(self):
        """Runs a search for TERM to its end on the all tab; returns the rows the site sent."""
        self.close_boxes()
        self.ui.click(harness.TABS[0])
        self.ui.type_term(TERM)
        # A press while a run is going only stops it: end any run first, then start ours.
        if not harness.run_ended(harness.tree()):
            self.ui.press_search()
            harness.read_when(harness.run_ended, "the run going on did not stop")
        before = len(self.site.paths())
        self.ui.press_search()
        first = "/ajax/search_next?s=%s&p=1" % TERM
        harness.wait_until(lambda: first in self.site.paths()[before:], "the final search did not start")
        before = self.site.paths().index(first, before)
        last = "/ajax/search_next?s=%s&p=%d" % (TERM, self.pages + 1)
        harness.wait_until(lambda: last in self.site.paths()[before:], "the search did not reach its last page")
        harness.read_when(harness.run_ended, "the final search did not end")
        asked = [p for p in self.site.paths()[before:] if p.startswith("/ajax/search_next?s=%s&" % TERM)]
        if asked != ["/ajax/search_next?s=%s&p=%d" % (TERM, p) for p in range(1, self.pages + 2)]:
            self.failures.append("the final search asked for %r" % asked[:5])
        return ["STRESS p%d r%02d" % (p, r) for p in range(1, self.pages + 1) for r in range(1, ROWS_PER_PAGE + 1)]

    def check_rows(self, sent):
        nodes = harness.tree()
        if nodes is None:
            self.failures.append("the accessible tree could not be read")
            return
        rows = harness.visible_rows(nodes)
        ids = [r[0] for r in rows]
        titles = [r[1] if len(r) > 1 else None for r in rows]
        if ids != [str(n) for n in range(1, len(rows) + 1)]:
            self.failures.append("row numbers are not 1..%d" % len(rows))
        if titles != sent:
            missing = len(set(sent) - set(titles))
            doubled = len(titles) - len(set(titles))
            self.failures.append("main list differs from the rows sent: %d rows for %d sent, %d missing, %d doubled"
                                 % (len(titles), len(sent), missing, doubled))
        log("main list: %d rows, numbered 1..%d, %s" % (len(rows), len(rows), "as sent" if titles == sent else "NOT as sent"))

    def figures(self):
        try:
            return harness.wait_until(harness.resources, "no resource figures")
        except AssertionError as failure:
            raise SystemExit("FAIL: %s" % failure)

    def run(self):
        try:
            self.start()
            self.alive()
            # Warm-up: a round of every kind of action, then the same completed search as at the end.
            # Views are drawn when first shown and the tooltip is made for the first tip, so every
            # tab is shown once and the mouse rests on a row: what first use makes is no growth.
            for _, action, _ in self.ACTIONS:
                action(self)
            self.complete_search()
            for tab in harness.TABS[1:] + harness.TABS[:1]:
                self.ui.click(tab)
            self.ui.click(self.ui.row_point(1))
            harness.answered()
            base = self.figures()
            log("warm-up: GDI %d, USER %d, private %.1f MB (%s counts)"
                % (base[0], base[1], base[2] / 1048576, "exact" if base[3] else "table/window"))

            self.watch_stalls(self.seconds)
            end = time.time() + self.seconds
            samples = 0
            next_sample = time.time() + 30
            while time.time() < end:
                self.act()
                self.alive()
                if time.time() >= next_sample:
                    f = self.figures()
                    samples += 1
                    log("GDI %d, USER %d, private %.1f MB; actions %s" % (f[0], f[1], f[2] / 1048576, self.counts))
                    next_sample = time.time() + 30

            self.report_stalls()
            self.alive()
            sent = self.complete_search()
            self.alive()
            self.check_rows(sent)
            final = self.figures()
            growth = (final[0] - base[0], final[1] - base[1], final[2] - base[2])
            log("end: GDI %d (%+d, bound %d), USER %d (%+d, bound %d), private %.1f MB (%+.1f MB, bound %.0f MB)"
                % (final[0], growth[0], GDI_BOUND, final[1], growth[1], USER_BOUND, final[2] / 1048576,
                   growth[2] / 1048576, PRIVATE_BOUND / 1048576))
            paths = self.site.paths()
            log("actions %s; site: %d result pages, %d runs started, %d detail pages (links resolved); "
                "slowest answer %.1f ms" % (self.counts, sum(p.startswith("/ajax/") for p in paths),
                                            sum(p.startswith("/ajax/") and p.endswith("&p=1") for p in paths),
                                            sum(p.startswith("/detail") for p in paths), self.slowest_ping))
            if growth[0] > GDI_BOUND:
                self.failures.append("GDI objects grew by %d" % growth[0])
            if growth[1] > USER_BOUND:
                self.failures.append("USER objects grew by %d" % growth[1])
            if growth[2] > PRIVATE_BOUND:
                self.failures.append("private bytes grew by %.1f MB" % (growth[2] / 1048576))
        finally:
            self.stop()
        for failure in self.failures:
            log("FAIL: " + failure)
        log("PASSED" if not self.failures else "FAILED")
        return 0 if not self.failures else 1


if __name__ == "__main__":
    seconds = int(sys.argv[1]) if len(sys.argv) > 1 else 600
    # A short run keeps its final searches short as well.
    pages = int(os.environ.get("QUARVEL_STRESS_PAGES", "20" if seconds >= 120 else "6"))
    if len(sys.argv) > 2:
        sys.exit(Stress(seconds, pages, int(sys.argv[2])).run())
    sys.exit(Stress(seconds, pages).run())
