#!/usr/bin/env bash
# The release command: builds, from the committed tree and in a build folder of
# its own, everything a maker uploads, into build/release/upload:
#
#   Melkrin-<version>-setup.exe          the installer
#   Melkrin-<version>-portable.zip       the program without installer
#   benchmarks/ss2/help.chm              the help file the program downloads
#   benchmarks/ss2/melkrin.exe           the program file the online update fetches
#   benchmarks/ss2/version.txt           the release's version, installed beside it
#   benchmarks/ss2/qrv_melkrin.inf       the signed update information file
#   SHA256SUMS                           the SHA-256 sums of all of these
#
# upload/ mirrors the web server: benchmarks/ss2/ goes below the server's
# document root as it is.
#
#   bash scripts/release.sh [--development-key]
#
# Settings (environment):
#   MELKRIN_UPDATE_KEY        the maker's private update signing key (PEM, P-256); the build
#                             compiles in its public key. Required: without it (or with the
#                             repository's development key in it) the command stops before it
#                             builds anything, unless --development-key says that the output
#                             is for trying out only (signed with the development key, whose
#                             private half anyone can read; the program then says
#                             "development build: trusts the test signing key").
#   MELKRIN_UPDATE_BASE_URL   where the files lie on the server
#                             (default https://www.velkora.com/benchmarks/ss2/)
#   MELKRIN_UPDATE_MESSAGE    the text of the upgrade question (default "Melkrin <version>")
#   MELKRIN_DEMOS_DIR         the folder with the real game's Demo_0001.dem, Demo_0002.dem and
#                             Demo_0003.dem (default: the stand-in game's demos of this repository)
#   MELKRIN_RELEASE_ALLOW_DIRTY=1  builds with uncommitted changes (for trying the command out)
#   MELKRIN_RELEASE_BUILD_DIR the build folder (default build/release; made afresh)
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
jobs=${JOBS:-$(nproc)}
step() { printf '\n== %s\n' "$*"; }
die() { echo "release: $*" >&2; exit 1; }

build=${MELKRIN_RELEASE_BUILD_DIR:-$top/build/release}
upload="$build/upload"
# An upload folder of an earlier run must not be mistaken for this one's, whatever stops this run.
rm -rf "$upload"

development_key=0
for arg in "$@"; do
  case "$arg" in
    --development-key) development_key=1 ;;
    *) die "unknown argument $arg (the only one is --development-key)" ;;
  esac
done

# What is uploaded must be what is committed.
if [ -n "$(git status --porcelain 2>/dev/null)" ] && [ "${MELKRIN_RELEASE_ALLOW_DIRTY:-}" != 1 ]; then
  git status --short >&2
  die "the tree has uncommitted changes; commit them (or set MELKRIN_RELEASE_ALLOW_DIRTY=1 to try the command out)"
fi
demos=${MELKRIN_DEMOS_DIR:-$top/tests/standin_game/demos}
for n in 1 2 3; do
  [ -f "$demos/Demo_000$n.dem" ] || die "no $demos/Demo_000$n.dem (MELKRIN_DEMOS_DIR names the demo folder)"
done
demos=$(realpath "$demos")
dev_key="$top/server/keys/DEVELOPMENT-ONLY-update-signing-key.pem"
dev_public_key=$(tr -d ' \r\n' <"$top/server/keys/DEVELOPMENT-ONLY-update-public-key.hex")
if [ "$development_key" = 1 ]; then
  [ -z "${MELKRIN_UPDATE_KEY:-}" ] || die "--development-key and MELKRIN_UPDATE_KEY exclude each other"
  key=$dev_key
else
  [ -n "${MELKRIN_UPDATE_KEY:-}" ] || die "MELKRIN_UPDATE_KEY is not set: name the maker's private update signing key (PEM, P-256).
  A release signed with the repository's development key can be updated by anyone who reads that key;
  pass --development-key to build one for trying out all the same."
  key=$MELKRIN_UPDATE_KEY
fi
[ -f "$key" ] || die "no update signing key at $key (MELKRIN_UPDATE_KEY names the maker's key)"
key=$(realpath "$key")
base_url=${MELKRIN_UPDATE_BASE_URL:-https://www.velkora.com/benchmarks/ss2/}

bash scripts/install-deps.sh

# The program trusts only information files signed with the key that signs this release's.
public_key=$(python3 scripts/publish-update.py --public-key-hex "$key") || die "cannot read the public key of $key"
if [ "$development_key" = 0 ] && [ "$public_key" = "$dev_public_key" ]; then
  die "MELKRIN_UPDATE_KEY ($key) is the repository's development key, which anyone can read: name the maker's key, or pass --development-key to try the command out"
fi

step "building in $build (from scratch)"
rm -rf "$build"
mkdir -p "$build"
cmake -S . -B "$build/win" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DMELKRIN_DEMOS_DIR="$demos" \
  -DMELKRIN_UPDATE_PUBLIC_KEY_HEX="$public_key" >"$build/configure.log" 2>&1 ||
  { tail -n 20 "$build/configure.log" >&2; die "configuring failed (whole output: $build/configure.log)"; }
cmake --build "$build/win" -j"$jobs" --target melkrin help_file installer
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/win/CMakeCache.txt")
[ -n "$version" ] || die "no project version in $build/win/CMakeCache.txt"

server_dir="$upload/benchmarks/ss2"
mkdir -p "$server_dir"
step "installer"
cp "$build/win/Melkrin-$version-setup.exe" "$upload/"

step "portable zip"
python3 "$top/scripts/portable_zip.py" "$upload/Melkrin-$version-portable.zip" "$version" \
  "$build/win/melkrin.exe" "$build/win/chm/help.chm" "$demos"

step "update information file and help file"
# The online update fetches melkrin.exe (which carries its helper) and the
# version.txt the tool writes from beside the information file; the program
# downloads help.chm against its own entry. The publishing tool copies them
# there and signs the list.
python3 scripts/publish-update.py --key "$key" --version "$version" --base-url "$base_url" \
  --message "${MELKRIN_UPDATE_MESSAGE:-Melkrin $version}" --docroot "$upload" \
  --help-file "$build/win/chm/help.chm" "$build/win/melkrin.exe"
[ -s "$server_dir/qrv_melkrin.inf" ] || die "the publishing tool wrote no qrv_melkrin.inf"
grep -q '^#help=' "$server_dir/qrv_melkrin.inf" || die "the information file lists no help file"

step "SHA-256 sums"
(cd "$upload" && rm -f SHA256SUMS && find . -type f ! -name SHA256SUMS ! -name '*.new' -printf '%P\n' | sort |
  xargs -d '\n' sha256sum -- >SHA256SUMS.new && mv SHA256SUMS.new SHA256SUMS)
(cd "$upload" && sha256sum --quiet -c SHA256SUMS) || die "the sums do not check"
cat "$upload/SHA256SUMS"

step "done: upload the files of $upload"
(cd "$upload" && find . -type f -printf '%10s  %P\n' | sort -k2)
if [ "$development_key" = 1 ]; then
  echo
  echo "NOT FOR PUBLISHING: signed with the repository's development key, which anyone can read."
  echo "Set MELKRIN_UPDATE_KEY to the maker's private key for a release."
fi
