#!/usr/bin/env bash
# The installer under Wine: a silent install per machine, the installed
# program starting without a start-up message, an install over it that keeps
# the user's settings, and a silent uninstall that leaves no program file and
# no key but keeps the user's reports.
source "$(dirname "$0")/e2e_lib.sh"
source "$(dirname "$0")/run_lib.sh"

setup=$(ls "$build"/Melkrin-*-setup.exe 2>/dev/null | head -1)
[ -n "$setup" ] || fail "no installer in $build (the installer target did not build)"
drive_c="$prefix/drive_c"
program="$drive_c/Program Files/Quorvane/Melkrin"
start_menu="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Quorvane Melkrin"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QuorvaneMelkrin'
key_exists() { wrun reg query "$1" "/reg:$2" >/dev/null 2>&1; }

# Leftovers of an earlier, failed test run would hide what this one installs.
rm -rf "$drive_c/Program Files/Quorvane" "$start_menu"
reg_delete "$settings_key"
if key_exists "$uninstall_key" 64; then wrun reg delete "$uninstall_key" /f /reg:64 >/dev/null; fi
install_game "$build/e2e/installer/Games/Serious Sam 2"

echo "-- silent install"
wrun "$setup" /S </dev/null >/dev/null 2>&1 || fail "the silent install failed (exit code $?)"
for file in melkrin.exe uninstall.exe Demos/Demo_0001.dem Demos/Demo_0002.dem Demos/Demo_0003.dem Help/help.chm; do
  [ -f "$program/$file" ] || fail "not installed: $file"
done
[ -d "$program/Benchmark" ] || fail "no Benchmark folder"
[ -z "$(ls -A "$program/Benchmark")" ] || fail "the Benchmark folder is not empty"
cmp -s "$program/Help/help.chm" "$build/chm/help.chm" || fail "the installed help file differs from the built one"
cmp -s "$program/melkrin.exe" "$build/melkrin.exe" || fail "the installed program differs from the built one"
expect_eq "$(cat "$program/version.txt")" "1.2" "version.txt"
# The settings key where melkrin.exe reads it (the 32-bit view), with the defaults.
key_exists "$settings_key" 32 || fail "no settings key in the 32-bit view"
! key_exists "$settings_key" 64 || fail "the settings key landed in the 64-bit view"
for pair in NoErrorWarning=0 Demo=1 Demoname= 1024=1 CusRes=0 CusW=0 CusH=0 AFLevel=0 AALevel=0 HDR=1 Renderer=1 UseProxy=0; do
  expect_eq "$(reg_get "$settings_key" "${pair%%=*}")" "${pair#*=}" "setting ${pair%%=*}"
done
expect_eq "$(wrun reg query "$uninstall_key" /v DisplayName /reg:64 2>/dev/null | tr -d '\r' | grep -c 'Quorvane Melkrin')" 1 \
  "Programs and Features entry"
wrun reg query "$uninstall_key" /v UninstallString /reg:64 2>/dev/null | matches -qF 'Quorvane\Melkrin\uninstall.exe' ||
  fail "the uninstall entry names no uninstaller"
for link in Melkrin.lnk "Melkrin Help.lnk" "Uninstall Melkrin.lnk"; do
  [ -f "$start_menu/$link" ] || fail "no Start menu entry $link"
done

echo "-- the installed program starts without a message"
start_program "$program"
driver wait-window TForm1 60 || fail "the main window did not open"
driver no-dialog 3 || fail "a start-up message came up: $(driver dialog-text 1)"
expect_eq "$(driver text TForm1 1501 | tr -d '\r')" "1.2" "version shown on the about page"
stop_melkrin
[ ! -e "$program/version.txt" ] || fail "version.txt was not taken over"
expect_eq "$(reg_get "$settings_key" Programversion)" "1.2" "Programversion"

echo "-- installing over it keeps the user's settings"
reg_set "$settings_key" Demo 3
reg_set "$settings_key" 1024 0
reg_set "$settings_key" Note "my own note"
wrun "$setup" /S </dev/null >/dev/null 2>&1 || fail "the second silent install failed"
expect_eq "$(reg_get "$settings_key" Demo)" 3 "Demo after the update"
expect_eq "$(reg_get "$settings_key" 1024)" 0 "1024 after the update"
expect_eq "$(reg_get "$settings_key" Note)" "my own note" "Note after the update"
expect_eq "$(cat "$program/version.txt")" "1.2" "version.txt of the update"

echo "-- silent uninstall keeps the reports"
printf '<html>a report</html>\r\n' >"$program/Benchmark/result_1_2_2026.htm"
printf 'debug\r\n' >"$program/debuginfo.txt"
wrun "$program/uninstall.exe" /S </dev/null >/dev/null 2>&1 || fail "the silent uninstall failed to start"
# The uninstaller runs on from a copy of itself in the temporary folder.
uninstalled() { [ ! -e "$program/uninstall.exe" ] && ! key_exists "$settings_key" 32 && ! key_exists "$uninstall_key" 64; }
wait_for 60 uninstalled || fail "the uninstaller did not finish within 60 s"
left=$(cd "$drive_c/Program Files/Quorvane" && find . -mindepth 1 | sort)
expect_eq "$left" "./Melkrin
./Melkrin/Benchmark
./Melkrin/Benchmark/result_1_2_2026.htm" "what the uninstaller left"
[ ! -e "$start_menu" ] || fail "the Start menu folder is left"
echo "installer e2e: all scenarios passed"
