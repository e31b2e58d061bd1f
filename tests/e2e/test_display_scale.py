"""The main window at the display scales users run Windows at. The sandbox sets the prefix's
DPI (LogPixels) before the program starts; the window and everything in it take that scale,
while at 96 DPI the window is what it always was, pixel for pixel."""

import os
import shutil
import tempfile
import unittest

import harness
from harness import ROLE, STATE_SELECTED, children, find, scaled

# The main window at 96 DPI right after start-up, as the program drew it before it scaled.
REFERENCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "screens", "main_window_96dpi.png")
BACKGROUND = os.path.join(harness.SOURCE_DIR, "src", "resources", "window_background.jpg")
LAYOUT_SIZE = (610, 515)
SIZE_SLACK = 2
# Places where only the skin shows (the skin is stretched over the frame rectangle 5, 5,
# w - 10, h - 10), near every corner: a window cut short misses some of them.
SKIN_POINTS = [(540, 45), (560, 70), (600, 300), (10, 495), (20, 40)]
CAPTION_BAND = (30, 11, 110, 25)  # left, top, right, bottom of the caption's text
TERM = "ABC"


def tree():
    nodes = harness.tree()
    if nodes is None:
        raise AssertionError("the accessible tree could not be read")
    return nodes


class DisplayScaleTest(unittest.TestCase):
    def setUp(self):
        self.site, self.app, self.ui = harness.start(self)
        self.x, self.y, self.w, self.h = self.app.window()[:4]
        self.folder = os.environ.get("QUARVEL_SANDBOX") or tempfile.mkdtemp(prefix="quarvel-scale-")

    def shot(self, name):
        path = os.path.join(self.folder, "%s-%ddpi.png" % (name, harness.DPI))
        harness.screenshot(path, self.x, self.y, self.w, self.h)
        return path

    @harness.also_at_dpi(144, 192)
    def test_outer_size_and_accessible_places_take_the_scale(self):
        want = scaled(LAYOUT_SIZE)
        self.assertLessEqual(abs(self.w - want[0]), SIZE_SLACK, "width %d, not %d" % (self.w, want[0]))
        self.assertLessEqual(abs(self.h - want[1]), SIZE_SLACK, "height %d, not %d" % (self.h, want[1]))
        self.assertEqual(harness.x_geometry(harness.x_windows_named(harness.CAPTION.strip())[0])[2:],
                         (self.w, self.h))

        # Screen rectangles of the tree are device pixels: the search box (56, 36, 399, 23) and
        # the search button (460, 36, 60, 23) where a user sees them.
        nodes = tree()
        for node, place in ((find(nodes, "text"), (56, 36, 399, 23)),
                            (find(nodes, "pushbutton", harness.SEARCH_CAPTION), (460, 36, 60, 23))):
            left, top = scaled(place[:2])
            want = [self.x + left, self.y + top, *scaled(place[2:])]
            self.assertTrue(all(abs(a - b) <= 1 for a, b in zip(node["loc"], want)),
                            "%r is at %r, not %r" % (node["name"], node["loc"], want))
        # A hit test at a screen point finds what is drawn there.
        code, hit = harness.acctool("hit", harness.CAPTION, *map(str, scaled((480, 47))))
        self.assertEqual((code, hit[0]["name"]), (0, harness.SEARCH_CAPTION))

    @harness.also_at_dpi(144, 192)
    def test_a_clicked_search_fills_rows_and_a_clicked_row_is_selected(self):
        nodes = tree()
        self.assertEqual(nodes[""]["name"], harness.CAPTION)
        self.assertEqual(harness.tab_captions(nodes), [t + "(0)" for t in harness.TAB_NAMES])

        # Typing into the box and pressing the button both go through scaled places.
        self.ui.search(TERM)
        expected = harness.catalogue(TERM)
        nodes = harness.wait_search_done(self.site, TERM, len(expected))
        rows = harness.visible_rows(nodes)
        self.assertEqual(rows, [[str(n), e["expect"]["title"], e["expect"]["size"], e["expect"]["format"]]
                                for n, e in enumerate(expected, 1)])

        self.ui.click(self.ui.row_point(3))
        list_path = find(nodes, "list")["path"]
        nodes = harness.read_when(lambda n: n[list_path + ".3"]["state"] & STATE_SELECTED, "row 3 is not selected")
        selected = [n["name"].split("\t")[0] for n in children(nodes, list_path)
                    if n["role"] == ROLE["listitem"] and n["state"] & STATE_SELECTED]
        self.assertEqual(selected, ["3"])

        # The row's screen rectangle holds the point that was clicked.
        left, top, width, height = nodes[list_path + ".3"]["loc"]
        x, y = self.ui.at(self.ui.row_point(3))
        self.assertTrue(left <= x < left + width and top <= y < top + height,
                        "row 3 is at %r; the click was at %r" % ((left, top, width, height), (x, y)))

    @harness.also_at_dpi(144, 192)
    def test_screenshot_shows_the_skin_and_a_sharp_caption_at_the_scale(self):
        points = [scaled(p) for p in SKIN_POINTS]
        frame = scaled(5)
        expected = harness.pixels(BACKGROUND, [(px - frame, py - frame) for px, py in points],
                                  resize=(self.w - 2 * frame, self.h - 2 * frame))
        shot = None

        def skin_shown():  # once the opening fade has ended
            nonlocal shot
            shot = self.shot("main")
            seen = harness.pixels(shot, points)
            return all(harness.close_enough(got, want) for got, want in zip(seen, expected))
        harness.wait_until(skin_shown, "the skin is not where the background should show: see %s" % self.folder)

        # The caption: light text on the dark title band, as much of it as the scale gives.
        left, top, right, bottom = scaled(CAPTION_BAND)
        band = harness.pixels(shot, [(x, y) for x in range(left, right, 2) for y in range(top, bottom)])
        light = sum(1 for p in band if min(p) > 200)
        dark = sum(1 for p in band if sum(p) < 400)
        self.assertGreater(light, scaled(scaled(15)), "no caption text drawn: see %s" % shot)
        self.assertGreater(dark, scaled(scaled(200)), "no dark title band behind the caption: see %s" % shot)

    def test_at_96_dpi_the_window_is_drawn_as_before_it_scaled(self):
        self.assertEqual(harness.DPI, 96)
        notice = range(*harness.NOTICE_BAND)  # the notice scrolls through its band
        apart = None

        def same_as_before():
            nonlocal apart
            apart = harness.pixels_apart(REFERENCE, self.shot("main"), skip_rows=notice)
            return apart == []
        try:
            harness.wait_until(same_as_before, "the window differs from how it was drawn", timeout=30)
        except AssertionError:
            kept = shutil.copy(os.path.join(self.folder, "main-96dpi.png"), self.folder + "/differs.png")
            self.fail("%s pixels differ beyond %d, first %r; see %s" %
                      ("all" if apart is None else len(apart), harness.PIXEL_TOLERANCE, (apart or [])[:5], kept))


if __name__ == "__main__":
    unittest.main()
