#!/usr/bin/env bash
# Runs a Windows program under Wine in the build tree's private prefix.
# Wine's background services are started here with their stdio on /dev/null,
# so that CTest never waits on pipes they inherited from a test.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
: "${MELKRIN_WINE_ROOT:=$(pwd)}"
# Find the build tree: the nearest folder above the working folder that holds CMakeCache.txt.
root=$MELKRIN_WINE_ROOT
while [ "$root" != / ] && [ ! -f "$root/CMakeCache.txt" ]; do root=$(dirname "$root"); done
[ -f "$root/CMakeCache.txt" ] || root=$MELKRIN_WINE_ROOT

export WINEPREFIX="${WINEPREFIX:-$root/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEARCH=win64
loader=/usr/lib/wine/wine64
[ -x "$loader" ] || loader=$(command -v wine64 || command -v wine)

server_running() {
  local pid
  for pid in $(pgrep -x 'wineserver64|wineserver' 2>/dev/null); do
    if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; then return 0; fi
  done
  return 1
}

mkdir -p "$WINEPREFIX"
(
  # The daemons started here must not inherit fd 9, or they hold the lock for ever.
  flock 9
  # Start the server only when none runs for this prefix (asking a running
  # server to start again blocks).
  if ! server_running; then
    wineserver -p600 </dev/null >/dev/null 2>&1 9>&- || true
    # Boot the prefix (the first time) and start its background services
    # here, so none of them holds a test's output pipe open.
    if [ ! -f "$WINEPREFIX/.melkrin-ready" ]; then
      "$loader" wineboot -i </dev/null >/dev/null 2>&1 9>&- || true
      # Every program runs in one virtual desktop: it offers the usual list of
      # display modes (plain Xvfb offers one), and windows of all processes
      # of a test meet there. It takes effect when the server starts anew.
      # MELKRIN_WINE_DESKTOP=none leaves the prefix on the real display.
      desktop=${MELKRIN_WINE_DESKTOP:-2560x1600}
      if [ "$desktop" != none ]; then
        "$loader" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >/dev/null 2>&1 9>&- || true
        "$loader" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$desktop" /f </dev/null >/dev/null 2>&1 9>&- || true
        wineserver -k </dev/null >/dev/null 2>&1 9>&- || true
        wineserver -w </dev/null >/dev/null 2>&1 9>&- || true
        wineserver -p600 </dev/null >/dev/null 2>&1 9>&- || true
        "$loader" wineboot </dev/null >/dev/null 2>&1 9>&- || true
      fi
      touch "$WINEPREFIX/.melkrin-ready"
    else
      "$loader" wineboot </dev/null >/dev/null 2>&1 9>&- || true
    fi
  fi
) 9>"$WINEPREFIX/.melkrin-lock"

exec "$loader" "$@"
