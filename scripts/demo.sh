#!/usr/bin/env bash
# The demo: builds Melkrin and the stand-in game, installs both into a private
# Wine prefix as their installers would (program folder with the built-in
# demos, game folder below "C:\Games", both registry keys), and starts Melkrin.
# With a display the window opens for you. Without one (or with
# MELKRIN_DEMO_HEADLESS=1) it runs under Xvfb, performs a benchmark of two
# resolutions through the window, and prints where the report is.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)

step() { printf '\n== %s\n' "$*"; }

step "checking the tools"
bash scripts/install-deps.sh

step "building melkrin.exe, the stand-in game and the UI driver"
cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win -j"$(nproc)" --target melkrin sam2_standin melkrin_driver | grep -E '^\[|error' | tail -3

headless=${MELKRIN_DEMO_HEADLESS:-}
if [ -z "$headless" ] && [ -z "${DISPLAY:-}" ]; then headless=1; fi
if [ -z "$headless" ]; then export MELKRIN_WINE_DESKTOP=none; fi

export WINEPREFIX="$top/build/demo/wineprefix"
mkdir -p "$WINEPREFIX"
stop_wine() { wineserver -k >/dev/null 2>&1 || true; }
stop_wine

demo_body() {
  set -euo pipefail
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
    return
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
  grep -o 'Resolution: [^<]*\|Score = [^<]*' "$report" | iconv -f cp1252 -t utf-8 | sed 's/^/  /'
  echo "Report:    $report"
  echo "Debug log: $program/debuginfo.txt"
}
export -f demo_body step
export top headless

trap stop_wine EXIT
if [ -n "$headless" ]; then
  xvfb-run -a -s "-screen 0 1600x1200x24" bash -c demo_body
else
  bash -c demo_body
fi
