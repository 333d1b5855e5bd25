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
stop_wine() { wineserver -k >/dev/null 2>&1 || true; wineserver -w >/dev/null 2>&1 || true; }
stop_wine

trap stop_wine EXIT
export top headless
if [ -n "$headless" ]; then
  xvfb-run -a -s "-screen 0 1600x1200x24" bash scripts/demo-run.sh
else
  bash scripts/demo-run.sh
fi
