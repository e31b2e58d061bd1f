"""The stress run (scripts/stress.sh) for thirty seconds in two halves side by side, each with
its own random sequence: searches, stops, tab switches, scrolling, result menus and link
resolution keep coming; the process lives, the last search's rows are all in the main list once
each, and resources stay within the printed bounds."""

import os
import subprocess
import unittest

import harness


class StressTest(unittest.TestCase):
    def stress(self, seconds, seed):
        harness.require_environment(self)
        script = os.path.join(harness.SOURCE_DIR, "scripts", "stress.sh")
        done = subprocess.run(["bash", script, str(seconds), str(seed)], capture_output=True, timeout=600)
        output = done.stdout.decode("utf-8", "replace") + done.stderr.decode("utf-8", "replace")
        print(output)
        self.assertEqual(done.returncode, 0, output)
        self.assertIn("PASSED", output)

    def test_fifteen_seconds_of_stress(self):
        self.stress(15, 20240601)

    def test_fifteen_more_seconds_of_other_stress(self):
        self.stress(15, 20261209)


if __name__ == "__main__":
    unittest.main()
