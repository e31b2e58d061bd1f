"""Acting on results in the real program: the result menu, magnet links on the clipboard, the
download-manager links handed to the shell, the cloud-play window, and the start-up update check
and ping. What went over the wire comes from the site's request log, what the shell was asked to
open from the link log of the handlers registered in the test prefix."""

import base64
import json
import os
import re
import tempfile
import time
import unittest

import harness

MAGNET_TITLE = "\u78c1\u529b\u94fe\u63a5"  # the copy boxes' title
NO_RESOURCE_TITLE = "\u65e0\u8d44\u6e90\u63d0\u793a"
UPDATE_TITLE = "\u65b0\u7248\u672c\u63d0\u793a"
CLOUD_PLAY_CAPTION = "\u4e91\u70b9\u64ad 127.0.0.1:%d" % harness.SITE_PORT
MENU_TITLE = "Tessel_DirectUI_Menu"
COPY, CLOUD_PLAY, THUNDER, QQDL = 1, 2, 3, 4  # menu items in order

# Window coordinates: search box and button, tabs, the first list row, the update label.
SEARCH_BOX = (200, 47)
SEARCH_BUTTON = (490, 47)
TABS = [(120, 72), (206, 72), (282, 72), (358, 72), (439, 72)]
ROW_X = 40
FIRST_ROW_Y = 122
ROW_HEIGHT = 22
UPDATE_LABEL = (445, 17)
NOTICE_BAND = (486, 510)

with open(os.path.join(harness.SOURCE_DIR, "site", "catalogue.json"), encoding="utf-8") as _f:
    CATALOGUE = json.load(_f)["entries"]


def entries(term):
    """Catalogue entries a search for term lists, in list order."""
    return [e for e in CATALOGUE if term.lower() in e["expect"]["title"].strip().lower()]


def default_agent():
    with open(os.path.join(harness.SOURCE_DIR, "src", "web", "WebAccess.h"), encoding="utf-8") as f:
        header = f.read()
    literal = header.split("kDefaultAgent =", 1)[1].split(";\n", 1)[0]
    return "".join(re.findall(r'"((?:[^"\\]|\\.)*)"', literal))


def click(x, y, button=1):
    harness.mouse("mousemove", x - 3, y - 2)
    time.sleep(0.3)
    harness.mouse("mousemove", x, y)
    time.sleep(0.4)
    harness.mouse("click", button)


class Session(unittest.TestCase):
    """One site, one link log and one Quarvel.exe per test."""

    site_switches = ()

    def setUp(self):
        harness.require_environment(self)
        self.assertTrue(os.path.isfile(harness.LINKLOG), "linklog.exe not built")
        self.assertTrue(harness.shutil.which("xclip"), "xclip missing")
        self.dir = tempfile.mkdtemp(prefix="quarvel-act-")
        self.site = harness.Site(self.dir, *self.site_switches)
        self.addCleanup(self.site.stop)
        self.links = os.path.join(self.dir, "links.log")
        self.addCleanup(harness.register_link_log(self.links))
        self.app = harness.Quarvel()
        self.addCleanup(self.app.end)
        self.x, self.y = self.app.window_info()[:2]
        time.sleep(1.0)

    def at(self, point):
        return self.x + point[0], self.y + point[1]

    def search(self, term):
        click(*self.at(SEARCH_BOX))
        harness.mouse("type", "--delay", "40", term)
        click(*self.at(SEARCH_BUTTON))
        # The run ends on the first page past the last full or partial one.
        last = "/ajax/search_next?s=%s&p=%d" % (term, (len(entries(term)) + 9) // 10 + 1)
        harness.wait_until(lambda: last in self.site.paths(), 30, "search for %s did not finish" % term)
        time.sleep(0.5)

    def menu(self, row, item=None):
        """Right-clicks a row of the visible list and picks an item (None: leave the menu open)."""
        # In the ID column: the cloud-play window covers the middle of the list.
        rx, ry = self.x + ROW_X, self.y + FIRST_ROW_Y + ROW_HEIGHT * (row - 1)
        click(rx, ry, 3)
        time.sleep(1.0)
        if item is not None:
            click(rx + 60, ry + 18 + ROW_HEIGHT * (item - 1))
            time.sleep(0.5)

    def detail_requests(self):
        return [p for p in self.site.paths() if p.startswith("/detail")]

    def wait_box(self, title, timeout=15):
        return harness.wait_until(lambda: harness.window_of(title), timeout, "no box titled %r" % title)

    def close_box(self, title):
        box = self.wait_box(title)
        click(box[0] + 272, box[1] + 127)  # its one button
        # Gone, not just hidden: a closing box would hide the next one from a search by title.
        harness.wait_until(lambda: harness.wintool("info", title)[0] != 0, 10, "box %r stayed open" % title)

    def no_box(self, *titles, wait=2.0):
        time.sleep(wait)
        for title in titles:
            self.assertIsNone(harness.window_of(title), "unexpected box %r" % title)

    def shot(self, name):
        path = os.path.join(self.dir, name + ".png")
        harness.screenshot(path, 0, 0, *harness.screen_size())
        return path


class MagnetTest(Session):
    def test_gate_copy_once_failure_and_the_shell_links(self):
        rows = entries("ABC")
        # No rows yet: a right click opens nothing.
        self.menu(1)
        self.assertIsNone(harness.window_of(MENU_TITLE))

        self.search("ABC")
        self.menu(2)
        self.assertTrue(harness.window_of(MENU_TITLE), "no menu over a row")
        self.shot("menu")
        harness.mouse("key", "Escape")
        time.sleep(0.5)

        # Copy: one detail request, the link on the clipboard, the success box; again: no request.
        yunbo = rows[1]
        self.assertEqual(yunbo["kind"], "yunbo")
        for attempt in range(2):
            self.menu(2, COPY)
            self.close_box(MAGNET_TITLE)
            self.assertEqual(harness.clipboard_text(), yunbo["expect"]["magnet"])
            self.assertEqual(self.detail_requests(), [yunbo["expect"]["detail_path"]])

        hashed = next(i for i, e in enumerate(rows) if e["kind"] == "hash")
        self.menu(hashed + 1, COPY)
        self.close_box(MAGNET_TITLE)
        self.assertEqual(harness.clipboard_text(), rows[hashed]["expect"]["magnet"])

        # A missing page: the failure box in copy mode (clipboard untouched) and in quiet mode.
        gone = rows[0]
        self.assertEqual(gone["kind"], "gone")
        self.menu(1, COPY)
        self.shot("failure-box")
        self.close_box(MAGNET_TITLE)
        self.assertEqual(harness.clipboard_text(), rows[hashed]["expect"]["magnet"])
        self.menu(1, THUNDER)
        self.close_box(MAGNET_TITLE)
        self.assertEqual(self.detail_requests().count(gone["expect"]["detail_path"]), 2)

        # Download items: a known link goes to the shell at once; an unresolved row is resolved
        # quietly (one request, no box) first.
        before = len(self.detail_requests())
        self.menu(2, THUNDER)
        self.menu(2, QQDL)
        third = rows[2]
        self.menu(3, QQDL)
        self.no_box(MAGNET_TITLE)
        self.assertEqual(self.detail_requests()[before:], [third["expect"]["detail_path"]])

        def b64(text):
            return base64.b64encode(text.encode("ascii")).decode("ascii")
        want = ["thunder://" + b64("AA" + yunbo["expect"]["magnet"] + "ZZ"), "qqdl://" + b64(yunbo["expect"]["magnet"]),
                "qqdl://" + b64(third["expect"]["magnet"])]
        harness.wait_until(lambda: len(harness.read_lines(self.links)) >= 3, 15, "links not opened")
        self.assertEqual(harness.read_lines(self.links), want)

    def test_no_resource_pages(self):
        rows = entries("EDGE")
        self.search("EDGE")
        kinds = [e["kind"] for e in rows]
        nolink = kinds.index("nolink") + 1
        self.menu(nolink, COPY)
        self.shot("no-resource-box")
        self.close_box(NO_RESOURCE_TITLE)
        # Quiet mode says nothing and opens nothing; nothing is stored, so the next try asks again.
        nohash = kinds.index("nohash") + 1
        for _ in range(2):
            self.menu(nohash, THUNDER)
            self.no_box(NO_RESOURCE_TITLE, MAGNET_TITLE)
        self.assertEqual(self.detail_requests().count(rows[nohash - 1]["expect"]["detail_path"]), 2)
        self.assertEqual(harness.read_lines(self.links), [])

    def test_category_list_writes_the_main_row_too(self):
        rows = entries("ABC")
        self.search("ABC")
        video = [i + 1 for i, e in enumerate(rows) if "1" in e["expect"]["codes"]]
        pick = next(n for n, main in enumerate(video, 1) if rows[main - 1]["kind"] == "hash")
        main_row = video[pick - 1]
        click(*self.at(TABS[1]))
        time.sleep(2.0)
        self.menu(pick, COPY)
        self.close_box(MAGNET_TITLE)
        magnet = rows[main_row - 1]["expect"]["magnet"]
        self.assertEqual(harness.clipboard_text(), magnet)
        requests = len(self.detail_requests())
        # Back on the main list the row already holds the link: no request.
        click(*self.at(TABS[0]))
        time.sleep(1.0)
        self.menu(main_row, QQDL)
        harness.wait_until(lambda: harness.read_lines(self.links), 15, "no link opened")
        self.assertEqual(harness.read_lines(self.links), ["qqdl://" + base64.b64encode(magnet.encode()).decode()])
        self.assertEqual(len(self.detail_requests()), requests)


class CloudPlayTest(Session):
    def test_empty_category_menu_and_one_window_at_a_time(self):
        term = entries("ABC-042")[0]["expect"]["title"][:7]
        self.search(term)
        click(*self.at(TABS[3]))  # images: none for this row
        time.sleep(1.5)
        self.menu(1)
        self.assertTrue(harness.window_of(MENU_TITLE), "no menu over an empty category list")
        harness.mouse("key", "Escape")
        time.sleep(0.5)
        self.menu(1, COPY)
        self.no_box(MAGNET_TITLE, NO_RESOURCE_TITLE)
        self.assertEqual(self.detail_requests(), [])

        sw, sh = harness.screen_size()
        for opening in range(2):
            self.menu(1, CLOUD_PLAY)
            info = harness.wait_until(lambda: harness.window_of(CLOUD_PLAY_CAPTION), 15, "no cloud-play window")
            self.assertEqual(info[:4], (int(sw / 2 - 200), int(sh / 2 - 250), 560, 400))
            harness.wait_until(lambda: self.site.paths().count("/yunbo.htm") == opening + 1, 15,
                               "cloud-play page not requested")
            if opening == 0:
                self.shot("cloud-play")
                self.menu(1, CLOUD_PLAY)  # while open: nothing new
                time.sleep(2.0)
                self.assertEqual(len(harness.x_windows_named(CLOUD_PLAY_CAPTION)), 1)
                self.assertEqual(self.site.paths().count("/yunbo.htm"), 1)
                harness.wintool("close", CLOUD_PLAY_CAPTION)
                # Destroyed after its close effect: until then it still counts as open.
                harness.wait_until(lambda: harness.wintool("info", CLOUD_PLAY_CAPTION)[0] != 0, 10, "window stayed")
        self.assertIsNone(self.app.process.poll())


class StartupPingTest(Session):
    def test_ping_and_nothing_announced(self):
        ping = harness.wait_until(lambda: [r for r in self.site.requests() if r["path"].startswith("/client")], 15,
                                  "no ping")
        self.assertEqual(len(ping), 1)
        match = re.fullmatch(r"/client\?v=130805&c=5a3c81e0d24b&so=0&__diycdn=([0-9A-Za-z]*)", ping[0]["path"])
        self.assertTrue(match, ping[0]["path"])
        self.assertEqual(len(match.group(1)), 51)
        agents = [v for k, v in ping[0]["headers"] if k.lower() == "user-agent"]
        self.assertEqual(agents, [default_agent()])
        self.assertIn("/p2p.txt", self.site.paths())
        self.no_box(UPDATE_TITLE, wait=3.0)
        self.assertFalse(self.update_label_shown())

    def update_label_shown(self):
        path = self.shot("label")
        x, y = self.at(UPDATE_LABEL)
        band = harness.pixels(path, [(x + dx, y + dy) for dx in range(-15, 60, 3) for dy in range(-6, 7, 2)])
        return any(r > 180 and g < 90 and b < 90 for r, g, b in band)

    def notice_left(self):
        """Left edge of the notice text in window pixels, or None when none is in the band."""
        path = os.path.join(self.dir, "notice.png")
        harness.screenshot(path, self.x, self.y + NOTICE_BAND[0], 610, NOTICE_BAND[1] - NOTICE_BAND[0])
        xs = range(10, 600, 2)  # inside the rounded frame
        columns = harness.pixels(path, [(x, y) for x in xs for y in range(3, 22, 2)])
        per_column = len(range(3, 22, 2))
        for i in range(0, len(columns), per_column):
            if any(sum(p) < 300 for p in columns[i:i + per_column]):
                return xs[i // per_column]
        return None


class UpdateTest(StartupPingTest):
    site_switches = ("--update-version", "1.1", "--update-notice", "\u6d4b\u8bd5",
                     "--update-link", "http://127.0.0.1:%d/update.htm" % harness.SITE_PORT)

    def test_newer_version_prompts_then_opens_the_link(self):
        self.wait_box(UPDATE_TITLE)
        self.assertTrue(self.update_label_shown(), "update label not raised")
        time.sleep(1.0)
        self.assertEqual(harness.read_lines(self.links), [], "link opened before the prompt closed")
        self.close_box(UPDATE_TITLE)
        link = "http://127.0.0.1:%d/update.htm" % harness.SITE_PORT
        harness.wait_until(lambda: harness.read_lines(self.links) == [link], 15, "update link not opened")
        click(*self.at(UPDATE_LABEL))
        harness.wait_until(lambda: harness.read_lines(self.links) == [link, link], 15, "label click opened nothing")

        # The one-letter notice runs left 2 pixels a tick (20 a second) and restarts at the right.
        seen = []
        started = time.time()
        while time.time() - started < 45:
            seen.append((time.time(), self.notice_left()))
            lefts = [x for _, x in seen if x is not None]
            if any(x < 40 for x in lefts) and lefts[-1] > 560:
                break
            time.sleep(0.5)
        moving = [(t, x) for t, x in seen[:12] if x is not None]
        rate = (moving[0][1] - moving[-1][1]) / (moving[-1][0] - moving[0][0])
        self.assertTrue(14 <= rate <= 26, "notice moves %.1f pixels a second" % rate)
        lefts = [x for _, x in seen if x is not None]
        self.assertTrue(any(x < 40 for x in lefts) and lefts[-1] > 560, "notice did not restart: %r" % lefts[-6:])

    test_ping_and_nothing_announced = None


class UnsafeUpdateLinkTest(StartupPingTest):
    site_switches = ("--update-version", "9", "--update-link", "C:\\windows\\system32\\winver.exe")

    def test_prompt_without_opening(self):
        self.close_box(UPDATE_TITLE)
        self.assertTrue(self.update_label_shown())
        click(*self.at(UPDATE_LABEL))
        time.sleep(2.0)
        self.assertEqual(harness.read_lines(self.links), [])

    test_ping_and_nothing_announced = None


HOSTILE_DIR = tempfile.mkdtemp(prefix="quarvel-update-")
with open(os.path.join(HOSTILE_DIR, "p2p.txt"), "wb") as _f:
    # A 100,000-byte notice, then 1 MB of bytes that hold no second marker.
    _f.write(b"#1e308x##" + "\u6d4b".encode("gbk") * 50000 + b"##" + bytes(range(256)) * 4096)


class HostileUpdateFileTest(StartupPingTest):
    site_switches = ("--update-file", os.path.join(HOSTILE_DIR, "p2p.txt"))

    def test_huge_notice_scrolls_without_prompt_or_link(self):
        self.wait_box(UPDATE_TITLE)  # the version reads as 1e308: newer
        self.close_box(UPDATE_TITLE)
        time.sleep(1.0)  # the text is set before the label moves to the right border
        first = harness.wait_until(self.notice_left, 15, "no notice shown")
        time.sleep(2.0)
        self.assertLess(self.notice_left(), first, "notice does not move")
        self.assertEqual(harness.read_lines(self.links), [])  # no link field at all
        self.assertIsNone(self.app.process.poll())

    test_ping_and_nothing_announced = None


if __name__ == "__main__":
    unittest.main()
