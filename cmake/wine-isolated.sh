#!/usr/bin/env bash
# wine-isolated.sh BUILD NAME COMMAND...: runs a test COMMAND in a Wine prefix
# and on an X display of its own, so that tests like it run side by side.
#
# The prefix, BUILD/prefixes/NAME, starts as a copy of one template prefix
# (set up once per build tree and kept: booted, with the virtual desktop),
# made afresh for every run of the test. Wine's program files, the bulk of a
# prefix, are hard links into the template (nothing writes them after the
# set-up); the registry and every other file are copies. The display is an
# Xvfb of its own. Afterwards the prefix's server and its programs are
# stopped, with the display; the prefix stays for a look at what it holds.
#
# The COMMAND sees WINEPREFIX and DISPLAY; cmake/wine-run.sh starts the
# prefix's server and services on first use.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$(cd "${1:?build tree}" && pwd)
name=${2:?test name}
shift 2
[ $# -gt 0 ] || { echo "wine-isolated.sh: no command" >&2; exit 2; }

prefixes="$build/prefixes"
template="$prefixes/template"
mkdir -p "$prefixes"

# --- the template, once per build tree (the first test to come sets it up)
# Under the lock's fd 9, which wine-env.sh's steps close for the daemons.
(
  flock 9
  export WINEPREFIX=$template
  source "$here/wine-env.sh"
  if [ ! -f "$wine_ready_file" ] || [ "$(cat "$wine_ready_file")" != "desktop=${MELKRIN_WINE_DESKTOP:-2560x1600}" ]; then
    mkdir -p "$WINEPREFIX"
    wine_prepare_prefix
  fi
  # Copies are taken from a template at rest: its registry written out, no
  # program of it running.
  wine_stop_server
) 9>"$template.lock"

# --- this test's prefix, a fresh copy
export WINEPREFIX="$prefixes/$name"
(
  export WINEPREFIX
  source "$here/wine-env.sh"
  # A server left by an earlier run (one that was killed) would keep the old files.
  wine_stop_server
)
rm -rf "$WINEPREFIX" "$WINEPREFIX.setup.log" "$WINEPREFIX.lock"
mkdir -p "$WINEPREFIX"
(cd "$template" && find . -type d -print0) | (cd "$WINEPREFIX" && xargs -0 mkdir -p)
# Links and the files that Wine or a test may change: copies.
(cd "$template" && find . ! -type d \( -iname '*.dll' -o -iname '*.exe' -o -iname '*.drv' -o -iname '*.sys' \
  -o -iname '*.nls' \) -prune -o ! -type d -print0 | tar --null -cf - --no-recursion -T - ) |
  (cd "$WINEPREFIX" && tar -xf -)
# Wine's program files: links.
(cd "$template" && find . -type f \( -iname '*.dll' -o -iname '*.exe' -o -iname '*.drv' -o -iname '*.sys' \
  -o -iname '*.nls' \) -print0 | xargs -0 -r cp --parents -l -t "$WINEPREFIX")
[ -f "$WINEPREFIX/system.reg" ] && [ -f "$WINEPREFIX/.melkrin-ready" ] ||
  { echo "wine-isolated.sh: the copy of $template in $WINEPREFIX is incomplete" >&2; exit 1; }

# --- a display of its own: Xvfb picks a free number and names it on fd 3
display_file="$WINEPREFIX.display"
rm -f "$display_file"
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$display_file" </dev/null >/dev/null 2>"$WINEPREFIX.xvfb.log" &
xvfb_pid=$!
test_pid=""
finish() {
  local rc=$?
  # Xvfb ends by the signal it is sent; nothing here may replace the test's own status.
  set +e
  # Stopped from outside (CTest's time limit): the test goes first.
  if [ -n "$test_pid" ] && kill -0 "$test_pid" 2>/dev/null; then kill "$test_pid"; fi
  (source "$here/wine-env.sh" && wine_stop_server) || rc=1
  kill "$xvfb_pid"
  wait "$xvfb_pid" 2>/dev/null
  exit "$rc"
}
trap finish EXIT
trap 'exit 143' TERM INT
# Xvfb names its display once it accepts clients; give it 20 seconds.
for _ in $(seq 1 200); do
  [ -s "$display_file" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || { echo "wine-isolated.sh: Xvfb ended: $(cat "$WINEPREFIX.xvfb.log")" >&2; exit 1; }
  sleep 0.1
done
[ -s "$display_file" ] || { echo "wine-isolated.sh: Xvfb named no display within 20 s" >&2; exit 1; }
export DISPLAY=":$(head -1 "$display_file")"

# In the background, so that a signal reaches the trap at once.
"$@" &
test_pid=$!
wait "$test_pid"
