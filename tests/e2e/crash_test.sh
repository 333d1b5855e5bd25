#!/usr/bin/env bash
# A crash of melkrin.exe in the middle of a benchmark run, forced from outside
# (a thread of the program starts at an unmapped address): the user's game
# configuration is back, the run marker is cleared, a minidump and a text
# report lie in the user's crash folder, and one dialog says where. Under
# "/run /quiet" no dialog waits: the program ends at once with exit code 5
# and the JSON file says "crashed".
source "$(dirname "$0")/e2e_lib.sh"
source "$(dirname "$0")/run_lib.sh"

root="$build/e2e/crash"
program="$root/Quorvane Melkrin"
game="$root/Games/Serious Sam 2"
install_melkrin "$program"
install_game "$game"
record_report_opens "$root/opened.txt"
user_ini=$(cat "$game/Content/SeriousSam2/Sam2.ini")
crash_dir="$prefix/drive_c/users/$(id -un)/AppData/Local/Quorvane/Melkrin/Crash reports"
rm -rf "$crash_dir"

reg_set "$settings_key" 640 1
reg_set "$settings_key" Demo 1
reg_set "$settings_key" "Display Memory" " 64.0 MB"
reg_set "$settings_key" NoErrorWarning 0
# The game holds on long enough for the crash to come while it plays.
mkdir -p "$game/StandIn"
printf 'hold=4000\r\n' >"$game/StandIn/behaviour.txt"

game_gone() { [ -z "$(pgrep_here 'Bin.Sam2.exe')" ]; }
melkrin_gone() { ! kill -0 "$melkrin_pid" 2>/dev/null; }

echo "-- crash during a run"
start_program "$program"
driver wait-window TForm1 60 || fail "main window"
driver click TForm1 "Run benchmark" || fail "no run button"
wait_for 30 test -e "$game/Content/SeriousSam2/Sam2_old.ini" || fail "the run did not back the configuration up"
driver crash TForm1 || fail "could not make melkrin.exe fail"
text=$(driver dialog-text 60 | iconv -f cp1252 -t utf-8 | tr -d '\r') || fail "no crash dialog"
echo "$text"
grep -qF 'Melkrin has stopped because of an unexpected error (access violation (0xC0000005) executing address 0x0000000000000010).' <<<"$text" ||
  fail "dialog: the error"
grep -qF 'your own game configuration (Sam2.ini) has been put back.' <<<"$text" || fail "dialog: the configuration"
grep -qF 'Quorvane\Melkrin\Crash reports\' <<<"$text" || fail "dialog: the folder"
grep -qE '^crash_[0-9-]+_[0-9-]+\.txt$' <<<"$text" || fail "dialog: the report file"
grep -qE '^crash_[0-9-]+_[0-9-]+\.dmp$' <<<"$text" || fail "dialog: the dump file"
# Everything the dialog speaks of is done before it shows.
expect_eq "$(cat "$game/Content/SeriousSam2/Sam2.ini")" "$user_ini" "Sam2.ini restored byte for byte"
[ ! -e "$game/Content/SeriousSam2/Sam2_old.ini" ] || fail "backup left behind"
expect_eq "$(reg_get "$settings_key" NoErrorWarning)" 0 "marker after the crash"
# The crash came on a thread of its own; the window's thread, where every step
# of a run happens, is stopped while the report is made, and should it go on
# (when it held a lock the report needs) the run's own end finds nothing left
# to put back. Either way, once the game has ended and the run's next steps
# would have come (within 3 s: a 2 s wait, the log test, the end of the run),
# the user's configuration is still there.
wait_for 60 game_gone || fail "the stand-in game did not end"
sleep 6
expect_eq "$(cat "$game/Content/SeriousSam2/Sam2.ini")" "$user_ini" "Sam2.ini after the game ended"
[ ! -e "$game/Content/SeriousSam2/Sam2_old.ini" ] || fail "backup after the game ended"
driver answer ok || fail "the dialog did not take OK"
wait_for 20 melkrin_gone || fail "melkrin.exe still runs after the crash dialog"

reports=("$crash_dir"/crash_*.txt)
dumps=("$crash_dir"/crash_*.dmp)
[ ${#reports[@]} = 1 ] && [ -f "${reports[0]}" ] || fail "one crash report expected in $crash_dir"
[ ${#dumps[@]} = 1 ] && [ -f "${dumps[0]}" ] || fail "one minidump expected in $crash_dir"
expect_eq "${reports[0]%.txt}" "${dumps[0]%.dmp}" "report and dump share their name"
expect_eq "$(head -c 4 "${dumps[0]}")" "MDMP" "minidump signature"
report=$(iconv -f cp1252 -t utf-8 "${reports[0]}" | tr -d '\r')
echo "$report"
has() { grep -qE -- "$1" <<<"$report" || fail "crash report lacks: $1"; }
has '^Program version: 1\.2 \(built as [0-9]+\.[0-9]+\)$'
has '^Windows: Windows [0-9]+\.[0-9]+ build [0-9]+( Service Pack [0-9]+)?, 64-bit, Wine '
has '^Exception: access violation \(0xC0000005\) executing address 0x0000000000000010$'
has '^Address: 0x0000000000000010 \(outside every loaded module\)$'
has '^Thread: [0-9]+ \(not the window.s thread\)$'
has '^Game configuration: A benchmark was running: your own game configuration \(Sam2.ini\) has been put back\.$'
has "^Minidump: $(basename "${dumps[0]}")\$"
has '^Last lines of the debug log \(debuginfo.txt\):$'
has '^  START SS2 in 640 × 480$'

rm -f "$game/StandIn/behaviour.txt"

echo "-- a crash during \"/run /quiet\": nothing waits, exit code 5"
rm -rf "$crash_dir"
printf 'hold=4000\r\n' >"$game/StandIn/behaviour.txt"
json="$root/crashed.json"
rm -f "$json" "$program/debuginfo.txt"
"$src/cmake/wine-run.sh" "$program/melkrin.exe" /run /quiet "/json:$(winpath "$json")" </dev/null >/dev/null 2>&1 &
melkrin_pid=$!
wait_for 60 test -e "$game/Content/SeriousSam2/Sam2_old.ini" || fail "quiet: the run did not back the configuration up"
driver crash TForm1 || fail "quiet: could not make melkrin.exe fail"
# The minidump alone takes half a minute under Wine; a box would wait for ever.
wait_for 120 melkrin_gone || fail "quiet: melkrin.exe still runs 120 s after the crash (a window waits?)"
rc=0
wait "$melkrin_pid" || rc=$?
expect_eq "$rc" 5 "quiet: exit code of a crash"
driver no-dialog 1 || fail "quiet: a window after the crash: $(driver dialog-text 1)"
expect_eq "$(cat "$game/Content/SeriousSam2/Sam2.ini")" "$user_ini" "quiet: Sam2.ini restored byte for byte"
[ ! -e "$game/Content/SeriousSam2/Sam2_old.ini" ] || fail "quiet: backup left behind"
expect_eq "$(reg_get "$settings_key" NoErrorWarning)" 0 "quiet: marker after the crash"
wait_for 10 game_gone || fail "quiet: the game outlived the crashed melkrin.exe"
quiet_reports=("$crash_dir"/crash_*.txt)
[ -f "${quiet_reports[0]}" ] || fail "quiet: no crash report in $crash_dir"
expect_eq "$(python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); print(d["result"], d["exitCode"])' "$json")" \
  "crashed 5" "quiet: the JSON file"
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); print("\n".join(d["errors"]))' "$json" |
  matches -q '^Crash report: .*Crash reports\\crash_[0-9_-]*\.txt$' || fail "quiet: the JSON names no crash report"
tr -d '\r' <"$program/debuginfo.txt" | matches -q '^Crash: access violation .*; crash report: .*crash_[0-9_-]*\.txt$' ||
  fail "quiet: the debug log does not say where the report is"
rm -f "$game/StandIn/behaviour.txt"

echo "-- a crash with no run under way leaves the game alone"
rm -rf "$crash_dir"
printf 'users own file\r\n' >"$game/Content/SeriousSam2/Sam2.ini"
printf 'older backup\r\n' >"$game/Content/SeriousSam2/Sam2_old.ini"
reg_set "$settings_key" NoErrorWarning 1
start_program "$program"
expect_eq "$(driver dialog-text 60 | tr -d '\r')" \
  "The last time an error occured. Do you wish to restore the original settings?" "recovery question"
driver answer no
driver wait-window TForm1 20 || fail "main window"
driver crash TForm1 || fail "could not make melkrin.exe fail"
text=$(driver dialog-text 60 | tr -d '\r') || fail "no crash dialog"
grep -qF "No benchmark was running; the game's configuration was not touched." <<<"$text" || fail "dialog without a run: $text"
driver answer ok
wait_for 20 melkrin_gone || fail "melkrin.exe still runs after the crash dialog"
expect_eq "$(tr -d '\r' <"$game/Content/SeriousSam2/Sam2.ini")" "users own file" "Sam2.ini untouched"
expect_eq "$(tr -d '\r' <"$game/Content/SeriousSam2/Sam2_old.ini")" "older backup" "older backup untouched"
expect_eq "$(reg_get "$settings_key" NoErrorWarning)" 1 "marker untouched"
[ "$(ls "$crash_dir"/crash_*.txt | wc -l)" = 1 ] || fail "a report for the second crash"

echo "-- every kind of failure reaches the report"
probe_log="$root/probe-debuginfo.txt"
printf 'line one\r\nlast line\r\n' >"$probe_log"
for case in "uncaught|C++ exception that nothing caught: probe failure" \
  "noexcept|C++ exception that nothing caught: probe failure" \
  "stack|stack overflow (0xC00000FD)" \
  "null|access violation (0xC0000005) writing address 0x0000000000000000"; do
  mode=${case%%|*}
  expected=${case#*|}
  rm -rf "$crash_dir"
  "$src/cmake/wine-run.sh" "$build/tests/crash_probe.exe" "$mode" "$(winpath "$probe_log")" </dev/null >/dev/null 2>&1 &
  probe=$!
  text=$(driver dialog-text 30 | tr -d '\r') || fail "$mode: no crash dialog"
  grep -qF "unexpected error ($expected)." <<<"$text" || fail "$mode: dialog: $text"
  driver answer ok || fail "$mode: the dialog did not take OK"
  rc=0
  wait "$probe" || rc=$?
  expect_eq "$rc" 5 "$mode: exit code"
  report=$(cat "$crash_dir"/crash_*.txt | tr -d '\r')
  grep -qxF "Exception: $expected" <<<"$report" || fail "$mode: report: $report"
  grep -qx 'Address: 0x[0-9A-F]* (crash_probe.exe+0x[0-9A-F]*)' <<<"$report" || fail "$mode: address: $report"
  grep -qxF 'Program version: 9.9 (built as 9.9)' <<<"$report" || fail "$mode: version"
  grep -qxF '  last line' <<<"$report" || fail "$mode: debug log"
  expect_eq "$(head -c 4 "$crash_dir"/crash_*.dmp)" "MDMP" "$mode: minidump"
done
echo "crash e2e: all scenarios passed"
