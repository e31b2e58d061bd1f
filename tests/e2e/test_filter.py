"""The filter over the results in the real program: Ctrl+F opens it under the rows, its words and
size bounds narrow the list as the user types (rows still arriving too), the count line and the
end line say what passes, it stays for the next search and the next tab, and Esc closes it."""

import os
import re
import unittest

import harness
from harness import ROLE

SHOWN = "\u663e\u793a %d / %d"  # 显示 n / m
NONE_PASSES = "\u6ca1\u6709\u7b26\u5408\u7b5b\u9009\u6761\u4ef6\u7684\u8d44\u6e90"  # 没有符合筛选条件的资源
BOX_NAME = "\u7b5b\u9009"  # 筛选
UNITS = {"b": 1, "kb": 1024, "mb": 1024 ** 2, "gb": 1024 ** 3, "tb": 1024 ** 4}


def size_of(text):
    found = re.fullmatch(r"\s*(\d+(?:\.\d*)?)\s*([a-zA-Z]+)\s*", text)
    if not found or found.group(2).lower() not in UNITS:
        return None
    return float(found.group(1)) * UNITS[found.group(2).lower()]


def titles_passing(term, words=(), above=None):
    rows = []
    for entry in harness.catalogue(term):
        title, size = entry["expect"]["title"], size_of(entry["expect"]["size"])
        if all(w.lower() in title.lower() for w in words) and (above is None or (size is not None and size > above)):
            rows.append(title.strip())
    return rows


def filter_box(nodes):
    return harness.find(nodes, "text", BOX_NAME)


def count_line(nodes):
    for node in harness.children(nodes):
        if node["role"] == ROLE["statictext"] and node["name"].startswith("\u663e\u793a "):
            return node["name"]
    return None


class FilterTest(unittest.TestCase):
    def setUp(self):
        self.site, self.app, self.ui = harness.start(self)

    def open_and_type(self, text):
        harness.mouse("key", "ctrl+f")
        harness.read_when(lambda n: filter_box(n) is not None and filter_box(n)["state"] & harness.STATE_FOCUSED,
                          "Ctrl+F did not put the focus in the filter box")
        harness.mouse("key", "ctrl+a", "Delete")
        if text:
            harness.mouse("type", "--delay", "10", text)
        harness.read_when(lambda n: filter_box(n)["value"] == text, "the filter box does not read %r" % text)

    def shown_titles_are(self, titles, total, message):
        def check(nodes):
            shown = [row[1].strip() for row in harness.visible_rows(nodes)]
            return sorted(shown) == sorted(titles) and count_line(nodes) == SHOWN % (len(titles), total)
        return harness.read_when(check, message)

    @harness.also_at_dpi(144)
    def test_words_bounds_end_line_next_search_and_escape(self):
        total = len(harness.catalogue("ABC"))
        self.ui.search("ABC")
        harness.wait_search_done(self.site, "ABC", total)

        # Words in any order and case.
        self.open_and_type("PACK tutorial")
        want = titles_passing("ABC", ["pack", "tutorial"])
        self.assertTrue(0 < len(want) < total, want)
        self.shown_titles_are(want, total, "the words did not narrow the list")
        harness.screenshot(os.path.join(os.path.dirname(self.site.log), "filter.png"), *self.ui.at((0, 0)),
                           *harness.scaled((610, 560)))

        # A size bound, with a space before the unit.
        self.open_and_type(">10 gb")
        self.shown_titles_are(titles_passing("ABC", above=10 * 1024 ** 3), total, "the size bound did not filter")

        # Nothing passes: the end line, where the rows would be.
        self.open_and_type("zzqqzz")
        nodes = self.shown_titles_are([], total, "a filter nothing passes left rows")
        self.assertEqual(harness.find(nodes, "list").get("description"), NONE_PASSES)

        # The filter stays for the next search, whose rows are filtered as they arrive.
        self.open_and_type("mountain")
        self.ui.search("ABC")
        harness.wait_search_done(self.site, "ABC", total)
        self.shown_titles_are(titles_passing("ABC", ["mountain"]), total, "the next search was not filtered")

        # Esc in the box closes the bar and every row shows again.
        harness.mouse("key", "ctrl+f")
        harness.read_when(lambda n: filter_box(n)["state"] & harness.STATE_FOCUSED, "the focus is not in the box")
        harness.mouse("key", "Escape")
        nodes = harness.read_when(lambda n: len(harness.visible_rows(n)) == total and count_line(n) is None,
                                  "Esc did not close the filter")
        self.assertEqual(harness.tab_captions(nodes)[0], "%s(%d)" % (harness.TAB_NAMES[0], total))


if __name__ == "__main__":
    unittest.main()


HEADER_Y = 100      # the header's middle, in window pixels at 96 DPI
EDGES = [55, 445, 515]  # column lines of the shown columns (the last one lies under the scroll bar)


class ColumnsTest(unittest.TestCase):
    def setUp(self):
        self.site, self.app, self.ui = harness.start(self)
        self.folder = os.path.dirname(self.site.log)

    def column_lines(self):
        """Window x (in 96-DPI pixels, rounded) of the column lines, left to right: the pixels
        darker than their left neighbour across the header and five rows alike (text is not)."""
        left, top = self.ui.at((0, HEADER_Y))
        width, height = harness.scaled(610), harness.scaled(22 * 5 + 22)
        path = os.path.join(self.folder, "lines.png")
        harness.screenshot(path, left, top, width, height)
        common = None
        for dy in [0] + [harness.scaled(22 + 22 * k) for k in range(5)]:
            light = [sum(p) for p in harness.pixels(path, [(x, dy) for x in range(width)])]
            dark = {x for x in range(20, width) if light[x] + 30 < light[x - 1]}
            common = dark if common is None else common & dark
        return [round(x * 96 / harness.DPI) for x in sorted(common)]

    def lines_are(self, want, gone, message):
        """Waits until a column line runs down each x of want and none down those of gone (the
        rows' texts, all starting alike, may add lines of their own)."""
        def near(got, x):
            return any(abs(g - x) <= 1 for g in got)

        def check():
            got = self.column_lines()
            return all(near(got, x) for x in want) and not any(near(got, x) for x in gone)
        harness.wait_until(check, "%s: %r, not %r without %r" % (message, self.column_lines(), want, gone))

    def drag(self, from_x, to_x):
        x0, y = self.ui.at((from_x, HEADER_Y))
        x1, _ = self.ui.at((to_x, HEADER_Y))
        harness.mouse("mousemove", x0, y, "mousedown", 1, "mousemove", (x0 + x1) // 2, y, "mousemove", x1, y,
                      "mouseup", 1)

    @harness.also_at_dpi(144)
    def test_a_dragged_column_keeps_its_width_in_both_lists_and_a_double_click_fits_it(self):
        total = len(harness.catalogue("ABC"))
        self.ui.search("ABC")
        harness.wait_search_done(self.site, "ABC", total)
        self.lines_are(EDGES, [345, 415], "the columns are not where they start")

        # The name column narrowed by 100 pixels; the columns after it move with its edge.
        self.drag(445, 345)
        narrowed = [55, 345, 415, 485]
        self.lines_are(narrowed, [445], "the drag did not narrow the name column")

        # The category list shows the same widths.
        self.ui.click(harness.TABS[1])
        harness.read_when(lambda n: harness.run_ended(n) and len(harness.visible_rows(n)) > 0,
                          "the video tab did not fill")
        self.lines_are(narrowed, [445], "the category list did not take the width")

        # A double click on the divider fits the column to its widest shown title.
        x, y = self.ui.at((345, HEADER_Y))
        harness.mouse("mousemove", x, y, "click", "--repeat", "2", "--delay", "80", "1")
        harness.wait_until(lambda: not any(abs(g - 345) <= 1 for g in self.column_lines()),
                           "the double click did not fit the column")
        fitted = [x for x in self.column_lines() if x > 360][:1]
        self.assertTrue(fitted, self.column_lines())
        self.ui.click(harness.TABS[0])
        self.lines_are(fitted, [345], "the main list did not take the fitted width")
