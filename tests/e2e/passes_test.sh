#!/usr/bin/env bash
# Passes, statistics and the result files under Wine with the stand-in game,
# whose figures are set in turn ("fps=..."): the defaults give today's page
# and add the result files; three passes at two resolutions; "until stable"
# stops by its rule.
source "$(dirname "$0")/e2e_lib.sh"
source "$(dirname "$0")/run_lib.sh"

root="$build/e2e/passes"
program="$root/Quorvane Melkrin"
game="$root/Games/Serious Sam 2"
install_melkrin "$program"
install_game "$game"
record_report_opens "$root/opened.txt"
results="$program/Benchmark"
json="$root/out/results.json"
mkdir -p "$root/out" "$game/StandIn"
json_win=$(winpath "$json")
schema="$src/docs/result.schema.json"
check_json=("/usr/bin/python3" "$src/tests/tools/check_result_json.py" "$schema")
check_csv=("/usr/bin/python3" "$src/tests/tools/results_csv_test.py" --file)

reg_set "$settings_key" Demo 1
reg_set "$settings_key" AALevel 0
reg_set "$settings_key" AFLevel 0
reg_set "$settings_key" HDR 0
reg_set "$settings_key" Renderer 1
reg_set "$settings_key" Note "passes e2e"
reg_set "$settings_key" "Display Memory" " 64.0 MB"
reg_set "$settings_key" "Driver Version" " 1.2.3"
reg_set "$settings_key" Sound "Stand-in Sound"
reg_set "$settings_key" NoErrorWarning 0

run_melkrin() {
  local limit=$1
  shift
  code=0
  timeout "$limit" "$src/cmake/wine-run.sh" "$program/melkrin.exe" "$@" </dev/null >/dev/null 2>&1 || code=$?
  [ "$code" != 124 ] || fail "melkrin.exe $* did not end within $limit s"
}
# figures A,B,...: the stand-in's figures of the next games, in turn.
figures() {
  rm -f "$game/StandIn/ends.txt" "$game/StandIn/calls.txt"
  printf 'fps=%s\r\n' "$1" >"$game/StandIn/behaviour.txt"
}
games() { tr -d '\r' <"$game/StandIn/calls.txt" | wc -l | tr -d ' '; }
newest() { ls -t "$results"/$1 | head -1; }
page_of() { iconv -f cp1252 -t utf-8 "$1" | tr -d '\r'; }
json_get() { /usr/bin/python3 -c 'import json,sys; d=json.load(open(sys.argv[1], encoding="utf-8")); print(eval(sys.argv[2], {}, {"d": d}))' "$1" "$2"; }
csv_rows() { tr -d '\r' <"$results/results.csv" | wc -l | tr -d ' '; }

echo "-- the defaults: one pass, today's page, the result files beside it"
figures 61.25
run_melkrin 240 /run /quiet /res:640x480
expect_eq "$code" 0 "exit code"
expect_eq "$(games)" 1 "one game"
report=$(newest 'result_*.htm')
block=$(page_of "$report" | sed -n '/^<BR><B><FONT size=5>Resolution: 640×480/,/^<br><HR>$/p')
expect_eq "$block" '<BR><B><FONT size=5>Resolution: 640×480</FONT></B><BR>
Demo: Demo_0001.dem<br>
Renderer: Direct3D<br>
Quality: Maximum<br>
Antialiasing: None<br>
Anisotrophic filtering: None<br>
HDR rendering: Disabled<br>
<span class="style5"><b>Score = 61.25 FPS</b></span><br>
<br><HR>' "the default page's block"
page_of "$report" | matches -q 'Passes' && fail "the default page speaks of passes"
tr -d '\r' <"$program/debuginfo.txt" | matches -qE '^(Pass |Passes at|Warm-up)' && fail "the default debug log speaks of passes"
first_json="${report%.htm}.json"
[ -f "$first_json" ] || fail "no result_<stamp>.json beside the report"
"${check_json[@]}" "$first_json" || fail "the default run's JSON against the schema"
expect_eq "$(json_get "$first_json" '[p["fps"] for p in d["resolutions"][0]["passes"]]')" "[61.25]" "the one pass"
expect_eq "$(json_get "$first_json" 'd["options"]["passes"]')" 1 "passes option"
expect_eq "$(json_get "$first_json" 'd["report"]')" "$(basename "$report")" "the report named in the JSON"
expect_eq "$(json_get "$first_json" '(d["formatVersion"], d["formatMinorVersion"])')" "(1, 1)" "format 1.1"
sha() { sha256sum "$1" | cut -d' ' -f1; }
expect_eq "$(json_get "$first_json" 'd["programSha256"]')" "$(sha "$program/melkrin.exe")" "the program's SHA-256"
expect_eq "$(json_get "$first_json" 'd["game"]')" "{'fileVersion': '2.0.0.1', 'sha256': '$(sha "$game/Bin/Sam2.exe")'}" \
  "the game's version and SHA-256"
expect_eq "$(json_get "$first_json" 'd["options"]["demoSha256"]')" "$(sha "$game/Content/SeriousSam2/Demos/Demo_0001.dem")" \
  "the demo's SHA-256"
json_get "$first_json" 'd["configurationSha256"]' | matches -qE '^[0-9a-f]{64}$' || fail "the configuration's SHA-256"
json_get "$first_json" 'd["runId"]' | matches -qE '^[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}$' ||
  fail "a random run identity"
json_get "$first_json" 'd["utcOffset"]' | matches -qE '^[+-][0-9]{2}:[0-9]{2}$' || fail "the UTC offset"
expect_eq "$(json_get "$first_json" '0 < d["resolutions"][0]["passes"][0]["durationSeconds"] < 240')" True "the pass's duration"
expect_eq "$(csv_rows)" 2 "header and one row"
"${check_csv[@]}" "$results/results.csv" "passes e2e" || fail "the table as a spreadsheet reads it"
[ -z "$(reg_get "$settings_key" Passes)" ] || fail "a run stored Passes"

echo "-- three passes at two resolutions"
sleep 1  # a new stamp for the next report
figures 60,61,62,50,52,51
run_melkrin 300 /run /quiet "/res:640x480,800x600" /passes:3 "/json:$json_win"
expect_eq "$code" 0 "exit code"
expect_eq "$(games)" 6 "six games"
report=$(newest 'result_*.htm')
page=$(page_of "$report")
for line in '<span class="style5"><b>Score = 61.00 FPS</b></span><br>' 'Passes: 3<br>' \
  'Standard deviation: 1.00 FPS (1.64 %)<br>' '95 % confidence interval: 58.52 to 63.48 FPS<br>' \
  'Minimum: 60.00 FPS, maximum: 62.00 FPS<br>' "Passes' figures: 60.00, 61.00, 62.00 FPS<br>" \
  '<span class="style5"><b>Score = 51.00 FPS</b></span><br>' "Passes' figures: 50.00, 52.00, 51.00 FPS<br>"; do
  grep -qxF -- "$line" <<<"$page" || fail "report lacks: $line"
done
debug=$(iconv -f cp1252 -t utf-8 "$program/debuginfo.txt" | tr -d '\r')
for n in 1 2 3; do
  grep -qxF "Pass $n of 3 at 800×600" <<<"$debug" || fail "debug log: pass $n at 800 x 600"
done
grep -qxF 'Pass 2 at 640×480: 61.00 FPS' <<<"$debug" || fail "debug log: the second figure"
result="${report%.htm}.json"
"${check_json[@]}" "$result" || fail "the JSON of three passes against the schema"
expect_eq "$(json_get "$result" '[[p["fps"] for p in r["passes"]] for r in d["resolutions"]]')" \
  "[[60.0, 61.0, 62.0], [50.0, 52.0, 51.0]]" "passes in the JSON"
expect_eq "$(json_get "$result" '[r["statistics"]["mean"] for r in d["resolutions"]]')" "[61.0, 51.0]" "means"
expect_eq "$(json_get "$result" 'd["options"]["passes"]')" 3 "passes option"
expect_eq "$(json_get "$result" 'd["note"]')" "passes e2e" "note"
# The scripted run's own file carries the passes too.
expect_eq "$(json_get "$json" '[r["figure"] for r in d["resolutions"]]')" "[61.0, 51.0]" "scripted JSON figures"
"${check_json[@]}" "$json" || fail "the scripted run's JSON against the result file's schema"
json_get "$json" 'd["resultFile"]' | matches -qF "$(basename "$result")" || fail "the scripted JSON names the result file"
expect_eq "$(json_get "$json" 'd["resolutions"][1]["statistics"]["count"]')" 3 "scripted JSON statistics"
expect_eq "$(csv_rows)" 4 "one row per resolution added"
tail -2 "$results/results.csv" | tr -d '\r' | cut -d, -f4,12,13,14,22,23,24 | tr '\n' ' ' |
  grep -qxF '640x480,3,3,61.0000,60.0000,61.0000,62.0000 800x600,3,3,51.0000,50.0000,52.0000,51.0000 ' ||
  fail "the table's new rows: $(tail -2 "$results/results.csv")"

echo "-- until stable, stored: stops by the rule at the sixth pass"
sleep 1
reg_set "$settings_key" Passes "until stable"
figures 60,61,60.5,60.2,60.8,60.4,99
run_melkrin 300 /run /quiet /res:640x480
expect_eq "$code" 0 "exit code"
expect_eq "$(games)" 6 "six games: the rule's interval is +-3.83 %, 1.80 %, 1.22 %, then 0.88 %"
report=$(newest 'result_*.htm')
page_of "$report" | matches -qxF "Passes: 6, stable: the stop rule's interval reached ±1.00 % (±0.88 %)<br>" ||
  fail "report: stable after six"
result="${report%.htm}.json"
"${check_json[@]}" "$result" || fail "the until-stable JSON against the schema"
expect_eq "$(json_get "$result" 'd["options"]["passes"]')" "until stable" "passes option"
expect_eq "$(json_get "$result" 'len(d["resolutions"][0]["passes"])')" 6 "six passes in the JSON"
expect_eq "$(reg_get "$settings_key" Passes)" "until stable" "the stored option is left as it was"

echo "-- a warm-up from the command line does not count"
sleep 1
reg_set "$settings_key" Passes 1  # the command line overrides it
figures 10,40,42
run_melkrin 300 /run /quiet /res:640x480 /passes:2 /warmup '/note:-5 % new driver, "x"'
expect_eq "$(games)" 3 "a warm-up and two passes"
report=$(newest 'result_*.htm')
page_of "$report" | matches -qxF '<span class="style5"><b>Score = 41.00 FPS</b></span><br>' || fail "the warm-up counted"
iconv -f cp1252 -t utf-8 "$program/debuginfo.txt" | tr -d '\r' | matches -qxF 'Warm-up at 640×480: 10.00 FPS (not counted)' ||
  fail "debug log: the warm-up"
"${check_json[@]}" "$results"/result_*.json || fail "every result file against the schema"
[ "$(ls "$results"/result_*.json | wc -l)" = 4 ] || fail "four result files"
expect_eq "$(csv_rows)" 6 "the header once and five rows"
expect_eq "$(grep -c 'started,note,' "$results/results.csv")" 1 "the header once"
"${check_csv[@]}" "$results/results.csv" "passes e2e" '-5 % new driver, "x"' || fail "the table as a spreadsheet reads it"

echo "-- the history page, rebuilt after every run, compares the last two in a browser"
history="$results/history.htm"
[ -f "$history" ] || fail "no history.htm after the runs"
[ "$history" -nt "$first_json" ] || fail "history.htm was not rebuilt after the last run"
grep -qF '<p class="hint">4 runs in this folder' "$history" || fail "history.htm does not hold the four runs"
grep -q 'id="skipped"' "$history" && fail "history.htm left out a file the run wrote"
command -v chromium >/dev/null || fail "Chromium is not installed (scripts/install-deps.sh installs it)"
dom=$(timeout 90 chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-extensions \
  --user-data-dir="$root/chromium-profile" --virtual-time-budget=5000 --dump-dom "file://$history" 2>/dev/null) ||
  fail "Chromium could not show history.htm"
comparison=$(echo "$dom" | tr -d '\n' | sed -n 's/.*<div id="comparison">\(.*\)<h2>Results over time.*/\1/p')
grep -q '<table' <<<"$comparison" || fail "the page shows no comparison of the last two runs: ${comparison:0:400}"
grep -q '<svg' <<<"$dom" || fail "the page shows no chart"
rm -f "$game/StandIn/behaviour.txt"
echo "passes e2e: all scenarios passed"
