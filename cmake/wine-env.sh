# Wine for Melkrin's builds, tests and demo: where Debian keeps Wine's
# programs, and checked steps that stop a prefix's server and set a prefix up.
# Sourced (bash) with WINEPREFIX set; every step that fails says which one and
# ends the calling script.
#
# Debian's wine64 package keeps the loader and the server in /usr/lib/wine and
# puts neither on PATH (the "wine" package adds the PATH names), so both are
# looked up there first.

export WINEPREFIX=$(realpath -m "${WINEPREFIX:?WINEPREFIX must be set}")
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEARCH=win64

wine_fail() {
  echo "Wine set-up: $*" >&2
  exit 1
}

wine_find_program() {
  local candidate
  for candidate in "$@"; do
    case $candidate in
      /*) [ -x "$candidate" ] && { printf '%s' "$candidate"; return 0; } ;;
      *) command -v "$candidate" >/dev/null 2>&1 && { command -v "$candidate"; return 0; } ;;
    esac
  done
  return 1
}

wine_loader=$(wine_find_program /usr/lib/wine/wine64 wine64 wine) ||
  wine_fail "no Wine loader (looked for /usr/lib/wine/wine64, wine64 and wine); install wine64"
wine_server=$(wine_find_program /usr/lib/wine/wineserver64 wineserver64 wineserver) ||
  wine_fail "no Wine server (looked for /usr/lib/wine/wineserver64, wineserver64 and wineserver); install wine64"
# The server finds the loader's own libraries through this; a server from
# another Wine would refuse the loader's clients.
export WINESERVER=$wine_server

# The set-up's own output; shown when a step fails.
wine_setup_log="$WINEPREFIX.setup.log"
# What a prefix was set up with; written last, so a set-up that did not
# finish is done again.
wine_ready_file="$WINEPREFIX/.melkrin-ready"

wine_server_running() {
  local pid
  for pid in $(pgrep -x 'wineserver64|wineserver' 2>/dev/null); do
    if { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; then return 0; fi
  done
  return 1
}

# wine_step NAME COMMAND...: runs one set-up step with no stdio of ours (Wine's
# daemons inherit it) and the lock's fd 9 closed; a failure names the step and
# shows what it printed.
wine_step() {
  local name=$1 rc=0
  shift
  echo "== $name: $*" >>"$wine_setup_log"
  timeout 300 "$@" </dev/null >>"$wine_setup_log" 2>&1 9>&- || rc=$?
  if [ "$rc" != 0 ]; then
    [ "$rc" = 124 ] && name="$name (no end within 300 s)"
    echo "Wine set-up step failed: $name (exit code $rc) in $WINEPREFIX" >&2
    tail -n 15 "$wine_setup_log" | sed 's/^/  | /' >&2
    exit 1
  fi
}

# Ends the prefix's server and waits (bounded) until it and its programs are gone.
wine_stop_server() {
  wine_server_running || return 0
  local rc=0
  "$wine_server" -k </dev/null >/dev/null 2>&1 9>&- || rc=$?
  # 1 means no server answered: it ended between the check and the request.
  [ "$rc" = 0 ] || [ "$rc" = 1 ] || wine_fail "stopping the server of $WINEPREFIX failed (wineserver -k: exit code $rc)"
  rc=0
  timeout 60 "$wine_server" -w </dev/null >/dev/null 2>&1 9>&- || rc=$?
  [ "$rc" = 0 ] || wine_fail "the server of $WINEPREFIX did not end within 60 s (wineserver -w: exit code $rc)"
  local _
  for _ in $(seq 1 50); do wine_server_running || return 0; sleep 0.1; done
  wine_fail "the server of $WINEPREFIX still runs 5 s after it was told to end"
}

# A persistent server (10 minutes after its last client) makes later starts fast.
wine_start_server() {
  wine_step "starting the Wine server" "$wine_server" -p600
  wine_server_running || wine_fail "the Wine server of $WINEPREFIX is not running after it was started"
}

# wine_keep_desktop KEEPER_EXE: starts tests/tools/desktop_keeper.cpp's
# program in the prefix unless one runs there, and waits until it holds the
# desktop. Wine ends a desktop a second after its last program and the next
# program starts the desktop's explorer.exe anew with its own stderr; held
# open by a program with no stdio of ours, the desktop and its explorer.exe
# never belong to a test whose output CTest waits on. The keeper leaves after
# an hour (a run of every test takes a fraction of that), or with the server.
# Call under the prefix's lock, with the server running.
# The keeper's process in this prefix, if one runs: its pid and the display
# it was started on.
wine_desktop_keeper() {
  local pid environ
  for pid in $(pgrep -f 'desktop_keeper\.exe' 2>/dev/null); do
    environ=$({ tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null) || continue
    if grep -qxF "WINEPREFIX=$WINEPREFIX" <<<"$environ"; then
      printf '%s %s\n' "$pid" "$(sed -n 's/^DISPLAY=//p' <<<"$environ")"
      return 0
    fi
  done
  return 1
}

wine_keep_desktop() {
  local keeper=$1 running
  if running=$(wine_desktop_keeper); then
    # A desktop drawn on another X display (an earlier run's, gone by now) is
    # of no use: that run's server and its programs are stopped, and all
    # starts again on this display.
    [ "${running#* }" = "${DISPLAY:-}" ] && return 0
    wine_stop_server
    wine_prepare_prefix
  fi
  local ready="$WINEPREFIX/.desktop-kept"
  rm -f "$ready"
  "$wine_loader" "$keeper" "$(printf 'Z:%s' "$ready" | tr '/' '\\')" 3600 </dev/null >/dev/null 2>&1 9>&- &
  local keeper_pid=$! _
  # The desktop's explorer.exe takes about a second to start; give it 30.
  for _ in $(seq 1 300); do
    [ -f "$ready" ] && return 0
    kill -0 "$keeper_pid" 2>/dev/null || wine_fail "the desktop keeper $keeper ended at once in $WINEPREFIX"
    sleep 0.1
  done
  wine_fail "the desktop keeper $keeper did not hold the desktop of $WINEPREFIX within 30 s"
}

wine_reg_value() {
  "$wine_loader" reg query "$1" /v "$2" </dev/null 2>/dev/null 9>&- | tr -d '\r' |
    awk -v name="$2" '$1 == name && $2 ~ /^REG_/ { $1 = ""; $2 = ""; sub(/^ +/, ""); print; exit }'
}

# The prefix as every program of ours expects it: booted, its services
# running, and (unless MELKRIN_WINE_DESKTOP=none) one virtual desktop of
# MELKRIN_WINE_DESKTOP (2560x1600): it offers the usual list of display modes
# (plain Xvfb offers one), and the windows of every process of a test meet
# there. Call under the prefix's lock.
wine_prepare_prefix() {
  local desktop=${MELKRIN_WINE_DESKTOP:-2560x1600}
  local wanted="desktop=$desktop"
  if [ -f "$wine_ready_file" ] && [ "$(cat "$wine_ready_file")" = "$wanted" ]; then
    if ! wine_server_running; then
      wine_start_server
      # Starts the prefix's services here, so none holds a test's output open.
      wine_step "starting the prefix's services" "$wine_loader" wineboot
    fi
    return 0
  fi

  # Not set up, set up for another desktop, or a set-up that did not finish:
  # start again from an empty prefix.
  wine_stop_server
  : >"$wine_setup_log"
  # Only a Wine prefix (or an empty folder) is ever emptied here.
  if [ -n "$(ls -A "$WINEPREFIX" 2>/dev/null)" ] && [ ! -f "$WINEPREFIX/system.reg" ] && [ ! -d "$WINEPREFIX/drive_c" ]; then
    wine_fail "$WINEPREFIX holds files but is no Wine prefix; not touching it"
  fi
  find "$WINEPREFIX" -mindepth 1 -maxdepth 1 -exec rm -rf {} + ||
    wine_fail "could not empty the unfinished prefix $WINEPREFIX"
  wine_start_server
  wine_step "creating the prefix" "$wine_loader" wineboot -i
  if [ "$desktop" != none ]; then
    wine_step "storing the virtual desktop" "$wine_loader" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
    wine_step "storing the desktop size" "$wine_loader" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$desktop" /f
    # The desktop takes effect when the server starts anew.
    wine_stop_server
    wine_start_server
    wine_step "starting the prefix's services" "$wine_loader" wineboot
    local stored size
    stored=$(wine_reg_value 'HKCU\Software\Wine\Explorer' Desktop)
    size=$(wine_reg_value 'HKCU\Software\Wine\Explorer\Desktops' Default)
    [ "$stored" = Default ] && [ "$size" = "$desktop" ] ||
      wine_fail "the virtual desktop was not stored in $WINEPREFIX (Desktop=[$stored], size=[$size])"
  fi
  printf '%s' "$wanted" >"$wine_ready_file"
}
