"""The skinned main window as a user meets it: the skin background, a readable caption, the
title-bar buttons that close and minimise, and dragging by the background."""

import os
import tempfile
import time
import unittest

import harness

BACKGROUND = os.path.join(harness.SOURCE_DIR, "src", "resources", "window_background.jpg")
# Title-bar buttons of a 610-pixel-wide window: close 39 wide at x 565, minimise 28 wide at 537.
CLOSE_BUTTON = (584, 16)
MINIMISE_BUTTON = (551, 16)
EMPTY_BACKGROUND = (560, 70)  # right of the tabs, below the title bar: no control there


def close_enough(a, b, tolerance=28):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


class SkinTest(unittest.TestCase):
    def setUp(self):
        harness.require_environment(self)
        self.app = harness.Quarvel()
        self.addCleanup(self.app.end)
        self.x, self.y, self.w, self.h = self.app.window_info()[:4]
        time.sleep(1.0)  # let the show effect finish

    def test_screenshot_shows_the_stretched_skin_and_a_readable_caption(self):
        shot = os.path.join(tempfile.mkdtemp(), "skin.png")
        harness.screenshot(shot, self.x, self.y, self.w, self.h)
        # The background is stretched over the frame rectangle (5, 5, w - 10, h - 10).
        # Points where no control covers the skin.
        points = [(540, 45), (560, 70), (600, 300), (10, 495)]
        seen = harness.pixels(shot, points)
        frame = [(px - 5, py - 5) for px, py in points]
        expected = harness.pixels(BACKGROUND, frame, resize=(self.w - 10, self.h - 10))
        for point, got, want in zip(points, seen, expected):
            self.assertTrue(close_enough(got, want), "pixel %s is %s, the skin has %s" % (point, got, want))

        # The caption: light text on the dark title band, both present in the caption area.
        band = harness.pixels(shot, [(x, y) for x in range(30, 110, 2) for y in range(11, 25)])
        light = sum(1 for p in band if min(p) > 200)
        dark = sum(1 for p in band if sum(p) < 400)  # the deep teal band
        self.assertGreater(light, 15, "no caption text drawn")
        self.assertGreater(dark, 200, "no dark title band behind the caption")

    def test_close_button_ends_the_process(self):
        harness.mouse("mousemove", self.x + CLOSE_BUTTON[0], self.y + CLOSE_BUTTON[1])
        time.sleep(0.3)
        harness.mouse("click", 1)
        self.assertEqual(self.app.wait_exit(15), 0)

    def test_minimise_button_iconifies(self):
        harness.mouse("mousemove", self.x + MINIMISE_BUTTON[0], self.y + MINIMISE_BUTTON[1])
        time.sleep(0.3)
        harness.mouse("click", 1)
        deadline = time.time() + 10
        while time.time() < deadline:
            info = harness.info()
            if info and info[8] == 1:
                break
            time.sleep(0.3)
        self.assertEqual(harness.info()[8], 1, "window is not iconic after the minimise click")
        self.assertIsNone(self.app.process.poll())

    def test_dragging_the_background_moves_the_window(self):
        start_x, start_y = self.x + EMPTY_BACKGROUND[0], self.y + EMPTY_BACKGROUND[1]
        harness.mouse("mousemove", start_x, start_y)
        time.sleep(0.2)
        harness.mouse("mousedown", 1)
        for step in range(1, 11):
            harness.mouse("mousemove", start_x + 10 * step, start_y + 5 * step)
            time.sleep(0.05)
        harness.mouse("mouseup", 1)
        time.sleep(0.5)
        x, y = harness.info()[:2]
        self.assertEqual((x, y), (self.x + 100, self.y + 50))
        self.assertEqual(harness.info()[2:4], (610, 515))


if __name__ == "__main__":
    unittest.main()
