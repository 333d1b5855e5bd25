#!/usr/bin/env bash
# melkrin.exe under Wine (in the prefix's virtual desktop, so the display
# offers the usual modes): walks every page through the navigation bar and saves a screenshot
# of each, changes options through the controls and finds them again after a
# restart, takes a size from the resolution possibilities dialog, and declines
# the help download.
source "$(dirname "$0")/e2e_lib.sh"

shots="$build/e2e/screenshots"
rm -rf "$shots" "$build/Help"
mkdir -p "$shots"

start_and_wait() {
  start_melkrin
  driver wait-window TForm1 60 || fail "main window"
  sleep 0.5
}
# A failed check must not leave the program running.
trap '[ -n "$melkrin_pid" ] && kill -0 "$melkrin_pid" 2>/dev/null && { driver close TForm1 || true; sleep 3; kill "$melkrin_pid" 2>/dev/null || true; }' EXIT
text_of() { driver text TForm1 "$1" | tr -d '\r'; }
state_of() { driver state TForm1 "$1" | tr -d '\r'; }
shot() { driver screenshot "$1" "$shots/$2.bmp" && python3 "$src/tests/e2e/bmp_to_png.py" "$shots/$2.bmp" "$shots/$2.png"; }
# Moves the pointer onto a control and off the window again.
hover_out() { driver hover TForm1 "$1"; driver hover-away; sleep 0.3; }

echo "-- preparing a game tree and the registry"
# The first Wine program of a run may meet a server that is still starting: wait until the registry answers.
for _ in $(seq 1 20); do wrun reg query 'HKLM\SOFTWARE' /reg:32 >/dev/null 2>&1 && break; sleep 1; done
make_game_tree pages
results="$build/e2e/pages/results"
mkdir -p "$results"
reg_delete "$settings_key"
reg_add_key "$settings_key" || fail "cannot create the settings key"
reg_set "$game_key" Game "\$${game_win//\\//}Bin/Sam2.exe"
reg_set "$game_key" Path "$game_win"
for v in "Programversion=1.2" "NoErrorWarning=0" "640=1" "800=0" "CusW=800" "CusH=600" "CusRes=1" "Demo=2" \
         "AFLevel=3" "AALevel=1" "HDR=0" "Renderer=0" "Note=e2e rig"; do
  reg_set "$settings_key" "${v%%=*}" "${v#*=}"
done
reg_set "$settings_key" ResultPath "$(winpath "$results/")"

echo "-- opens on the about page with both groups closed"
start_and_wait
expect_eq "$(state_of 1044)" "1 1 0" "page 4 shown"
expect_eq "$(state_of 1040)" "1 0 0" "page 0 hidden"
expect_eq "$(state_of 1030)" "1 0 0" "Benchmark group closed"
expect_eq "$(state_of 1033)" "1 0 0" "Help group closed"
expect_eq "$(state_of 1008)" "1 0 0" "progress panel hidden"
expect_eq "$(text_of 1501)" "1.2" "version label"
for hint in "Run benchmark" "Minimize" "Close" "Browse..." "Open results folder"; do
  driver tree TForm1 | matches -qF "\"$hint\"" || fail "picture button \"$hint\" must carry its hint as text"
done
shot TForm1 page4-about

echo "-- walks every page through the navigation bar"
driver click TForm1 Benchmark
expect_eq "$(state_of 1030)" "1 1 0" "Benchmark group open"
driver click TForm1 "Path && notes"; sleep 0.3
expect_eq "$(state_of 1040)" "1 1 0" "page 0"
expect_eq "$(text_of 1100)" "$(winpath "$game_dir/")Bin\\Sam2.exe" "game path field"
expect_eq "$(text_of 1101)" "$(winpath "$results/")" "results folder field"
expect_eq "$(text_of 1104)" "e2e rig" "note"
shot TForm1 page0-path-and-notes

driver click TForm1 "Resolution && demo"; sleep 0.3
expect_eq "$(state_of 1041)" "1 1 0" "page 1"
expect_eq "$(state_of 1201)" "1 1 1" "640 x 480 stored as chosen"
expect_eq "$(state_of 1207)" "0 1 0" "1280 x 768 is not offered by the display"
expect_eq "$(text_of 1211)" "800" "custom width"
expect_eq "$(state_of 1210)" "1 1 1" "custom box"
expect_eq "$(state_of 1221)" "1 1 1" "Greendale chosen"
expect_eq "$(state_of 1215)" "0 1 0" "demo field disabled for a built-in demo"
shot TForm1 page1-resolution-and-demo

driver click TForm1 "HDR && filters"; sleep 0.3
expect_eq "$(state_of 1042)" "1 1 0" "page 2"
expect_eq "$(state_of 1300)" "1 1 0" "HDR off"
shot TForm1 page2-hdr-and-filters

driver click TForm1 "Passes && history"; sleep 0.3
expect_eq "$(state_of 1045)" "1 1 0" "page 5"
expect_eq "$(state_of 1601)" "1 1 0" "no warm-up pass by default"
shot TForm1 page5-passes-and-history

driver click TForm1 Help; sleep 0.3
expect_eq "$(state_of 1030)" "1 0 0" "opening Help closes Benchmark"
driver click TForm1 "Update bench"; sleep 0.3
expect_eq "$(state_of 1043)" "1 1 0" "page 3"
expect_eq "$(state_of 1400)" "0 1 0" "proxy fields disabled without UseProxy"
shot TForm1 page3-update

driver click TForm1 "About..."; sleep 0.3
expect_eq "$(state_of 1044)" "1 1 0" "page 4 again"

echo "-- options are stored when the pointer leaves, and only then"
driver click TForm1 Benchmark
driver click TForm1 "Resolution && demo"; sleep 0.3
driver press TForm1 1203
expect_eq "$(state_of 1203)" "1 1 1" "1024 x 768 checked"
expect_eq "$(reg_get "$settings_key" 1024)" "" "nothing stored before the pointer leaves"
hover_out 1203
expect_eq "$(reg_get "$settings_key" 1024)" "1" "resolution stored on leaving the group"
expect_eq "$(reg_get "$settings_key" hdw1)" "0" "a mode the display lacks is stored as 0"
driver press TForm1 1223
expect_eq "$(reg_get "$settings_key" Demo)" "4" "demo choice stored on change"
expect_eq "$(state_of 1215)" "1 1 0" "demo field enabled for a user defined demo"
driver click TForm1 "HDR && filters"; sleep 0.3
driver press TForm1 1300
hover_out 1300
expect_eq "$(reg_get "$settings_key" HDR)" "1" "HDR stored on leaving the box"
driver key TForm1 1301 down
expect_eq "$(reg_get "$settings_key" Renderer)" "1" "Direct3D stored on selection change"
driver click TForm1 "Path && notes"; sleep 0.3
driver type TForm1 1104 "+OC"
hover_out 1104
expect_eq "$(reg_get "$settings_key" Note)" "e2e rig+OC" "note stored on leaving the field"
expect_eq "$(reg_get "$settings_key" Passes)" "" "the passes are not stored while nobody changes them"
expect_eq "$(reg_get "$settings_key" WarmUp)" "" "nor the warm-up pass"
driver click TForm1 "Passes && history"; sleep 0.3
driver key TForm1 1600 end
expect_eq "$(reg_get "$settings_key" Passes)" "until stable" "passes stored on selection change"
driver press TForm1 1601
expect_eq "$(reg_get "$settings_key" WarmUp)" "1" "warm-up stored on the click"

echo "-- the resolution possibilities dialog fills the custom size"
driver click TForm1 "Resolution && demo"; sleep 0.3
driver press TForm1 1213
driver wait-window TForm3 20 || fail "Form3 must open"
sleep 0.5
items=$(driver items TForm3 2002 | tr -d '\r')
grep -qx "0 640 x 480" <<<"$items" || fail "640 x 480 must be listed: $items"
grep -qx "0 1600 x 1200" <<<"$items" || fail "1600 x 1200 must be listed: $items"
[ "$(echo "$items" | sort | uniq -d)" = "" ] || fail "every size once: $items"
index=$(( $(echo "$items" | grep -nx "0 1024 x 768" | cut -d: -f1) - 1 ))
driver check-item TForm3 2002 "$index"
expect_eq "$(driver items TForm3 2002 | tr -d '\r' | grep -c '^1 ')" "1" "one item checked"
shot TForm3 form3-possibilities
driver click TForm3 Add
driver wait-hidden TForm3 20 || fail "Add closes the dialog"
expect_eq "$(text_of 1211)" "1024" "custom width taken over"
expect_eq "$(text_of 1212)" "768" "custom height taken over"
expect_eq "$(reg_get "$settings_key" CusW)" "1024" "CusW"
expect_eq "$(reg_get "$settings_key" CusH)" "768" "CusH"
expect_eq "$(reg_get "$settings_key" CusRes)" "1" "CusRes untouched"

echo "-- declining the help download leaves no Help folder"
driver click TForm1 Help; sleep 0.3
driver click TForm1 "Benchmark help"
expect_eq "$(driver dialog-text 20 | tr -d '\r')" \
  "Corrupt help file! Would you like to download the newest help file from the Velkora server (approx. 450 KB)?" \
  "help question"
driver answer no
[ ! -e "$build/Help" ] || fail "No must leave no Help folder"
stop_melkrin

echo "-- the options come back after a restart"
start_and_wait
expect_eq "$(state_of 1203)" "1 0 1" "1024 x 768 still chosen"
expect_eq "$(state_of 1300)" "1 0 1" "HDR on"
expect_eq "$(state_of 1223)" "1 0 1" "user defined demo"
expect_eq "$(text_of 1104)" "e2e rig+OC" "note"
expect_eq "$(text_of 1211)" "1024" "custom width"
expect_eq "$(state_of 1601)" "1 0 1" "warm-up pass"
stop_melkrin
rm -f "$shots"/*.bmp
echo "pages e2e: all scenarios passed"
