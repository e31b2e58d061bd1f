"""The real Quarvel.exe against every fault the reference site can serve: a connection reset
mid-page, a dropped page, a 500 answer, a page twenty seconds late, a 10 MB page, binary
garbage, a 20 KB header block, an endless redirect chain, a probe without rows, rows without
field markers, detail pages that never end and a 1 MB update file. The process lives on
without a crash report, the window keeps answering while the worker waits and while the user
waits for a detail page (taking no clicks meanwhile), a second press still stops a run, and the
rows read before a fault stay as they were."""

import os
import sys
import tempfile
import threading
import unittest

import harness

SLOW_SECONDS = 20
ENDLESS_SECONDS = 8
DEFAULT_NOTICE = "\u6b22\u8fce\u4f7f\u7528 Quarvel\uff01\u8f93\u5165\u5173\u952e\u8bcd\u6216\u7f16\u53f7\u5373\u53ef" \
                 "\u641c\u7d22\u8d44\u6e90\u3002\u672c\u7ad9\u4e3a\u672c\u5730\u53c2\u8003\u7ad9\u70b9\u3002"
FAULT_HASH = "fa0170fa0170fa0170fa0170fa0170fa0170fa01"  # the site's hash on its fault pages
LONG_LINK = 100000  # the length of the long-link fault page's first link
# A message unanswered this long is what Windows itself calls a window that is not responding.
HUNG_MS = 5000
# A window that waits for a detail page answers at once: far sooner than that.
AT_ONCE_MS = 1000
ENDLESS_ROW, SLOW_HEADERS_ROW = 1, 8  # rows of the detail faults under "fault-details"
DETAIL_FAULTS = 8


def ordinary(term, page, count):
    return [[term.upper() + " p%d r%02d" % (page, r), "700 MB", "mp4"] for r in range(1, count + 1)]


class Pinger(threading.Thread):
    """Sends the window a message again and again until stopped; keeps every answer."""

    def __init__(self, limit_ms=HUNG_MS):
        super().__init__(daemon=True)
        self.limit_ms = limit_ms
        self.answers = []
        self.halt = threading.Event()

    def run(self):
        while not self.halt.is_set():
            self.answers.append(harness.ping(harness.CAPTION, self.limit_ms))
            self.halt.wait(0.1)

    def stop(self):
        self.halt.set()
        self.join(harness.DEADLINE)
        return self.answers


class SiteFaultTest(unittest.TestCase):
    def setUp(self):
        self.site, self.app, self.ui = harness.start(
            self, "--slow-seconds", str(SLOW_SECONDS), "--endless-seconds", str(ENDLESS_SECONDS),
            "--update-fault", "big")

    def alive(self, what):
        self.assertTrue(self.app.alive(), what + ": the process ended")
        self.assertEqual(harness.crash_dialogs(), [], what + ": a crash report")

    def answered_throughout(self, what, answers):
        self.assertGreater(len(answers), 0, what)
        self.assertEqual([ms for ok, ms in answers if not ok], [], what + ": the window stopped answering")
        sys.stderr.write("%-16s %2d answers, slowest %.1f ms\n" % (what, len(answers), max(ms for _, ms in answers)))

    def fault(self, term, added, next_page):
        """Searches for a fault term (page 2 faults) while pinging the window; once the run has
        ended, checks the rows and the pages it asked for."""
        pinger = Pinger()
        pinger.start()
        self.ui.search(term)
        harness.wait_until(lambda: any("&p=2" in p for p in self.site.searches(term)), term + ": no page 2")
        nodes = harness.read_when(harness.run_ended, term + ": the run did not end")
        self.answered_throughout(term, pinger.stop())
        self.alive(term)
        rows = harness.visible_rows(nodes)
        self.assertEqual([r[0] for r in rows], [str(n) for n in range(1, len(rows) + 1)])
        self.assertEqual([r[1:] for r in rows[:10]], ordinary(term, 1, 10))
        if callable(added):
            self.assertTrue(added([r[1:] for r in rows[10:]]), rows[10:])
        else:
            self.assertEqual([r[1:] for r in rows[10:]], added)
        # Pages asked for, once each (a redirect chain asks for page 2 again and again).
        pages = sorted({p.split("&p=")[1].split("&")[0] for p in self.site.searches(term)})
        if next_page is None:  # whether the rows before the fault make a page of results
            pages = [p for p in pages if p != "3"]
            next_page = False
        self.assertEqual(pages, ["1", "2", "3"] if next_page else ["1", "2"])

    def test_reset_mid_page_keeps_the_whole_rows_before_it(self):
        # The rows that arrived whole before the reset: a run of page 2's from r01.
        self.fault("fault-reset", lambda rows: len(rows) < 10 and rows == ordinary("fault-reset", 2, len(rows)), None)

    def test_dropped_page_keeps_its_first_rows(self):
        self.fault("fault-drop", ordinary("fault-drop", 2, 5), True)

    def test_server_error_ends_the_run(self):
        self.fault("fault-500", [], False)

    def test_ten_megabyte_page(self):
        self.fault("fault-10mb", ordinary("fault-10mb", 2, 10), True)

    def test_binary_page_ends_the_run(self):
        self.fault("fault-binary", [], False)

    def test_huge_header_block(self):
        self.fault("fault-headers", ordinary("fault-headers", 2, 10), True)

    def test_endless_redirects_end_the_run(self):
        self.fault("fault-redirect", [], False)

    def test_probe_without_rows(self):
        self.fault("fault-probe", [], True)

    def test_rows_without_field_markers_read_empty(self):
        self.fault("fault-nomarkers", [["", "", ""]] * 10, True)

    def test_big_update_file_announces_nothing(self):
        # The update check has read the 1 MB file once the notice it ends with scrolls.
        harness.read_when(lambda n: any(c["name"] == DEFAULT_NOTICE for c in harness.children(n)),
                          "the update file's notice is not shown")
        self.alive("update file")
        harness.answered()
        self.assertIsNone(harness.window_of(harness.UPDATE_TITLE))

    def test_second_press_during_a_late_page_stops_the_run(self):
        term = "fault-slow"
        self.ui.search(term)
        harness.wait_until(lambda: len(self.site.searches(term)) == 2, "no page 2")
        rows = harness.visible_rows(harness.read_when(lambda n: len(harness.visible_rows(n)) == 10, "page 1"))
        self.assertEqual([r[1:] for r in rows], ordinary(term, 1, 10))
        pinger = Pinger()
        pinger.start()
        self.ui.press_search()
        # The press waits for the run (its late page) to end, then empties the list; the late
        # page's rows never land in it and nothing more is asked for.
        emptied = harness.read_when(lambda n: harness.run_ended(n) and
                                    harness.tab_captions(n)[0] == harness.TAB_NAMES[0] + "(0)",
                                    "the list was not emptied")
        self.answered_throughout(term, pinger.stop())
        self.alive(term)
        self.assertEqual(harness.visible_rows(emptied), [])
        self.assertEqual(len(self.site.searches(term)), 2, "a page was asked for after the stop")

    def test_endless_detail_page_keeps_the_window_answering(self):
        self.ui.search("fault-details")
        before = harness.visible_rows(harness.read_when(harness.run_ended, "the run did not end"))
        self.assertEqual(len(before), DETAIL_FAULTS)
        pinger = Pinger()
        pinger.start()
        self.ui.choose(ENDLESS_ROW, harness.COPY)
        harness.wait_until(self.site.details, "no detail request")
        # The page ends (within the fetch's deadline) with its link; the window answers throughout.
        self.ui.close_box(harness.MAGNET_TITLE)
        self.answered_throughout("endless detail", pinger.stop())
        self.alive("endless detail page")
        self.assertEqual(harness.visible_rows(harness.tree()), before)
        self.assertEqual(harness.clipboard_text(), "magnet:?xt=urn:btih:" + FAULT_HASH)


NO_ANSWER = "\u65e0\u6cd5\u8fde\u63a5\u5230\u641c\u7d22\u7ad9\u70b9\uff1a\u7b49\u5f85\u5e94\u7b54\u8d85\u65f6"  # 无法连接到搜索站点：等待应答超时


class DetailFetchTest(unittest.TestCase):
    """The detail-page fetch on a worker: its busy indicator, its end, and links longer than a row
    keeps. The endless page lasts far longer than any wait of these tests."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="quarvel-detail-")
        self.site, self.app, self.ui = harness.start(self, "--endless-seconds", "600")
        self.ui.search("fault-details")
        harness.read_when(lambda n: harness.run_ended(n) and len(harness.visible_rows(n)) == DETAIL_FAULTS,
                          "the run did not end")

    def indicator_shot(self, name):
        path = os.path.join(self.dir, name + ".png")
        left, top, width, height = harness.BUSY_INDICATOR
        harness.screenshot(path, self.ui.x + left, self.ui.y + top, width, height)
        return path

    def test_busy_indicator_is_seen_while_the_page_comes(self):
        before = self.indicator_shot("before")
        self.ui.choose(1, harness.COPY)  # FAULT-DETAIL endless
        harness.wait_until(self.site.details, "no detail request")

        def seen():
            during = self.indicator_shot("during")
            # A box means the fetch is over: the indicator is gone again.
            if harness.window_of(harness.NO_RESOURCE_TITLE) or harness.window_of(harness.MAGNET_TITLE):
                raise AssertionError("the fetch ended and the busy indicator was never on screen")
            return harness.differing_pixels(before, during) >= 40
        harness.wait_until(seen, "the busy indicator is not on screen while the page comes")

    def fails_at_the_deadline(self, row):
        """Copies a row whose detail page goes on for ten minutes: the fetch gives up long before,
        as a failed fetch, and the box says the site gave no answer in time. Meanwhile the window
        answers at once, and a click selects another row as ever (the page comes on a worker)."""
        pinger = Pinger(AT_ONCE_MS)
        self.ui.choose(row, harness.COPY)
        harness.wait_until(self.site.details, "no detail request")
        pinger.start()
        self.ui.click(self.ui.row_point(2))
        harness.wait_until(lambda: len(pinger.answers) >= 3, "no answers while the page comes")
        self.assertIsNone(harness.window_of(harness.MAGNET_TITLE), "the fetch ended before the click")
        nodes = harness.tree()
        rows = [n for n in harness.children(nodes, harness.find(nodes, "list")["path"])
                if n["role"] == harness.ROLE["listitem"]]
        self.assertEqual([i + 1 for i, n in enumerate(rows) if n["state"] & harness.STATE_SELECTED], [2])
        box = harness.wait_until(lambda: harness.window_of(harness.MAGNET_TITLE), "no box at the deadline")
        self.assertIsNotNone(box)
        text = harness.read_when(lambda n: harness.find(n, "statictext") is not None, "the box has no text",
                                 title=harness.MAGNET_TITLE)
        self.assertEqual(harness.find(text, "statictext")["name"], NO_ANSWER)
        self.ui.close_box(harness.MAGNET_TITLE)
        self.answered_throughout(pinger.stop())
        self.assertTrue(self.app.alive())
        self.assertIsNone(harness.window_of(harness.NO_RESOURCE_TITLE))

    def answered_throughout(self, answers):
        self.assertGreater(len(answers), 0)
        self.assertEqual([ms for ok, ms in answers if not ok], [], "the window stopped answering")

    def test_endless_page_fails_at_the_deadline(self):
        self.fails_at_the_deadline(ENDLESS_ROW)

    def test_headers_that_never_end_fail_at_the_deadline(self):
        self.fails_at_the_deadline(SLOW_HEADERS_ROW)

    def test_link_longer_than_a_cell_is_copied_whole_each_time(self):
        magnet = "magnet:?xt=urn:btih:" + (FAULT_HASH * 2500)[:LONG_LINK - len("/download?info_hash=")]
        for attempt in range(2):
            self.ui.choose(3, harness.COPY)  # FAULT-DETAIL longlink
            self.ui.close_box(harness.MAGNET_TITLE)
            copied = harness.clipboard_text()
            self.assertEqual(len(copied), len(magnet), "a cut link was copied")
            self.assertTrue(copied == magnet, "the copied link is not the page's")
            # Not kept in the row, so each copy asks for the page again.
            self.assertEqual(len(self.site.details()), attempt + 1)


if __name__ == "__main__":
    unittest.main()
