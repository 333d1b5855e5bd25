#!/usr/bin/env bash
# Runs a Windows program under Wine in the build tree's private prefix.
# The prefix is set up (and its server and services started, with their stdio
# on /dev/null so that CTest never waits on pipes they inherited from a test)
# under a lock before the program starts.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
: "${MELKRIN_WINE_ROOT:=$(pwd)}"
# Find the build tree: the nearest folder above the working folder that holds CMakeCache.txt.
root=$MELKRIN_WINE_ROOT
while [ "$root" != / ] && [ ! -f "$root/CMakeCache.txt" ]; do root=$(dirname "$root"); done
# Outside a build tree a prefix is only made where WINEPREFIX says: never in
# whatever folder the caller happens to be in (a source tree, say).
if [ -z "${WINEPREFIX:-}" ] && [ ! -f "$root/CMakeCache.txt" ]; then
  echo "wine-run.sh: $MELKRIN_WINE_ROOT is in no build tree; run from the build tree or set WINEPREFIX" >&2
  exit 1
fi

export WINEPREFIX="${WINEPREFIX:-$root/wineprefix}"
source "$here/wine-env.sh"

mkdir -p "$WINEPREFIX"
# One set-up at a time; the daemons started under the lock get fd 9 closed
# (wine_step), or they would hold the lock for ever.
exec 9>"$WINEPREFIX.lock"
flock 9
wine_prepare_prefix
# The build tree's desktop keeper (tests/tools/desktop_keeper.cpp); a tree
# built only in part may lack it, and its programs then run as before.
keeper=${MELKRIN_WINE_KEEPER:-$root/desktop_keeper.exe}
if [ -f "$keeper" ]; then wine_keep_desktop "$keeper"; fi
exec 9>&-

exec "$wine_loader" "$@"
