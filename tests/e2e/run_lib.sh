# Installations for the end-to-end runs and the demo: Melkrin in a program
# folder of its own, the stand-in game in a game folder with blanks in its
# path, both registered as their installers would. Needs e2e_lib.sh first.

# install_melkrin DIR: melkrin.exe with its built-in demos and results folder.
install_melkrin() {
  program_dir=$1
  rm -rf "$program_dir"
  mkdir -p "$program_dir/Demos" "$program_dir/Benchmark"
  cp "$build/melkrin.exe" "$program_dir/"
  cp "$src/tests/standin_game/demos/"*.dem "$program_dir/Demos/"
  program_win=$(winpath "$program_dir/")
  reg_delete "$settings_key"
  reg_add_key "$settings_key"
  reg_set "$settings_key" Programversion "1.2"
}

# install_game DIR: the stand-in game and the user's own configuration.
install_game() {
  game_dir=$1
  rm -rf "$game_dir"
  mkdir -p "$game_dir/Bin" "$game_dir/Content/SeriousSam2/Demos" "$game_dir/Content/SeriousSam2/Config"
  cp "$build/standin/Sam2.exe" "$game_dir/Bin/Sam2.exe"
  printf '[Engine]\r\ngfx_iAPI = 2;\r\ngfx_iAntiAliasing = 0;\r\ntex_iAnisotropy = 1;\r\ngfx_bHDRRendering = 0;\r\nusers_own_line = 1;\r\n' \
    >"$game_dir/Content/SeriousSam2/Sam2.ini"
  game_win=$(winpath "$game_dir/")
  reg_delete "$game_key"
  reg_set "$game_key" Game "${game_win}Bin\\Sam2.exe"
  reg_set "$game_key" Path "$game_win"
}

# The shell's "open" of a report is recorded instead of starting a browser.
record_report_opens() {
  opened_log=$1
  rm -f "$opened_log"
  local target
  target=$(winpath "$opened_log")
  for ext in .htm .html; do
    wrun reg add "HKCR\\$ext" /ve /d MelkrinRecordedPage /f >/dev/null
  done
  wrun reg add 'HKCR\MelkrinRecordedPage\shell\open\command' /ve /d "cmd.exe /c echo %1>>\"$target\"" /f >/dev/null
}

start_program() {
  "$src/cmake/wine-run.sh" "$1/melkrin.exe" </dev/null >/dev/null 2>&1 &
  melkrin_pid=$!
}

# wait_for SECONDS COMMAND...: until the command succeeds.
wait_for() {
  local limit=$1
  shift
  for _ in $(seq 1 $((limit * 4))); do
    if "$@"; then return 0; fi
    sleep 0.25
  done
  return 1
}

marker_is() { [ "$(reg_get "$settings_key" NoErrorWarning)" = "$1" ]; }
