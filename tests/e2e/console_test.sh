#!/usr/bin/env bash
# melkrin.exe's console output with its standard output redirected, as a
# script that captures it has it: the usage for "/?", the reason of a
# refusal, one line per resolution and, with "/json:-", the JSON itself. All
# under "/quiet", so no box ever waits. (A real console that the program
# attaches to cannot be had under Wine here; redirected output is the part
# a script relies on.)
source "$(dirname "$0")/e2e_lib.sh"
source "$(dirname "$0")/run_lib.sh"

root="$build/e2e/console"
program="$root/Quorvane Melkrin"
game="$root/Games/Serious Sam 2"
install_melkrin "$program"
install_game "$game"
record_report_opens "$root/opened.txt"
reg_set "$settings_key" Demo 1
reg_set "$settings_key" "Display Memory" " 64.0 MB"
reg_set "$settings_key" Sound "Stand-in Sound"
reg_set "$settings_key" NoErrorWarning 0
out="$root/stdout.txt"

# console LIMIT ARGS...: melkrin.exe to its end, its standard output in $out and exit code in $code.
console() {
  local limit=$1
  shift
  code=0
  timeout "$limit" "$src/cmake/wine-run.sh" "$program/melkrin.exe" "$@" </dev/null >"$out" 2>/dev/null || code=$?
  [ "$code" != 124 ] || fail "melkrin.exe $* did not end within $limit s"
}

echo "-- /? /quiet: the usage on standard output, no box"
console 60 "/?" /quiet
expect_eq "$code" 0 "exit code of the usage"
tr -d '\r' <"$out" | matches -qx 'melkrin.exe /run \[options\] benchmarks at once and ends' || fail "usage: $(cat "$out")"
tr -d '\r' <"$out" | matches -q '4 cancelled, 5 crashed\.$' || fail "usage lacks the exit codes: $(cat "$out")"
driver no-dialog 1 || fail "a box for /? /quiet"

echo "-- a refused command line: the reason on standard output"
console 60 /run /quiet /res:800y600
expect_eq "$code" 2 "exit code of a refusal"
head -1 "$out" | tr -d '\r' | matches -q '800y600' || fail "refusal: $(cat "$out")"
driver no-dialog 1 || fail "a box for a quiet refusal"

echo "-- /json:- : a line per resolution, then the JSON"
console 240 /run /quiet /res:640x480,800x600 "/json:-"
expect_eq "$code" 0 "exit code of the run"
tr -d '\r' <"$out" | matches -qxE '640x480: [0-9]+\.[0-9]+ fps' || fail "no line for 640x480: $(cat "$out")"
tr -d '\r' <"$out" | matches -qxE '800x600: [0-9]+\.[0-9]+ fps' || fail "no line for 800x600: $(cat "$out")"
python3 - "$out" <<'PY' || fail "the JSON on standard output: $(cat "$out")"
import json, sys
text = open(sys.argv[1], encoding="utf-8").read()
data = json.loads(text[text.index("{"):])
assert data["result"] == "done" and data["exitCode"] == 0, data
assert [r["resolution"] for r in data["resolutions"]] == ["640x480", "800x600"], data["resolutions"]
PY
[ ! -e "$program/-" ] && [ ! -e "$build/-" ] || fail "\"-\" was taken for a file name"
echo "console: every scenario passed"
