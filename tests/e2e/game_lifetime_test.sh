#!/usr/bin/env bash
# A game never outlives the run that started it, and nothing is restored
# under a game that still runs: melkrin.exe killed from outside while the
# stand-in game plays leaves no game process 2 s later; a game left running
# before a start makes the recovery wait, and the user's configuration comes
# back only after that game ended; Cancel on that wait leaves the game and
# the files alone; closing the window during a run is a cancel.
source "$(dirname "$0")/e2e_lib.sh"
source "$(dirname "$0")/run_lib.sh"
source "$(dirname "$0")/kill_lib.sh"

kill_installation lifetime
notice="Serious Sam 2 is still running from the interrupted benchmark. Melkrin waits for it to end."
recovery="The last time an error occured. Do you wish to restore the original settings?"
game_hangs() { tr -d '\r' <"$game/Sam2.log" 2>/dev/null | matches -qx 'Hanging'; }
dialog_is() { [ "$(driver dialog-text 1 2>/dev/null | tr -d '\r')" = "$1" ]; }

# A game started by hand from the Bin folder, as the user (or an older
# Melkrin) would leave it; it hangs until this test ends it.
own_game_pid=""
start_own_game() {
  rm -f "$game/Sam2.log"
  mkdir -p "$game/StandIn"
  printf 'hang\r\n' >"$game/StandIn/behaviour.txt"
  (cd "$game_bin" && exec "$src/cmake/wine-run.sh" "$game_bin/Sam2.exe" +demo x </dev/null >/dev/null 2>&1) &
  own_game_pid=$!
  wait_for 60 game_hangs || fail "the hand-started game did not come up within 60 s"
}
end_own_game() {
  local pid
  # A process may end by itself between the listing and the kill; one that stays is a failure.
  for pid in $(game_pids | sort -u); do
    if ! kill "$pid" 2>/dev/null && kill -0 "$pid" 2>/dev/null; then fail "could not end game process $pid"; fi
  done
  wait "$own_game_pid" 2>/dev/null || true
  wait_for 20 game_gone || fail "the hand-started game did not end"
}

echo "-- melkrin.exe killed while the game plays"
reset_game
mkdir -p "$game/StandIn"
printf 'hang\r\n' >"$game/StandIn/behaviour.txt"
start_program "$program"
driver wait-window TForm1 60 || fail "main window"
driver click TForm1 "Run benchmark" || fail "no run button"
wait_for 120 game_hangs || fail "the game did not start within 120 s"
game_gone && fail "no game process before the kill"
# As the task manager would: no chance for melkrin.exe to clean up.
kill -KILL "$melkrin_pid"
wait "$melkrin_pid" 2>/dev/null || true
gone_within 2000 || fail "game processes 2 s after melkrin.exe was killed: $(game_pids | sort -u | tr '\n' ' ')"
marker_is 1 || fail "the run marker after the kill"
holds_user_file "$backup" || fail "the user's file is not in Sam2_old.ini after the kill"
interrupted_ini="$root/interrupted Sam2.ini"
cp "$config" "$interrupted_ini"

echo "-- a game left running: the recovery waits for its end"
start_own_game
start_program "$program"
expect_eq "$(driver dialog-text 60 | tr -d '\r')" "$notice" "the notice while the game runs"
sleep 2
dialog_is "$notice" || fail "the notice went away while the game still runs"
expect_same_file "$config" "$interrupted_ini" "Sam2.ini while the game still runs"
holds_user_file "$backup" || fail "Sam2_old.ini moved while the game still runs"
end_own_game
wait_for 30 dialog_is "$recovery" || fail "no recovery question after the game ended"
driver answer yes || fail "the recovery question did not take Yes"
driver wait-window TForm1 20 || fail "main window after the recovery"
expect_same_file "$config" "$user_ini" "Sam2.ini after the recovery"
[ ! -e "$backup" ] || fail "Sam2_old.ini left after the recovery"
marker_is 0 || fail "the run marker after the recovery"
stop_melkrin

echo "-- Cancel on the wait: the game and the files stay as they are"
cp "$config" "$backup"
cp "$interrupted_ini" "$config"
reg_set "$settings_key" NoErrorWarning 1
start_own_game
start_program "$program"
expect_eq "$(driver dialog-text 60 | tr -d '\r')" "$notice" "the notice while the game runs"
driver answer ok || fail "the notice did not take its button"
driver wait-window TForm1 20 || fail "main window after Cancel"
driver no-dialog 1 || fail "a question after Cancel: $(driver dialog-text 1)"
game_gone && fail "Melkrin ended a game it did not start"
expect_same_file "$config" "$interrupted_ini" "Sam2.ini after Cancel"
holds_user_file "$backup" || fail "Sam2_old.ini after Cancel"
marker_is 1 || fail "the run marker after Cancel: the next start offers the recovery again"
stop_melkrin
end_own_game

echo "-- the window closed during a run: a cancel, then the window closes"
reset_game
mkdir -p "$game/StandIn"
printf 'hang\r\n' >"$game/StandIn/behaviour.txt"
start_program "$program"
driver wait-window TForm1 60 || fail "main window"
driver click TForm1 "Run benchmark" || fail "no run button"
wait_for 120 game_hangs || fail "the game did not start within 120 s"
driver close TForm1 || fail "could not close the window"
expect_eq "$(driver dialog-text 30 | tr -d '\r')" \
  "Cancel the benchmark? The game is ended and no report is written." "the close asks as Cancel does"
driver answer yes || fail "the question did not take Yes"
wait_for 60 melkrin_ended || fail "melkrin.exe did not end after the cancelled run"
wait "$melkrin_pid" 2>/dev/null || true
game_gone || fail "a game process after the cancelled run"
expect_same_file "$config" "$user_ini" "Sam2.ini after closing during a run"
[ ! -e "$backup" ] || fail "Sam2_old.ini after closing during a run"
marker_is 0 || fail "the run marker after closing during a run"
tr -d '\r' <"$debug" | matches -qx 'Run cancelled by the user' || fail "debug log: the cancel"
echo "game lifetime: every scenario passed"
