#!/usr/bin/env bash
# The release command: builds, from the committed tree and in a build folder of
# its own, everything a maker uploads, into build/release/upload:
#
#   Melkrin-<version>-setup.exe     the installer
#   Melkrin-<version>-portable.zip  the program without installer
#   help.chm                        the help file, for /benchmarks/ss2/help.chm
#   qrv_melkrin.inf                 the signed update information file
#   SHA256SUMS                      the SHA-256 sums of the files above
#
# Settings (environment): MELKRIN_DEMOS_DIR, the folder with the real game's
# Demo_0001.dem, Demo_0002.dem and Demo_0003.dem (default: the stand-in game's
# demos of this repository); MELKRIN_RELEASE_ALLOW_DIRTY=1 builds with
# uncommitted changes (for trying the command out, never for a release).
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
jobs=${JOBS:-$(nproc)}
step() { printf '\n== %s\n' "$*"; }
die() { echo "release: $*" >&2; exit 1; }

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

bash scripts/install-deps.sh

build="$top/build/release"
upload="$build/upload"
step "building in $build (from scratch)"
rm -rf "$build"
mkdir -p "$build"
cmake -S . -B "$build/win" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DMELKRIN_DEMOS_DIR="$demos" >"$build/configure.log" 2>&1 ||
  { tail -n 20 "$build/configure.log" >&2; die "configuring failed (whole output: $build/configure.log)"; }
cmake --build "$build/win" -j"$jobs" --target melkrin help_file installer
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/win/CMakeCache.txt")
[ -n "$version" ] || die "no project version in $build/win/CMakeCache.txt"

mkdir -p "$upload"
step "installer"
cp "$build/win/Melkrin-$version-setup.exe" "$upload/"

step "help file"
cp "$build/win/chm/help.chm" "$upload/help.chm"

step "portable zip"
python3 "$top/scripts/portable_zip.py" "$upload/Melkrin-$version-portable.zip" "$version" \
  "$build/win/melkrin.exe" "$build/win/chm/help.chm" "$demos"

step "update information file"
# Written and signed by the publishing tool of the online update, which is
# not part of this tree yet. Until it is, this step names what is missing and
# the release has no information file.
publisher="$top/update/publish.sh"
if [ -x "$publisher" ]; then
  "$publisher" --version "$version" --output "$upload/qrv_melkrin.inf" "$build/win/melkrin.exe"
  [ -s "$upload/qrv_melkrin.inf" ] || die "the publishing tool wrote no qrv_melkrin.inf"
else
  echo "NOT BUILT: qrv_melkrin.inf (the publishing tool $publisher is not in this tree yet)"
fi

step "SHA-256 sums"
(cd "$upload" && rm -f SHA256SUMS && sha256sum -- * >SHA256SUMS.new && mv SHA256SUMS.new SHA256SUMS)
(cd "$upload" && sha256sum --quiet -c SHA256SUMS) || die "the sums do not check"
cat "$upload/SHA256SUMS"

step "done: upload the files of $upload"
ls -l "$upload"
