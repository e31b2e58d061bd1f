"""The real Quarvel.exe under Wine: its main window appears with its caption, size and place,
closing another window of the process leaves it running, and closing the main window ends the
process with exit code 0, even when the close comes while the window is still being built."""

import os
import sys
import unittest

import harness


class MainWindowTest(unittest.TestCase):
    def setUp(self):
        harness.require_environment(self)
        self.app = harness.Quarvel()
        self.addCleanup(self.app.end)

    @harness.also_under_codepage(1252)
    def test_window_caption_size_place_and_close(self):
        x, y, w, h, _, _, cw, ch, _ = self.app.window()
        self.assertEqual((w, h), (610, 515))
        sw, sh = harness.screen_size()
        self.assertEqual((x, y), (int(sw / 2 - 300), int(sh / 2 - 300)))

        # X sees the same window under the same caption (Wine maps the client area, which is
        # the whole window once the skin draws its own frame).
        ids = harness.x_windows_named(harness.CAPTION.strip())
        self.assertTrue(ids, "no X window named %r" % harness.CAPTION)
        sizes = [harness.x_geometry(i)[2:] for i in ids]
        self.assertIn((cw, ch), sizes)

        # WM_CLOSE to the process's other top-level windows does not end it: the window still
        # takes typing afterwards (keys come after the posted closes).
        code, _ = harness.wintool("close-others", harness.CAPTION)
        self.assertEqual(code, 0)
        harness.Driver(x, y).type_term("x")
        self.assertTrue(self.app.alive(), "closing another window ended the process")

        # WM_CLOSE to the main window ends the process, exit code 0.
        code, _ = harness.wintool("close", harness.CAPTION)
        self.assertEqual(code, 0)
        self.assertEqual(self.app.wait_exit(), 0)


class NoGdiPlusTest(unittest.TestCase):
    def test_without_gdiplus_the_system_box_says_why_and_the_process_ends_with_its_code(self):
        """Wine told not to load gdiplus.dll: no skinned window can draw, so the system's own box
        says why, and closing it ends the process with exit code 4."""
        harness.require_environment(self)
        overrides = os.environ.get("WINEDLLOVERRIDES", "")
        app = harness.Quarvel(env={"WINEDLLOVERRIDES": (overrides + ";" if overrides else "") + "gdiplus="})
        self.addCleanup(app.end)
        harness.wait_until(lambda: harness.window_of("Quarvel"), "no system box titled Quarvel")
        self.assertIsNone(harness.window_of(harness.CAPTION), "a main window without GDI+")
        code, _ = harness.wintool("close", "Quarvel")
        self.assertEqual(code, 0)
        self.assertEqual(app.wait_exit(), 4)


class EarlyCloseTest(unittest.TestCase):
    STARTS = 20

    def test_close_at_the_first_moment_ends_every_start(self):
        """A close posted the moment the window exists, while it is still being built, ends the
        process as any later close does: none lives on without its window."""
        harness.require_environment(self)
        early = 0
        for start in range(self.STARTS):
            code, out = harness.wintool("start-close", harness.windows_path(harness.EXE), harness.CAPTION,
                                        str(int(harness.DEADLINE * 1000)), timeout=3 * harness.DEADLINE)
            self.assertEqual(code, 0, "start %d: %s" % (start, out.replace("\n", ", ")))
            early += out == "closed 0"
        # The race was run: closes came before the window was built and shown.
        sys.stderr.write("%d of %d closes came before the window was shown\n" % (early, self.STARTS))
        self.assertGreater(early, 0, "every close came after the window was shown")


if __name__ == "__main__":
    unittest.main()
