"""Sorting the results by a header click in the real Quarvel.exe, read back from the
accessibility tree while a slow many-page search still runs: size as a number, name and format
ignoring case (the name's Chinese order is whatever Windows' tables give, so only orders every
table agrees on are checked), a second click reversing, a category list in the same order and a
copy from a sorted category row giving that row's own link."""

import os
import re
import shutil
import tempfile
import unittest

import harness
from harness import COPY, MAGNET_TITLE

# Header columns at 96 DPI: ID, name, size, format.
HEADER_Y = 100
ID_HEADER, NAME_HEADER, SIZE_HEADER, FORMAT_HEADER = (36, HEADER_Y), (250, HEADER_Y), (481, HEADER_Y), (551, HEADER_Y)
UNITS = {"b": 1, "kb": 1 << 10, "mb": 1 << 20, "gb": 1 << 30, "tb": 1 << 40}


def size_of(text):
    found = re.fullmatch(r"\s*(\d+(?:\.\d*)?)\s*([A-Za-z]{1,2})\s*", text)
    unit = found and UNITS.get(found.group(2).lower())
    return float(found.group(1)) * unit if unit else None


def by_size(row, descending):
    size = size_of(row[2])
    if size is None:
        return (1, 0, int(row[0]))
    return (0, -size if descending else size, int(row[0]))


def number_of(row):
    """The catalogue number in a demo title ("ABC-042 ..."): the titles differ first there."""
    return int(row[1][4:7])


def format_groups(rows):
    """The formats in list order, one entry per run of equal formats (ignoring case)."""
    groups = []
    for row in rows:
        if not groups or groups[-1] != row[3].casefold():
            groups.append(row[3].casefold())
    return groups


def ids_ascend_within(rows, key):
    """Rows of equal key keep arrival order: their IDs ascend."""
    last = {}
    for row in rows:
        k = key(row)
        if k in last and last[k] > int(row[0]):
            return False
        last[k] = int(row[0])
    return True


@harness.also_under_codepage(1252)
@harness.also_at_dpi(144)
class SortTest(unittest.TestCase):
    def setUp(self):
        # The demo term's four pages: the site holds the second until the sorts are done, so every
        # sort happens mid-run and the rest of the rows arrive into a sorted list.
        self.hold = os.path.join(tempfile.mkdtemp(prefix="quarvel-sort-"), "hold")
        open(self.hold, "w").close()
        self.addCleanup(shutil.rmtree, os.path.dirname(self.hold), True)
        self.site, self.app, self.ui = harness.start(self, "--search-hold-file", self.hold)
        self.entries = harness.catalogue("ABC")

    def sorted_rows(self, header, check, message):
        self.ui.click(header)
        nodes = harness.read_when(lambda n: check(harness.visible_rows(n)), message)
        return nodes, harness.visible_rows(nodes)

    def test_each_key_while_the_search_runs_then_a_sorted_category_row_copies_its_own_link(self):
        self.ui.search("ABC")
        harness.read_when(lambda n: len(harness.visible_rows(n)) >= 10, "the first page did not arrive")

        def size_order(descending):
            return lambda rows: len(rows) >= 10 and rows == sorted(rows, key=lambda r: by_size(r, descending))
        nodes, rows = self.sorted_rows(SIZE_HEADER, size_order(False), "not sorted by size")
        self.assertFalse(harness.run_ended(nodes), "the search had ended")
        self.sorted_rows(SIZE_HEADER, size_order(True), "not sorted by size, largest first")

        def name_order(descending):
            return lambda rows: len(rows) >= 10 and [number_of(r) for r in rows] == sorted(
                (number_of(r) for r in rows), reverse=descending)
        self.sorted_rows(NAME_HEADER, name_order(False), "not sorted by name")
        nodes, _ = self.sorted_rows(NAME_HEADER, name_order(True), "not sorted by name, reversed")
        self.assertFalse(harness.run_ended(nodes), "the search had ended")

        def format_order(rows):
            # Equal formats (in any case) together and in arrival order; ASCII formats in their
            # case-folded order, which every collation table agrees on.
            groups = format_groups(rows)
            ascii_groups = [g for g in groups if g.isascii()]
            return (len(rows) >= 10 and len(groups) == len(set(groups)) and ascii_groups == sorted(ascii_groups)
                    and ids_ascend_within(rows, lambda r: r[3].casefold()))
        nodes, _ = self.sorted_rows(FORMAT_HEADER, format_order, "not sorted by format")
        self.assertFalse(harness.run_ended(nodes), "the search had ended")
        self.assertEqual(len(harness.visible_rows(nodes)), 10, "a page past the first came before the release")
        os.remove(self.hold)

        # Rows arriving afterwards went to their places; the tab counts are the arrivals'.
        nodes = harness.wait_search_done(self.site, "ABC", len(self.entries))
        self.assertTrue(format_order(harness.visible_rows(nodes)))
        self.assertEqual(sorted(int(r[0]) for r in harness.visible_rows(nodes)), list(range(1, 39)))

        # The video tab in the same order; sorted by size there, a row's copy gives its own link.
        video = [i + 1 for i, e in enumerate(self.entries) if "1" in e["expect"]["codes"]]
        self.ui.click(harness.TABS[1])
        harness.read_when(lambda n: len(harness.visible_rows(n)) == len(video) and harness.run_ended(n) and
                          format_order(harness.visible_rows(n)), "the video tab is not in format order")
        _, rows = self.sorted_rows(SIZE_HEADER, lambda rows: len(rows) == len(video) and
                                   rows == sorted(rows, key=lambda r: by_size(r, False)), "video not sorted by size")
        # A row in view with a link, whose place is not its arrival number.
        linked = ("hash", "yunbo")
        place, row = next((p, r) for p, r in enumerate(rows, 1)
                          if p <= 12 and int(r[0]) != p and self.entries[video[int(r[0]) - 1] - 1]["kind"] in linked)
        self.ui.choose(place, COPY)
        self.ui.close_box(MAGNET_TITLE)
        self.assertEqual(harness.clipboard_text(), self.entries[video[int(row[0]) - 1] - 1]["expect"]["magnet"])

        # ID puts the arrival order back.
        self.sorted_rows(ID_HEADER, lambda rows: [int(r[0]) for r in rows] == list(range(1, len(video) + 1)),
                         "ID did not return to arrival order")


if __name__ == "__main__":
    unittest.main()
