"""Quarvel as a screen reader or a UI automation script reads it from another process: the
window's accessible tree (acctool, through AccessibleObjectFromWindow), default actions that
do what a click does, the edit box's context menu and a toolkit message box."""

import os
import subprocess
import unittest
import urllib.parse

import harness
from harness import ROLE, STATE_SELECTED, STATE_UNAVAILABLE, children, find

BOXSHOW = os.path.join(harness.TOOLS, "boxshow.exe")
BOX_TITLE = "\u63d0\u793a\uff1a"
TERM = "\u5b57\u5e55"


def tree(title=harness.CAPTION):
    nodes = harness.tree(title)
    if nodes is None:
        raise AssertionError("the accessible tree of %r could not be read" % title)
    return nodes


class AccessibilityTest(unittest.TestCase):
    def setUp(self):
        self.site, self.app, self.ui = harness.start(self)

    @harness.also_under_codepage(1252)
    def test_start_up_reads_the_tabs_search_box_and_button(self):
        nodes = tree()
        self.assertEqual(nodes[""]["name"], harness.CAPTION)
        buttons = [n["name"] for n in children(nodes) if n["role"] == ROLE["pushbutton"]]
        self.assertEqual([b for b in buttons if "(" in b], [t + "(0)" for t in harness.TAB_NAMES])
        search = find(nodes, "pushbutton", harness.SEARCH_CAPTION)
        self.assertIsNotNone(search)
        self.assertEqual(search["action"], "press")
        box = find(nodes, "text")
        self.assertEqual((box["value"], box["loc"][:2]), ("", [self.ui.x + 56, self.ui.y + 36]))
        self.assertEqual(find(nodes, "list")["count"], 0)
        # Title-bar buttons with their standard role; the client area answers hit tests.
        self.assertIsNotNone(find(nodes, "pushbutton", "\u5173\u95ed"))
        code, hit = harness.acctool("hit", harness.CAPTION, "480", "47")
        self.assertEqual((code, hit[0]["name"]), (0, harness.SEARCH_CAPTION))

    @harness.also_under_codepage(1252)
    def test_search_by_default_action_fills_tabs_and_rows(self):
        self.ui.paste_term(TERM)
        path = find(tree(), "pushbutton", harness.SEARCH_CAPTION)["path"]
        self.assertEqual(harness.acctool("action", harness.CAPTION, path)[0], 0)
        quoted = urllib.parse.quote(TERM)
        harness.wait_until(lambda: any("s=" + quoted in p for p in self.site.paths()),
                           "the search request in the site's log")

        expected = [e["expect"] for e in harness.catalogue(TERM)]
        total = "%s(%d)" % (harness.TAB_NAMES[0], len(expected))
        nodes = harness.read_when(lambda n: find(n, "list")["count"] >= len(expected) and
                                  find(n, "pushbutton", total), total)
        counts = [int(t[t.index("(") + 1:-1]) for t in harness.tab_captions(nodes)]
        self.assertEqual((harness.tab_captions(nodes)[0], sum(counts[1:]) >= 1), (total, True))

        rows = harness.visible_rows(nodes)
        self.assertEqual(len(rows), len(expected))
        for number, (row, want) in enumerate(zip(rows, expected), 1):
            self.assertEqual(row, [str(number), want["title"], want["size"], want["format"]])

        # Selecting a row through accSelect moves the list's selection.
        list_path = find(nodes, "list")["path"]
        self.assertEqual(harness.acctool("select", harness.CAPTION, list_path + ".3", "3")[0], 0)
        nodes = harness.read_when(lambda n: n[list_path + ".3"]["state"] & STATE_SELECTED, "row 3 selected")
        self.assertFalse(nodes[list_path + ".2"]["state"] & STATE_SELECTED)
        self.assertTrue(nodes[list_path + ".3"]["name"].startswith("3\t"))

    def test_edit_box_menu_lists_its_items(self):
        self.ui.paste_term("ABC")
        self.ui.click(harness.SEARCH_BOX, 3)
        harness.wait_until(lambda: harness.acctool("tree", harness.MENU_TITLE)[0] == 0, "the menu window")
        nodes = tree(harness.MENU_TITLE)
        self.assertEqual(nodes[""]["role"], ROLE["menupopup"])
        items = children(nodes)
        self.assertEqual([n["role"] for n in items], [ROLE["menuitem"], ROLE["separator"]] + [ROLE["menuitem"]] * 3 +
                         [ROLE["separator"], ROLE["menuitem"]])
        commands = [n for n in items if n["role"] == ROLE["menuitem"]]
        self.assertEqual(len(commands), 5)
        self.assertTrue(all(n["name"] for n in commands))
        # The paste can be undone; nothing is selected: cut and copy are greyed; select all is not.
        self.assertEqual([bool(n["state"] & STATE_UNAVAILABLE) for n in commands], [False, True, True, False, False])
        # Choosing "select all" through its default action closes the menu.
        self.assertEqual(harness.acctool("action", harness.MENU_TITLE, items[6]["path"])[0], 0)
        harness.wait_until(lambda: harness.acctool("tree", harness.MENU_TITLE)[0] == 2, "the menu to close")

    @harness.also_under_codepage(1252)
    def test_message_box_reads_its_text_and_buttons(self):
        text = "\u65e0\u6cd5\u8fde\u63a5\u670d\u52a1\u5668\uff0c\u8bf7\u7a0d\u540e\u518d\u8bd5\u3002"
        box = subprocess.Popen(["wine", BOXSHOW, text], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: box.poll() is None and box.kill())
        harness.wait_until(lambda: harness.acctool("tree", BOX_TITLE)[0] == 0, "the message box")
        nodes = tree(BOX_TITLE)
        self.assertEqual((nodes[""]["role"], nodes[""]["name"]), (ROLE["dialog"], BOX_TITLE))
        self.assertIsNotNone(find(nodes, "statictext", text))
        buttons = [n for n in children(nodes) if n["role"] == ROLE["pushbutton"] and n["name"] != "\u5173\u95ed"]
        self.assertEqual(len(buttons), 1)
        self.assertEqual(harness.acctool("action", BOX_TITLE, buttons[0]["path"])[0], 0)
        self.assertEqual(box.wait(harness.DEADLINE), 0)  # the OK button's result


if __name__ == "__main__":
    unittest.main()
