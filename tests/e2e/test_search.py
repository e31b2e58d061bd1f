"""A search as a user runs it in the real Quarvel.exe: a term typed or pasted into the search
box, the search button pressed with the mouse, the pages read from the reference site one
second apart (seen in its request log), and the window closed in the middle of a run."""

import subprocess
import tempfile
import time
import unittest

import harness

SEARCH_BOX = (200, 47)
SEARCH_BUTTON = (490, 47)
AGENT = ("Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1; Vorla; .NET CLR 2.0.50727; .NET CLR 3.0.04506.648; "
         ".NET CLR 3.5.21022)")


class SearchTest(unittest.TestCase):
    def setUp(self):
        harness.require_environment(self)
        self.site = harness.Site(tempfile.mkdtemp())
        self.addCleanup(self.site.stop)
        self.app = harness.Quarvel()
        self.addCleanup(self.app.end)
        self.x, self.y = self.app.window_info()[:2]
        time.sleep(1.0)

    def searches(self):
        """Every result-page request so far, as the site logged it."""
        return [r for r in self.site.requests() if r["path"].startswith("/ajax/search_next")]

    def wait_for(self, condition, timeout=15):
        try:
            return harness.wait_until(condition, timeout, "", step=0.05)
        except AssertionError:
            return False

    def click(self, point):
        harness.mouse("mousemove", self.x + point[0], self.y + point[1], "click", 1)

    def test_typed_term_pages_one_second_apart_with_the_program_headers(self):
        self.click(SEARCH_BOX)
        harness.mouse("type", "--delay", 30, "ABC")
        self.click(SEARCH_BUTTON)
        self.assertTrue(self.wait_for(lambda: len(self.searches()) >= 1))
        first = time.time()
        self.assertTrue(self.wait_for(lambda: len(self.searches()) >= 2))
        self.assertGreaterEqual(time.time() - first, 0.8)
        self.assertTrue(self.wait_for(lambda: len(self.searches()) >= 5, 20))
        time.sleep(1.5)
        requests = self.searches()
        self.assertEqual([r["path"] for r in requests],
                         ["/ajax/search_next?s=ABC&p=%d" % p for p in range(1, 6)])
        headers = dict((name, value) for name, value in requests[0]["headers"])
        self.assertEqual(headers.get("User-Agent"), AGENT)
        self.assertEqual(requests[0]["method"], "GET")

    def test_pasted_chinese_term_is_sent_as_utf8(self):
        # xclip stays behind to serve the selection: it must not hold the test's output open.
        subprocess.run(["xclip", "-selection", "clipboard"], input="\u4e2d \u6587".encode("utf-8"), check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(1.0)  # Wine takes the new selection owner over a moment later
        self.click(SEARCH_BOX)
        time.sleep(0.3)
        harness.mouse("key", "ctrl+v")
        time.sleep(0.3)
        self.click(SEARCH_BUTTON)
        self.assertTrue(self.wait_for(lambda: len(self.searches()) >= 1))
        self.assertEqual(self.searches()[0]["path"], "/ajax/search_next?s=%E4%B8%AD%20%E6%96%87&p=1")

    def test_closing_during_a_search_ends_the_process_at_once(self):
        self.click(SEARCH_BUTTON)  # the empty term matches every entry: many pages
        self.assertTrue(self.wait_for(lambda: len(self.searches()) >= 2))
        code, _ = harness.wintool("close", harness.CAPTION)
        closed = time.time()
        self.assertEqual(code, 0)
        self.assertEqual(self.app.wait_exit(5), 0)
        self.assertLess(time.time() - closed, 1.0)
        asked = len(self.searches())
        time.sleep(1.5)
        self.assertEqual(len(self.searches()), asked, "a request went out after the close")


if __name__ == "__main__":
    unittest.main()
