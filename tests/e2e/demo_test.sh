#!/usr/bin/env bash
# The README's demo command, headless, in a prefix of its own: it must set a
# half-made prefix up again, print two scores and the report, stop within a
# minute naming Melkrin's message when no chosen resolution is usable, and
# work again in the same prefix afterwards.
set -uo pipefail
build=$1
src=$2
prefix="$build/e2e/demo/wineprefix"
fail() { echo "FAIL: $*" >&2; exit 1; }

demo() {
  env -u DISPLAY MELKRIN_DEMO_HEADLESS=1 MELKRIN_DEMO_PREBUILT=1 MELKRIN_DEMO_BUILD="$build" \
    MELKRIN_DEMO_PREFIX="$prefix" "$@" bash "$src/scripts/demo.sh" </dev/null >"$out" 2>&1
}

expect_success() {
  demo || { cat "$out"; fail "$1: the demo failed"; }
  [ "$(grep -c '^  Score = [0-9][0-9.]* FPS$' "$out")" = 2 ] || { cat "$out"; fail "$1: two scores expected"; }
  grep -q '^Report: .*result_.*\.htm$' "$out" || { cat "$out"; fail "$1: no report path"; }
  grep -q '^Debug log: .*debuginfo.txt$' "$out" || { cat "$out"; fail "$1: no debug log path"; }
}

# A prefix whose set-up stopped half-way: never trusted, set up again.
rm -rf "$prefix" "$prefix.setup.log"
mkdir -p "$prefix/drive_c"
printf 'half-written\n' >"$prefix/system.reg"
out="$build/e2e/demo/first.log"

echo "-- first run, from a half-made prefix"
expect_success "first run"
grep -qx 'desktop=2560x1600' "$prefix/.melkrin-ready" || fail "the prefix was not marked as set up"
cat "$out"

echo "-- no usable resolution: 1280 x 768 is not among the virtual desktop's modes"
out="$build/e2e/demo/refused.log"
start=$SECONDS
if demo MELKRIN_DEMO_RESOLUTIONS=hdw1; then cat "$out"; fail "the demo succeeded without a usable resolution"; fi
took=$((SECONDS - start))
grep -qF 'DEMO FAILED: Melkrin says: "ERROR. Please, choose a resolution of Serious Sam 2."' "$out" ||
  { cat "$out"; fail "the message was not named"; }
grep -qF 'Debug log: ' "$out" || { cat "$out"; fail "the debug log's path was not printed"; }
[ "$took" -lt 60 ] || fail "the refused demo took $took s"
echo "refused in $took s"

echo "-- second good run in the same prefix"
out="$build/e2e/demo/second.log"
expect_success "second run"
echo "PASS"
