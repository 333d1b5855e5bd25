#!/usr/bin/env bash
# Melkrin's figures, each measured beside its yardstick in the same session
# and printed as a ratio. Not a test: nothing here passes or fails on a
# figure; the README keeps the last figures with the machine they came from.
#
#   bash bench/bench.sh [ROUNDS] [PART]
#
# ROUNDS: default 3; every figure alternates its two sides. PART: "all" (the
# default) or "update", the update's figures alone (download throughput,
# UpdHelper.exe's size and memory).
#
# Needs the Windows build (build/win, as the test command leaves it), Wine,
# Xvfb (used when no display is set), g++ and MinGW-w64. Works in a Wine
# prefix of its own (build/bench/wineprefix).
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-3}
part=${2:-all}
case $part in all | update) ;; *) echo "bench: PART is all or update, not $part" >&2; exit 2 ;; esac
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1600x1200x24" bash "$0" "$@"
fi
win="$src/build/win"
out="$src/build/bench"
for file in melkrin.exe standin/Sam2.exe tests/melkrin_driver.exe UpdHelper.exe restart_probe.exe; do
  [ -f "$win/$file" ] || { echo "bench: $win/$file is missing: build the Windows tree first (bash scripts/test.sh)" >&2; exit 1; }
done
mkdir -p "$out"
export WINEPREFIX="$out/wineprefix"
source "$src/cmake/wine-env.sh"
set -- "$win" "$src"
source "$src/tests/e2e/e2e_lib.sh"
source "$src/tests/e2e/run_lib.sh"
cleanup() { end_melkrin; wine_stop_server; }
trap cleanup EXIT

now() { date +%s.%N; }
# File times in seconds with nanoseconds: m = last write, c = last change (a rename).
mtime() { python3 -c 'import os,sys; print(os.stat(sys.argv[1]).st_mtime_ns / 1e9)' "$1"; }
ctime() { python3 -c 'import os,sys; print(os.stat(sys.argv[1]).st_ctime_ns / 1e9)' "$1"; }
calc() { python3 -c "print($1)"; }
fmt() { printf "%.${2:-3}f" "$1"; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# Processor seconds (user + system) a process used so far, and its peak resident memory in KB.
cpu_seconds() { awk -v hz="$(getconf CLK_TCK)" '{ print ($14 + $15) / hz }' "/proc/$1/stat"; }
peak_kb() { awk '/^VmHWM:/ { print $2 }' "/proc/$1/status"; }
lines_of() { [ -f "$1" ] && wc -l <"$1" || echo 0; }

echo "== building the yardsticks"
x86_64-w64-mingw32-g++-posix -O2 -static -mwindows "$src/bench/min_window.cpp" -o "$out/min_window.exe"
gcc -O2 "$src/bench/host_tsc.c" -o "$out/host_tsc"
g++ -std=c++20 -O2 -I"$src" "$src/bench/log_reader_bench.cpp" "$src/run/result_log.cpp" "$src/common/text.cpp" \
  -o "$out/log_reader_bench"
x86_64-w64-mingw32-g++-posix -O2 -std=c++20 -static -I"$src" "$src/bench/transfer_bench.cpp" \
  "$src/update/http_client_win32.cpp" "$src/update/http_transfer_job_win32.cpp" "$src/update/transfer_sync_window_win32.cpp" "$src/update/transfer_rules.cpp" \
  "$src/update/http_date.cpp" "$src/update/update_info.cpp" "$src/common/text.cpp" -lwininet -o "$out/transfer_bench.exe"
x86_64-w64-mingw32-g++-posix -O2 -std=c++20 -static "$src/bench/transfer_floor.cpp" "$src/bench/transfer_floor_winhttp.cpp" \
  -lwininet -lwinhttp -o "$out/transfer_floor.exe"

# The minimal Win32 program's peak memory, the yardstick of both programs' own.
minimal_peak_kb() {
  local pid peak
  "$src/cmake/wine-run.sh" "$out/min_window.exe" </dev/null >/dev/null 2>&1 &
  pid=$!
  driver wait-window MinWindow 60 >/dev/null
  peak=$(peak_kb "$pid")
  driver close MinWindow >/dev/null
  wait "$pid" 2>/dev/null || true
  echo "$peak"
}

# The update's download: Melkrin's transfer client (as the update runs it,
# progress told to the window's thread) against curl, the same 64 MB file
# from the same loopback server. Beside them the floor of each platform API
# under Wine, a bare loop of 1 MB reads into the file: WinINet's blocking
# read; WinINet asking what has arrived before each read (Wine tells only
# what its own 8 KB buffer holds, so the reads stay small: what Melkrin's
# client did before); and WinHTTP.
update_download() {
  local docroot="$out/update-docroot" server_log="$out/update-server.log" server port seconds
  mkdir -p "$docroot"
  [ "$(stat -c %s "$docroot/big.bin" 2>/dev/null || echo 0)" = 67108864 ] ||
    head -c 67108864 /dev/urandom >"$docroot/big.bin"
  python3 -u "$src/tests/e2e/upgrade_server.py" --docroot "$docroot" >"$server_log" 2>&1 &
  server=$!
  port=""
  for _ in $(seq 1 100); do
    port=$(sed -n 's/^port \([0-9][0-9]*\)$/\1/p' "$server_log" | head -1)
    [ -n "$port" ] && break
    sleep 0.1
  done
  [ -n "$port" ] || { kill "$server"; echo "bench: the download server named no port within 10 s" >&2; exit 1; }
  download_melkrin=() download_curl=() download_64k=() progress_calls=()
  floor_wininet=() floor_query=() floor_winhttp=()
  for round in $(seq 1 "$rounds"); do
    for side in melkrin curl; do
      # The sides take turns at going first.
      [ $((round % 2)) = 0 ] && side=$([ "$side" = melkrin ] && echo curl || echo melkrin)
      rm -f "$out/downloaded.bin"
      if [ "$side" = curl ]; then
        seconds=$(curl -s -o "$out/downloaded.bin" -w '%{time_total}' "http://127.0.0.1:$port/big.bin")
        download_curl+=("$seconds")
      else
        read -r seconds _ calls < <("$src/cmake/wine-run.sh" "$out/transfer_bench.exe" "http://127.0.0.1:$port/big.bin" \
          "$(winpath "$out/downloaded.bin")" </dev/null)
        download_melkrin+=("$seconds")
        progress_calls+=("$calls")
      fi
      cmp -s "$out/downloaded.bin" "$docroot/big.bin" || { kill "$server"; echo "bench: $side's download differs" >&2; exit 1; }
    done
    # And with 64 KB reads, to tell the reads' share from the rest.
    rm -f "$out/downloaded.bin"
    download_64k+=("$("$src/cmake/wine-run.sh" "$out/transfer_bench.exe" "http://127.0.0.1:$port/big.bin" \
      "$(winpath "$out/downloaded.bin")" 65536 </dev/null | cut -d' ' -f1)")
    cmp -s "$out/downloaded.bin" "$docroot/big.bin" || { kill "$server"; echo "bench: the 64 KB reads' download differs" >&2; exit 1; }
    for api in wininet wininet-query winhttp; do
      rm -f "$out/downloaded.bin"
      seconds=$("$src/cmake/wine-run.sh" "$out/transfer_floor.exe" "$api" "http://127.0.0.1:$port/big.bin" \
        "$(winpath "$out/downloaded.bin")" </dev/null | cut -d' ' -f1)
      cmp -s "$out/downloaded.bin" "$docroot/big.bin" || { kill "$server"; echo "bench: the $api floor's download differs" >&2; exit 1; }
      case $api in
        wininet) floor_wininet+=("$seconds") ;;
        wininet-query) floor_query+=("$seconds") ;;
        winhttp) floor_winhttp+=("$seconds") ;;
      esac
    done
  done
  kill "$server"
  wait "$server" 2>/dev/null || true
  rm -f "$out/downloaded.bin"
}

# UpdHelper.exe swapping in a new program and two files (one of 64 MB, over
# an old one as large) while the program is closed; its peak resident memory is polled until it ends.
update_helper_swap() {
  local folder="$out/swap/Quorvane Melkrin" words
  rm -rf "$out/swap"
  mkdir -p "$folder"
  cp "$win/restart_probe.exe" "$folder/melkrin.exe"
  cp "$win/restart_probe.exe" "$folder/melkrin.exe.uTMP"
  printf 'new build\n' >>"$folder/melkrin.exe.uTMP"
  # The old files are there too, so the helper copies 64 MB aside as well.
  head -c 67108864 /dev/zero >"$folder/levels.dat"
  printf 'old help\r\n' >"$folder/help.chm"
  cp "$out/update-docroot/big.bin" "$folder/levels.dat.uTMP"
  printf 'new help\r\n' >"$folder/help.chm.uTMP"
  # The command line as Melkrin builds it: the program path unquoted.
  read -ra words <<<"$(winpath "$folder/melkrin.exe")"
  # The helper lives for a moment only: its peak comes from the kernel when
  # it ends (the largest resident size of the process, in KB), not from polling.
  helper_peak=$(python3 -c '
import os, subprocess, sys
child = subprocess.Popen(sys.argv[1:], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
_, status, usage = os.wait4(child.pid, 0)
if status != 0:
    sys.exit("bench: UpdHelper.exe ended with status %d" % status)
print(usage.ru_maxrss)' "$src/cmake/wine-run.sh" "$win/UpdHelper.exe" "${words[@]}" +/afterupgrade0)
  cmp -s "$folder/levels.dat" "$out/update-docroot/big.bin" || { echo "bench: the helper did not swap levels.dat in" >&2; exit 1; }
  [ -z "$(find "$folder" -name '*.uTMP')" ] || { echo "bench: the helper left pending files" >&2; exit 1; }
}

update_figures() {
  local m_melkrin m_curl
  m_melkrin=$(median "${download_melkrin[@]}")
  m_curl=$(median "${download_curl[@]}")
  printf "update download, 64 MB from a loopback server: Melkrin's transfer %s s (%s MB/s), curl %s s (%s MB/s): ratio %s; with 64 KB reads %s s (rounds: %s | %s | %s)\n" \
    "$(fmt "$m_melkrin")" "$(fmt "$(calc "64 / $m_melkrin")" 1)" "$(fmt "$m_curl")" "$(fmt "$(calc "64 / $m_curl")" 1)" \
    "$(fmt "$(calc "$m_melkrin / $m_curl")" 1)" "$(fmt "$(median "${download_64k[@]}")")" \
    "${download_melkrin[*]}" "${download_curl[*]}" "${download_64k[*]}"
  printf "update download's progress notifications: %s in %s s (at most 20 a second and one at the end)\n" \
    "$(median "${progress_calls[@]}")" "$(fmt "$m_melkrin")"
  printf 'platform floors under Wine, bare loops of 1 MB reads: WinINet %s s, WinINet asking what has arrived first %s s, WinHTTP %s s (rounds: %s | %s | %s)\n' \
    "$(fmt "$(median "${floor_wininet[@]}")")" "$(fmt "$(median "${floor_query[@]}")")" "$(fmt "$(median "${floor_winhttp[@]}")")" \
    "${floor_wininet[*]}" "${floor_query[*]}" "${floor_winhttp[*]}"
  printf 'size: UpdHelper.exe %s KB, minimal Win32 program %s KB: ratio %s\n' \
    "$(($(stat -c %s "$win/UpdHelper.exe") / 1024))" "$(($(stat -c %s "$out/min_window.exe") / 1024))" \
    "$(fmt "$(calc "$(stat -c %s "$win/UpdHelper.exe") / $(stat -c %s "$out/min_window.exe")")" 1)"
  printf 'peak memory: UpdHelper.exe %s MB swapping 3 files (one of 64 MB), minimal Win32 program %s MB: ratio %s\n' \
    "$(fmt "$(calc "$helper_peak / 1024")" 1)" "$(fmt "$(calc "$minimal_peak / 1024")" 1)" \
    "$(fmt "$(calc "$helper_peak / $minimal_peak")" 2)"
}

echo "== the update: download ($rounds rounds, alternating) and UpdHelper.exe's swap"
update_download
update_helper_swap
if [ "$part" = update ]; then
  minimal_peak=$(minimal_peak_kb)
  echo
  echo "== figures (medians of $rounds rounds; $(date -u '+%Y-%m-%d %H:%M UTC'))"
  echo "machine: $(sed -n 's/^model name[^:]*: //p' /proc/cpuinfo | head -1), $(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GB", $2 / 1048576 }' /proc/meminfo); $(/usr/lib/wine/wine64 --version 2>/dev/null)"
  echo "load average during the session: $(cut -d' ' -f1-3 /proc/loadavg) (on $(nproc) cores)"
  update_figures
  exit 0
fi

echo "== installing Melkrin and the stand-in game into $WINEPREFIX"
root="$out/install"
program="$root/Quorvane Melkrin"
game="$root/Games/Serious Sam 2"
install_melkrin "$program"
install_game "$game"
record_report_opens "$root/opened.txt"
# One resolution with antialiasing, so that the game plays for some seconds;
# a filled diagnostic cache, as on every run after the first.
reg_set "$settings_key" 1024 1
reg_set "$settings_key" Demo 1
reg_set "$settings_key" AALevel 3
reg_set "$settings_key" Renderer 1
reg_set "$settings_key" "Display Memory" " 64.0 MB"
reg_set "$settings_key" "Driver Version" " 1.2.3"
reg_set "$settings_key" Sound "Stand-in Sound"

echo "== start-up to a shown window ($rounds rounds, alternating)"
window_time() {  # PROGRAM CLASS: seconds from the start to a visible window
  local begin pid
  begin=$(now)
  "$src/cmake/wine-run.sh" "$1" </dev/null >/dev/null 2>&1 &
  pid=$!
  driver wait-window "$2" 60 || { kill "$pid"; echo "bench: $1 showed no window" >&2; exit 1; }
  calc "$(now) - $begin"
  driver close "$2" >/dev/null
  wait_for 20 bash -c "! kill -0 $pid 2>/dev/null" || { kill "$pid"; echo "bench: $1 did not close" >&2; exit 1; }
  wait "$pid" 2>/dev/null || true
}
melkrin_starts=() minimal_starts=()
for _ in $(seq 1 "$rounds"); do
  minimal_starts+=("$(window_time "$out/min_window.exe" MinWindow)")
  melkrin_starts+=("$(window_time "$program/melkrin.exe" TForm1)")
done

echo "== benchmark runs ($rounds), with the game started by hand between them"
calls="$game/StandIn/calls.txt"
ends="$game/StandIn/ends.txt"
config="$game/Content/SeriousSam2/Sam2.ini"
# Closing the program empties the diagnostic cache: fill it again, so that
# the runs measure Melkrin and not the diagnostic tool.
reg_set "$settings_key" "Display Memory" " 64.0 MB"
reg_set "$settings_key" "Driver Version" " 1.2.3"
reg_set "$settings_key" Sound "Stand-in Sound"
mkdir -p "$game/StandIn"
touch "$calls" "$ends"
start_program "$program"
driver wait-window TForm1 60 || { echo "bench: no main window" >&2; exit 1; }
by_hand() {  # the same game by hand: the command line Melkrin gave it, from the same folder
  local command_line
  command_line=$(head -1 "$calls" | tr -d '\r' | cut -d'|' -f2- | sed 's/^.*Sam2\.exe"* //')
  printf 'frames=%s\r\n' "$frames" >"$game/StandIn/behaviour.txt"
  # and the benchmark configuration Melkrin wrote, with the user's put back afterwards.
  cp "$config" "$out/user Sam2.ini"
  cp "$out/benchmark Sam2.ini" "$config"
  (cd "$game/Bin" && eval "\"$src/cmake/wine-run.sh\" Sam2.exe $command_line" </dev/null >/dev/null 2>&1)
  fps_hand+=("$(tr -d '\r' <"$game/Sam2.log" | sed -n 's/^Average: \([0-9.]*\) FPS/\1/p')")
  # And through a batch file as Melkrin starts it, to tell the command
  # interpreter's share from Melkrin's.
  printf 'Sam2.exe %s\r\n' "$command_line" >"$game/Bin/by hand.bat"
  (cd "$game/Bin" && "$src/cmake/wine-run.sh" cmd /c "by hand.bat" </dev/null >/dev/null 2>&1)
  fps_batch+=("$(tr -d '\r' <"$game/Sam2.log" | sed -n 's/^Average: \([0-9.]*\) FPS/\1/p')")
  rm -f "$game/Sam2.log" "$game/Bin/by hand.bat"
  mv "$out/user Sam2.ini" "$config"
}
# Some seconds of play per game, so that the start of a process does not weigh.
frames=150
before=() after=() whole=() cpu_ratio=() cpu_used=() game_seconds=() fps_melkrin=() fps_hand=() fps_batch=()
for round in $(seq 1 "$rounds"); do
  # The hand runs go first in every other round.
  if [ $((round % 2)) = 0 ]; then by_hand; fi
  started=$(lines_of "$calls")
  ended=$(lines_of "$ends")
  # The game holds its log 5 s after the figure: Melkrin waits on a game that
  # plays on, which is when its own processor time is measured.
  printf 'frames=%s\r\nhold=5000\r\n' "$frames" >"$game/StandIn/behaviour.txt"
  reg_set "$settings_key" NoErrorWarning 0
  driver click TForm1 "Run benchmark" >/dev/null
  clicked=$(now)
  wait_for 60 bash -c "[ \$(wc -l <'$calls') -gt $started ]" || { echo "bench: the game did not start" >&2; exit 1; }
  cpu_begin=$(cpu_seconds "$melkrin_pid"); wall_begin=$(now)
  cp "$config" "$out/benchmark Sam2.ini"
  wait_for 120 bash -c "[ \$(wc -l <'$ends') -gt $ended ]" || { echo "bench: the game did not end" >&2; exit 1; }
  cpu_end=$(cpu_seconds "$melkrin_pid"); wall_end=$(now)
  wait_for 60 marker_is 0 || { echo "bench: the run did not end" >&2; exit 1; }
  sleep 1.5  # the run's last wait, after the restore
  game_start=$(mtime "$calls"); game_end=$(mtime "$ends"); restored=$(ctime "$config")
  # The run prescribes 2 s after the game and 1 s before the restore.
  before+=("$(calc "$game_start - $clicked")")
  after+=("$(calc "$restored - $game_end - 3.0")")
  game_seconds+=("$(calc "$game_end - $game_start")")
  cpu_used+=("$(calc "$cpu_end - $cpu_begin")")
  cpu_ratio+=("$(calc "($cpu_end - $cpu_begin) / ($wall_end - $wall_begin)")")
  report=$(ls -t "$program/Benchmark"/result_*.htm | head -1)
  fps_melkrin+=("$(tr -d '\r' <"$report" | sed -n 's/.*Score = \([0-9.]*\) FPS.*/\1/p' | tail -1)")

  if [ $((round % 2)) = 1 ]; then by_hand; fi
  whole+=("$(calc "$restored - $clicked")")
done
melkrin_peak=$(peak_kb "$melkrin_pid")
clock=$(tr -d '\r' <"$program/debuginfo.txt" | sed -n 's/.*CPU speed[^0-9]*\([0-9]*\) MHz.*/\1/p' | tail -1)
stop_melkrin

minimal_peak=$(minimal_peak_kb)

host_mhz=$("$out/host_tsc")
log_line=$("$out/log_reader_bench")
melkrin_size=$(stat -c %s "$win/melkrin.exe")
minimal_size=$(stat -c %s "$out/min_window.exe")

m_before=$(median "${before[@]}"); m_after=$(median "${after[@]}"); m_game=$(median "${game_seconds[@]}")
m_hand=$(median "${fps_hand[@]}"); m_fps=$(median "${fps_melkrin[@]}")
m_melkrin_start=$(median "${melkrin_starts[@]}"); m_minimal_start=$(median "${minimal_starts[@]}")
echo
echo "== figures (medians of $rounds rounds; $(date -u '+%Y-%m-%d %H:%M UTC'))"
echo "machine: $(sed -n 's/^model name[^:]*: //p' /proc/cpuinfo | head -1), $(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GB", $2 / 1048576 }' /proc/meminfo); $(/usr/lib/wine/wine64 --version 2>/dev/null)"
m_batch=$(median "${fps_batch[@]}")
printf 'fidelity: stand-in game %s FPS under Melkrin, %s FPS by hand: ratio %s; by hand through a batch file %s FPS: ratio %s (rounds: %s | %s | %s)\n' \
  "$m_fps" "$m_hand" "$(fmt "$(calc "$m_fps / $m_hand")")" "$m_batch" "$(fmt "$(calc "$m_fps / $m_batch")")" \
  "${fps_melkrin[*]}" "${fps_hand[*]}" "${fps_batch[*]}"
echo "load average during the session: $(cut -d' ' -f1-3 /proc/loadavg) (on $(nproc) cores)"
m_whole=$(median "${whole[@]}")
printf "Melkrin's own time: button to game start %s s, game end to restored Sam2.ini %s s (less the 3 s of waits); of a run of %s s: ratio %s\n" \
  "$(fmt "$m_before")" "$(fmt "$m_after")" "$(fmt "$m_whole" 2)" "$(fmt "$(calc "($m_before + $m_after) / $m_whole")")"
printf 'processor time of melkrin.exe while the game played: %s s over %s s: ratio %s (rounds: %s)\n' \
  "$(fmt "$(median "${cpu_used[@]}")")" "$(fmt "$m_game" 2)" "$(fmt "$(median "${cpu_ratio[@]}")" 4)" "${cpu_used[*]}"
printf 'start-up to a shown window: melkrin.exe %s s, minimal Win32 program %s s: ratio %s\n' \
  "$(fmt "$m_melkrin_start")" "$(fmt "$m_minimal_start")" "$(fmt "$(calc "$m_melkrin_start / $m_minimal_start")" 2)"
printf 'processor clock: Melkrin %s MHz, host time-stamp counter %s MHz: ratio %s\n' \
  "${clock:-?}" "$host_mhz" "$( [ -n "$clock" ] && fmt "$(calc "$clock / $host_mhz")" || echo '?')"
echo "$log_line"
printf 'size: melkrin.exe %s KB, minimal Win32 program %s KB: ratio %s\n' \
  "$((melkrin_size / 1024))" "$((minimal_size / 1024))" "$(fmt "$(calc "$melkrin_size / $minimal_size")" 1)"
printf 'peak memory: melkrin.exe %s MB after %s runs, minimal Win32 program %s MB: ratio %s\n' \
  "$(fmt "$(calc "$melkrin_peak / 1024")" 1)" "$rounds" "$(fmt "$(calc "$minimal_peak / 1024")" 1)" \
  "$(fmt "$(calc "$melkrin_peak / $minimal_peak")" 2)"
update_figures
