#!/usr/bin/env bash
# The kill points of a run that is cancelled, and of one whose game outlives
# its time limit: melkrin.exe ends itself while the cancel or the stop is
# carried out, and the next start recovers exactly as after the steps of a
# plain run (kill_points_test.sh). The stand-in game hangs to keep the run
# in place until the cancel or the limit comes.
source "$(dirname "$0")/e2e_lib.sh"
source "$(dirname "$0")/run_lib.sh"
source "$(dirname "$0")/kill_lib.sh"

kill_installation killcancel
question="Cancel the benchmark? The game is ended and no report is written."
game_hangs() { tr -d '\r' <"$game/Sam2.log" 2>/dev/null | matches -qx 'Hanging'; }

# Cancelled while the game plays: the cancel itself, the game's end that it
# brought, and the restore that follows.
for point in cancel "cancelled game" restore restored; do
  echo "-- cancelled, ended at: $point"
  reset_game
  mkdir -p "$game/StandIn"
  printf 'hang\r\n' >"$game/StandIn/behaviour.txt"
  start_killed_run
  wait_for 120 game_hangs || fail "$point: the game did not start within 120 s"
  driver click TForm1 Cancel || fail "$point: no cancel button"
  expect_eq "$(driver dialog-text 30 | tr -d '\r')" "$question" "$point: the cancel question"
  driver answer yes || fail "$point: the cancel question did not take Yes"
  expect_killed
  rm -f "$game/StandIn/behaviour.txt"
  expect_recovered
done

# Two resolutions, the first game hangs past a 5 s limit: the stop, the end
# of the stopped game, and the next resolution's game.
reg_set "$settings_key" 800 1
for point in "time limit" "time limit stopped" "game after time limit"; do
  echo "-- time limit, ended at: $point"
  reset_game
  mkdir -p "$game/StandIn"
  printf 'hangonce\r\n' >"$game/StandIn/behaviour.txt"
  reg_set "$settings_key" GameTimeLimit 5
  start_killed_run
  expect_killed
  # The runs of the recovery check play normally and without a limit.
  wrun reg delete "$settings_key" /v GameTimeLimit /f /reg:32 >/dev/null
  rm -f "$game/StandIn/behaviour.txt"
  expect_recovered
done
reg_set "$settings_key" 800 0
echo "cancel and time-limit kill points: every step recovers"
