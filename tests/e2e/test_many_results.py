"""Many results at once in the real program: selecting rows with the mouse and the keys, copying
all their links, and a window that keeps answering, cancels and closes while the site still
holds a detail page. What went over the wire comes from the site's request log."""

import os
import tempfile
import unittest

import harness
from harness import MAGNET_TITLE, ROLE, STATE_SELECTED

COPIED = "\u5df2\u590d\u5236 %d \u4e2a\u78c1\u529b\u94fe\u63a5"  # 已复制 N 个磁力链接
NOT_GOT = "%d \u4e2a\u6ca1\u6709\u83b7\u53d6\u5230\uff1a"  # N 个没有获取到：
ERROR_STATUS = "\u7ad9\u70b9\u8fd4\u56de\u9519\u8bef %d \u4e2a"  # 站点返回错误 N 个
PROGRESS = "\u6b63\u5728\u83b7\u53d6\u78c1\u529b\u94fe\u63a5 %d/%d"  # 正在获取磁力链接 d/n
CANCELLED = "\u5df2\u53d6\u6d88\uff0c\u6ca1\u6709\u590d\u5236\u78c1\u529b\u94fe\u63a5"  # 已取消，没有复制磁力链接
CLOSE_GLYPH = (584, 16)
SIZE_HEADER = (481, 100)


def selected_rows(nodes):
    """Numbers (1-based, list order) of the visible list's selected rows."""
    found = harness.find(nodes, "list")
    items = [n for n in harness.children(nodes, found["path"]) if n["role"] == ROLE["listitem"]]
    return [i + 1 for i, n in enumerate(items) if n["state"] & STATE_SELECTED]


def box_text(title):
    """The text of a box's static text, read through its accessibility tree."""
    nodes = harness.read_when(lambda n: harness.find(n, "statictext") is not None, "box %r has no text" % title,
                              title=title)
    return harness.find(nodes, "statictext")["name"]


class ManyResults(unittest.TestCase):
    site_switches = ()

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="quarvel-many-")
        self.hold = os.path.join(self.dir, "hold")
        self.site, self.app, self.ui = harness.start(self, "--detail-hold-file", self.hold, *self.site_switches)

    def press(self, row, *keys):
        """A left click on a row with the modifier keys held."""
        x, y = self.ui.at(self.ui.row_point(row))
        args = ["mousemove", x, y]
        for key in keys:
            args += ["keydown", key]
        args += ["click", "1"]
        for key in reversed(keys):
            args += ["keyup", key]
        harness.mouse(*args)

    def selection_is(self, rows, message):
        return harness.read_when(lambda n: selected_rows(n) == rows, message)

    def search_abc(self):
        self.ui.search("ABC")
        return harness.wait_search_done(self.site, "ABC", len(harness.catalogue("ABC")))


class SelectAndCopyTest(ManyResults):
    @harness.also_at_dpi(144)
    def test_range_toggle_and_keys_then_one_copy_of_five_rows(self):
        rows = harness.catalogue("ABC")
        self.search_abc()
        self.ui.click(self.ui.row_point(2))
        self.selection_is([2], "a plain click selects its row alone")
        self.press(5, "shift")
        self.selection_is([2, 3, 4, 5], "Shift+click selects from the anchor")
        self.press(7, "ctrl")
        self.selection_is([2, 3, 4, 5, 7], "Ctrl+click adds a row")
        self.press(7, "ctrl")
        self.press(1, "ctrl")
        self.selection_is([1, 2, 3, 4, 5], "Ctrl+click toggles rows off and on")
        # Keys: Ctrl moves the current row alone, Shift extends from the anchor (row 1, the last
        # row Ctrl+click toggled). Ctrl+Space is the system's input-method key on a Chinese
        # desktop, so it is tested in the list's own tests.
        harness.mouse("key", "ctrl+Down", "ctrl+Down")
        harness.mouse("key", "shift+Down")
        self.selection_is([1, 2, 3, 4], "Shift+Down extends from the anchor to the row Ctrl+Down reached")
        harness.mouse("key", "ctrl+a")
        self.selection_is(list(range(1, len(rows) + 1)), "Ctrl+A selects every row")
        self.ui.click(self.ui.row_point(1))
        self.press(5, "shift")
        self.selection_is([1, 2, 3, 4, 5], "the five rows again")

        # One copy: the links of the rows that have one, in list order, one per line; the box
        # counts the row whose page is gone.
        harness.offer_clipboard("-")
        harness.mouse("key", "ctrl+c")
        harness.wait_until(lambda: harness.window_of(MAGNET_TITLE), "no box after the copy")
        want = [e["expect"]["magnet"] for e in rows[:5] if e["expect"]["magnet"]]
        self.assertEqual(len(want), 4)
        self.assertEqual(box_text(MAGNET_TITLE), COPIED % 4 + "\r\n" + NOT_GOT % 1 + ERROR_STATUS % 1)
        self.ui.close_box(MAGNET_TITLE)
        self.assertEqual(harness.clipboard_text().splitlines(), want)
        self.assertCountEqual(self.site.details(), [e["expect"]["detail_path"] for e in rows[:5]])

        # Again: the four links are remembered, only the gone page is asked for once more.
        harness.mouse("key", "ctrl+c")
        self.assertEqual(box_text(MAGNET_TITLE), COPIED % 4 + "\r\n" + NOT_GOT % 1 + ERROR_STATUS % 1)
        self.ui.close_box(MAGNET_TITLE)
        self.assertEqual(self.site.details().count(rows[0]["expect"]["detail_path"]), 2)
        self.assertEqual(len(self.site.details()), 6)


class CopyWhileSortedSearchRunsTest(ManyResults):
    site_switches = ("--search-delay-ms", "700")

    def test_copy_of_every_row_in_the_sorted_order_of_the_moment(self):
        rows = harness.catalogue("ABC")
        sizes = {e["expect"]["magnet"]: e for e in rows}
        self.ui.search("ABC")
        harness.wait_until(lambda: len(self.site.searches("ABC")) >= 2, "no second page asked for")
        self.ui.click(SIZE_HEADER)
        harness.read_when(lambda n: len(harness.visible_rows(n)) >= 10, "no rows")
        self.ui.click(self.ui.row_point(1))
        harness.mouse("key", "ctrl+a", "ctrl+c")
        harness.wait_until(lambda: harness.window_of(MAGNET_TITLE), "no box after the copy")
        text = box_text(MAGNET_TITLE)
        self.ui.close_box(MAGNET_TITLE)
        links = harness.clipboard_text().splitlines()
        self.assertTrue(all(link in sizes for link in links), links)
        self.assertTrue(text.startswith(COPIED % len(links)), text)
        self.assertGreaterEqual(len(links), 7)
        self.assertLess(len(links), len([e for e in rows if e["expect"]["magnet"]]), "taken before the search ended")
        # In the list's order at the command: the size column's, largest first.
        titles = [sizes[link]["expect"]["title"] for link in links]
        nodes = harness.wait_search_done(self.site, "ABC", len(rows))
        shown = [r[1] for r in harness.visible_rows(nodes)]
        self.assertEqual([t for t in shown if t in titles], titles)


class HeldPageTest(ManyResults):
    def test_the_window_answers_cancels_and_closes_while_the_site_holds_the_page(self):
        rows = harness.catalogue("ABC")
        self.search_abc()
        open(self.hold, "w").close()
        self.addCleanup(lambda: os.path.exists(self.hold) and os.remove(self.hold))
        self.ui.click(self.ui.row_point(2))
        self.press(4, "shift")
        harness.mouse("key", "ctrl+c")
        harness.wait_until(lambda: len(self.site.details()) >= 2, "no detail page asked for")
        # The window answers while the pages are held: its tree shows the progress line and
        # the rows; no more than two pages are asked for at once.
        nodes = harness.read_when(lambda n: harness.find(n, "statictext", PROGRESS % (0, 3)) is not None,
                                  "no progress line while the pages are held")
        self.assertEqual(len(harness.visible_rows(nodes)), len(rows))
        self.assertEqual(len(self.site.details()), 2)
        # Esc cancels: nothing is copied and the box says so.
        harness.offer_clipboard("-")
        harness.mouse("key", "Escape")
        self.assertEqual(box_text(MAGNET_TITLE), CANCELLED)
        self.ui.close_box(MAGNET_TITLE)
        self.assertEqual(harness.clipboard_text(), "-")
        harness.read_when(lambda n: harness.find(n, "statictext", PROGRESS % (0, 3)) is None, "the progress line stayed")

        # One row, still held: the close glyph ends the program at once.
        self.ui.click(self.ui.row_point(6))
        harness.mouse("key", "ctrl+c")
        harness.wait_until(lambda: self.site.details().count(rows[5]["expect"]["detail_path"]) == 1,
                           "the sixth row's page was not asked for")
        self.assertIsNotNone(harness.tree(), "the window does not answer while the page is held")
        self.ui.click(CLOSE_GLYPH)
        self.assertEqual(self.app.wait_exit(), 0)
        self.assertTrue(os.path.exists(self.hold), "the page was still held when the program ended")


if __name__ == "__main__":
    unittest.main()
