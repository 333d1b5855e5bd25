#!/usr/bin/env bash
# The one test command: installs what is missing (Debian 12), configures and
# builds the native and the Windows tree, and runs every test, native and
# under Wine, with one CTest summary at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
jobs=${JOBS:-$(nproc)}

bash scripts/install-deps.sh

echo "== native build (sanitizers on)"
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/native -j"$jobs"

# The fuzz targets build with clang and each runs a few seconds as a test.
JOBS=$jobs bash scripts/fuzz.sh --build

echo "== Windows build (MinGW-w64)"
cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win -j"$jobs"

# One CTest tree over both builds, so the run ends with one summary.
mkdir -p build/all
cat > build/all/CTestTestfile.cmake <<CT
subdirs("$top/build/native")
subdirs("$top/build/fuzz")
subdirs("$top/build/win")
CT

# A fresh Wine server for this run: it and its services start with no
# output pipes of ours, bound to this run's virtual display. Stopping it is
# checked and waits until it has gone, so no test meets a dying server.
export WINEPREFIX="$top/build/win/wineprefix"
source cmake/wine-env.sh
wine_stop_server
trap wine_stop_server EXIT

echo "== tests"
cd build/all
run_tests() { xvfb-run -a -s "-screen 0 1600x1200x24" ctest --output-on-failure --timeout 300 "$@"; }
status=0
run_tests -j"$jobs" || status=$?
# Now and then a Windows test program ends at once under Wine with no output
# at all (seen about once in ten runs of the whole command, on a loaded
# machine; the cause is not found yet). Such tests run once more, alone, in
# plain sight: a test that fails again fails the command, and one that passes
# is named FLAKY at the end of the output.
failed=Testing/Temporary/LastTestsFailed.log
if [ "$status" != 0 ] && [ -s "$failed" ]; then
  flaky=$(cut -d: -f2 "$failed" | tr '\n' ' ')
  echo
  echo "== RETRY: $(wc -l <"$failed") test(s) failed: $flaky"
  echo "== RETRY: each runs once more, alone"
  if run_tests --rerun-failed; then
    echo "== FLAKY: $flaky failed once and passed when run again (the first failure's output is above)"
    status=0
  fi
fi
exit "$status"
