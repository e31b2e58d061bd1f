"""How a search ends when it brings no row, in the real Quarvel.exe: the empty results list
shows one centred line, read from the screen and from the accessibility tree (the list's
description): searching, nothing found, the site unreachable or answering 500, stopped, and a
category tab with no row of its kind. The line is gone with the first row."""

import os
import shutil
import tempfile
import unittest

import harness

SEARCHING = "\u6b63\u5728\u641c\u7d22\u2026"
NOTHING = "\u6ca1\u6709\u627e\u5230\u4e0e\u201c%s\u201d\u76f8\u5173\u7684\u8d44\u6e90"
UNREACHABLE = "\u65e0\u6cd5\u8fde\u63a5\u5230\u641c\u7d22\u7ad9\u70b9\uff1a"
REFUSED = UNREACHABLE + "\u8fde\u63a5\u88ab\u62d2\u7edd"
STATUS_500 = UNREACHABLE + "\u7ad9\u70b9\u8fd4\u56de\u4e86 HTTP \u72b6\u6001 500"
STOPPED = "\u641c\u7d22\u5df2\u505c\u6b62"
EMPTY_CATEGORY = "\u6b64\u5206\u7c7b\u4e2d\u6ca1\u6709\u8d44\u6e90"
COLUMNS = "ID\t\u8d44\u6e90\u540d\u79f0\t\u8d44\u6e90\u5927\u5c0f\t\u8d44\u6e90\u683c\u5f0f"  # its description as ever
AUDIO_TAB = 2
FEW_ROWS_TERM = "template"  # one video row: the audio tab has none, the middle of the list stays clear


def visible_list(nodes):
    return harness.find(nodes, "list")


def line_of(nodes):
    """The visible list's description when it has no rows (its line), else None."""
    found = visible_list(nodes)
    if found is None or harness.visible_rows(nodes):
        return None
    return found.get("description")


def text_pixels(path):
    """The (x, y) pixels of an image dark enough to be the list's text: its paper is light."""
    width, height, data = harness.rgb_rows(path)
    return [(i // 3 % width, i // 3 // width) for i in range(0, len(data), 3) if sum(data[i:i + 3]) < 3 * 110]


class EndLineTest(unittest.TestCase):
    site_switches = ()

    def setUp(self):
        self.site, self.app, self.ui = harness.start(self, *self.site_switches)
        self.shots = tempfile.mkdtemp(prefix="quarvel-endline-")
        self.addCleanup(shutil.rmtree, self.shots, True)

    def first_tree(self):
        return harness.read_when(lambda n: visible_list(n) is not None, "no results list")

    def wait_line(self, line):
        return harness.read_when(lambda n: line_of(n) == line, "the list never read %r" % line)

    def band(self, nodes, name):
        """A screenshot of the middle of the visible list's rows area, where the line stands."""
        left, top, width, height = visible_list(nodes)["loc"]
        band_top = top + height // 2 - harness.scaled(20)
        path = os.path.join(self.shots, name + ".png")
        harness.screenshot(path, left, band_top, width, harness.scaled(64))
        return path

    def assert_line_drawn(self, nodes, name):
        """The middle of the rows area holds one line of text pixels, centred across it."""
        inked = text_pixels(self.band(nodes, name))
        self.assertGreater(len(inked), 40, "no line drawn for %s" % name)
        width = visible_list(nodes)["loc"][2]
        xs = [x for x, _ in inked]
        middle = (min(xs) + max(xs)) / 2.0
        self.assertLess(abs(middle - width / 2.0), harness.scaled(6), "the line is not centred: %r" % middle)
        self.assertLess(max(y for _, y in inked) - min(y for _, y in inked), harness.scaled(22), "not one line")
        keep = os.environ.get("QUARVEL_SHOTS")
        if keep:
            x, y = self.app.window()[:2]
            harness.screenshot(os.path.join(keep, "end-line-%s-%d.png" % (name, harness.DPI)), x, y,
                               harness.scaled(610), harness.scaled(515))


@harness.also_at_dpi(144)
@harness.also_under_codepage(1252)
class NothingFoundTest(EndLineTest):
    # Each page takes a while: long enough to read the line of a search under way.
    site_switches = ("--search-delay-ms", "4000")

    def test_searching_then_nothing_found_then_rows_and_an_empty_category(self):
        nodes = self.first_tree()
        self.assertEqual(line_of(nodes), COLUMNS, "before any search the list reads as ever")

        term = "no such thing"
        self.ui.search(term)
        self.wait_line(SEARCHING)
        nodes = self.wait_line(NOTHING % term)
        harness.read_when(harness.run_ended, "the empty search did not end")
        self.assert_line_drawn(nodes, "nothing")

        # Rows take the line's place: the middle of the list holds no text any more.
        rows = len(harness.catalogue(FEW_ROWS_TERM))
        self.assertGreater(rows, 0)
        self.assertLess(rows, 5)
        self.ui.search(FEW_ROWS_TERM)
        nodes = harness.wait_search_done(self.site, FEW_ROWS_TERM, rows)
        self.assertIsNone(line_of(nodes))
        self.assertNotIn("\u201c", visible_list(nodes).get("description", ""))
        self.assertEqual(text_pixels(self.band(nodes, "rows")), [], "the line stayed drawn")

        # A category tab with no row of its kind says so.
        self.ui.click(harness.TABS[AUDIO_TAB])
        nodes = self.wait_line(EMPTY_CATEGORY)
        self.assert_line_drawn(nodes, "category")


@harness.also_at_dpi(144)
@harness.also_under_codepage(1252)
class FailedSearchTest(EndLineTest):
    site_switches = ("--fault-page", "1", "--search-delay-ms", "4000")

    def test_a_first_page_answered_with_500(self):
        nodes = self.first_tree()
        self.ui.search("fault-500")
        nodes = self.wait_line(STATUS_500)
        self.assertEqual(self.site.searches(), ["/ajax/search_next?s=fault-500&p=1"])
        self.assert_line_drawn(nodes, "status500")

    def test_a_site_nobody_listens_for(self):
        nodes = self.first_tree()
        self.site.stop()
        self.ui.search("ABC")
        nodes = self.wait_line(REFUSED)
        self.assert_line_drawn(nodes, "refused")

    def test_a_search_stopped_before_any_row(self):
        nodes = self.first_tree()
        self.ui.search("ABC")
        self.wait_line(SEARCHING)
        self.ui.press_search()
        nodes = self.wait_line(STOPPED)
        self.assert_line_drawn(nodes, "stopped")
        # The stopped run's page, arriving late, adds no row and leaves the line.
        nodes = harness.read_when(harness.run_ended, "the stopped run did not end")
        self.assertEqual(line_of(nodes), STOPPED)


if __name__ == "__main__":
    unittest.main()
