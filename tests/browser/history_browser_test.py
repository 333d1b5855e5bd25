#!/usr/bin/env python3
"""Opens a history page built from the fixture folder (broken and foreign
files included) in headless Chromium, and checks that the browser lays out
its table and charts and that choosing two runs shows their comparison.

usage: history_browser_test.py <build_history_page program> <fixture folder>
"""
import html
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
RUN_FOLDER = os.path.join(HERE, "..", "..", "run")
# The comparison's reference cases (worked out with mpmath), shared with the native test.
CASES = os.path.join(HERE, "..", "fixtures", "comparison_cases.json")
CHROMIUM_SECONDS = 90


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def find_chromium():
    for name in ("chromium", "chromium-browser"):
        path = shutil.which(name)
        if path:
            return path
    fail("Chromium is not installed (Debian's package 'chromium'; scripts/install-deps.sh installs it)")


def embedded(page, open_tag, close_tag):
    """The bytes between the page's own open_tag line and close_tag."""
    start = page.find(open_tag + b"\n")
    end = page.find(close_tag, start)
    return None if start < 0 or end < 0 else page[start + len(open_tag) + 1:end]


def main():
    tool, fixtures = sys.argv[1], sys.argv[2]
    chromium = find_chromium()
    with tempfile.TemporaryDirectory(prefix="history-browser-") as work:
        folder = os.path.join(work, "Results")
        shutil.copytree(fixtures, folder)
        built = subprocess.run([tool, folder], capture_output=True, text=True, timeout=60)
        print(built.stdout + built.stderr, end="")
        if built.returncode != 0:
            fail("the page was not built")
        with open(os.path.join(folder, "history.htm"), "rb") as built_page:
            page = built_page.read()
        shutil.copy(os.path.join(HERE, "history_check.htm"), folder)
        with open(CASES) as cases_file:
            cases = json.load(cases_file)
        with open(os.path.join(folder, "comparison_cases.js"), "w") as cases_script:
            cases_script.write("var COMPARISON_CASES = %s;\n" % json.dumps(cases))
        command = [chromium, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                   "--disable-extensions", "--allow-file-access-from-files",
                   "--user-data-dir=" + os.path.join(work, "profile"),
                   "--virtual-time-budget=10000", "--dump-dom",
                   "file://" + os.path.join(folder, "history_check.htm")]
        try:
            shown = subprocess.run(command, capture_output=True, text=True, timeout=CHROMIUM_SECONDS)
        except subprocess.TimeoutExpired:
            fail("Chromium gave no page within %d s" % CHROMIUM_SECONDS)
        found = re.search(r'<pre id="result">(.*?)</pre>', shown.stdout, re.S)
        if shown.returncode != 0 or not found:
            fail("Chromium ended with %d and no result; its output:\n%s\n%s"
                 % (shown.returncode, shown.stdout[-2000:], shown.stderr[-2000:]))
        try:
            result = json.loads(html.unescape(found.group(1)))
        except ValueError:
            fail("the check page did not run: " + found.group(1)[:500])
    print(json.dumps(result, indent=1, ensure_ascii=False))

    problems = []

    def expect(condition, what):
        if not condition:
            problems.append(what)

    # The page carries its scripts and style sheet byte for byte, so a line
    # the browser names in a script is that line of the file.
    scripts = page.split(b"<script>\n")[1:]
    for name, held in (("history_stats.js", scripts[0] if scripts else None),
                       ("history_page.js", scripts[1] if len(scripts) > 1 else None),
                       ("history_page.css", embedded(page, b"<style>", b"</style>"))):
        if held is not None and name.endswith(".js"):
            held = held[:held.find(b"</script>")]
        with open(os.path.join(RUN_FOLDER, name), "rb") as source:
            expect(held == source.read(), "the page holds run/%s as it is" % name)
    expect("error" not in result, "the check raised: %s" % result.get("error"))
    expect(result.get("rows") == 6, "six runs in the table")
    expect(result.get("tableShown"), "the table is laid out")
    expect(result.get("scripts") == 3, "no script but the page's own (the data, the statistics, the comparison)")
    charts = {c["resolution"]: c for c in result.get("charts", [])}
    expect(sorted(charts) == ["640x480", "800x600"], "a chart per resolution with figures")
    by_date = ["result_2026_12_01_10_00_00.json", "result_2026_12_05_20_15_00.json", "result_2026_12_08_18_00_00.json",
               "result_2026_12_09_09_30_00.json", "result_2026_12_10_19_40_12.json", "result_2026_12_11_08_05_00.json"]
    for name, chart in charts.items():
        expect(chart["width"] >= 700 and chart["height"] >= 250, "chart %s is laid out at its size" % name)
        expect(chart["circles"] == 6, "chart %s shows a point per run inside the chart" % name)
        expect(chart["bars"] == 15, "chart %s has an interval bar for each run of several passes" % name)
        # Five sets of comparable runs; only the runs of 9 and 10 December share one.
        expect(chart["lines"] == 5 and chart["trends"] == 1, "chart %s draws a line per set" % name)
        expect(80 < chart["trendWidth"] < 95, "chart %s joins the two alike runs, a day and nine hours apart" % name)
        points = chart["points"]
        expect([p[0] for p in points] == by_date, "chart %s puts the runs in the order of their dates" % name)
        if len(points) == 6:
            # On a time axis the four days between 1 and 5 December are further
            # than the day between 8 and 9 December times three.
            gaps = [b[1] - a[1] for a, b in zip(points, points[1:])]
            expect(gaps[0] > 3 * gaps[2] and min(gaps) > 0, "chart %s spaces the runs by date: %s" % (name, gaps))
        expect(chart["drivers"] == [{"title": "Video driver changed: 8.600.0.0 \u2192 8.610.0.0", "shown": True}],
               "chart %s marks the driver change on the shared line" % name)
        expect(len(chart["legend"]) == 5 and
               "demo built-in demo 1, HDR on, passes 3, warm-up off, game build 1.0.5.0" in chart["legend"],
               "chart %s has a legend of what tells its lines apart" % name)
    skipped = " | ".join(result.get("skipped", []))
    for name in ("result_broken.json", "result_foreign.json", "result_future.json", "result_badshape.json"):
        expect(name in skipped, "%s named among the files left out" % name)
    # The newest run (HDR on) has no like, so the newest two alike runs are
    # compared: a 1.0 file and a 1.1 file side by side.
    initial = result.get("initial", [])
    expect(initial[:2] == ["A: 2026-12-09 09:30:00 \u2014 new driver", "B: 2026-12-10 19:40:12 \u2014 format 1.1, driver 8.610"],
           "the newest two comparable runs are compared when the page opens")
    def pair_says(shown):
        # What the page says about the pair, between the runs' names and the line on how to read it.
        return [t for t in shown.get("says", [])[2:] if not t.startswith("How to read it")]

    side = result.get("sideBySide", {})
    expect(pair_says(side) == [
        "Comparable: the same demo, settings, machine and game build. "
        "Not recorded in one of the files, so not checked: game build.",
        "Video driver: 8.600.0.0 in A, 8.610.0.0 in B."], "a 1.0 and a 1.1 file are comparable, the driver named")
    expect([row[:3] for row in side.get("rows", [])] == [
        ["640x480", "121.0 FPS (95 % interval 118.5 to 123.5, 3 passes)", "123.0 FPS (95 % interval 120.5 to 125.5, 3 passes)"],
        ["800x600", "82.0 FPS (95 % interval 79.5 to 84.5, 3 passes)", "84.0 FPS (95 % interval 81.5 to 86.5, 3 passes)"]],
        "the 1.0 and the 1.1 file's figures side by side")
    hdr = result.get("hdr", {})
    expect(pair_says(hdr) == [
        "Not comparable: HDR off vs on. The figures are shown all the same, "
        "but a difference between them may come from this rather than from what you changed."],
        "a pair that differs in HDR is marked, nothing else named")
    expect([row[:3] for row in hdr.get("rows", [])] == [
        ["640x480", "123.0 FPS (95 % interval 120.5 to 125.5, 3 passes)", "101.0 FPS (95 % interval 98.5 to 103.5, 3 passes)"],
        ["800x600", "84.0 FPS (95 % interval 81.5 to 86.5, 3 passes)", "71.0 FPS (95 % interval 68.5 to 73.5, 3 passes)"]],
        "a pair that is not comparable still shows its figures")
    expect([t for t in result.get("stableSays", [])[2:] if not t.startswith("How to read it")][:1] == [
        "Not comparable: demo built-in demo 1 vs my demo.dem; passes 3 vs until stable. The figures are shown all "
        "the same, but a difference between them may come from this rather than from what you changed."],
        "every difference is listed")

    minus = "\u2212"
    expect(result.get("onePass") == [
        ["640x480", "95.5 FPS (1 pass, no interval)", "121.0 FPS (95 % interval 118.5 to 123.5, 3 passes)", "+26.7 %",
         "no interval: a run of one pass cannot tell noise from a difference"],
        ["800x600", "77.3 FPS (1 pass, no interval)", "82.0 FPS (95 % interval 79.5 to 84.5, 3 passes)", "+6.1 %",
         "no interval: a run of one pass cannot tell noise from a difference"],
    ], "a run of one pass is compared without a verdict on noise")
    expect([row[3:] for row in result.get("overclock", [])] == [
        ["+19.8 % (95 % interval +17.3 % to +22.3 %)", "B is faster"],
        ["+1.2 % (95 % interval " + minus + "1.5 % to +4.1 %)", "no difference shown"]],
           "an interval of the ratio above 0 is a difference, one around 0 shows none")
    expect([row[1:] for row in result.get("stable", [])] == [
        ["121.0 FPS (95 % interval 118.5 to 123.5, 3 passes)", "111.0 FPS (95 % interval 108.5 to 113.5, 3 passes)",
         "-8.3 % (95 % interval -10.1 % to -6.4 %)".replace("-", minus), "B is slower"],
        # Two passes against three: Welch's test, whose overlapping 95 % intervals of
        # the means once read "within noise".
        ["82.0 FPS (95 % interval 79.5 to 84.5, 3 passes)", "91.0 FPS (95 % interval 78.3 to 103.7, 2 passes)",
         "+11.0 % (95 % interval +4.4 % to +18.0 %)", "B is faster"],
        ["not run", "no figure", "", "no figure to compare"],
    ], "a resolution without figure is compared as such")
    expect(len(result.get("explained", [])) == 1 and "equivalent" in result["explained"][0],
           "a line under the table says how to read the verdicts")
    # The table of reference cases, as the native test checks the program's code.
    shown = result.get("comparisons") or []
    expect(len(shown) == len(cases["comparisons"]), "every reference case compared")
    for case, got in zip(cases["comparisons"], shown):
        expect(got["verdict"] == case["verdict"], "%s: %s, not %s" % (case["what"], got["verdict"], case["verdict"]))
        for key in ("ratio", "df", "low95", "high95", "low90", "high90"):
            if key in case:
                expect(key in got and abs(got[key] - case[key]) < 1e-8,
                       "%s: %s %s, not %s" % (case["what"], key, got.get(key), case[key]))
            else:
                expect(key not in got, "%s: no %s for one pass" % (case["what"], key))
    for case, got in zip(cases["tQuantiles"], result.get("tQuantiles") or []):
        expect(abs(got - case["t"]) < 1e-9, "t(%s, %s) = %s, not %s" % (case["p"], case["df"], got, case["t"]))
    expect(len(result.get("tQuantiles") or []) == len(cases["tQuantiles"]), "every t quantile worked out")
    expect(result.get("marked") == ["result_2026_12_09_09_30_00.json", "result_2026_12_08_18_00_00.json"],
           "the chosen rows are marked")
    expect(result.get("hash") == "#compare=result_2026_12_09_09_30_00.json,result_2026_12_08_18_00_00.json",
           "the address names the chosen runs")
    if problems:
        fail("; ".join(problems))
    print("OK")


if __name__ == "__main__":
    main()
