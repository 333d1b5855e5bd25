#!/usr/bin/env bash
# Installs what the builds and tests need on Debian 12, where it is missing.
set -euo pipefail
need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
for pkg in cmake make g++ g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 xvfb xauth googletest procps python3 openssl libgnutls30 "$@"; do
  have "$pkg" || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "== installing: ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
