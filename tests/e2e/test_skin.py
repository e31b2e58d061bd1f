"""The skinned main window as a user meets it: the skin background, a readable caption, the
title-bar buttons that close and minimise, and dragging by the background."""

import os
import tempfile
import unittest

import harness

BACKGROUND = os.path.join(harness.SOURCE_DIR, "src", "resources", "window_background.jpg")
# Title-bar buttons of a 610-pixel-wide window: close 39 wide at x 565, minimise 28 wide at 537.
CLOSE_BUTTON = (584, 16)
MINIMISE_BUTTON = (551, 16)
EMPTY_BACKGROUND = (560, 70)  # right of the tabs, below the title bar: no control there
# Points where no control covers the skin, which is stretched over the frame rectangle
# (5, 5, w - 10, h - 10).
SKIN_POINTS = [(540, 45), (560, 70), (600, 300), (10, 495)]


class SkinTest(unittest.TestCase):
    def setUp(self):
        harness.require_environment(self)
        self.app = harness.Quarvel()
        self.addCleanup(self.app.end)
        self.x, self.y, self.w, self.h = self.app.window()[:4]
        self.ui = harness.Driver(self.x, self.y)

    def test_screenshot_shows_the_stretched_skin_and_a_readable_caption(self):
        shot = os.path.join(tempfile.mkdtemp(), "skin.png")
        expected = harness.pixels(BACKGROUND, [(px - 5, py - 5) for px, py in SKIN_POINTS],
                                  resize=(self.w - 10, self.h - 10))

        def skin_shown():  # once the opening fade has ended
            harness.screenshot(shot, self.x, self.y, self.w, self.h)
            seen = harness.pixels(shot, SKIN_POINTS)
            return all(harness.close_enough(got, want) for got, want in zip(seen, expected))
        harness.wait_until(skin_shown, "the skin is not where the background should show: see %s" % shot)

        # The caption: light text on the dark title band, both present in the caption area.
        band = harness.pixels(shot, [(x, y) for x in range(30, 110, 2) for y in range(11, 25)])
        light = sum(1 for p in band if min(p) > 200)
        dark = sum(1 for p in band if sum(p) < 400)  # the deep teal band
        self.assertGreater(light, 15, "no caption text drawn")
        self.assertGreater(dark, 200, "no dark title band behind the caption")

    def test_close_button_ends_the_process(self):
        self.ui.click(CLOSE_BUTTON)
        self.assertEqual(self.app.wait_exit(), 0)

    def test_minimise_button_iconifies(self):
        self.ui.click(MINIMISE_BUTTON)
        harness.wait_until(lambda: (harness.window_of(harness.CAPTION) or (0,) * 9)[8] == 1,
                           "window is not iconic after the minimise click")
        self.assertTrue(self.app.alive())

    def test_dragging_the_background_moves_the_window(self):
        start_x, start_y = self.ui.at(EMPTY_BACKGROUND)
        harness.mouse("mousemove", start_x, start_y, "mousedown", 1)
        for step in range(1, 11):
            harness.mouse("mousemove", start_x + 10 * step, start_y + 5 * step)
        harness.mouse("mouseup", 1)
        moved = (self.x + 100, self.y + 50, 610, 515)
        harness.wait_until(lambda: (harness.window_of(harness.CAPTION) or ())[:4] == moved,
                           "the window is not at %r" % (moved,))


if __name__ == "__main__":
    unittest.main()
