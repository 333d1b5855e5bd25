#!/usr/bin/env bash
# UpdHelper.exe ended after k of n replaced files, or while it deleted the
# backups (it ends itself there, as the task manager or a power cut would end
# it): Melkrin's file is whole, the old one or the new one. The next start of
# Melkrin hands the cut-short swap to the helper, which finishes it and starts
# Melkrin again: no *.uTMP, *.uOLD or record is left, every file is of the
# new version, the debug log says what was done, and the window opens.
source "$(dirname "$0")/e2e_lib.sh"
source "$(dirname "$0")/run_lib.sh"

root="$build/e2e/helperkill"
program="$root/Quorvane Melkrin"
install_melkrin "$program"
install_game "$root/Games/Serious Sam 2"
exe="$program/melkrin.exe"
debug="$program/debuginfo.txt"
cp "$exe" "$root/old.exe"
# The new program: the same code with bytes of its own at the end, which
# Windows loads as well.
cp "$exe" "$root/new.exe"
printf 'new build of melkrin.exe\n' >>"$root/new.exe"
# The helper's command line as Melkrin builds it: the program path unquoted,
# blanks and all, so each word goes in as an argument of its own.
read -ra program_words <<<"$(winpath "$exe")"
pending=3
completed="Melkrin was stopped while it installed an update. The update has now been completed."

# Processes of this installation, found by its path (any separator), so that
# other build trees' tests do not count.
where=$(printf '%s' "${program#/}" | sed 's/[^A-Za-z0-9 ]/./g')
# Any melkrin.exe of this installation, the one the helper restarted included.
melkrin_running() { pgrep -f "$where.melkrin\.exe" >/dev/null; }
melkrin_gone() { ! melkrin_running; }
# The helper names the program on its command line.
helper_gone() { ! pgrep -f "UpdHelper\.exe.*$where" >/dev/null; }
first_ended() { ! kill -0 "$melkrin_pid" 2>/dev/null; }
leftovers() { find "$program" -maxdepth 1 \( -name '*.uTMP' -o -name '*.uOLD' -o -name 'update.uJNL*' \) -printf '%f '; }

prepare_update() {
  rm -f "$program"/*.uTMP "$program"/*.uOLD "$program"/update.uJNL* "$program/readme.txt" "$debug"
  cp "$root/old.exe" "$exe"
  printf 'old help\r\n' >"$program/help.chm"
  cp "$root/new.exe" "$exe.uTMP"
  printf 'new help\r\n' >"$program/help.chm.uTMP"
  printf 'new readme\r\n' >"$program/readme.txt.uTMP"
}

# run_helper_until POINT: the helper as Melkrin starts it, ended at POINT.
run_helper_until() {
  local status=0
  MELKRIN_KILL_POINT="$1" wrun "$build/UpdHelper.exe" "${program_words[@]}" +/afterupgrade0 \
    </dev/null >/dev/null 2>&1 || status=$?
  expect_eq "$status" 99 "the helper ended at $1"
  if cmp -s "$exe" "$root/old.exe"; then echo "   the old program"
  elif cmp -s "$exe" "$root/new.exe"; then echo "   the new program"
  else fail "at $1: melkrin.exe is neither the old nor the new program"; fi
  [ -f "$program/update.uJNL" ] || fail "at $1: the helper left no record of its swap"
}

# start_repaired POINT MESSAGE: the next start repairs the swap and opens the
# window, telling MESSAGE (or nothing when it is empty).
start_repaired() {
  start_program "$program"
  wait_for 60 first_ended || fail "$1: melkrin.exe did not hand the swap to the helper"
  local status=0
  wait "$melkrin_pid" 2>/dev/null || status=$?
  expect_eq "$status" 0 "$1: melkrin.exe ended to let the helper repair"
  melkrin_pid=""
  driver wait-window TForm1 60 || fail "$1: melkrin.exe does not open its window after the repair"
  if [ -n "$2" ]; then
    expect_eq "$(driver dialog-text 30 | tr -d '\r')" "$2" "$1: what the user is told"
    driver answer ok || fail "$1: the message did not take OK"
  fi
  driver no-dialog 1 || fail "$1: melkrin.exe shows: $(driver dialog-text 1)"
}

expect_new_version() {
  expect_same_file "$exe" "$root/new.exe" "$1: melkrin.exe"
  expect_eq "$(cat "$program/help.chm")" $'new help\r' "$1: help.chm"
  expect_eq "$(cat "$program/readme.txt")" $'new readme\r' "$1: readme.txt"
  expect_eq "$(leftovers)" "" "$1: left beside the program"
  tr -d '\r' <"$debug" | matches -qx 'Update repair: the update was completed' ||
    fail "$1: the debug log does not say what the repair did"
}

stop_restarted() {
  driver close TForm1 || fail "$1: the window did not close"
  wait_for 30 melkrin_gone || fail "$1: melkrin.exe did not end after close"
}

points=()
for k in $(seq 1 "$pending"); do points+=("replace $k"); done
points+=("delete 1")
for point in "${points[@]}"; do
  echo "-- helper ended at: $point"
  prepare_update
  run_helper_until "$point"
  message=$completed
  # Every file in place already: the repair only deletes the backups, which the user need not hear of.
  case "$point" in "replace $pending" | delete*) message="" ;; esac
  start_repaired "$point" "$message"
  expect_new_version "$point"
  stop_restarted "$point"
done

# The repair itself cut short: the start after it finishes the swap.
echo "-- helper ended at: replace 1, and its repair at its first replaced file"
prepare_update
run_helper_until "replace 1"
# The helper inherits the kill point through melkrin.exe's environment.
MELKRIN_KILL_POINT="replace 1" start_program "$program"
wait_for 60 first_ended || fail "the first repair: melkrin.exe did not hand the swap to the helper"
melkrin_pid=""
wait_for 60 helper_gone || fail "the first repair: the helper did not end"
melkrin_gone || fail "the first repair: melkrin.exe was started again although the repair was cut short"
[ -f "$program/update.uJNL" ] || fail "the first repair: the record is gone although the repair was cut short"
start_repaired "the second repair" "$completed"
expect_new_version "the second repair"
stop_restarted "the second repair"
echo "helper kill points: every cut-short swap is finished at the next start"
