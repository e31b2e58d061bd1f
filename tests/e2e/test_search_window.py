"""The search as the main window runs it: the real window, built in a test process by the
application's own code (build/tools/mainwindow_tests.exe), driven by real messages against the
reference site on the host the program is built for; rows and captions are read directly. The
executable's tests run in four groups side by side, and a check keeps every test in one group."""

import fnmatch
import os
import re
import subprocess
import sys
import tempfile
import unittest

import harness

FIXTURE = os.path.join(harness.SOURCE_DIR, "tests", "support", "site_fixture.py")
TESTS = os.path.join(harness.BUILD_DIR, "tools", "mainwindow_tests.exe")


class SearchWindowTest(unittest.TestCase):
    """Each test runs a group of the window's tests in a process of its own, so that the groups
    run side by side; together they run every test the executable holds."""

    GROUPS = {
        "runs": "Search.PressesBackToBackRunOneWorkerAtATime",
        "pages": "Repaint.*:Search.PagesOneSecond*:Search.AChineseTerm*:Search.ASecondPress*:Search.AnAllTabClick*",
        "faults": "Search.HostilePages*:Search.AllocationFailures*:Search.QuickCategoryClicks*",
        "views": "Search.CategoryViews*:Search.HeaderClicks*",
    }

    def run_group(self, group):
        harness.require_environment(self)
        self.assertTrue(os.path.isfile(TESTS), "mainwindow_tests.exe not built")
        site = tempfile.mkdtemp()
        subprocess.run([sys.executable, FIXTURE, "start", site, str(harness.SITE_PORT)], check=True)
        try:
            done = subprocess.run(["wine", TESTS, "--gtest_brief=1", "--gtest_filter=" + self.GROUPS[group]],
                                  env=dict(os.environ, QUARVEL_SITE_DIR=site), capture_output=True, timeout=600)
        finally:
            subprocess.run([sys.executable, FIXTURE, "stop", site])
        output = done.stdout.decode("utf-8", "replace") + done.stderr.decode("utf-8", "replace")
        self.assertEqual(done.returncode, 0, output)
        self.assertNotIn("[  FAILED  ]", output)
        passed = re.search(r"\[  PASSED  \] (\d+) test", output)
        self.assertTrue(passed and int(passed.group(1)) > 0, output)

    def test_runs(self):
        self.run_group("runs")

    def test_pages(self):
        self.run_group("pages")

    def test_faults(self):
        self.run_group("faults")

    def test_views(self):
        self.run_group("views")

    def test_every_test_is_in_one_group(self):
        listed = subprocess.run(["wine", TESTS, "--gtest_list_tests"], capture_output=True, timeout=120)
        names, suite = [], ""
        for line in listed.stdout.decode("utf-8", "replace").splitlines():
            if not line.strip():
                continue
            if not line.startswith(" "):
                suite = line.strip()
            else:
                names.append(suite + line.split("#")[0].strip())
        self.assertGreater(len(names), 0)
        for name in names:
            groups = [g for g, pattern in self.GROUPS.items() if any(fnmatch.fnmatchcase(name, p)
                                                                      for p in pattern.split(":"))]
            self.assertEqual(len(groups), 1, "%s is in the groups %r" % (name, groups))


if __name__ == "__main__":
    unittest.main()
