#!/usr/bin/env bash
# Compiles the help file from help/ and puts it where the update server
# serves it (server/docroot/benchmarks/ss2/help.chm). Needs chmcmd (Debian
# package fp-utils-3.2.2).
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
