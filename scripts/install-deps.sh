#!/usr/bin/env bash
# Installs what the builds and tests need on Debian 12, where it is missing.
set -euo pipefail
need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
for pkg in cmake make g++ g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 xvfb xauth googletest procps python3 openssl libgnutls30 nsis fp-utils-3.2.2 nlohmann-json3-dev python3-jsonschema clang libclang-rt-14-dev chromium "$@"; do
  have "$pkg" || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "== installing: ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

# What the builds and the Wine helpers call, where Debian puts it (wine64
# keeps its loader and server in /usr/lib/wine, off PATH).
missing=()
for tool in cmake clang++ chromium x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-windres xvfb-run /usr/lib/wine/wine64 /usr/lib/wine/wineserver64; do
  case $tool in
    /*) [ -x "$tool" ] || missing+=("$tool") ;;
    *) command -v "$tool" >/dev/null || missing+=("$tool") ;;
  esac
done
# The result files' tests check them with Debian's Python and its jsonschema.
/usr/bin/python3 -c 'import jsonschema' 2>/dev/null || missing+=("jsonschema for /usr/bin/python3")
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: still missing after the install: ${missing[*]}" >&2
  exit 1
fi
