#!/usr/bin/env bash
# Whole benchmark runs of melkrin.exe with the stand-in game under Wine,
# driven through the window as a user would.
source "$(dirname "$0")/e2e_lib.sh"
source "$(dirname "$0")/run_lib.sh"

root="$build/e2e/run"
program="$root/Quorvane Melkrin"
game="$root/Games/Serious Sam 2"
install_melkrin "$program"
install_game "$game"
record_report_opens "$root/opened.txt"
user_ini="$root/user Sam2.ini"
cp "$game/Content/SeriousSam2/Sam2.ini" "$user_ini"
results="$program/Benchmark"

# Options as a user left them: 800 x 600, 1280 x 1024 and a custom 1280 x 720,
# the first built-in demo, Direct3D, medium antialiasing, 8x filtering, HDR off.
for value in 800 1280; do reg_set "$settings_key" "$value" 1; done
reg_set "$settings_key" CusW 1280
reg_set "$settings_key" CusH 720
reg_set "$settings_key" CusRes 1
reg_set "$settings_key" Demo 1
reg_set "$settings_key" AALevel 2
reg_set "$settings_key" AFLevel 3
reg_set "$settings_key" HDR 0
reg_set "$settings_key" Renderer 1
reg_set "$settings_key" Note "e2e run"
# A filled diagnostic cache: both runs below read it instead of running the tool.
reg_set "$settings_key" "Display Memory" " 64.0 MB"
reg_set "$settings_key" "Driver Version" " 1.2.3"
reg_set "$settings_key" Sound "Stand-in Sound"

run_once() {
  driver click TForm1 "Run benchmark" || fail "no run button"
  wait_for 20 marker_is 1 || fail "the run did not start"
  wait_for 240 marker_is 0 || fail "the run did not end"
  driver no-dialog 1 || fail "an error came up: $(driver dialog-text 1)"
}

echo "-- first run: three resolutions"
start_program "$program"
driver wait-window TForm1 60 || fail "main window"
run_once
reports=("$results"/result_*.htm)
[ ${#reports[@]} -eq 1 ] && [ -f "${reports[0]}" ] || fail "one report expected in $results"
report=${reports[0]}
page=$(iconv -f cp1252 -t utf-8 "$report" | tr -d '\r')
has() { grep -qF -- "$1" <<<"$page" || fail "report lacks: $1"; }
has '<BR><B><FONT size=5>Resolution: 800×600</FONT></B><BR>'
has '<BR><B><FONT size=5>Resolution: 1280×1024</FONT></B><BR>'
has '<BR><B><FONT size=5>Resolution: 1280 × 720 (Custom)</FONT></B><BR>'
has 'Demo: Demo_0001.dem<br>'
has 'Antialiasing: Medium<br>'
has 'Anisotrophic filtering: 8×<br>'
has 'HDR rendering: Disabled<br>'
has '   <FONT size=2><b>Sound system:</b> Stand-in Sound</FONT><br>'
has '<FONT size=2><span class="style6">Comment:</span> e2e run</FONT><br>'
[ "$(echo "$page" | grep -c '^<span class="style5"><b>Score = [0-9][0-9.]* FPS</b></span><br>$')" = 3 ] || fail "three scores"
expect_eq "$(echo "$page" | head -1)" "<html>" "first line"
expect_eq "$(echo "$page" | tail -1)" "<CENTER>Made with Quorvane Melkrin</CENTER><BR></BODY></HTML>" "last line"
expect_same_file "$game/Content/SeriousSam2/Sam2.ini" "$user_ini" "Sam2.ini restored byte for byte"
[ ! -e "$game/Content/SeriousSam2/Sam2_old.ini" ] || fail "backup left behind"
[ ! -e "$game/Bin/melkrin.bat" ] || fail "batch file left behind"
grep -qi "result_" "$root/opened.txt" || fail "the report was not opened"

calls=$(cut -d'|' -f2 "$game/StandIn/calls.txt" | tr -d '\r')
expected_tail='+bmk_bBenchmarkDemos 1 +sam_demo 1 +sam_bBootSequence 0 +fullscreen 1'
expect_eq "$(echo "$calls" | wc -l)" 3 "three game runs"
echo "$calls" | sed -n 1p | matches -qF "+demo \"content/serioussam2/demos/Demo_0001.dem\" $expected_tail +width 800 +height 600 +bmk_bAutoQuit 1" || fail "first batch line: $calls"
echo "$calls" | sed -n 2p | matches -qF "+width 1280 +height 1024 +bmk_bAutoQuit 1" || fail "second batch line"
echo "$calls" | sed -n 3p | matches -qF "+width 1280 +height 720 +bmk_bAutoQuit 1" || fail "third batch line"
cut -d'|' -f1 "$game/StandIn/calls.txt" | sed -n 1p | matches -qi 'Serious Sam 2\\Bin' || fail "working folder is Bin"

debug=$(iconv -f cp1252 -t utf-8 "$program/debuginfo.txt" | tr -d '\r')
grep -q '^In-game settings' <<<"$debug" || fail "debug: game settings"
grep -q '^Antialiasing value: gfx_iAntiAliasing = 2;$' <<<"$debug" || fail "debug: antialiasing"
grep -q '^Anisotrophic value: tex_iAnisotropy = 8;$' <<<"$debug" || fail "debug: filtering"
order=$(echo "$debug" | grep -E '^(START SS2|Serious Sam 2 terminated|Source exist|Result: |.*successful|Settings restoring|DEBUG FINISHED)' |
  sed 's/Result: .* FPS/Result/')
expected_order='START SS2 in 800 × 600
Serious Sam 2 terminated
800×600 successful. More to come...
Source exist
Result
START SS2 in 1280 × 1024
Serious Sam 2 terminated
1280×1024 successful. More to come...
Source exist
Result
START SS2 1280 × 720 (Custom)...
Serious Sam 2 terminated
1280×720 (Custom) successful
Source exist
Result
Settings restoring...
DEBUG FINISHED.'
expect_eq "$order" "$expected_order" "debug log order"
expect_eq "$(reg_get "$settings_key" NoErrorWarning)" 0 "marker after the run"

echo "-- second run in the same program, the last game leaves no log"
mkdir -p "$game/StandIn"
printf 'nolog\r\n' >"$game/StandIn/behaviour.txt"
reg_set "$settings_key" NoErrorWarning 0
run_once
[ "$(ls "$results"/result_*.htm | wc -l)" = 1 ] || fail "no second report without a figure"
expect_same_file "$game/Content/SeriousSam2/Sam2.ini" "$user_ini" "Sam2.ini restored after the run without logs"
debug=$(tr -d '\r' <"$program/debuginfo.txt")
[ "$(echo "$debug" | grep -c '^DEBUG FINISHED.$')" = 2 ] || fail "second run follows the first in the debug log"
[ "$(echo "$debug" | grep -c '^Sound system: Stand-in Sound$')" = 2 ] || fail "both runs read the diagnostic cache"
echo "$debug" | sed -n '/^DEBUG FINISHED/,$p' | matches -q '^Source exist$' && fail "a game without a log gives no result"
stop_melkrin

echo "-- a run interrupted by ending melkrin.exe"
printf 'hold=8000\r\n' >"$game/StandIn/behaviour.txt"
start_program "$program"
driver wait-window TForm1 60 || fail "main window"
driver click TForm1 "Run benchmark" || fail "no run button"
wait_for 30 test -e "$game/Content/SeriousSam2/Sam2_old.ini" || fail "the run did not start"
kill -9 "$melkrin_pid"; wait "$melkrin_pid" 2>/dev/null || true
expect_eq "$(reg_get "$settings_key" NoErrorWarning)" 1 "marker left by the interrupted run"
rm -f "$game/StandIn/behaviour.txt"
game_gone() { [ -z "$(pgrep_here 'Bin.Sam2.exe')" ]; }
wait_for 30 game_gone || true
start_program "$program"
expect_eq "$(driver dialog-text 60 | tr -d '\r')" \
  "The last time an error occured. Do you wish to restore the original settings?" "recovery question"
driver answer yes
driver wait-window TForm1 20 || fail "main window"
expect_same_file "$game/Content/SeriousSam2/Sam2.ini" "$user_ini" "Sam2.ini restored by the recovery"
expect_eq "$(reg_get "$settings_key" NoErrorWarning)" 0 "marker after the recovery"
stop_melkrin
echo "run e2e: all scenarios passed"
