"""A search run as a user meets it in the real program: it keeps the term it was started with,
a press that stops it ends it while the site still holds the page on its way, and a row whose
page could not be had says the site failed, not the resource."""

import unittest

import harness
from harness import COPY, MAGNET_TITLE, NO_RESOURCE_TITLE, THUNDER

STOPPED = "\u641c\u7d22\u5df2\u505c\u6b62"  # 搜索已停止
REFUSED = "\u65e0\u6cd5\u8fde\u63a5\u5230\u641c\u7d22\u7ad9\u70b9\uff1a\u8fde\u63a5\u88ab\u62d2\u7edd"  # 无法连接到搜索站点：连接被拒绝
CUT_SHORT = "\u641c\u7d22\u4e2d\u65ad\uff1a"  # 搜索中断：
CUT_SHORT_500 = CUT_SHORT + "\u7ad9\u70b9\u8fd4\u56de\u4e86 HTTP \u72b6\u6001 500"
HELD_SECONDS = 300  # far past the one deadline of every wait: a stop that waited for it fails the wait


def line_of(nodes):
    found = harness.find(nodes, "list")
    if found is None or harness.visible_rows(nodes):
        return None
    return found.get("description")


def box_text(title):
    nodes = harness.read_when(lambda n: harness.find(n, "statictext") is not None, "box %r has no text" % title,
                              title=title)
    return harness.find(nodes, "statictext")["name"]


class TermKeptTest(unittest.TestCase):
    def setUp(self):
        self.site, self.app, self.ui = harness.start(self, "--search-delay-ms", "400")

    def test_typing_during_a_run_changes_nothing_until_the_next_press(self):
        rows = harness.catalogue("ABC")
        self.ui.search("ABC")
        harness.wait_until(lambda: self.site.searches("ABC"), "the run did not start")
        self.ui.type_term("EDGE")  # while the run goes on
        nodes = harness.wait_search_done(self.site, "ABC", len(rows))
        self.assertEqual(len(harness.visible_rows(nodes)), len(rows))
        self.assertEqual(self.site.searches("EDGE"), [], "the run asked for the new term")
        pages = ["/ajax/search_next?s=ABC&p=%d" % p for p in range(1, (len(rows) + 9) // 10 + 2)]
        self.assertEqual(self.site.searches("ABC"), pages)
        # The next press searches for what the box holds.
        self.ui.press_search()
        harness.wait_search_done(self.site, "EDGE", len(harness.catalogue("EDGE")))


class CategoryKeepsUpTest(unittest.TestCase):
    def setUp(self):
        self.site, self.app, self.ui = harness.start(self, "--search-delay-ms", "400")

    def video_tab_holds(self, term):
        want = len([e for e in harness.catalogue(term) if "1" in e["expect"]["codes"]])
        caption = "%s(%d)" % (harness.TAB_NAMES[1], want)
        return harness.read_when(lambda n: caption in harness.tab_captions(n) and harness.run_ended(n) and
                                 len(harness.visible_rows(n)) == want,
                                 "the video tab's list does not hold the %d rows its caption counts" % want)

    def test_a_category_opened_during_a_run_holds_what_its_caption_counts(self):
        self.ui.search("ABC")
        harness.read_when(lambda n: harness.visible_rows(n), "no row of the first page")
        self.ui.click(harness.TABS[1])  # while pages keep coming
        harness.wait_search_done(self.site, "ABC", len(harness.catalogue("ABC")))
        self.video_tab_holds("ABC")
        # A new search while the tab shows: its list empties and takes the new rows.
        self.ui.type_term("EDGE")
        self.ui.press_search()
        harness.wait_until(lambda: self.site.searches("EDGE"), "the new search did not start")
        nodes = self.video_tab_holds("EDGE")
        titles = {e["expect"]["title"] for e in harness.catalogue("EDGE")}
        self.assertTrue(all(r[1] in titles for r in harness.visible_rows(nodes)), "rows of the old search stayed")


class CutShortTest(unittest.TestCase):
    def setUp(self):
        self.site, self.app, self.ui = harness.start(self)

    def test_a_run_cut_short_says_so_below_its_rows_until_the_next_search(self):
        self.ui.search("fault-500")  # page 2 answers 500
        nodes = harness.read_when(lambda n: harness.run_ended(n) and len(harness.visible_rows(n)) == 10,
                                  "the run did not end with page 1's rows")
        self.assertEqual(harness.find(nodes, "list").get("description"), CUT_SHORT_500)
        # The next run, ending normally, has no such line.
        self.ui.search("ABC")
        nodes = harness.wait_search_done(self.site, "ABC", len(harness.catalogue("ABC")))
        self.assertNotEqual(harness.find(nodes, "list").get("description"), CUT_SHORT_500)
        self.assertFalse(harness.find(nodes, "list").get("description", "").startswith(CUT_SHORT))


class StopAtOnceTest(unittest.TestCase):
    def setUp(self):
        self.site, self.app, self.ui = harness.start(self, "--slow-seconds", str(HELD_SECONDS))

    def test_a_stop_ends_the_run_while_the_site_holds_its_page(self):
        self.ui.search("fault-slow")
        harness.wait_until(lambda: "/ajax/search_next?s=fault-slow&p=2" in self.site.paths(), "page 2 not asked for")
        harness.read_when(lambda n: len(harness.visible_rows(n)) == 10, "page 1's rows")
        self.ui.press_search()
        # The site holds page 2 for longer than this wait: the line shows while it is held.
        nodes = harness.read_when(lambda n: line_of(n) == STOPPED and harness.run_ended(n),
                                  "the stop waited for the page on its way")
        self.assertEqual(harness.visible_rows(nodes), [])
        # A new run starts at once beside the abandoned exchange.
        self.ui.type_term("ABC")
        self.ui.press_search()
        harness.wait_search_done(self.site, "ABC", len(harness.catalogue("ABC")))


class FailureBoxesTest(unittest.TestCase):
    def setUp(self):
        self.site, self.app, self.ui = harness.start(self)

    def test_a_missing_resource_and_an_unreachable_site_say_different_things(self):
        self.ui.search("EDGE")
        harness.wait_search_done(self.site, "EDGE", len(harness.catalogue("EDGE")))
        kinds = [e["kind"] for e in harness.catalogue("EDGE")]
        # No link on the page: the no-resource box, from the copy item and the download items alike.
        nolink = kinds.index("nolink") + 1
        for item in (COPY, THUNDER):
            self.ui.choose(nolink, item)
            self.ui.close_box(NO_RESOURCE_TITLE)
        # The site gone: the row's page could not be had, and the box says why.
        self.site.stop()
        self.ui.choose(kinds.index("nohash") + 1, COPY)
        harness.wait_until(lambda: harness.window_of(MAGNET_TITLE), "no box for the unreachable site")
        self.assertEqual(box_text(MAGNET_TITLE), REFUSED)
        self.ui.close_box(MAGNET_TITLE)
        self.assertIsNone(harness.window_of(NO_RESOURCE_TITLE))


if __name__ == "__main__":
    unittest.main()
