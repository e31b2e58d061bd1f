"""The search as the main window runs it: the real window, built in a test process by the
application's own code (build/tools/mainwindow_tests.exe), driven by real messages against the
reference site on the host the program is built for; rows and captions are read directly."""

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
    def test_main_window_search(self):
        harness.require_environment(self)
        self.assertTrue(os.path.isfile(TESTS), "mainwindow_tests.exe not built")
        site = tempfile.mkdtemp()
        subprocess.run([sys.executable, FIXTURE, "start", site, str(harness.SITE_PORT)], check=True)
        try:
            done = subprocess.run(["wine", TESTS, "--gtest_brief=1"], env=dict(os.environ, QUARVEL_SITE_DIR=site),
                                  capture_output=True, timeout=600)
        finally:
            subprocess.run([sys.executable, FIXTURE, "stop", site])
        output = done.stdout.decode("utf-8", "replace") + done.stderr.decode("utf-8", "replace")
        self.assertEqual(done.returncode, 0, output)
        self.assertNotIn("[  FAILED  ]", output)
        passed = re.search(r"\[  PASSED  \] (\d+) test", output)
        self.assertTrue(passed and int(passed.group(1)) > 0, output)


if __name__ == "__main__":
    unittest.main()
