"""Rows that show what was done, in the real program: a row whose link was copied or handed to a
download manager carries a mark (its ID in the link blue, and an accessible description) that a
later search and a category tab show again; Shift with the right button or the Apps key opens
the result menu with three more items acting on every selected row."""

import os
import tempfile
import unittest

import harness
from harness import MAGNET_TITLE, MENU_TITLE, ROLE, STATE_SELECTED, THUNDER

COPIED = "\u5df2\u590d\u5236"  # 已复制
SENT_THUNDER = "\u5df2\u53d1\u9001\u5230\u8fc5\u96f7"  # 已发送到迅雷
EXTRA_ITEMS = ["\u590d\u5236\u540d\u79f0", "\u590d\u5236\u8be6\u60c5\u9875\u5730\u5740",
               "\u5728\u6d4f\u89c8\u5668\u4e2d\u6253\u5f00\u8be6\u60c5\u9875"]  # 复制名称, 复制详情页地址, 在浏览器中打开详情页
PLAIN_ITEMS = 4


def row_nodes(nodes):
    found = harness.find(nodes, "list")
    return [n for n in harness.children(nodes, found["path"]) if n["role"] == ROLE["listitem"]] if found else []


def descriptions(nodes):
    return [n.get("description", "") for n in row_nodes(nodes)]


def selected(nodes):
    return [i + 1 for i, n in enumerate(row_nodes(nodes)) if n["state"] & STATE_SELECTED]


def menu_items():
    nodes = harness.wait_until(lambda: harness.tree(MENU_TITLE), "the menu cannot be read")
    return [n["name"] for n in harness.children(nodes) if n["role"] == ROLE["menuitem"]]


def blue_pixels(path, box):
    """Pixels of the link blue (0, 102, 204) and near it inside box (left, top, right, bottom)."""
    width, _, data = harness.rgb_rows(path)
    found = 0
    for y in range(box[1], box[3]):
        for x in range(box[0], box[2]):
            r, g, b = data[3 * (y * width + x):3 * (y * width + x) + 3]
            found += b > 150 and b > r + 90 and b > g + 40
    return found


class TakenRowsTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="quarvel-taken-")
        self.links = os.path.join(self.dir, "links.log")
        harness.require_environment(self)
        self.addCleanup(harness.register_link_log(self.links))
        self.site, self.app, self.ui = harness.start(self)
        self.rows = harness.catalogue("ABC")

    def search_abc(self):
        self.ui.search("ABC")
        harness.wait_search_done(self.site, "ABC", len(self.rows))

    def search_and_select_rows_two_to_four(self):
        self.search_abc()
        self.ui.click(self.ui.row_point(2))
        harness.mouse("keydown", "shift")
        self.ui.click(self.ui.row_point(4))
        harness.mouse("keyup", "shift")
        harness.read_when(lambda n: selected(n) == [2, 3, 4], "rows 2 to 4 not selected")

    def menu_with(self, row, *keys):
        """Right-clicks a row with the keys held; returns the menu's item names."""
        x, y = self.ui.at(self.ui.row_point(row))
        args = ["mousemove", x, y]
        for key in keys:
            args += ["keydown", key]
        args += ["click", "3"]
        for key in reversed(keys):
            args += ["keyup", key]
        harness.mouse(*args)
        harness.wait_until(lambda: harness.window_of(MENU_TITLE), "no menu over row %d" % row)
        return menu_items()

    def pick(self, row, item):
        """Clicks an item of the menu opened over a row."""
        x, y = self.ui.row_point(row)
        self.ui.click((x + harness.MENU_ITEM_OFFSET[0], y + harness.MENU_ITEM_OFFSET[1] + harness.ROW_HEIGHT * (item - 1)))
        harness.wait_until(lambda: harness.window_gone(MENU_TITLE), "the menu stayed open")

    def close_menu(self):
        harness.mouse("key", "Escape")
        harness.wait_until(lambda: harness.window_gone(MENU_TITLE), "Escape left the menu open")

    @harness.also_at_dpi(144)
    def test_marks_after_copy_and_hand_over_kept_by_a_later_search_and_a_tab(self):
        self.search_and_select_rows_two_to_four()
        self.assertEqual(descriptions(harness.tree())[:6], [""] * 6, "no mark before anything was taken")
        harness.mouse("key", "ctrl+c")
        self.ui.close_box(MAGNET_TITLE)
        harness.read_when(lambda n: descriptions(n)[:6] == ["", COPIED, COPIED, COPIED, "", ""],
                          "the copied rows do not say so")

        # Handed to Thunder: row 6 says so, and row 2, copied and handed, says both.
        self.ui.choose(6, THUNDER)
        self.ui.choose(2, THUNDER)
        both = COPIED + "\uff0c" + SENT_THUNDER
        harness.read_when(lambda n: descriptions(n)[:6] == ["", both, COPIED, COPIED, "", SENT_THUNDER],
                          "the handed rows do not say so")
        harness.links_opened(self.links)

        # The mark shows: the ID cells of marked rows hold the link blue, the others none.
        self.ui.click((300, 470))  # off the rows: nothing selected or hot draws over them
        harness.answered()
        shot = os.path.join(self.dir, "marks.png")
        left, top = self.ui.at((0, 0))
        harness.screenshot(shot, 0, 0, *harness.screen_size())
        def id_cell(row):
            x, y = harness.scaled(self.ui.row_point(row))
            return (left + harness.scaled(16), top + y - harness.scaled(9), left + harness.scaled(60),
                    top + y + harness.scaled(9))
        for row in (2, 3, 6):
            self.assertGreater(blue_pixels(shot, id_cell(row)), 3, "row %d shows no mark" % row)
        for row in (1, 5):
            self.assertEqual(blue_pixels(shot, id_cell(row)), 0, "row %d shows a mark" % row)

        # A later search brings the same results with their marks; so does a category tab.
        self.search_abc()
        nodes = harness.read_when(lambda n: descriptions(n)[:6] == ["", both, COPIED, COPIED, "", SENT_THUNDER],
                                  "a new search lost the marks")
        codes = {e["expect"]["codes"][0] for e in self.rows[1:4]}
        self.assertEqual(codes, {"1"})
        video = sum(1 for e in self.rows if "1" in e["expect"]["codes"])
        self.ui.click(harness.TABS[1])
        nodes = harness.read_when(lambda n: len(row_nodes(n)) == video and harness.run_ended(n),
                                  "the video tab did not fill")
        marked = {r.split("\t")[1].strip(): d for r, d in
                  zip([n["name"] for n in row_nodes(nodes)], descriptions(nodes)) if d}
        self.assertEqual(marked, {self.rows[1]["expect"]["title"].strip(): both,
                                  self.rows[2]["expect"]["title"].strip(): COPIED,
                                  self.rows[3]["expect"]["title"].strip(): COPIED})

    @harness.also_at_dpi(144)  # the longer menu at the window's scale
    def test_shift_menu_acts_on_every_selected_row(self):
        self.search_and_select_rows_two_to_four()

        # Without Shift the menu is as ever; Shift+F10 too; Shift+Apps and Shift+right click add three.
        plain = self.menu_with(3)
        self.assertEqual(len(plain), PLAIN_ITEMS)
        self.close_menu()
        harness.mouse("key", "shift+F10")
        harness.wait_until(lambda: harness.window_of(MENU_TITLE), "Shift+F10 opened no menu")
        self.assertEqual(menu_items(), plain)
        self.close_menu()
        harness.mouse("key", "shift+Menu")
        harness.wait_until(lambda: harness.window_of(MENU_TITLE), "Shift+Apps opened no menu")
        self.assertEqual(menu_items(), plain + EXTRA_ITEMS)
        self.close_menu()
        # A right press with Shift keeps the selection, on a row in it and on one outside it.
        self.assertEqual(self.menu_with(3, "shift"), plain + EXTRA_ITEMS)
        harness.read_when(lambda n: selected(n) == [2, 3, 4], "Shift+right press changed the selection")

        titles = [e["expect"]["title"] for e in self.rows[1:4]]
        paths = [e["expect"]["detail_path"] for e in self.rows[1:4]]
        harness.offer_clipboard("-")
        self.pick(3, 5)
        harness.wait_until(lambda: harness.clipboard_text() not in (None, "-"), "the names were not copied")
        self.assertEqual(harness.clipboard_text().splitlines(), titles)
        before = len(self.site.details())

        self.menu_with(3, "shift")
        self.pick(3, 6)
        address = "http://127.0.0.1:%d" % harness.SITE_PORT
        harness.wait_until(lambda: harness.clipboard_text().startswith("http"), "the addresses were not copied")
        self.assertEqual(harness.clipboard_text().splitlines(), [address + p for p in paths])

        self.menu_with(3, "shift")
        self.pick(3, 7)
        harness.wait_until(lambda: len(harness.read_lines(self.links)) >= 3, "the pages were not opened")
        self.assertCountEqual(harness.links_opened(self.links), [address + p for p in paths])
        self.assertEqual(len(self.site.details()), before, "no page was fetched by Quarvel itself")
        self.assertEqual(descriptions(harness.tree())[:4], [""] * 4, "names and pages leave no mark")
        # On a row outside the selection, a right press with Shift takes that row alone.
        self.menu_with(6, "shift")
        self.close_menu()
        harness.read_when(lambda n: selected(n) == [6], "a Shift+right press extended the selection")


if __name__ == "__main__":
    unittest.main()
