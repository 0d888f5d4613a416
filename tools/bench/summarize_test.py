#!/usr/bin/env python3
"""The bench report from fixed records: failed runs left out, medians, ratios, verdicts."""
import pathlib
import subprocess
import sys
import unittest

HERE = pathlib.Path(__file__).resolve().parent
SUMMARIZE = HERE.parent.parent / "scripts" / "bench.d" / "summarize.py"


def report(kind):
    records = HERE / "testdata" / f"{kind}-records.txt"
    return subprocess.run([sys.executable, str(SUMMARIZE), kind, str(records)], check=True,
                          capture_output=True, text=True).stdout


class UploadReport(unittest.TestCase):
    def setUp(self):
        self.text = report("upload")

    def test_failed_runs_are_named_and_left_out_of_the_medians(self):
        self.assertIn("8 MiB tool: 1 run(s) failed", self.text)
        self.assertRegex(self.text, r"8 MiB tool +2 +0\.120 +0\.110 +68267 +7\.50 +11\.5 MiB")

    def test_ratios_and_verdicts_against_the_floor(self):
        self.assertIn("8 MiB tool/floor: time 1.200  CPU 1.333", self.text)
        self.assertIn("target time <= 1.10 x floor: MISSED; CPU <= 1.10 x floor: MISSED",
                      self.text)
        self.assertIn("target time <= 1.05 x floor: met", self.text)

    def test_peak_rss_target_on_the_large_image(self):
        self.assertIn("target peak RSS of the tool <= 16 MiB: MISSED", self.text)


class DiscoveryReport(unittest.TestCase):
    def setUp(self):
        self.text = report("discovery")

    def test_many_devices_are_held_against_the_one_device_search(self):
        self.assertIn("MISSED (1.188 x baseline)", self.text)

    def test_a_capped_run_reads_as_at_least_the_cap_and_is_said(self):
        self.assertRegex(self.text, r"≥ +40\.000")
        self.assertIn("1 run(s) did not end and were stopped at the cap", self.text)

    def test_a_missing_simulator_key_skips_the_scenario(self):
        self.assertIn("skipped (simulator lacks flood-rate)", self.text)


if __name__ == "__main__":
    unittest.main()
