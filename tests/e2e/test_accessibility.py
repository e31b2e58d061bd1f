"""Quarvel as a screen reader or a UI automation script reads it from another process: the
window's accessible tree (acctool, through AccessibleObjectFromWindow), default actions that
do what a click does, the edit box's context menu and a toolkit message box."""

import json
import os
import subprocess
import tempfile
import time
import unittest
import urllib.parse

import harness

ACCTOOL = os.path.join(harness.BUILD_DIR, "tools", "acctool.exe")
BOXSHOW = os.path.join(harness.BUILD_DIR, "tools", "boxshow.exe")
SITE = os.path.join(harness.SOURCE_DIR, "site")
MENU_TITLE = "Tessel_DirectUI_Menu"
BOX_TITLE = "提示："
ROLE = {"menupopup": 11, "dialog": 18, "text": 42, "pushbutton": 43, "list": 33, "listitem": 34,
        "menuitem": 12, "separator": 21, "statictext": 41}
STATE_UNAVAILABLE, STATE_SELECTED, STATE_FOCUSED = 0x1, 0x2, 0x4
TABS = ["全部", "视频", "音频", "图片", "压缩包"]
TERM = "字幕"


def acctool(*args, timeout=30):
    done = subprocess.run(["wine", ACCTOOL, *args], capture_output=True, timeout=timeout)
    lines = done.stdout.decode("utf-8", "replace").splitlines()
    return done.returncode, [json.loads(line) for line in lines if line.startswith("{")]


def tree(title=harness.CAPTION):
    """{path: node} of the window's client area ("" is the client area itself)."""
    code, nodes = acctool("tree", title)
    if code != 0:
        raise AssertionError("acctool tree %r failed: %r %r" % (title, code, nodes))
    return {n["path"]: n for n in nodes}


def children(nodes, path):
    prefix = path + "." if path else ""
    found = [p for p in nodes if p.startswith(prefix) and p != path and "." not in p[len(prefix):]]
    return [nodes[p] for p in sorted(found, key=lambda p: int(p[len(prefix):]))]


def find(nodes, role, name=None, parent=""):
    for node in children(nodes, parent):
        if node["role"] == ROLE[role] and (name is None or node["name"] == name):
            return node
    return None


def wait_for(condition, timeout, what):
    return harness.wait_until(condition, timeout, "timed out waiting for " + what)


class AccessibilityTest(unittest.TestCase):
    def setUp(self):
        harness.require_environment(self)
        self.assertTrue(os.path.isfile(ACCTOOL), "acctool.exe not built")
        self.site = harness.Site(tempfile.mkdtemp())
        self.addCleanup(self.site.stop)
        self.log = self.site.log
        self.app = harness.Quarvel()
        self.addCleanup(self.app.end)
        self.x, self.y = self.app.window_info()[:2]
        time.sleep(1.0)

    def paste_into_search_box(self, text):
        """Pastes through the X clipboard with Ctrl+V until the box holds the text: Wine takes
        the new selection owner over a moment after xclip has it."""
        for _ in range(3):
            # xclip stays behind to serve the selection: it must not hold this process's output.
            subprocess.run(["xclip", "-selection", "clipboard"], input=text.encode("utf-8"), check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            time.sleep(0.5)
            harness.mouse("mousemove", self.x + 200, self.y + 47, "click", 1)
            time.sleep(0.3)
            harness.mouse("key", "ctrl+a", "ctrl+v")
            deadline = time.time() + 5
            while time.time() < deadline:
                box = find(tree(), "text")
                if box and box["value"] == text:
                    return
                time.sleep(0.2)
        self.fail("the pasted text %r never reached the search box" % text)

    def test_start_up_reads_the_tabs_search_box_and_button(self):
        nodes = tree()
        self.assertEqual(nodes[""]["name"], harness.CAPTION)
        buttons = [n["name"] for n in children(nodes, "") if n["role"] == ROLE["pushbutton"]]
        self.assertEqual([b for b in buttons if "(" in b], [t + "(0)" for t in TABS])
        search = find(nodes, "pushbutton", "搜索")
        self.assertIsNotNone(search)
        self.assertEqual(search["action"], "press")
        box = find(nodes, "text")
        self.assertEqual((box["value"], box["loc"][:2]), ("", [self.x + 56, self.y + 36]))
        self.assertEqual(find(nodes, "list")["count"], 0)
        # Title-bar buttons with their standard role; the client area answers hit tests.
        self.assertIsNotNone(find(nodes, "pushbutton", "关闭"))
        code, hit = acctool("hit", harness.CAPTION, "480", "47")
        self.assertEqual((code, hit[0]["name"]), (0, "搜索"))

    def test_search_by_default_action_fills_tabs_and_rows(self):
        self.paste_into_search_box(TERM)
        box = wait_for(lambda: (lambda b: b if b and b["value"] == TERM else None)(find(tree(), "text")), 10,
                       "the typed term in the edit box's value")
        self.assertEqual(box["value"], TERM)

        nodes = tree()
        path = find(nodes, "pushbutton", "搜索")["path"]
        self.assertEqual(acctool("action", harness.CAPTION, path)[0], 0)
        quoted = urllib.parse.quote(TERM)
        def logged():
            if not os.path.exists(self.log):
                return False
            with open(self.log, encoding="utf-8") as f:
                return "s=" + quoted in f.read()
        wait_for(logged, 15, "the search request in the site's log")

        with open(os.path.join(SITE, "catalogue.json"), encoding="utf-8") as f:
            expected = [e["expect"] for e in json.load(f)["entries"] if TERM in e["title"]]
        total = "全部(%d)" % len(expected)
        nodes = wait_for(lambda: (lambda n: n if find(n, "list")["count"] >= len(expected) and
                                  find(n, "pushbutton", total) else None)(tree()), 40, total)
        tabs = [n["name"] for n in children(nodes, "") if n["role"] == ROLE["pushbutton"] and "(" in n["name"]]
        counts = [int(t[t.index("(") + 1:-1]) for t in tabs]
        self.assertEqual((tabs[0], sum(counts[1:]) >= 1), (total, True))

        rows = [n for n in children(nodes, find(nodes, "list")["path"]) if n["role"] == ROLE["listitem"]]
        self.assertEqual(len(rows), len(expected))
        for number, (row, want) in enumerate(zip(rows, expected), 1):
            self.assertEqual(row["name"].split("\t"), [str(number), want["title"], want["size"], want["format"]])

        # Selecting a row through accSelect moves the list's selection.
        list_path = find(nodes, "list")["path"]
        self.assertEqual(acctool("select", harness.CAPTION, list_path + ".3", "3")[0], 0)
        row = wait_for(lambda: (lambda r: r if r["state"] & STATE_SELECTED else None)(tree()[list_path + ".3"]), 5,
                       "row 3 selected")
        self.assertFalse(tree()[list_path + ".2"]["state"] & STATE_SELECTED)
        self.assertTrue(row["name"].startswith("3\t"))

    def test_edit_box_menu_lists_its_items(self):
        # The result list's own menu is not built yet; the edit box's menu has the same shape.
        self.paste_into_search_box("ABC")
        harness.mouse("mousemove", self.x + 200, self.y + 47, "click", 3)
        wait_for(lambda: acctool("tree", MENU_TITLE)[0] == 0, 10, "the menu window")
        nodes = tree(MENU_TITLE)
        self.assertEqual(nodes[""]["role"], ROLE["menupopup"])
        items = children(nodes, "")
        self.assertEqual([n["role"] for n in items], [ROLE["menuitem"]] * 3 + [ROLE["separator"], ROLE["menuitem"]])
        commands = [n for n in items if n["role"] == ROLE["menuitem"]]
        self.assertEqual(len(commands), 4)
        self.assertTrue(all(n["name"] for n in commands))
        # Nothing is selected: cut and copy are greyed; select all is not.
        self.assertEqual([bool(n["state"] & STATE_UNAVAILABLE) for n in commands], [True, True, False, False])
        # Choosing "select all" through its default action closes the menu.
        self.assertEqual(acctool("action", MENU_TITLE, items[4]["path"])[0], 0)
        wait_for(lambda: acctool("tree", MENU_TITLE)[0] == 2, 10, "the menu to close")

    def test_message_box_reads_its_text_and_buttons(self):
        text = "无法连接服务器，请稍后再试。"
        box = subprocess.Popen(["wine", BOXSHOW, text], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: box.poll() is None and box.kill())
        wait_for(lambda: acctool("tree", BOX_TITLE)[0] == 0, 20, "the message box")
        nodes = tree(BOX_TITLE)
        self.assertEqual((nodes[""]["role"], nodes[""]["name"]), (ROLE["dialog"], BOX_TITLE))
        self.assertIsNotNone(find(nodes, "statictext", text))
        buttons = [n for n in children(nodes, "") if n["role"] == ROLE["pushbutton"] and n["name"] != "关闭"]
        self.assertEqual(len(buttons), 1)
        self.assertEqual(acctool("action", BOX_TITLE, buttons[0]["path"])[0], 0)
        self.assertEqual(box.wait(15), 0)  # the OK button's result


if __name__ == "__main__":
    unittest.main()
