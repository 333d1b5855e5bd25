# Shared pieces of the kill-point tests: an installation whose run melkrin.exe
# ends at a named step (MELKRIN_KILL_POINT), and the checks after it: the
# next start's recovery gives the user's Sam2.ini back byte for byte, and
# declining it and running again never loses the user's file. Needs
# e2e_lib.sh and run_lib.sh first.

# kill_installation NAME: Melkrin and the stand-in game below e2e/NAME.
kill_installation() {
  root="$build/e2e/$1"
  program="$root/Quorvane Melkrin"
  game="$root/Games/Serious Sam 2"
  install_melkrin "$program"
  install_game "$game"
  record_report_opens "$root/opened.txt"
  content="$game/Content/SeriousSam2"
  config="$content/Sam2.ini"
  backup="$content/Sam2_old.ini"
  user_ini="$root/user Sam2.ini"
  cp "$config" "$user_ini"
  debug="$program/debuginfo.txt"
  # A process that the game's batch file started (the batch interpreter, the
  # game, a child of a hung one) names the game's Bin folder in its command
  # line or works in that folder. Wine shows a program started by a bare
  # name ("Sam2.exe +demo ...") without its folder, so the command line alone
  # misses the game itself.
  game_where="$(printf '%s' "${game#/}" | sed 's/[^A-Za-z0-9 ]/./g').Bin."
  game_bin="$game/Bin"
  # A hung game left behind would hold the test's output open, and the test
  # would never end for its runner.
  trap end_games EXIT

  # One resolution and a filled diagnostic cache keep each run short.
  reg_set "$settings_key" 640 1
  reg_set "$settings_key" Demo 1
  reg_set "$settings_key" Renderer 1
  reg_set "$settings_key" "Display Memory" " 64.0 MB"
  reg_set "$settings_key" "Driver Version" " 1.2.3"
  reg_set "$settings_key" Sound "Stand-in Sound"
}

game_pids() {
  local dir
  pgrep -f "$game_where"
  for dir in /proc/[0-9]*; do
    if [ "$(readlink "$dir/cwd" 2>/dev/null)" = "$game_bin" ]; then echo "${dir#/proc/}"; fi
  done
}
game_gone() { [ -z "$(game_pids)" ]; }
end_games() {
  local pid
  end_melkrin
  for pid in $(game_pids | sort -u); do kill "$pid" 2>/dev/null || echo "could not end game process $pid" >&2; done
}
melkrin_ended() { ! kill -0 "$melkrin_pid" 2>/dev/null; }
finished_runs() {
  if [ -f "$debug" ]; then tr -d '\r' <"$debug" | awk '/^DEBUG FINISHED\.$/ { n++ } END { print n + 0 }'; else echo 0; fi
}
runs_after() { [ "$(finished_runs)" -gt "$1" ]; }
holds_user_file() { [ -f "$1" ] && cmp -s "$1" "$user_ini"; }

# A fresh start from the user's own configuration.
reset_game() {
  rm -rf "$content" "$game/StandIn" "$game/Sam2.log" "$game/Bin/melkrin.bat"
  mkdir -p "$content/Config" "$content/Demos"
  cp "$user_ini" "$config"
  reg_set "$settings_key" NoErrorWarning 0
}

# The recovery question comes at start-up; answer it and wait for the window.
start_and_answer() {
  start_program "$program"
  expect_eq "$(driver dialog-text 60 | tr -d '\r')" \
    "The last time an error occured. Do you wish to restore the original settings?" "$point: recovery question"
  driver answer "$1" || fail "$point: could not answer the recovery question"
  driver wait-window TForm1 20 || fail "$point: main window after the question"
}

# Starts melkrin.exe with the kill point $point and clicks "Run benchmark".
start_killed_run() {
  MELKRIN_KILL_POINT=$point start_program "$program"
  driver wait-window TForm1 60 || fail "$point: main window"
  driver click TForm1 "Run benchmark" || fail "$point: no run button"
}

# gone_within MS: no process of the game is left after at most MS milliseconds.
gone_within() {
  local deadline=$(($(date +%s%3N) + $1))
  while ! game_gone; do
    [ "$(date +%s%3N)" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

# melkrin.exe ended at $point. The game runs in a job that ends with
# melkrin.exe, so whatever the step (a hung game included), nothing of the
# game's tree is left 2 s later. The user's file is in Sam2.ini or
# Sam2_old.ini, and the interrupted state is kept for the second recovery.
expect_killed() {
  wait_for 120 melkrin_ended || fail "$point: melkrin.exe did not reach the step within 120 s"
  local status=0
  wait "$melkrin_pid" 2>/dev/null || status=$?
  # 99 is the exit code of the kill point: any other end means the step was never reached.
  expect_eq "$status" 99 "$point: melkrin.exe ended at the step"
  gone_within 2000 || fail "$point: game processes 2 s after melkrin.exe ended: $(game_pids | sort -u | tr '\n' ' ')"
  marker_is 1 || fail "$point: the run marker is not left at 1"
  holds_user_file "$config" || holds_user_file "$backup" || fail "$point: the user's file is in neither Sam2.ini nor Sam2_old.ini"
  rm -rf "$root/interrupted"
  cp -a "$content" "$root/interrupted"
}

expect_recovered() {
  # Recovery accepted: the user's file comes back byte for byte.
  start_and_answer yes
  expect_same_file "$config" "$user_ini" "$point: Sam2.ini after the recovery"
  [ ! -e "$backup" ] || fail "$point: Sam2_old.ini left after the recovery"
  stop_melkrin

  # Recovery declined, then a whole run: the user's file is never lost. It is
  # back in Sam2.ini, or (when the interrupted run left no Sam2.ini to tell
  # whose the backup is) kept in Sam2_old.ini with the question still pending.
  rm -rf "$content"
  cp -a "$root/interrupted" "$content"
  reg_set "$settings_key" NoErrorWarning 1
  start_and_answer no
  holds_user_file "$config" || holds_user_file "$backup" || fail "$point: declining lost the user's file"
  # Each program start writes its debug log afresh: one finished run is this one.
  rm -f "$debug"
  driver click TForm1 "Run benchmark" || fail "$point: no run button after declining"
  wait_for 120 runs_after 0 ||
    fail "$point: the run after declining did not end within 120 s"
  driver no-dialog 1 || fail "$point: an error after declining: $(driver dialog-text 1)"
  if ! holds_user_file "$config"; then
    holds_user_file "$backup" && marker_is 1 || fail "$point: the run after declining lost the user's file"
    echo "   (the user's file waits in Sam2_old.ini; the next start offers it again)"
  fi
  stop_melkrin
}
