#!/usr/bin/env bash
# The online update end to end under Wine: an installed version 1.0 (a copy
# of melkrin.exe in a folder with a blank in its name) presses "Update
# benchmark", finds 1.1 on a web server of our own on 127.0.0.1, downloads a
# new melkrin.exe and a data file through the real windows, and after "&OK"
# UpdHelper.exe swaps them in and starts the new program with "/afterupgrade".
# The new melkrin.exe is the restart probe, which writes down its command
# line. Every refusal and failure leaves the installation as it was.
source "$(dirname "$0")/e2e_lib.sh"

work="$build/e2e/upgrade"
docroot="$work/docroot"
install="$work/Melkrin Install"
shots="$build/e2e/screenshots"
key="$src/server/keys/DEVELOPMENT-ONLY-update-signing-key.pem"
# The real program built as version 1.0: it is offered 1.1.
old_exe="$build/versions/1.0/melkrin.exe"
rm -rf "$work"
mkdir -p "$docroot" "$install" "$shots" "$work/release"

server_log="$work/server.log"
server_pid=""
app_pid=""
end_all() {
  if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then kill "$app_pid" 2>/dev/null || true; fi
  if [ -n "$server_pid" ] && kill -0 "$server_pid" 2>/dev/null; then kill "$server_pid"; fi
}
trap end_all EXIT

# Release 1.1: the restart probe as the new melkrin.exe, and a new data file.
publish() {
  rm -rf "$docroot/benchmarks"
  python3 "$src/scripts/publish-update.py" --key "$key" --version 1.1 --date 12/01/2026 \
    --message "Faster and safer." --base-url "http://127.0.0.1:$port/benchmarks/ss2/" --docroot "$docroot" \
    "$work/release/melkrin.exe" "$work/release/levels.dat" >/dev/null
}

# A fresh installation of version 1.0.
install_old() {
  rm -rf "$install"
  mkdir -p "$install"
  cp "$old_exe" "$install/melkrin.exe"
  printf 'old levels\r\n' >"$install/levels.dat"
  rm -f "$install/melkrin.exe.started"
}
expect_installation_unchanged() {
  expect_same_file "$install/melkrin.exe" "$old_exe" "$1: melkrin.exe"
  expect_eq "$(cat "$install/levels.dat")" $'old levels\r' "$1: levels.dat"
  expect_no_pending "$1"
}
expect_no_pending() {
  local left
  left=$(find "$install" -name '*.uTMP' -o -name '*.uOLD')
  [ -z "$left" ] || fail "$1: pending files left: $left"
}

start_app() {
  "$src/cmake/wine-run.sh" "$install/melkrin.exe" </dev/null >/dev/null 2>&1 &
  app_pid=$!
  driver wait-window TForm1 60 || fail "main window"
  sleep 0.5
}
wait_app_end() {
  for _ in $(seq 1 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$app_pid" 2>/dev/null && fail "$1: melkrin.exe did not end within 10 seconds"
  wait "$app_pid" 2>/dev/null || true
}
stop_app() {
  driver close TForm1 || fail "close the main window"
  wait_app_end "$1"
}
# The update page and its button.
press_update() {
  driver click TForm1 Help || fail "Help group"
  sleep 0.3
  driver click TForm1 "Update bench" || fail "update page"
  sleep 0.3
  driver click TForm1 "Update benchmark" || fail "the Update benchmark button"
}
dialog_is() {
  local text
  text=$(driver dialog-text 30 | tr -d '\r') || fail "$2: no message box"
  # The driver's output goes through tr, which also takes the text's own CRs.
  expect_eq "$text" "$(printf '%s' "$1" | tr -d '\r')" "$2"
}
# What the screen and the server show, for a failure's report.
situation() {
  echo "message box: $(driver dialog-text 1 2>/dev/null | tr -d '\r' || echo none)"
  echo "server: $(tr '\n' '|' <"$server_log")"
}
question() {
  driver wait-window TUpgradeQuestionForm 30 || fail "$1: the upgrade question did not come; $(situation)"
}
shot() { driver screenshot "$1" "$shots/$2.bmp" && python3 "$src/tests/e2e/bmp_to_png.py" "$shots/$2.bmp" "$shots/$2.png"; }
wizard_shows() {
  driver wait-window TUpdateWizardForm 30 || fail "$2: the download wizard"
  for _ in $(seq 1 150); do
    driver tree TUpdateWizardForm 2>/dev/null | matches -qF "$1" && return 0
    sleep 0.2
  done
  fail "$2: the wizard never showed $1"
}

echo "-- preparing the registry, the release and the server"
section="preparing the registry, the release and the server"
for _ in $(seq 1 20); do wrun reg query 'HKLM\SOFTWARE' /reg:32 >/dev/null 2>&1 && break; sleep 1; done
make_game_tree upgrade-game
reg_delete "$settings_key"
reg_add_key "$settings_key" || fail "cannot create the settings key"
reg_set "$game_key" Game "\$${game_win//\\//}Bin/Sam2.exe"
reg_set "$game_key" Path "$game_win"
reg_set "$settings_key" Programversion 1.0
cp "$build/restart_probe.exe" "$work/release/melkrin.exe"
printf 'new levels for 1.1\r\n' >"$work/release/levels.dat"
start_update_server
publish

echo "-- an unreachable server: No internet connection., then the host message"
section="an unreachable server: No internet connection., then the host message"
install_old
closed_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()')
reg_set "$settings_key" UpdateServer "http://127.0.0.1:$closed_port"
start_app
press_update
dialog_is "No internet connection." "unreachable"
driver answer ok
dialog_is $'Host \'http://127.0.0.1\' unreachable.\r\rPlease check your Internet connection and\rtry to upgrade this software again later.' "unreachable host"
driver answer ok
stop_app unreachable
expect_installation_unchanged unreachable
reg_set "$settings_key" UpdateServer "http://127.0.0.1:$port"

echo "-- a declined question says Update aborted. and downloads nothing"
section="a declined question says Update aborted. and downloads nothing"
install_old
start_app
press_update
question "$section"
driver tree TUpgradeQuestionForm | matches -qF "Faster and safer." || fail "the question shows the release's message"
shot TUpgradeQuestionForm upgrade-question
driver click TUpgradeQuestionForm "&Later" || fail "Later"
dialog_is "Update aborted." "declined"
driver answer ok
grep -q 'GET /benchmarks/ss2/melkrin.exe' "$server_log" && fail "declined: a file was downloaded"
stop_app declined
expect_installation_unchanged declined

echo "-- a file missing on the server asks to skip it; No aborts"
section="a file missing on the server asks to skip it; No aborts"
install_old
mv "$docroot/benchmarks/ss2/levels.dat" "$work/levels.hidden"
start_app
press_update
question "$section"
driver click TUpgradeQuestionForm "&Yes"
dialog_is $'File levels.dat not found or inaccessible.\r\rTry to skip this file and continue upgrade?' "lost file"
driver answer no
dialog_is "Update aborted." "lost file, not skipped"
driver answer ok
driver wait-gone TUpdateWizardForm 10 || fail "lost file: the wizard closes"
stop_app "lost file"
expect_installation_unchanged "lost file"

echo "-- skipping a file the release needs installs nothing of it"
section="skipping a file the release needs installs nothing of it"
start_app
press_update
question "$section"
driver click TUpgradeQuestionForm "&Yes"
dialog_is $'File levels.dat not found or inaccessible.\r\rTry to skip this file and continue upgrade?' "required file"
driver answer yes
dialog_is $'The file levels.dat was skipped, but the update cannot work without it.\r\rNothing of this update was installed; the program stays as it was.' "required file skipped"
driver answer ok
driver wait-gone TUpdateWizardForm 10 || fail "required file skipped: the wizard closes"
stop_app "required file skipped"
expect_installation_unchanged "required file skipped"
mv "$work/levels.hidden" "$docroot/benchmarks/ss2/levels.dat"

echo "-- a file that is not the published one is thrown away"
section="a file that is not the published one is thrown away"
install_old
printf 'NEW LEVELS FOR 1.1\r\n' >"$docroot/benchmarks/ss2/levels.dat"
start_app
press_update
question "$section"
driver click TUpgradeQuestionForm "&Yes"
dialog_is $'The downloaded file levels.dat is not the file the developer published (its size or checksum differs).\r\rThe update was stopped for your safety: nothing was installed.' "wrong hash"
driver answer ok
stop_app "wrong hash"
expect_installation_unchanged "wrong hash"
publish

echo "-- an information file not signed by our key installs nothing"
section="an information file not signed by our key installs nothing"
install_old
sed -i 's/^#version=1.1/#version=1.2/' "$docroot/benchmarks/ss2/qrv_melkrin.inf"
start_app
press_update
dialog_is $'The update information on the developer\'s site does not carry the developer\'s valid signature.\r\rThe update was stopped for your safety: nothing was downloaded or changed.' "bad signature"
driver answer ok
driver no-dialog 2 || fail "bad signature: one message only"
stop_app "bad signature"
expect_installation_unchanged "bad signature"
publish

echo "-- an abort in the wizard leaves no pending file"
section="an abort in the wizard leaves no pending file"
install_old
head -c 300000 /dev/urandom >"$work/release/levels.dat"
start_update_server --slow levels.dat
publish
start_app
press_update
question "$section"
driver click TUpgradeQuestionForm "&Yes"
wizard_shows "Downloading 2 of 3" "abort"
wizard_shows "Transfer rate:" "abort"
sleep 1
shot TUpdateWizardForm wizard-downloading
[ -n "$(find "$install" -name 'levels.dat.uTMP')" ] || fail "abort: the data file is being written"
driver close TUpdateWizardForm
dialog_is $'The update is not completed.\rWould you like to abort upgrading?' "close question"
driver answer yes
dialog_is "Update aborted." "abort"
driver answer ok
# The stopped worker deletes its file once it has let go of it.
for _ in $(seq 1 100); do [ -z "$(find "$install" -name '*.uTMP')" ] && break; sleep 0.1; done
stop_app abort
expect_installation_unchanged abort

echo "-- version 1.0 updates itself to 1.1 and starts again"
section="version 1.0 updates itself to 1.1 and starts again"
printf 'new levels for 1.1\r\n' >"$work/release/levels.dat"
start_update_server
publish
install_old
start_app
press_update
question "$section"
driver click TUpgradeQuestionForm "&Yes"
wizard_shows '"&OK"' "update"
shot TUpdateWizardForm wizard-final-page
driver tree TUpdateWizardForm | matches -qF "The update of melkrin has been successfully completed." || fail "final note"
[ -n "$(find "$install" -name 'melkrin.exe.uTMP')" ] || fail "the new program waits as melkrin.exe.uTMP"
driver click TUpdateWizardForm "&OK" || fail "OK on the final page"
wait_app_end "update"
for _ in $(seq 1 300); do [ -s "$install/melkrin.exe.started" ] && break; sleep 0.1; done
[ -s "$install/melkrin.exe.started" ] || fail "the new melkrin.exe was not started within 30 seconds"
started=$(cat "$install/melkrin.exe.started")
case "$started" in
  *"melkrin.exe\" /afterupgrade") ;;
  *) fail "the new program's command line: [$started]" ;;
esac
expect_same_file "$install/melkrin.exe" "$build/restart_probe.exe" "the new melkrin.exe"
expect_eq "$(cat "$install/levels.dat")" $'new levels for 1.1\r' "the new levels.dat"
expect_no_pending "update"
for f in melkrin.exe levels.dat; do
  marks=$(wrun cmd /c attrib "$(winpath "$install/$f")" | tr -d '\r' | cut -c1-11 | tr -d ' ')
  expect_eq "$marks" "A" "$f carries only the archive mark"
done
rm -f "$shots"/*.bmp
echo "upgrade e2e: all scenarios passed"
