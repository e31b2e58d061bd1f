"""A search as a user runs it in the real Quarvel.exe: a term typed or pasted into the search
box, the search button pressed with the mouse, the pages read from the reference site one
second apart (seen in its request log), and the window closed in the middle of a run."""

import unittest

import harness


class Session(unittest.TestCase):
    site_switches = ()

    def setUp(self):
        self.site, self.app, self.ui = harness.start(self, *self.site_switches)


class SearchTest(Session):
    def test_typed_term_pages_one_second_apart_with_the_program_headers(self):
        self.ui.search("ABC")
        harness.wait_search_done(self.site, "ABC", len(harness.catalogue("ABC")))
        # A press once the run has ended starts the next one: the first asked for nothing more.
        self.ui.press_search()
        harness.wait_until(lambda: self.site.searches("ABC").count("/ajax/search_next?s=ABC&p=1") == 2,
                           "a second press did not start a new search")
        requests = [r for r in self.site.requests() if r["path"].startswith("/ajax/search_next")]
        first_run = requests[:requests.index(next(r for r in requests[1:] if r["path"].endswith("&p=1")), 1)]
        self.assertEqual([r["path"] for r in first_run], ["/ajax/search_next?s=ABC&p=%d" % p for p in range(1, 6)])
        # The pause between pages, as the site saw the requests arrive.
        gaps = [b["time"] - a["time"] for a, b in zip(first_run, first_run[1:])]
        self.assertTrue(all(gap >= 0.9 for gap in gaps), gaps)
        headers = dict((name, value) for name, value in first_run[0]["headers"])
        self.assertEqual(headers.get("User-Agent"), harness.AGENT)
        self.assertEqual(first_run[0]["method"], "GET")

    @harness.also_under_codepage(1252)
    def test_pasted_chinese_term_is_sent_as_utf8(self):
        # The same characters in, on the wire and back out on any system code page.
        self.ui.paste_term("\u4e2d \u6587")
        self.ui.press_search()
        harness.wait_until(self.site.searches, "no search request")
        self.assertEqual(self.site.searches()[0], "/ajax/search_next?s=%E4%B8%AD%20%E6%96%87&p=1")
        self.assertEqual(self.ui.copy_term(), "\u4e2d \u6587")


class CloseDuringSearchTest(Session):
    # Page 2 of this term takes a minute: the run is waiting for it when the window closes.
    site_switches = ("--slow-seconds", "60")

    def test_closing_during_a_search_ends_the_process_at_once(self):
        self.ui.search("fault-slow")
        harness.wait_until(lambda: len(self.site.searches("fault-slow")) == 2, "page 2 was not asked for")
        code, _ = harness.wintool("close", harness.CAPTION)
        self.assertEqual(code, 0)
        self.assertEqual(self.app.wait_exit(), 0)
        # Ended without waiting for the page: the run never asked for the next one.
        self.assertEqual(self.site.searches("fault-slow"),
                         ["/ajax/search_next?s=fault-slow&p=1", "/ajax/search_next?s=fault-slow&p=2"])


if __name__ == "__main__":
    unittest.main()
