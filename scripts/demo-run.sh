#!/usr/bin/env bash
# The demo's second half (see demo.sh): installs Melkrin and the stand-in
# game into the demo's Wine prefix and starts Melkrin, or, headless, runs a
# benchmark through the window and prints the scores and the report's path.
# Headless, every way the run can go wrong ends the demo with its reason: a
# message box of Melkrin's (its text is printed), a window that never opens,
# melkrin.exe ending early, a run that does not end within the limit.
set -euo pipefail
step() { printf '\n== %s\n' "$*"; }
# The end-to-end helpers, pointed at the demo's prefix.
source "$top/tests/e2e/e2e_lib.sh" "$build" "$top"
source "$top/tests/e2e/run_lib.sh"
# Paths inside the prefix as Windows names them.
winpath() { local p=$1; p=${p#"$WINEPREFIX/drive_c/"}; printf 'C:\\%s' "$p" | tr '/' '\\'; }

program="$WINEPREFIX/drive_c/Program Files/Quorvane/Melkrin"
game="$WINEPREFIX/drive_c/Games/Serious Sam 2"
debug_log="$program/debuginfo.txt"

demo_fail() {
  echo
  echo "DEMO FAILED: $*" >&2
  if [ -f "$debug_log" ]; then
    echo "Debug log: $debug_log (last lines below)" >&2
    tail -n 12 "$debug_log" | iconv -f cp1252 -t utf-8 | tr -d '\r' | sed 's/^/  | /' >&2
  else
    echo "Debug log: $debug_log (not written)" >&2
  fi
  exit 1
}

step "preparing the Wine prefix (the first time takes a minute)"
wrun cmd /c exit >/dev/null || demo_fail "Wine cannot run a program in $WINEPREFIX"
step "installing Melkrin into C:\\Program Files\\Quorvane\\Melkrin"
# An installation over an older one keeps its results folder, as the
# installer does, so that the history page compares the demo's runs.
kept="$WINEPREFIX/drive_c/melkrin-demo-results"
rm -rf "$kept"
if [ -d "$program/Benchmark" ]; then mv "$program/Benchmark" "$kept"; fi
install_melkrin "$program"
if [ -d "$kept" ]; then
  rm -rf "$program/Benchmark"
  mv "$kept" "$program/Benchmark"
fi
step "installing the stand-in game into C:\\Games\\Serious Sam 2"
install_game "$game"

if [ -z "$headless" ]; then
  step "starting Melkrin: choose resolutions and a demo, then press the run button"
  wrun "$program/melkrin.exe"
  exit 0
fi

resolutions=${MELKRIN_DEMO_RESOLUTIONS:-640 800}
run_limit=${MELKRIN_DEMO_RUN_LIMIT:-300}
step "benchmarking ($resolutions) with the first built-in demo (headless)"
record_report_opens "$WINEPREFIX/opened.txt"
for value in $resolutions; do reg_set "$settings_key" "$value" 1; done
reg_set "$settings_key" Demo 1
if [ -n "${MELKRIN_DEMO_PASSES:-}" ]; then reg_set "$settings_key" Passes "$MELKRIN_DEMO_PASSES"; fi
reg_set "$settings_key" AALevel 1
reg_set "$settings_key" AFLevel 2

# A message box of Melkrin's, printed; none gives 1.
message_box() {
  local text
  text=$(driver dialog-text 0 2>/dev/null) || return 1
  printf '%s' "$text" | iconv -f cp1252 -t utf-8 | tr -d '\r'
}

start_program "$program"
# The window, or the message that keeps it from opening, within a minute.
opened=""
for _ in $(seq 1 30); do
  if box=$(message_box); then demo_fail "Melkrin says: \"$box\""; fi
  kill -0 "$melkrin_pid" 2>/dev/null || demo_fail "melkrin.exe ended before its window opened"
  if driver wait-window TForm1 2; then opened=1; break; fi
done
[ -n "$opened" ] || demo_fail "the main window did not open within a minute"

reports_before=$(find "$program/Benchmark" -maxdepth 1 -name 'result_*.htm' | wc -l)
driver click TForm1 "Run benchmark" || demo_fail "the run button was not found"
printf 'running'
started=$SECONDS
while :; do
  reports=$(find "$program/Benchmark" -maxdepth 1 -name 'result_*.htm' | wc -l)
  if [ "$reports" -gt "$reports_before" ] && marker_is 0; then break; fi
  if box=$(message_box); then demo_fail "Melkrin says: \"$box\""; fi
  kill -0 "$melkrin_pid" 2>/dev/null || demo_fail "melkrin.exe ended before the run finished"
  [ $((SECONDS - started)) -lt "$run_limit" ] ||
    demo_fail "the run did not end within $run_limit s (MELKRIN_DEMO_RUN_LIMIT)"
  printf '.'
  sleep 2
done
echo " done in $((SECONDS - started)) s"
report=$(ls -t "$program/Benchmark/"result_*.htm | head -1)
# The last message boxes a finished run might show (a report it could not
# open, say) come before the scores are trusted.
if box=$(message_box); then demo_fail "Melkrin says: \"$box\""; fi
stop_melkrin
step "done"
scores=$(LC_ALL=C grep -o 'Resolution: [^<]*\|Score = [^<]*\|Passes: [^<]*\|95 % confidence interval: [^<]*' "$report" | iconv -f cp1252 -t utf-8)
printf '%s\n' "$scores" | sed 's/^/  /'
expected=$(wc -w <<<"$resolutions")
[ "$(grep -c '^Score = ' <<<"$scores")" = "$expected" ] ||
  demo_fail "the report holds no score for every resolution: $report"
echo "Report:    $report"
echo "Debug log: $debug_log"
history="$program/Benchmark/history.htm"
[ -f "$history" ] || demo_fail "no history page beside the report: $history"
runs=$(find "$program/Benchmark" -maxdepth 1 -name 'result_*.json' | wc -l)
if [ "$runs" -eq 1 ]; then
  echo "History:   $history (1 run; run the demo again to compare two)"
else
  echo "History:   $history ($runs runs; open it to compare the last two)"
fi
