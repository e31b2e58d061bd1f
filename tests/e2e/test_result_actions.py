"""Acting on results in the real program: the result menu, magnet links on the clipboard, the
download-manager links handed to the shell, the cloud-play window, and the start-up update check
and ping. What went over the wire comes from the site's request log, what the shell was asked to
open from the link log of the handlers registered in the test prefix."""

import os
import re
import tempfile
import unittest

import harness
from harness import CLOUD_PLAY, COPY, MAGNET_TITLE, NO_RESOURCE_TITLE, QQDL, THUNDER, UPDATE_TITLE, b64

CLOUD_PLAY_CAPTION = "\u4e91\u70b9\u64ad 127.0.0.1:%d" % harness.SITE_PORT
UPDATE_CAPTION_START = "\u6700\u65b0"  # the update label reads "最新" + version + ...


class Session(unittest.TestCase):
    """One site, one link log and one Quarvel.exe per test."""

    site_switches = ()

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="quarvel-act-")
        self.links = os.path.join(self.dir, "links.log")
        harness.require_environment(self)
        self.addCleanup(harness.register_link_log(self.links))
        self.site, self.app, self.ui = harness.start(self, *self.site_switches)

    def search(self, term):
        self.ui.search(term)
        return harness.wait_search_done(self.site, term, len(harness.catalogue(term)))

    def no_box(self, *titles):
        """Checks, once the window has handled what came before, that no box is open."""
        harness.answered()
        for title in titles:
            self.assertIsNone(harness.window_of(title), "unexpected box %r" % title)

    def shot(self, name):
        path = os.path.join(self.dir, name + ".png")
        harness.screenshot(path, 0, 0, *harness.screen_size())
        return path

    def show_tab(self, tab, rows):
        """Clicks a tab and waits until the visible list holds that many rows."""
        self.ui.click(harness.TABS[tab])
        caption = harness.TAB_NAMES[tab]
        return harness.read_when(lambda n: len(harness.visible_rows(n)) == rows and
                                 any(c.startswith(caption) for c in harness.tab_captions(n)),
                                 "tab %d does not show %d rows" % (tab, rows))


class MagnetTest(Session):
    @harness.also_at_dpi(144, 192)  # the menu and the boxes at the window's scale
    def test_gate_copy_once_failure_and_the_shell_links(self):
        rows = harness.catalogue("ABC")
        # No rows yet: a right click opens no menu. A key typed after it still reaches the search
        # box, so the click was handled and nothing took the keyboard.
        self.ui.type_term("x")
        self.ui.click(self.ui.row_point(1), 3)
        harness.mouse("type", "y")
        harness.read_when(lambda n: harness.search_box_text(n) == "xy", "the key after the right click was lost")
        self.assertIsNone(harness.window_of(harness.MENU_TITLE))

        self.search("ABC")
        self.ui.open_menu(2)
        self.shot("menu")
        harness.mouse("key", "Escape")
        harness.wait_until(lambda: harness.window_gone(harness.MENU_TITLE), "Escape left the menu open")

        # Copy: one detail request, the link on the clipboard, the success box; again: no request.
        yunbo = rows[1]
        self.assertEqual(yunbo["kind"], "yunbo")
        for _ in range(2):
            self.ui.choose(2, COPY)
            self.ui.close_box(MAGNET_TITLE)
            self.assertEqual(harness.clipboard_text(), yunbo["expect"]["magnet"])
            self.assertEqual(self.site.details(), [yunbo["expect"]["detail_path"]])

        hashed = next(i for i, e in enumerate(rows) if e["kind"] == "hash")
        self.ui.choose(hashed + 1, COPY)
        self.ui.close_box(MAGNET_TITLE)
        self.assertEqual(harness.clipboard_text(), rows[hashed]["expect"]["magnet"])

        # A missing page: the failure box in copy mode (clipboard untouched) and in quiet mode.
        gone = rows[0]
        self.assertEqual(gone["kind"], "gone")
        self.ui.choose(1, COPY)
        self.shot("failure-box")
        self.ui.close_box(MAGNET_TITLE)
        self.assertEqual(harness.clipboard_text(), rows[hashed]["expect"]["magnet"])
        self.ui.choose(1, THUNDER)
        self.ui.close_box(MAGNET_TITLE)
        self.assertEqual(self.site.details().count(gone["expect"]["detail_path"]), 2)

        # Download items: a known link goes to the shell at once; an unresolved row is resolved
        # quietly (one request, no box) first.
        before = len(self.site.details())
        self.ui.choose(2, THUNDER)
        self.ui.choose(2, QQDL)
        third = rows[2]
        self.ui.choose(3, QQDL)
        self.no_box(MAGNET_TITLE)
        self.assertEqual(self.site.details()[before:], [third["expect"]["detail_path"]])

        want = ["thunder://" + b64("AA" + yunbo["expect"]["magnet"] + "ZZ"), "qqdl://" + b64(yunbo["expect"]["magnet"]),
                "qqdl://" + b64(third["expect"]["magnet"])]
        harness.wait_until(lambda: len(harness.read_lines(self.links)) >= 3, "links not opened")
        # Each link starts a handler process of its own: which one writes its line first is theirs.
        self.assertCountEqual(harness.links_opened(self.links), want)

    def test_no_resource_pages(self):
        rows = harness.catalogue("EDGE")
        self.search("EDGE")
        kinds = [e["kind"] for e in rows]
        nolink = kinds.index("nolink") + 1
        self.ui.choose(nolink, COPY)
        self.shot("no-resource-box")
        self.ui.close_box(NO_RESOURCE_TITLE)
        # The download items say the same and open nothing; nothing is stored, so the next try
        # asks again.
        nohash = kinds.index("nohash") + 1
        for attempt in range(2):
            self.ui.choose(nohash, THUNDER)
            self.ui.close_box(NO_RESOURCE_TITLE)
            self.no_box(MAGNET_TITLE)
            self.assertEqual(self.site.details().count(rows[nohash - 1]["expect"]["detail_path"]), attempt + 1)
        self.assertEqual(harness.links_opened(self.links), [])

    def test_category_list_writes_the_main_row_too(self):
        rows = harness.catalogue("ABC")
        self.search("ABC")
        video = [i + 1 for i, e in enumerate(rows) if "1" in e["expect"]["codes"]]
        pick = next(n for n, main in enumerate(video, 1) if rows[main - 1]["kind"] == "hash")
        main_row = video[pick - 1]
        self.show_tab(1, len(video))
        self.ui.choose(pick, COPY)
        self.ui.close_box(MAGNET_TITLE)
        magnet = rows[main_row - 1]["expect"]["magnet"]
        self.assertEqual(harness.clipboard_text(), magnet)
        requests = len(self.site.details())
        # Back on the main list the row already holds the link: no request.
        self.show_tab(0, len(rows))
        self.ui.choose(main_row, QQDL)
        harness.wait_until(lambda: harness.read_lines(self.links), "no link opened")
        self.assertEqual(harness.links_opened(self.links), ["qqdl://" + b64(magnet)])
        self.assertEqual(len(self.site.details()), requests)

    def test_a_new_search_refills_the_shown_category_with_rows_that_copy_their_own_links(self):
        first, second = harness.catalogue("ABC"), harness.catalogue("TKS")
        self.search("ABC")
        self.show_tab(1, len([e for e in first if "1" in e["expect"]["codes"]]))
        # A new search empties the category list on screen and fills it with its own rows of the
        # kind: none of the first search's rows stays to be acted on.
        self.ui.search("TKS")
        harness.wait_search_done(self.site, "TKS", len(second))
        video = [e for e in second if "1" in e["expect"]["codes"]]
        nodes = harness.read_when(lambda n: len(harness.visible_rows(n)) == len(video), "the category list was not refilled")
        self.assertEqual([r[1] for r in harness.visible_rows(nodes)], [e["expect"]["title"] for e in video])
        pick = next(n for n, e in enumerate(video, 1) if e["kind"] in ("hash", "yunbo"))
        self.ui.choose(pick, COPY)
        self.ui.close_box(MAGNET_TITLE)
        self.assertEqual(harness.clipboard_text(), video[pick - 1]["expect"]["magnet"])
        # The main list's row of that result remembers the link too: its copy asks for no page.
        self.show_tab(0, len(second))
        main_row = second.index(video[pick - 1]) + 1
        before = len(self.site.details())
        self.ui.choose(main_row, COPY)
        self.ui.close_box(MAGNET_TITLE)
        self.assertEqual(harness.clipboard_text(), video[pick - 1]["expect"]["magnet"])
        self.assertEqual(self.site.details()[before:], [])


class SiteLabelTest(Session):
    def test_site_label_opens_the_product_site(self):
        self.ui.click(harness.SITE_LABEL)
        harness.wait_until(lambda: harness.read_lines(self.links), "the site label opened nothing")
        self.assertEqual(harness.links_opened(self.links), ["http://%s/" % harness.PRODUCT_HOST])


def cloud_play_place(screen_width, screen_height):
    """Where the cloud-play window opens on the sandbox's one monitor: 200 and 250 scaled pixels
    left of and above its middle, 560 x 400 scaled; a scaled window keeps its title bar on it."""
    x, y = int(screen_width / 2 - harness.scaled(200)), int(screen_height / 2 - harness.scaled(250))
    if harness.DPI != 96:
        x, y = max(x, 0), max(y, 0)
    return (x, y) + harness.scaled((560, 400))


class CloudPlayTest(Session):
    @harness.also_at_dpi(144, 192)  # the window and its browser at the window's scale
    def test_empty_category_menu_and_one_window_at_a_time(self):
        term = harness.catalogue("ABC-042")[0]["expect"]["title"][:7]
        self.search(term)
        self.show_tab(3, 0)  # images: none for this row
        self.ui.open_menu(1)  # the menu opens over an empty category list too
        # Off a row the row items are greyed: a click on the copy item leaves the menu open.
        x, y = self.ui.row_point(1)
        self.ui.click((x + harness.MENU_ITEM_OFFSET[0], y + harness.MENU_ITEM_OFFSET[1]))
        harness.answered()
        self.assertIsNotNone(harness.window_of(harness.MENU_TITLE), "a greyed item closed the menu")
        harness.mouse("key", "Escape")
        harness.wait_until(lambda: harness.window_gone(harness.MENU_TITLE), "Escape left the menu open")
        self.no_box(MAGNET_TITLE, NO_RESOURCE_TITLE)
        self.assertEqual(self.site.details(), [])

        sw, sh = harness.screen_size()
        for opening in range(2):
            self.ui.choose(1, CLOUD_PLAY)
            info = harness.wait_until(lambda: harness.window_of(CLOUD_PLAY_CAPTION), "no cloud-play window")
            self.assertEqual(info[:4], cloud_play_place(sw, sh))
            # The browser leaves the caption and the title-bar buttons free at every scale.
            code, out = harness.wintool("child", CLOUD_PLAY_CAPTION, "AtlAxWin")
            self.assertEqual(code, 0, "no browser in the window")
            self.assertEqual(tuple(int(v) for v in out.split()), harness.scaled((10, 30, 540, 360)))
            harness.wait_until(lambda: self.site.paths().count("/yunbo.htm") == opening + 1,
                               "cloud-play page not requested")
            if opening == 0:
                self.shot("cloud-play")
                self.ui.choose(1, CLOUD_PLAY)  # while open: nothing new
                harness.answered()
                self.assertEqual(len(harness.x_windows_named(CLOUD_PLAY_CAPTION)), 1)
                self.assertEqual(self.site.paths().count("/yunbo.htm"), 1)
                harness.wintool("close", CLOUD_PLAY_CAPTION)
                # Destroyed after its close effect: until then it still counts as open.
                harness.wait_until(lambda: harness.window_gone(CLOUD_PLAY_CAPTION), "the window stayed")
        self.assertTrue(self.app.alive())


def notice(nodes, text=None):
    """The notice label's node (a static text along the bottom), or None."""
    for node in harness.children(nodes):
        if node["role"] == harness.ROLE["statictext"] and (text is None or node["name"] == text):
            return node
    return None


def update_label(nodes):
    return next((n for n in harness.children(nodes) if n["name"].startswith(UPDATE_CAPTION_START)), None)


class UpdateSession(Session):
    def notice_left(self, text=None):
        """Left edge of the notice label in window pixels, once the update check has set it."""
        nodes = harness.read_when(lambda n: notice(n, text), "no notice shown")
        return notice(nodes, text)["loc"][0] - self.ui.x


class StartupPingTest(UpdateSession):
    def test_ping_and_nothing_announced(self):
        ping = harness.wait_until(lambda: [r for r in self.site.requests() if r["path"].startswith("/client")],
                                  "no ping")
        self.assertEqual(len(ping), 1)
        match = re.fullmatch(r"/client\?v=130805&c=5a3c81e0d24b&so=0&__diycdn=([0-9A-Za-z]*)", ping[0]["path"])
        self.assertTrue(match, ping[0]["path"])
        self.assertEqual(len(match.group(1)), 51)
        agents = [v for k, v in ping[0]["headers"] if k.lower() == "user-agent"]
        self.assertEqual(agents, [harness.AGENT])
        self.assertIn("/p2p.txt", self.site.paths())
        # The notice starts once the update check has decided: nothing was announced.
        self.notice_left()
        self.assertIsNone(harness.window_of(UPDATE_TITLE))
        self.assertIsNone(update_label(harness.tree()))


class UpdateTest(UpdateSession):
    site_switches = ("--update-version", "1.1", "--update-notice", "\u6d4b\u8bd5",
                     "--update-link", "http://127.0.0.1:%d/update.htm" % harness.SITE_PORT)

    def test_newer_version_prompts_then_opens_the_link(self):
        harness.wait_until(lambda: harness.window_of(UPDATE_TITLE), "no update prompt")
        label = harness.read_when(update_label, "update label not raised")
        self.assertEqual(update_label(label)["name"], UPDATE_CAPTION_START + "1.1\u70b9\u51fb\u66f4\u65b0\uff01")
        self.assertEqual(harness.links_opened(self.links), [], "link opened before the prompt closed")
        self.ui.close_box(UPDATE_TITLE)
        link = "http://127.0.0.1:%d/update.htm" % harness.SITE_PORT
        harness.wait_until(lambda: harness.read_lines(self.links) == [link], "update link not opened")
        self.ui.click(harness.UPDATE_LABEL)
        harness.wait_until(lambda: harness.read_lines(self.links) == [link, link], "label click opened nothing")

        # The notice runs left from the right border and starts there again once it has gone.
        lefts = []

        def restarted():
            lefts.append(self.notice_left("\u6d4b\u8bd5"))
            return any(x < 40 for x in lefts) and lefts[-1] > 560
        # At its normal pace the notice takes over half a minute to cross: a loaded machine's
        # timers may run it at a third of that.
        harness.wait_until(restarted, lambda: "the notice did not run out and start again: %r" % lefts[-6:],
                           timeout=3 * harness.DEADLINE, step=0.5)
        moving = lefts[:lefts.index(min(lefts)) + 1]
        self.assertEqual(moving, sorted(moving, reverse=True), "the notice moved right before it restarted")


class UnsafeUpdateLinkTest(UpdateSession):
    site_switches = ("--update-version", "9", "--update-link", "C:\\windows\\system32\\winver.exe")

    def test_prompt_without_opening(self):
        self.ui.close_box(UPDATE_TITLE)
        harness.read_when(update_label, "update label not raised")
        self.ui.click(harness.UPDATE_LABEL)
        harness.answered()
        self.assertEqual(harness.links_opened(self.links), [])


class ArgumentsAfterUpdateLinkTest(UnsafeUpdateLinkTest):
    """A web address followed by what the shell would take as its arguments is no web address."""
    site_switches = ("--update-version", "9", "--update-link",
                     'http://127.0.0.1:%d/update.htm" --flag' % harness.SITE_PORT)


HOSTILE_DIR = tempfile.mkdtemp(prefix="quarvel-update-")
HOSTILE_NOTICE = "\u6d4b" * 50000
with open(os.path.join(HOSTILE_DIR, "p2p.txt"), "wb") as _f:
    # A 100,000-byte notice, then 1 MB of bytes that hold no second marker.
    _f.write(b"#1e308x##" + HOSTILE_NOTICE.encode("gbk") + b"##" + bytes(range(256)) * 4096)


class HostileUpdateFileTest(UpdateSession):
    site_switches = ("--update-file", os.path.join(HOSTILE_DIR, "p2p.txt"))

    def test_huge_notice_scrolls_without_prompt_or_link(self):
        self.ui.close_box(UPDATE_TITLE)  # the version reads as 1e308: newer
        first = self.notice_left(HOSTILE_NOTICE)
        harness.wait_until(lambda: self.notice_left(HOSTILE_NOTICE) < first, "the notice does not move")
        self.assertEqual(harness.links_opened(self.links), [])  # no link field at all
        self.assertTrue(self.app.alive())


if __name__ == "__main__":
    unittest.main()
