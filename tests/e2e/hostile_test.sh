#!/usr/bin/env bash
# melkrin.exe under Wine against input nobody should have left: a settings
# value of the wrong type and one of a megabyte, a game log of 100 MB, and a
# results folder that vanishes while the game plays. Each gives a clear
# message at most; the window stays usable and the user's Sam2.ini comes back.
source "$(dirname "$0")/e2e_lib.sh"
source "$(dirname "$0")/run_lib.sh"

root="$build/e2e/hostile"
program="$root/Quorvane Melkrin"
game="$root/Games/Serious Sam 2"
install_melkrin "$program"
install_game "$game"
record_report_opens "$root/opened.txt"
user_ini="$root/user Sam2.ini"
cp "$game/Content/SeriousSam2/Sam2.ini" "$user_ini"
reg_set "$settings_key" 640 1
reg_set "$settings_key" Demo 1
reg_set "$settings_key" "Display Memory" " 64.0 MB"

echo "-- a settings value of the wrong type"
wrun reg add "$settings_key" /v HDR /t REG_DWORD /d 1 /f /reg:32 >/dev/null
start_program "$program"
expect_eq "$(driver dialog-text 60 | tr -d '\r')" "Invalid data type for 'HDR'" "the value is named"
driver answer ok || fail "could not answer the message"
driver wait-window TForm1 20 || fail "the main window must open after the message"
stop_melkrin
wrun reg delete "$settings_key" /v HDR /f /reg:32 >/dev/null

echo "-- a note of a megabyte"
note_reg="$root/note.reg"
{ printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvane\\Melkrin]\r\n"Note"="'
  head -c $((1 << 20)) /dev/zero | tr '\0' 'n'
  printf '"\r\n'; } >"$note_reg"
wrun reg import "$(winpath "$note_reg")" /reg:32 >/dev/null 2>&1 || fail "could not import the note"
expect_eq "$(reg_get "$settings_key" Note | wc -c)" $(((1 << 20) + 1)) "the note as stored"
start_program "$program"
driver wait-window TForm1 60 || fail "main window with a megabyte note"
driver no-dialog 2 || fail "a megabyte note gave: $(driver dialog-text 1)"
stop_melkrin
reg_set "$settings_key" Note "short again"

echo "-- a 100 MB log, and the results folder vanishes while the game plays"
mkdir -p "$game/StandIn"
printf 'hold=6000\r\n' >"$game/StandIn/behaviour.txt"
reg_set "$settings_key" "Display Memory" " 64.0 MB"
start_program "$program"
driver wait-window TForm1 60 || fail "main window"
driver click TForm1 "Run benchmark" || fail "no run button"
wait_for 60 grep -q '^Average: ' "$game/Sam2.log" || fail "the game wrote no figure"
rm -rf "$program/Benchmark"
# Appended behind the game's back while it still holds the log open.
head -c $((100 << 20)) /dev/zero | tr '\0' 'x' >>"$game/Sam2.log"
message=$(driver dialog-text 90 | tr -d '\r') || fail "no message about the report"
grep -q 'result_.*\.htm' <<<"$message" || fail "the message does not name the report: $message"
peak=$(awk '/^VmHWM:/ { print $2 }' "/proc/$melkrin_pid/status")
[ "$peak" -lt $((400 * 1024)) ] || fail "melkrin.exe took $peak KB for a 100 MB log"
driver answer ok || fail "could not answer the message"
expect_same_file "$game/Content/SeriousSam2/Sam2.ini" "$user_ini" "Sam2.ini after the run"
expect_eq "$(reg_get "$settings_key" NoErrorWarning)" 0 "marker after the run"
tr -d '\r' <"$program/debuginfo.txt" | matches -q '^Result: [0-9][0-9.]* FPS$' || fail "the figure was not read from the 100 MB log"
echo "   melkrin.exe's peak memory with the 100 MB log: $((peak / 1024)) MB"
# Closing answers at once: the window was never blocked.
stop_melkrin
echo "hostile input: every case handled"
