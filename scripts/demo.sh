#!/usr/bin/env bash
# The demo: builds Melkrin and the stand-in game, installs both into a private
# Wine prefix as their installers would (program folder with the built-in
# demos, game folder below "C:\Games", both registry keys), and starts Melkrin.
# With a display the window opens for you. Without one (or with
# MELKRIN_DEMO_HEADLESS=1) it runs under Xvfb, performs a benchmark of two
# resolutions through the window, and prints the scores and where the report
# and the debug log are. Anything that goes wrong ends it with a message and
# a non-zero exit code.
#
# Settings for tests and the curious (environment):
#   MELKRIN_DEMO_PREFIX        the Wine prefix (build/demo/wineprefix)
#   MELKRIN_DEMO_BUILD         the Windows build tree (build/win)
#   MELKRIN_DEMO_PREBUILT=1    use that tree as it is, build nothing
#   MELKRIN_DEMO_RESOLUTIONS   the resolution values to tick ("640 800")
#   MELKRIN_DEMO_RUN_LIMIT     seconds the headless run may take (300)
#   MELKRIN_DEMO_PASSES        passes per resolution, stored as the passes page would ("1".."10" or "until stable"; unset: none stored)
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)

step() { printf '\n== %s\n' "$*"; }
build=${MELKRIN_DEMO_BUILD:-$top/build/win}

step "checking the tools"
bash scripts/install-deps.sh

if [ -z "${MELKRIN_DEMO_PREBUILT:-}" ]; then
  step "building melkrin.exe, the stand-in game and the UI driver"
  mkdir -p build
  build_log="$top/build/demo-build.log"
  if ! { cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-mingw-w64-x86_64.cmake" \
           -DCMAKE_BUILD_TYPE=Release &&
         cmake --build "$build" -j"$(nproc)" --target melkrin sam2_standin melkrin_driver; } >"$build_log" 2>&1; then
    tail -n 30 "$build_log"
    echo "The build failed; the whole output is in $build_log" >&2
    exit 1
  fi
  echo "built (output in $build_log)"
fi
for built in "$build/melkrin.exe" "$build/standin/Sam2.exe" "$build/tests/melkrin_driver.exe"; do
  [ -f "$built" ] || { echo "missing $built: build it first (or leave MELKRIN_DEMO_PREBUILT unset)" >&2; exit 1; }
done

headless=${MELKRIN_DEMO_HEADLESS:-}
if [ -z "$headless" ] && [ -z "${DISPLAY:-}" ]; then headless=1; fi
if [ -z "$headless" ]; then export MELKRIN_WINE_DESKTOP=none; fi

export WINEPREFIX="${MELKRIN_DEMO_PREFIX:-$top/build/demo/wineprefix}"
mkdir -p "$WINEPREFIX"
source cmake/wine-env.sh
# A server left from an earlier demo may belong to another display.
wine_stop_server
trap wine_stop_server EXIT

export top build headless
if [ -n "$headless" ]; then
  xvfb-run -a -s "-screen 0 1600x1200x24" bash scripts/demo-run.sh
else
  bash scripts/demo-run.sh
fi
