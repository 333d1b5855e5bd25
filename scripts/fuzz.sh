#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, native, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a given time, one after the
# other and at low priority, so the machine stays usable.
#
#   bash scripts/fuzz.sh [SECONDS] [TARGET...]   run (default: 60 s, every target)
#   bash scripts/fuzz.sh --build                 only configure and build build/fuzz
#
# Each target keeps its own growing corpus in build/fuzz/work/<target>/corpus
# (the seeds in fuzz/corpus/ stay as they are); a crashing input lands in
# build/fuzz/work/<target>/artifacts/. The summary gives each target's
# executions, coverage and result; the exit code is non-zero after any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
build=build/fuzz
jobs=${JOBS:-2}

configure_and_build() {
  echo "== fuzz build (clang, libFuzzer)"
  cmake -S . -B "$build" -DMELKRIN_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
  cmake --build "$build" -j"$jobs"
}

if [ "${1:-}" = "--build" ]; then
  configure_and_build
  exit 0
fi

seconds=${1:-60}
# The seconds, when given, are not a target.
if [ $# -gt 0 ]; then shift; fi
configure_and_build
if [ $# -eq 0 ]; then
  set -- $(sed -n 's/^melkrin_fuzz_target(\(.*\))$/\1/p' fuzz/CMakeLists.txt)
fi

summary=()
failed=0
for target in "$@"; do
  work="$top/$build/work/$target"
  log="$work/fuzz.log"
  mkdir -p "$work"
  echo "== $target: ${seconds} s"
  status=0
  nice -n 10 bash fuzz/run_target.sh "$top/$build/fuzz/${target}_fuzz" "$top/fuzz/corpus/$target" "$work" "$seconds" \
    >"$log" 2>&1 || status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  corpus=$(find "$work/corpus" -type f | wc -l)
  if [ "$status" = 0 ]; then
    result=clean
  else
    result="FAILED (exit $status): $(ls "$work/artifacts" 2>/dev/null | head -1)"
    failed=1
    tail -40 "$log"
  fi
  summary+=("$(printf '%-20s %6s s %12s execs  cov %6s  corpus %5s  %s' "$target" "$seconds" "${execs:-?}" "${cov:-?}" "$corpus" "$result")")
done

echo "== summary"
printf '%s\n' "${summary[@]}"
exit $failed
