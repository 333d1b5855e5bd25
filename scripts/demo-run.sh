#!/usr/bin/env bash
# The demo's second half (see demo.sh): installs Melkrin and the stand-in
# game into the demo's Wine prefix and starts Melkrin, or, headless, runs a
# benchmark of two resolutions through the window and prints the report.
set -euo pipefail
step() { printf '\n== %s\n' "$*"; }
# The end-to-end helpers, pointed at the demo's prefix.
source "$top/tests/e2e/e2e_lib.sh" "$top/build/win" "$top"
source "$top/tests/e2e/run_lib.sh"
# Paths inside the prefix as Windows names them.
winpath() { local p=$1; p=${p#"$WINEPREFIX/drive_c/"}; printf 'C:\\%s' "$p" | tr '/' '\\'; }

step "preparing the Wine prefix (the first time takes a while)"
wrun cmd /c exit >/dev/null 2>&1 || true
program="$WINEPREFIX/drive_c/Program Files/Quorvane/Melkrin"
game="$WINEPREFIX/drive_c/Games/Serious Sam 2"
step "installing Melkrin into C:\\Program Files\\Quorvane\\Melkrin"
install_melkrin "$program"
step "installing the stand-in game into C:\\Games\\Serious Sam 2"
install_game "$game"

if [ -z "$headless" ]; then
  step "starting Melkrin: choose resolutions and a demo, then press the run button"
  wrun "$program/melkrin.exe"
  exit 0
fi

step "benchmarking 640 x 480 and 800 x 600 with the first built-in demo (headless)"
record_report_opens "$WINEPREFIX/opened.txt"
for value in 640 800; do reg_set "$settings_key" "$value" 1; done
reg_set "$settings_key" Demo 1
reg_set "$settings_key" AALevel 1
reg_set "$settings_key" AFLevel 2
start_program "$program"
driver wait-window TForm1 60 || fail "the main window did not open"
driver click TForm1 "Run benchmark" || fail "no run button"
printf 'running'
for _ in $(seq 1 600); do
  if [ "$(reg_get "$settings_key" NoErrorWarning)" = 0 ] && ls "$program/Benchmark/"result_*.htm >/dev/null 2>&1; then break; fi
  printf '.'
  sleep 1
done
echo
report=$(ls -t "$program/Benchmark/"result_*.htm 2>/dev/null | head -1)
[ -n "$report" ] || fail "no report was written (see $program/debuginfo.txt)"
stop_melkrin
step "done"
LC_ALL=C grep -o 'Resolution: [^<]*\|Score = [^<]*' "$report" | iconv -f cp1252 -t utf-8 | sed 's/^/  /'
echo "Report:    $report"
echo "Debug log: $program/debuginfo.txt"
