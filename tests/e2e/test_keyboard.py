"""The results from the keyboard in the real program: Tab reaches the list and shows the focus
cue on its current row, the movement keys move the current row (read from the accessibility
tree as a screen reader reads it), and the menu keys and Ctrl+C act on the current row: the
result menu opens at the row, the copy goes through the copy item's path with its box."""

import os
import tempfile
import unittest

import harness
from harness import COPY, MAGNET_TITLE, MENU_ITEM_OFFSET, ROLE, STATE_FOCUSED, STATE_SELECTED

STATE_OFFSCREEN = 0x10000


def focused():
    """(role, name) of the object with the keyboard focus, or None."""
    code, found = harness.acctool("focus", harness.CAPTION)
    return (found[0].get("role"), found[0].get("name")) if code == 0 and found and "role" in found[0] else None


def current_row(nodes):
    """(row number, its node) of the visible list's focused row, or (0, None)."""
    found = harness.find(nodes, "list")
    if not found:
        return 0, None
    for number, item in enumerate(harness.children(nodes, found["path"]), 1):
        if item["state"] & STATE_FOCUSED:
            return number, item
    return 0, None


class KeyboardTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="quarvel-keys-")
        self.site, self.app, self.ui = harness.start(self)
        self.rows = harness.catalogue("ABC")

    def press(self, *keys):
        harness.mouse("key", *keys)

    def tab_to_list(self):
        """Tabs from the search box until the list has the focus; what took it on the way."""
        self.ui.click(harness.SEARCH_BOX)
        harness.wait_until(lambda: (focused() or (0,))[0] == ROLE["text"], "the search box did not take the focus")
        visited = []
        for _ in range(10):
            before = focused()
            self.press("Tab")
            now = harness.wait_until(lambda: (lambda f: f if f and f != before else None)(focused()),
                                     "Tab did not move the focus on from %r" % (before,))
            visited.append(now)
            if now[0] in (ROLE["list"], ROLE["listitem"]):
                return visited
        raise AssertionError("Tab never reached the list: %r" % visited)

    def move_to(self, keys, row, message):
        """Presses keys and waits until the given row is the list's focused, selected row in view."""
        self.press(*keys)

        def moved(nodes):
            number, item = current_row(nodes)
            return number == row and item["state"] & STATE_SELECTED and not item["state"] & STATE_OFFSCREEN
        return harness.read_when(moved, message)

    def row_shot(self, name, item):
        path = os.path.join(self.dir, name + ".png")
        harness.screenshot(path, *item["loc"])
        return path

    @harness.also_under_codepage(1252)
    @harness.also_at_dpi(144)
    def test_tab_reaches_the_list_with_its_cue_and_keys_move_the_current_row(self):
        self.ui.search("ABC")
        nodes = harness.wait_search_done(self.site, "ABC", len(self.rows))
        self.ui.click(self.ui.row_point(3))
        nodes = harness.read_when(lambda n: current_row(n)[0] == 3, "the click did not make row 3 current")
        # The mouse's focus moves to the search box; the row stays current, drawn without the cue.
        self.ui.click(harness.SEARCH_BOX)
        harness.wait_until(lambda: (focused() or (0,))[0] == ROLE["text"], "the search box did not take the focus")
        nodes = harness.tree()
        list_path = harness.find(nodes, "list")["path"]
        before = self.row_shot("row-before", nodes[list_path + ".3"])

        # After the search button come the five tabs, then the list, on its current row.
        visited = self.tab_to_list()
        self.assertEqual(visited[0], (ROLE["pushbutton"], harness.SEARCH_CAPTION))
        self.assertEqual([v[1].split("(")[0] for v in visited[1:-1]], harness.TAB_NAMES)
        self.assertEqual(visited[-1][0], ROLE["listitem"])
        self.assertTrue(visited[-1][1].startswith("3\t" + self.rows[2]["expect"]["title"]), visited[-1])
        nodes = harness.tree()
        after = self.row_shot("row-cue", nodes[list_path + ".3"])
        # The dashed frame around the row: a line of pixels along its edges changed, the rest not.
        self.assertGreater(harness.differing_pixels(before, after), harness.scaled(300))

        count = len(self.rows)
        self.move_to(["Down"], 4, "Down did not move to row 4")
        self.move_to(["End"], count, "End did not move to the last row")
        self.move_to(["Home"], 1, "Home did not move to the first row")
        self.press("Next")
        first = harness.read_when(lambda n: current_row(n)[0] > 2, "Page Down did not move")
        page = current_row(first)[0] - 1
        nodes = self.move_to(["Next"], 1 + 2 * page, "the second Page Down did not move by the same page")
        list_node = harness.find(nodes, "list")
        self.assertTrue(nodes[list_path + ".1"]["state"] & STATE_OFFSCREEN, "the view did not follow")
        # A page is what shows whole: the current row's bottom is inside the list.
        item = current_row(nodes)[1]
        self.assertLessEqual(item["loc"][1] + item["loc"][3], list_node["loc"][1] + list_node["loc"][3])
        self.move_to(["Prior"], 1 + page, "Page Up did not move back a page")
        nodes = self.move_to(["Up"], page, "Up did not move up a row")
        self.assertEqual(current_row(nodes)[1]["name"].split("\t")[:2], [str(page), self.rows[page - 1]["expect"]["title"]])

    @harness.also_under_codepage(1252)
    @harness.also_at_dpi(144)
    def test_menu_keys_open_at_the_row_and_ctrl_c_copies_its_link(self):
        # Without rows the list takes the keys and does nothing: the Tab after them moves on.
        visited = self.tab_to_list()
        self.assertEqual(visited[-1][0], ROLE["list"])
        self.press("Down", "End", "Menu", "ctrl+c", "Tab")
        harness.wait_until(lambda: (focused() or (0,))[0] not in (ROLE["list"], ROLE["listitem"]),
                           "the Tab after the keys did not move on")
        harness.answered()
        self.assertIsNone(harness.window_of(harness.MENU_TITLE))
        self.assertIsNone(harness.window_of(MAGNET_TITLE))

        self.ui.search("ABC")
        harness.wait_search_done(self.site, "ABC", len(self.rows))
        self.ui.click(self.ui.row_point(2))
        harness.read_when(lambda n: current_row(n)[0] == 2, "the click did not make row 2 current")
        # The mouse rests far from the rows: the menu opens at the row all the same.
        harness.mouse("mousemove", *self.ui.at((300, 498)))
        nodes = self.move_to(["Down"], 3, "Down did not move to row 3")
        item = current_row(nodes)[1]
        self.assertIn(self.rows[2]["kind"], ("yunbo", "hash"))

        self.press("Menu")
        menu = harness.wait_until(lambda: harness.window_of(harness.MENU_TITLE), "the Apps key opened no menu")
        x, y, w, h = item["loc"]
        self.assertLessEqual(abs(menu[0] - x), 1, (menu, item["loc"]))
        self.assertLessEqual(abs(menu[1] - (y + h)), 1, (menu, item["loc"]))
        dx, dy = harness.scaled(MENU_ITEM_OFFSET)
        harness.mouse("mousemove", menu[0] + dx, menu[1] + dy + harness.scaled(harness.ROW_HEIGHT) * (COPY - 1),
                      "click", 1)
        harness.wait_until(lambda: harness.window_gone(harness.MENU_TITLE), "the menu stayed open")
        self.ui.close_box(MAGNET_TITLE)
        self.assertEqual(harness.clipboard_text(), self.rows[2]["expect"]["magnet"])

        # Shift+F10 opens it at the next row; Escape closes it and the keys go on to the list.
        nodes = self.move_to(["Down"], 4, "Down did not move to row 4")
        item = current_row(nodes)[1]
        self.press("shift+F10")
        menu = harness.wait_until(lambda: harness.window_of(harness.MENU_TITLE), "Shift+F10 opened no menu")
        self.assertLessEqual(abs(menu[1] - (item["loc"][1] + item["loc"][3])), 1, (menu, item["loc"]))
        self.press("Escape")
        harness.wait_until(lambda: harness.window_gone(harness.MENU_TITLE), "Escape left the menu open")

        # Ctrl+C: the copy item's path, its box and its one detail request for a row without a link.
        entry = next(e for e in self.rows[4:] if e["kind"] == "yunbo")
        row = self.rows.index(entry) + 1
        self.move_to(["Down"] * (row - 4), row, "Down did not reach row %d" % row)
        details = len(self.site.details())
        self.press("ctrl+c")
        self.ui.close_box(MAGNET_TITLE)
        self.assertEqual(harness.clipboard_text(), entry["expect"]["magnet"])
        self.assertEqual(self.site.details()[details:], [entry["expect"]["detail_path"]])


if __name__ == "__main__":
    unittest.main()
