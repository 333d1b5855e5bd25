#!/usr/bin/env bash
# UpdHelper.exe ended after k of n replaced files (it ends itself after the
# k-th, as the task manager would end it): Melkrin's file is whole, the old
# one or the new one, and the next start of Melkrin opens its window.
source "$(dirname "$0")/e2e_lib.sh"
source "$(dirname "$0")/run_lib.sh"

root="$build/e2e/helperkill"
program="$root/Quorvane Melkrin"
install_melkrin "$program"
install_game "$root/Games/Serious Sam 2"
exe="$program/melkrin.exe"
cp "$exe" "$root/old.exe"
# The new program: the same code with bytes of its own at the end, which
# Windows loads as well.
cp "$exe" "$root/new.exe"
printf 'new build of melkrin.exe\n' >>"$root/new.exe"
# The helper's command line as Melkrin builds it: the program path unquoted,
# blanks and all, so each word goes in as an argument of its own.
read -ra program_words <<<"$(winpath "$exe")"
pending=3

for k in $(seq 1 "$pending"); do
  echo "-- helper ended after $k of $pending replaced files"
  rm -f "$program"/*.uTMP "$program"/*.uOLD
  cp "$root/old.exe" "$exe"
  printf 'old help\r\n' >"$program/help.chm"
  cp "$root/new.exe" "$exe.uTMP"
  printf 'new help\r\n' >"$program/help.chm.uTMP"
  printf 'new readme\r\n' >"$program/readme.txt.uTMP"
  status=0
  MELKRIN_KILL_POINT="replace $k" wrun "$build/UpdHelper.exe" "${program_words[@]}" +/afterupgrade0 \
    </dev/null >/dev/null 2>&1 || status=$?
  expect_eq "$status" 99 "the helper ended after $k replaced files"
  if cmp -s "$exe" "$root/old.exe"; then echo "   the old program"
  elif cmp -s "$exe" "$root/new.exe"; then echo "   the new program"
  else fail "after $k: melkrin.exe is neither the old nor the new program"; fi
  start_program "$program"
  driver wait-window TForm1 60 || fail "after $k: melkrin.exe does not open its window"
  driver no-dialog 1 || fail "after $k: melkrin.exe shows: $(driver dialog-text 1)"
  stop_melkrin
done
echo "helper kill points: Melkrin's file is whole and starts after every step"
