#!/usr/bin/env bash
# melkrin.exe under Wine: the start-up checks and the recovery of an
# interrupted run, through its real window and message boxes.
source "$(dirname "$0")/e2e_lib.sh"

question='The last time an error occured. Do you wish to restore the original settings?'

echo "-- settings key missing"
reg_delete "$settings_key"; reg_delete "$game_key"
start_melkrin
expect_eq "$(driver dialog-text 60 | tr -d '\r')" "Please reinstall the Quorvane Melkrin!" "missing settings key"
driver answer ok
driver wait-window TForm1 20 || fail "the main window must open after a start-up refusal"
stop_melkrin

echo "-- game key missing"
reg_add_key "$settings_key"
start_melkrin
expect_eq "$(driver dialog-text 60 | tr -d '\r')" "Please install the Serious Sam 2!" "missing game key"
driver answer ok
driver wait-window TForm1 20 || fail "main window"
stop_melkrin

echo "-- interrupted run, recovery accepted"
make_game_tree accepted
reg_set "$game_key" Game "\$${game_win//\\//}Bin/Sam2.exe"
reg_set "$game_key" Path "$game_win"
reg_set "$settings_key" NoErrorWarning 1
reg_set "$settings_key" "Display Memory" "256.0 MB"
printf 'benchmark\r\n' >"$game_dir/Content/SeriousSam2/Sam2.ini"
printf 'users own\r\n' >"$game_dir/Content/SeriousSam2/Sam2_old.ini"
printf 'Sam2.exe +demo\r\n' >"$game_dir/Bin/melkrin.bat"
printf '1.30\r\n' >"$build/version.txt"
start_melkrin
expect_eq "$(driver dialog-text 60 | tr -d '\r')" "$question" "recovery question"
driver answer yes
driver wait-window TForm1 20 || fail "main window"
[ ! -e "$game_dir/Bin/melkrin.bat" ] || fail "stale batch file must be deleted"
[ -d "$game_dir/Content/SeriousSam2/Demos" ] || fail "demos folder must be created"
expect_eq "$(cat "$game_dir/Content/SeriousSam2/Sam2.ini")" $'users own\r' "restored Sam2.ini"
[ ! -e "$game_dir/Content/SeriousSam2/Sam2_old.ini" ] || fail "backup must be moved back"
expect_eq "$(reg_get "$settings_key" NoErrorWarning)" 0 "run marker after recovery"
expect_eq "$(reg_get "$settings_key" Programversion)" "1.30" "version taken from version.txt (its whole first line)"
[ ! -e "$build/version.txt" ] || fail "version.txt must be deleted once read"
stop_melkrin
expect_eq "$(reg_get "$settings_key" "Display Memory")" "" "diagnostic cache emptied at exit"

echo "-- interrupted run, recovery declined"
make_game_tree declined
reg_set "$game_key" Path "$game_win"
reg_set "$settings_key" NoErrorWarning 1
printf 'benchmark\r\n' >"$game_dir/Content/SeriousSam2/Sam2.ini"
printf 'users own\r\n' >"$game_dir/Content/SeriousSam2/Sam2_old.ini"
printf 'Sam2.exe +demo\r\n' >"$game_dir/Bin/melkrin.bat"
start_melkrin
expect_eq "$(driver dialog-text 60 | tr -d '\r')" "$question" "recovery question"
driver answer no
driver wait-window TForm1 20 || fail "main window"
[ ! -e "$game_dir/Bin/melkrin.bat" ] || fail "stale batch file must be deleted also when declined"
expect_eq "$(cat "$game_dir/Content/SeriousSam2/Sam2.ini")" $'benchmark\r' "Sam2.ini untouched"
expect_eq "$(reg_get "$settings_key" NoErrorWarning)" 1 "run marker stays"
stop_melkrin

echo "-- no marker: no question"
reg_set "$settings_key" NoErrorWarning 0
start_melkrin
driver wait-window TForm1 60 || fail "main window"
driver no-dialog 2 || fail "no question without the marker"
stop_melkrin
echo "startup e2e: all scenarios passed"
