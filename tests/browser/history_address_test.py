#!/usr/bin/env python3
"""Opens the history page of the fixture folder in headless Chromium behind
hostile address fragments (broken percent-encoding, names of no run, huge
ones) and checks that the page's script never fails: it compares the runs it
would choose without the fragment, leaves a valid address, and choosing
another run still compares. A valid fragment chooses its runs.

usage: history_address_test.py <build_history_page program> <fixture folder>
"""
import html
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

from history_browser_test import CHROMIUM_SECONDS, fail, find_chromium

HERE = os.path.dirname(os.path.abspath(__file__))

DEFAULT = ("result_2026_12_09_09_30_00.json", "result_2026_12_10_19_40_12.json")


def main():
    tool, fixtures = sys.argv[1], sys.argv[2]
    chromium = find_chromium()
    with tempfile.TemporaryDirectory(prefix="history-address-") as work:
        folder = os.path.join(work, "Results")
        shutil.copytree(fixtures, folder)
        built = subprocess.run([tool, folder], capture_output=True, text=True, timeout=60)
        print(built.stdout + built.stderr, end="")
        if built.returncode != 0:
            fail("the page was not built")
        shutil.copy(os.path.join(HERE, "history_address_check.htm"), folder)
        # The console goes to stderr, so an error thrown in any frame shows there.
        command = [chromium, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                   "--disable-extensions", "--allow-file-access-from-files",
                   "--enable-logging=stderr", "--v=0",
                   "--user-data-dir=" + os.path.join(work, "profile"),
                   "--virtual-time-budget=30000", "--dump-dom",
                   "file://" + os.path.join(folder, "history_address_check.htm")]
        try:
            shown = subprocess.run(command, capture_output=True, text=True, timeout=CHROMIUM_SECONDS)
        except subprocess.TimeoutExpired:
            fail("Chromium gave no page within %d s" % CHROMIUM_SECONDS)
        found = re.search(r'<pre id="result">(.*?)</pre>', shown.stdout, re.S)
        if shown.returncode != 0 or not found:
            fail("Chromium ended with %d and no result; its output:\n%s\n%s"
                 % (shown.returncode, shown.stdout[-2000:], shown.stderr[-2000:]))
        try:
            results = json.loads(html.unescape(found.group(1)))
        except ValueError:
            fail("the check page did not finish: " + found.group(1)[:500])
    print(json.dumps(results, indent=1, ensure_ascii=False))

    problems = []
    errors = [line for line in shown.stderr.splitlines() if "CONSOLE" in line and "Uncaught" in line]
    if errors:
        problems.append("the page's script failed:\n  " + "\n  ".join(errors))
    if len(results) != 15:
        problems.append("%d of 15 fragments checked" % len(results))
    chosen_by_fragment = {
        "#compare=result_2026_12_08_18_00_00.json,result_2026_12_11_08_05_00.json":
            ("result_2026_12_08_18_00_00.json", "result_2026_12_11_08_05_00.json"),
        "#compare=result%5F2026_12_01_10_00_00.json,result_2026_12_05_20_15_00%2Ejson":
            ("result_2026_12_01_10_00_00.json", "result_2026_12_05_20_15_00.json"),
    }
    for result in results:
        fragment = result["fragment"]
        expected = chosen_by_fragment.get(fragment, DEFAULT)

        def expect(condition, what):
            if not condition:
                problems.append("%s: %s (found %s)" % (fragment, what, json.dumps(result, ensure_ascii=False)))

        expect("error" not in result, "the check ran")
        expect((result.get("a"), result.get("b")) == expected, "runs %s and %s chosen" % expected)
        rows = 3 if "result_2026_12_08_18_00_00.json" in expected else 2  # that run also played 1024x768
        expect(result.get("rows") == rows, "their comparison shown")
        expect(result.get("hash") == "#compare=%s,%s" % expected, "the address names the chosen runs")
        expect(result.get("afterClick", "").startswith("B: 2026-12-01 10:00:00"), "another run chosen as B is compared")
        expect(result.get("hashAfterClick") == "#compare=%s,result_2026_12_01_10_00_00.json" % expected[0],
               "the address follows the choice")
    first = results[0] if results else {}
    if first.get("afterValidChange") != ["result_2026_12_05_20_15_00.json", "result_2026_12_08_18_00_00.json"]:
        problems.append("a valid fragment written after the page opened chooses its runs: %s" % first)
    if first.get("afterBrokenChange") != first.get("afterValidChange"):
        problems.append("a broken fragment written after the page opened changes nothing: %s" % first)
    if problems:
        fail("\n".join(problems))
    print("OK")


if __name__ == "__main__":
    main()
