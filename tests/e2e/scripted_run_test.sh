#!/usr/bin/env bash
# melkrin.exe /run under Wine with the stand-in game: a scripted run with two
# resolutions, a refused command line, a hung game ended by the time limit,
# and a run cancelled at its window.
source "$(dirname "$0")/e2e_lib.sh"
source "$(dirname "$0")/run_lib.sh"

root="$build/e2e/scripted"
program="$root/Quorvane Melkrin"
game="$root/Games/Serious Sam 2"
install_melkrin "$program"
install_game "$game"
record_report_opens "$root/opened.txt"
user_ini="$root/user Sam2.ini"
cp "$game/Content/SeriousSam2/Sam2.ini" "$user_ini"
results="$program/Benchmark"
ini="$game/Content/SeriousSam2/Sam2.ini"
json="$root/out/results.json"
mkdir -p "$root/out"
json_win=$(winpath "$json")

# Stored options the command line overrides for one run: 1024 x 768, HDR on.
reg_set "$settings_key" 1024 1
reg_set "$settings_key" HDR 1
reg_set "$settings_key" Demo 1
reg_set "$settings_key" "Display Memory" " 64.0 MB"
reg_set "$settings_key" Sound "Stand-in Sound"
reg_set "$settings_key" NoErrorWarning 0

# run_melkrin LIMIT ARGS...: melkrin.exe to its end; its exit code in $code.
run_melkrin() {
  local limit=$1
  shift
  code=0
  timeout "$limit" "$src/cmake/wine-run.sh" "$program/melkrin.exe" "$@" </dev/null >/dev/null 2>&1 || code=$?
  [ "$code" != 124 ] || fail "melkrin.exe $* did not end within $limit s"
}
json_get() { python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); print(eval(sys.argv[2], {}, {"d": d}))' "$json" "$1"; }
stored_options() { for v in 640 800 1024 HDR AALevel Note; do printf '%s=%s;' "$v" "$(reg_get "$settings_key" "$v")"; done; }
options_before=$(stored_options)

echo "-- /run /quiet with two resolutions"
run_melkrin 240 /run /quiet "/res:640x480,800x600" /hdr:off /aa:low "/note:scripted \"run\"" "/json:$json_win"
expect_eq "$code" 0 "exit code of a good run"
reports=("$results"/result_*.htm)
[ ${#reports[@]} -eq 1 ] && [ -f "${reports[0]}" ] || fail "one report expected in $results"
page=$(iconv -f cp1252 -t utf-8 "${reports[0]}" | tr -d '\r')
grep -qF '<BR><B><FONT size=5>Resolution: 640×480</FONT></B><BR>' <<<"$page" || fail "report: 640 x 480"
grep -qF '<BR><B><FONT size=5>Resolution: 800×600</FONT></B><BR>' <<<"$page" || fail "report: 800 x 600"
grep -qF 'HDR rendering: Disabled<br>' <<<"$page" || fail "report: HDR off for this run"
grep -qF 'scripted "run"' <<<"$page" || fail "report: the note of the command line"
grep -qF '1024×768' <<<"$page" && fail "the stored 1024 x 768 was not asked for"
expect_eq "$(json_get 'd["result"]')" done "JSON result"
expect_eq "$(json_get 'd["exitCode"]')" 0 "JSON exit code"
expect_eq "$(json_get '[r["resolution"] for r in d["resolutions"]]')" "['640x480', '800x600']" "JSON resolutions"
json_get 'd["resolutions"][0]["figure"]' | matches -qE '^[0-9]+\.[0-9]+$' || fail "JSON: a figure for 640 x 480"
json_get 'd["resolutions"][1]["figure"]' | matches -qE '^[0-9]+\.[0-9]+$' || fail "JSON: a figure for 800 x 600"
expect_eq "$(json_get 'd["options"]["note"]')" 'scripted "run"' "JSON note"
expect_eq "$(json_get 'd["note"]')" 'scripted "run"' "JSON note in the result file's place"
/usr/bin/python3 "$src/tests/tools/check_result_json.py" "$src/docs/result.schema.json" "$json" ||
  fail "the scripted run's JSON against the result file's schema"
expect_same_file "$ini" "$user_ini" "Sam2.ini restored after the scripted run"
[ ! -e "$root/opened.txt" ] || fail "quiet: the report was opened"
expect_eq "$(stored_options)" "$options_before" "the command line's options are not stored"
expect_eq "$(reg_get "$settings_key" NoErrorWarning)" 0 "marker after the scripted run"

echo "-- a bad resolution is refused and touches nothing"
rm -f "$json" "$results"/result_*.htm
rm -rf "$game/StandIn"
run_melkrin 120 /run /quiet "/res:640x480,800y600" "/json:$json_win"
expect_eq "$code" 2 "exit code of a refused command line"
[ ! -e "$json" ] || fail "a command line refused before the start writes no file"
[ ! -e "$game/StandIn/calls.txt" ] || fail "the game was started"
[ ! -e "$game/Content/SeriousSam2/Sam2_old.ini" ] || fail "the configuration was touched"
expect_same_file "$ini" "$user_ini" "Sam2.ini untouched"
# A resolution the display lacks is refused after start-up, still before the game.
run_melkrin 120 /run /quiet /res:1920x1080 "/json:$json_win"
expect_eq "$code" 2 "exit code of a size the display lacks"
expect_eq "$(json_get 'd["result"]')" refused "JSON of the refusal"
json_get 'd["reason"]' | matches -qF 'The display offers no 1920x1080.' || fail "the refusal's reason"
[ ! -e "$game/StandIn/calls.txt" ] || fail "the game was started"
expect_same_file "$ini" "$user_ini" "Sam2.ini untouched"
tr -d '\r' <"$program/debuginfo.txt" | matches -qF 'Command line refused: The display offers no 1920x1080.' ||
  fail "the refusal in the debug log"

echo "-- a hung game is ended by the time limit and the run goes on"
rm -f "$json"
mkdir -p "$game/StandIn"
printf 'hangonce\r\n' >"$game/StandIn/behaviour.txt"
started=$(date +%s)
run_melkrin 240 /run /quiet "/res:640x480,800x600" /timelimit:5 "/json:$json_win"
expect_eq "$code" 3 "exit code when a resolution gave no figure"
expect_eq "$(json_get 'd["resolutions"][0]["figure"]')" None "JSON: the stopped game has no figure"
json_get 'd["resolutions"][0]["reason"]' | matches -qF "stopped after 5 s" || fail "JSON: why"
json_get 'd["resolutions"][1]["figure"]' | matches -qE '^[0-9]+\.[0-9]+$' || fail "JSON: the next resolution played"
expect_eq "$(wc -l <"$game/StandIn/calls.txt" | tr -d ' ')" 2 "two game starts"
report=$(json_get 'd["reportPath"]')
page=$(ls -t "$results"/result_*.htm | head -1)
iconv -f cp1252 -t utf-8 "$page" | tr -d '\r' | matches -qF 'No score: stopped after 5 s' || fail "report: why 640 x 480 has no score"
iconv -f cp1252 -t utf-8 "$program/debuginfo.txt" | tr -d '\r' |
  grep -qF 'Time limit: the game at 640×480 ran longer than 5 s and was stopped' || fail "debug log: the stop"
expect_same_file "$ini" "$user_ini" "Sam2.ini restored after the stopped game"
expect_eq "$(reg_get "$settings_key" NoErrorWarning)" 0 "marker after the stopped game"
# The hung game's own child would leave its mark 15 s after it began, had it survived the stop.
sleep $((started + 20 - $(date +%s) > 0 ? started + 20 - $(date +%s) : 0))
[ ! -e "$game/StandIn/survivor.txt" ] || fail "a process of the hung game outlived the stop"
[ -n "$report" ] || fail "a report for the run with a stopped game"

echo "-- a run cancelled at its window"
rm -f "$json" "$results"/result_*.htm
printf 'hang\r\n' >"$game/StandIn/behaviour.txt"
rm -f "$game/StandIn/calls.txt"
"$src/cmake/wine-run.sh" "$program/melkrin.exe" /run "/res:640x480,800x600" "/json:$json_win" </dev/null >/dev/null 2>&1 &
melkrin_pid=$!
driver wait-window TForm1 60 || fail "main window"
wait_for 60 test -e "$game/StandIn/calls.txt" || fail "the game did not start"
# Escape asks too; declined, the run goes on.
driver key TForm1 1012 escape || fail "Escape on the cancel button"
expect_eq "$(driver dialog-text 30 | tr -d '\r')" \
  "Cancel the benchmark? The game is ended and no report is written." "the cancel question"
driver answer no
driver no-dialog 1 || fail "a second question"
kill -0 "$melkrin_pid" || fail "melkrin.exe ended although the cancel was declined"
driver click TForm1 Cancel || fail "no cancel button"
expect_eq "$(driver dialog-text 30 | tr -d '\r')" \
  "Cancel the benchmark? The game is ended and no report is written." "the cancel question"
driver answer yes
wait_for 60 bash -c "! kill -0 $melkrin_pid 2>/dev/null" || fail "melkrin.exe did not end after the cancel"
code=0
wait "$melkrin_pid" || code=$?
melkrin_pid=""
expect_eq "$code" 4 "exit code of a cancelled run"
expect_eq "$(json_get 'd["result"]')" cancelled "JSON of the cancelled run"
[ -z "$(ls "$results"/result_*.htm 2>/dev/null)" ] || fail "a cancelled run wrote a report"
expect_eq "$(wc -l <"$game/StandIn/calls.txt" | tr -d ' ')" 1 "no game after the cancel"
expect_same_file "$ini" "$user_ini" "Sam2.ini restored after the cancel"
[ ! -e "$game/Content/SeriousSam2/Sam2_old.ini" ] || fail "backup left behind"
expect_eq "$(reg_get "$settings_key" NoErrorWarning)" 0 "marker after the cancel"
tr -d '\r' <"$program/debuginfo.txt" | matches -qx 'Run cancelled by the user' || fail "debug log: the cancel"
rm -f "$game/StandIn/behaviour.txt"
echo "scripted run e2e: all scenarios passed"
