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
# No retries: programs failed to start now and then only while every start
# raced a server that was ending (it never stayed up, since wineserver was
# not found on PATH); the persistent server of wine-env.sh ends that.
xvfb-run -a -s "-screen 0 1600x1200x24" ctest -j"$jobs" --output-on-failure --timeout 300
