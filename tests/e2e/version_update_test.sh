#!/usr/bin/env bash
# The installed version follows the installed program, end to end under Wine
# with the real melkrin.exe (built as 1.0, 1.1 and 1.2 from the same objects,
# only their version resources differ): 1.0 updates itself to 1.1, that one
# to 1.2, and a replayed 1.1 information file is then refused with "Newer
# version not found.", also when the stored "Programversion" is set back to
# 1.0 (the program file's own version is the floor). After each update the
# about page, the stored Programversion and the installed file's version
# resource name the new version.
source "$(dirname "$0")/e2e_lib.sh"

work="$build/e2e/version_update"
docroot="$work/docroot"
install="$work/Melkrin Install"
key="$src/server/keys/DEVELOPMENT-ONLY-update-signing-key.pem"
rm -rf "$work"
mkdir -p "$docroot" "$install"

server_log="$work/server.log"
server_pid=""
end_all() {
  # Whichever melkrin.exe runs from the installation (the helper starts the new one).
  driver close TForm1 >/dev/null 2>&1 || true
  if [ -n "$server_pid" ] && kill -0 "$server_pid" 2>/dev/null; then kill "$server_pid"; fi
}
trap end_all EXIT

# Each release is published once into a folder of its own; serving one copies
# it onto the server's document root, so a replay serves the very same bytes.
publish() {
  local version=$1
  mkdir -p "$work/release-$version"
  cp "$build/versions/$version/melkrin.exe" "$work/release-$version/melkrin.exe"
  python3 "$src/scripts/publish-update.py" --key "$key" --version "$version" --date 12/01/2026 \
    --message "Melkrin $version" --base-url "http://127.0.0.1:$port/benchmarks/ss2/" \
    --docroot "$work/published-$version" "$work/release-$version/melkrin.exe" >/dev/null
}
serve() {
  rm -rf "$docroot/benchmarks"
  cp -r "$work/published-$1/benchmarks" "$docroot/benchmarks"
}

start_app() {
  # The helper starts the updated program, so the test follows the window, not a process of its own.
  "$src/cmake/wine-run.sh" "$install/melkrin.exe" </dev/null >/dev/null 2>&1 &
  driver wait-window TForm1 60 || fail "$1: main window"
  sleep 0.5
}
stop_app() {
  driver close TForm1 || fail "$1: close the main window"
  driver wait-gone TForm1 20 || fail "$1: melkrin.exe did not end within 20 seconds"
}
press_update() {
  driver click TForm1 Help || fail "Help group"
  sleep 0.3
  driver click TForm1 "Update bench" || fail "update page"
  sleep 0.3
  driver click TForm1 "Update benchmark" || fail "the Update benchmark button"
}
# The version the about page shows (its label, id 1501).
about_version() { driver text TForm1 1501 | tr -d '\r'; }
# The program knows itself as version $1: about page, stored value, its file.
expect_installed() {
  expect_eq "$(about_version)" "$1" "$2: the about page's version"
  expect_eq "$(reg_get "$settings_key" Programversion)" "$1" "$2: the stored Programversion"
  expect_eq "$(driver file-version "$(winpath "$install/melkrin.exe")" | tr -d '\r')" "$1.0.0" \
    "$2: the installed melkrin.exe's version resource"
  [ ! -e "$install/version.txt" ] || fail "$2: version.txt was not taken over"
}
update_to() {
  local version=$1
  section="the installed program updates itself to $version"
  echo "-- $section"
  serve "$version"
  press_update
  driver wait-window TUpgradeQuestionForm 30 ||
    fail "$section: no upgrade question; message box: $(driver dialog-text 1 2>/dev/null | tr -d '\r' || echo none)"
  driver tree TUpgradeQuestionForm | matches -qF "Melkrin $version" || fail "$section: the question names the release"
  driver click TUpgradeQuestionForm "&Yes" || fail "$section: Yes"
  driver wait-window TUpdateWizardForm 30 || fail "$section: the download wizard"
  for _ in $(seq 1 150); do
    driver tree TUpdateWizardForm 2>/dev/null | matches -qF '"&OK"' && break
    sleep 0.2
  done
  # The old program is followed by its process, not by its window: on a busy
  # machine the helper has the new program's window up before a driver that
  # waits for the window class to go away has even started.
  local old_pids
  old_pids=$(pgrep_here 'Melkrin Install.melkrin\.exe')
  [ -n "$old_pids" ] || fail "$section: no melkrin.exe of the installation runs"
  driver click TUpdateWizardForm "&OK" || fail "$section: OK on the final page"
  # The old program ends, the helper swaps the files and starts the new one.
  local waited=0 pid alive
  while :; do
    alive=""
    for pid in $old_pids; do kill -0 "$pid" 2>/dev/null && alive=yes; done
    [ -n "$alive" ] || break
    [ $waited -lt 300 ] || fail "$section: the old program did not end within 30 seconds"
    sleep 0.1
    waited=$((waited + 1))
  done
  driver wait-window TForm1 60 || fail "$section: the new program did not start"
  sleep 0.5
  expect_same_file "$install/melkrin.exe" "$build/versions/$version/melkrin.exe" "$section: melkrin.exe"
  expect_installed "$version" "$section"
  [ -z "$(find "$install" -name '*.uTMP' -o -name '*.uOLD')" ] || fail "$section: pending files left"
}
expect_not_offered() {
  local before text
  before=$(wc -l <"$server_log")
  press_update
  text=$(driver dialog-text 30 | tr -d '\r') || fail "$1: no message box"
  # The driver's output goes through tr, which also takes the text's own CR.
  expect_eq "$text" "Newer version not found. You actually areusing most recent version of this program." "$1"
  driver answer ok || fail "$1: OK"
  driver no-dialog 2 || fail "$1: one message only"
  tail -n +"$((before + 1))" "$server_log" | matches -q 'GET /benchmarks/ss2/qrv_melkrin.inf' ||
    fail "$1: the information file was not fetched"
  if tail -n +"$((before + 1))" "$server_log" | matches -q 'GET /benchmarks/ss2/melkrin.exe'; then
    fail "$1: a file was downloaded"
  fi
}

echo "-- preparing the registry, the releases and the server"
section="preparing"
for _ in $(seq 1 20); do wrun reg query 'HKLM\SOFTWARE' /reg:32 >/dev/null 2>&1 && break; sleep 1; done
make_game_tree version-update-game
reg_delete "$settings_key"
reg_add_key "$settings_key" || fail "cannot create the settings key"
reg_set "$game_key" Game "\$${game_win//\\//}Bin/Sam2.exe"
reg_set "$game_key" Path "$game_win"
reg_set "$settings_key" Programversion 1.0
start_update_server
for version in 1.1 1.2; do publish "$version"; done
cp "$build/versions/1.0/melkrin.exe" "$install/melkrin.exe"

start_app "1.0"
expect_installed 1.0 "the installed 1.0"
update_to 1.1
update_to 1.2

echo "-- a replayed 1.1 information file is refused"
section="a replayed 1.1 information file is refused"
serve 1.1
expect_not_offered "$section"
stop_app "$section"

echo "-- also when the stored Programversion says 1.0"
section="a stored 1.0 does not make 1.1 newer than the 1.2 program file"
reg_set "$settings_key" Programversion 1.0
start_app "$section"
expect_eq "$(about_version)" "1.0" "$section: the about page shows the stored value"
expect_not_offered "$section"
stop_app "$section"
echo "version update e2e: all scenarios passed"
