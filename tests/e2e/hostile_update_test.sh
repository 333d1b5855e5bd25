#!/usr/bin/env bash
# The online update against a web server that misbehaves on purpose, through
# the real windows under Wine: an information file without end or one that
# redirects in a loop, a listed file without end, with an absurd length, or
# fed a byte every two seconds. Each ends with its message, the window
# answers all the while, and the installation stays as it was with no pending
# file left.
source "$(dirname "$0")/e2e_lib.sh"

work="$build/e2e/hostile_update"
docroot="$work/docroot"
install="$work/Melkrin Install"
key="$src/server/keys/DEVELOPMENT-ONLY-update-signing-key.pem"
# The real program built as version 1.0: it is offered 1.1.
old_exe="$build/versions/1.0/melkrin.exe"
rm -rf "$work"
mkdir -p "$docroot" "$install" "$work/release"

server_log="$work/server.log"
server_pid=""
app_pid=""
end_all() {
  if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then kill "$app_pid"; fi
  if [ -n "$server_pid" ] && kill -0 "$server_pid" 2>/dev/null; then kill "$server_pid"; fi
}
trap end_all EXIT

start_server() {
  start_update_server --hold 90 "$@"
  python3 "$src/scripts/publish-update.py" --key "$key" --version 1.1 --date 12/01/2026 \
    --message "Faster and safer." --base-url "http://127.0.0.1:$port/benchmarks/ss2/" --docroot "$docroot" \
    "$work/release/melkrin.exe" "$work/release/levels.dat" >/dev/null
}
install_old() {
  rm -rf "$install"
  mkdir -p "$install"
  cp "$old_exe" "$install/melkrin.exe"
  printf 'old levels\r\n' >"$install/levels.dat"
}
expect_installation_unchanged() {
  expect_same_file "$install/melkrin.exe" "$old_exe" "$1: melkrin.exe"
  expect_eq "$(cat "$install/levels.dat")" $'old levels\r' "$1: levels.dat"
  local left=""
  # A stopped worker deletes its file once it lets go of it (at the server's next byte).
  for _ in $(seq 1 100); do
    left=$(find "$install" -name '*.uTMP' -o -name '*.uOLD')
    [ -z "$left" ] && break
    sleep 0.1
  done
  [ -z "$left" ] || fail "$1: pending files left: $left"
}
start_app() {
  "$src/cmake/wine-run.sh" "$install/melkrin.exe" </dev/null >/dev/null 2>&1 &
  app_pid=$!
  driver wait-window TForm1 60 || fail "main window"
  sleep 0.5
}
stop_app() {
  driver close TForm1 || fail "$1: close the main window"
  for _ in $(seq 1 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$app_pid" 2>/dev/null && fail "$1: melkrin.exe did not end within 10 seconds"
  wait "$app_pid" 2>/dev/null || true
}
press_update() {
  driver click TForm1 Help || fail "Help group"
  sleep 0.3
  driver click TForm1 "Update bench" || fail "update page"
  sleep 0.3
  driver click TForm1 "Update benchmark" || fail "the Update benchmark button"
}
dialog_is() {
  local text
  text=$(driver dialog-text 60 | tr -d '\r') || fail "$2: no message box; server: $(tr '\n' '|' <"$server_log" | tail -c 600)"
  expect_eq "$text" "$(printf '%s' "$1" | tr -d '\r')" "$2"
}
accept_question() {
  driver wait-window TUpgradeQuestionForm 30 || fail "$1: the upgrade question did not come"
  driver click TUpgradeQuestionForm "&Yes" || fail "$1: Yes"
}
mismatch=$'The downloaded file levels.dat is not the file the developer published (its size or checksum differs).\r\rThe update was stopped for your safety: nothing was installed.'

echo "-- preparing the registry and the release"
for _ in $(seq 1 20); do wrun reg query 'HKLM\SOFTWARE' /reg:32 >/dev/null 2>&1 && break; sleep 1; done
make_game_tree hostile-update-game
reg_delete "$settings_key"
reg_add_key "$settings_key" || fail "cannot create the settings key"
reg_set "$game_key" Game "\$${game_win//\\//}Bin/Sam2.exe"
reg_set "$game_key" Path "$game_win"
reg_set "$settings_key" Programversion 1.0
cp "$build/restart_probe.exe" "$work/release/melkrin.exe"
printf 'new levels for 1.1\r\n' >"$work/release/levels.dat"

echo "-- an information file without end is refused at its cap"
start_server --endless qrv_melkrin.inf
install_old
start_app
press_update
dialog_is $'The update information on the developer\'s site is far larger than such a file can be.\r\rThe update was stopped for your safety: nothing was downloaded or changed.' "endless information file"
driver answer ok
driver no-dialog 2 || fail "endless information file: one message only"
stop_app "endless information file"
expect_installation_unchanged "endless information file"

echo "-- an information file that redirects in a loop"
start_server --redirect-loop qrv_melkrin.inf
install_old
start_app
press_update
dialog_is "The developer's site sends the request for http://127.0.0.1:$port/benchmarks/ss2/qrv_melkrin.inf from one address to another without end."$'\r\rPlease try to upgrade this software again later.' "redirect loop"
driver answer ok
requests=$(grep -c 'GET /benchmarks/ss2/qrv_melkrin.inf' "$server_log")
[ "$requests" -le 11 ] || fail "redirect loop: $requests requests, at most 11 expected"
stop_app "redirect loop"
expect_installation_unchanged "redirect loop"

for mode in endless huge-length; do
  echo "-- a listed file ($mode) stops at its signed size"
  start_server --"$mode" levels.dat
  install_old
  start_app
  press_update
  accept_question "$mode"
  dialog_is "$mismatch" "$mode listed file"
  driver responds TForm1 1000 || fail "$mode listed file: the main window does not answer"
  driver answer ok
  stop_app "$mode listed file"
  expect_installation_unchanged "$mode listed file"
done

echo "-- a listed file fed a byte every two seconds is given up after 30 s without progress"
start_server --loris levels.dat
install_old
start_app
press_update
accept_question loris
driver wait-window TUpdateWizardForm 30 || fail "loris: the download wizard"
began=$(date +%s)
# The window answers all the while.
for _ in 1 2 3 4 5; do
  sleep 3
  driver responds TForm1 1000 || fail "loris: the main window does not answer"
  driver responds TUpdateWizardForm 1000 ||
    fail "loris: the wizard does not answer; message box: $(driver dialog-text 1 2>/dev/null | tr -d '\r' || echo none)"
done
dialog_is $'Connection with remote server lost.\r\rPlease restore connection and try to\rupgrade this software again later.' "loris"
waited=$(( $(date +%s) - began ))
[ "$waited" -ge 20 ] && [ "$waited" -le 60 ] || fail "loris: given up after $waited s, about 30 s expected"
driver answer ok
stop_app loris
expect_installation_unchanged loris
echo "hostile update e2e: all scenarios passed"
