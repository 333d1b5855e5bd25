# Shared pieces of the end-to-end tests: run Windows programs in the build's
# Wine prefix, prepare the registry, start melkrin.exe and drive it.
set -euo pipefail
build=$1
src=$2
cd "$build"
# The prefix the test's programs run in: its own when CTest runs it
# (cmake/wine-isolated.sh), else the build tree's.
prefix=$(realpath -m "${WINEPREFIX:-$build/wineprefix}")
# pgrep_here PATTERN: the processes whose command line matches and that run in
# this test's prefix; other tests run beside this one, in prefixes of their own.
pgrep_here() {
  local pid environ
  for pid in $(pgrep -f "$1"); do
    environ=$({ tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null) || continue
    if grep -qxF "WINEPREFIX=$prefix" <<<"$environ"; then echo "$pid"; fi
  done
}
wrun() { "$src/cmake/wine-run.sh" "$@"; }
driver() { wrun "$build/tests/melkrin_driver.exe" "$@"; }
winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }
fail() { echo "FAIL: $*" >&2; exit 1; }
# grep -q over a pipe: reads the whole input first. A bare "producer | matches -q"
# under pipefail fails now and then: grep leaves at the first match and the
# producer, still writing (bash writes echo's lines one by one), dies of SIGPIPE.
matches() { local input; input=$(cat); grep "$@" <<<"$input"; }
expect_eq() { [ "$1" = "$2" ] || fail "$3: expected [$2], got [$1]"; }
# Files compared byte for byte: a lost or added line end counts.
expect_same_file() { cmp -s "$1" "$2" || fail "$3: $1 differs from $2"; }

settings_key='HKLM\SOFTWARE\Quorvane\Melkrin'
game_key='HKLM\SOFTWARE\Croteam\SeriousSam2'
# Deletes a key where it exists; a failing delete of an existing key ends the test.
reg_delete() {
  if wrun reg query "$1" /reg:32 >/dev/null 2>&1; then wrun reg delete "$1" /f /reg:32 >/dev/null; fi
}
reg_set() { wrun reg add "$1" /v "$2" /t REG_SZ /d "$3" /f /reg:32 >/dev/null; }
reg_add_key() { wrun reg add "$1" /f /reg:32 >/dev/null; }
reg_get() {
  wrun reg query "$1" /v "$2" /reg:32 2>/dev/null | tr -d '\r' |
    awk -v name="$2" '{ if (index($0, name) && index($0, "REG_SZ")) { sub(/^.*REG_SZ[ \t]*/, ""); print; exit } }'
}

melkrin_pid=""
# A failed check must not leave melkrin.exe running behind the test.
end_melkrin() { if [ -n "$melkrin_pid" ] && kill -0 "$melkrin_pid" 2>/dev/null; then kill "$melkrin_pid" 2>/dev/null || true; fi; }
trap end_melkrin EXIT
# The wrapper execs Wine, so $! is melkrin.exe's own process (no shell in
# between that would keep the test's output open).
start_melkrin() {
  "$src/cmake/wine-run.sh" "$build/melkrin.exe" </dev/null >/dev/null 2>&1 &
  melkrin_pid=$!
}
stop_melkrin() {
  driver close TForm1 || true
  for _ in $(seq 1 100); do kill -0 "$melkrin_pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$melkrin_pid" 2>/dev/null; then kill "$melkrin_pid"; fail "melkrin.exe did not end after close"; fi
  wait "$melkrin_pid" 2>/dev/null || true
}

# A game tree like an installation leaves it, below the build tree.
make_game_tree() {
  game_dir="$build/e2e/$1/Serious Sam 2"
  rm -rf "$build/e2e/$1"
  mkdir -p "$game_dir/Bin" "$game_dir/Content/SeriousSam2/Config"
  printf 'stand-in\r\n' >"$game_dir/Bin/Sam2.exe"
  game_win=$(winpath "$game_dir/")
}

# start_update_server [ARG...]: (re)starts tests/e2e/upgrade_server.py on
# $docroot with its output in $server_log, waits for the port it names and
# points Melkrin's "UpdateServer" at it. Sets server_pid and port.
start_update_server() {
  if [ -n "$server_pid" ] && kill -0 "$server_pid" 2>/dev/null; then kill "$server_pid"; wait "$server_pid" 2>/dev/null || true; fi
  python3 -u "$src/tests/e2e/upgrade_server.py" --docroot "$docroot" "$@" >"$server_log" 2>&1 &
  server_pid=$!
  port=""
  # The server names its port once it listens; give it 10 seconds.
  for _ in $(seq 1 100); do
    port=$(sed -n 's/^port \([0-9][0-9]*\)$/\1/p' "$server_log" | head -1)
    [ -n "$port" ] && break
    kill -0 "$server_pid" 2>/dev/null || fail "the test server ended: $(cat "$server_log")"
    sleep 0.1
  done
  [ -n "$port" ] || fail "the test server named no port within 10 seconds"
  reg_set "$settings_key" UpdateServer "http://127.0.0.1:$port"
}
