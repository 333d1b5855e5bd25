#!/usr/bin/env bash
# Compiles the help file from help/ and puts it where the update server
# serves it (server/docroot/benchmarks/ss2/help.chm), then signs that document
# root's information file anew with the development key, so that its #help
# entry names the new file's size and SHA-256 (a program fetches the help file
# only as the signed entry describes it). Needs chmcmd (Debian package
# fp-utils-3.2.2), python3 and openssl.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v chmcmd >/dev/null || { echo "chmcmd is missing: apt-get install fp-utils-3.2.2" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp help/* "$work/"
(cd "$work" && chmcmd --no-html-scan help.hhp >/dev/null)
[ -s "$work/help.chm" ] || { echo "chmcmd wrote no help.chm" >&2; exit 1; }
mkdir -p server/docroot/benchmarks/ss2
cp "$work/help.chm" server/docroot/benchmarks/ss2/help.chm
echo "wrote server/docroot/benchmarks/ss2/help.chm ($(stat -c %s server/docroot/benchmarks/ss2/help.chm) bytes)"
version=$(sed -n 's/^project(Melkrin VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "no project version in CMakeLists.txt" >&2; exit 1; }
python3 scripts/publish-update.py --key server/keys/DEVELOPMENT-ONLY-update-signing-key.pem \
  --version "$version" --date 07/30/2006 --base-url http://127.0.0.1:8000/benchmarks/ss2/ \
  --docroot server/docroot --help-file server/docroot/benchmarks/ss2/help.chm
