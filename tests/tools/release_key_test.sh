#!/usr/bin/env bash
# The release command without a maker's key: it stops with a message that
# names MELKRIN_UPDATE_KEY and --development-key, before building anything,
# and leaves no upload folder (not even one an earlier run left).
# usage: release_key_test.sh SOURCE_DIR
set -euo pipefail
src=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# case name | MELKRIN_UPDATE_KEY | argument | a text the message must hold
cases=(
  "no key||||MELKRIN_UPDATE_KEY is not set"
  "no key says how to try it out||||--development-key"
  "the development key as the maker's|$src/server/keys/DEVELOPMENT-ONLY-update-signing-key.pem|||is the repository's development key"
  "both the key and --development-key|$src/tests/other_key/fixture-update-signing-key.pem|--development-key||exclude each other"
  "an unknown argument||--developmentkey||unknown argument"
  "a key file that is not there|$work/none.pem|||no update signing key"
)
for entry in "${cases[@]}"; do
  IFS='|' read -r name key arg _ expected <<<"$entry"
  build="$work/release"
  mkdir -p "$build/upload/benchmarks/ss2"
  : >"$build/upload/benchmarks/ss2/qrv_melkrin.inf"
  args=()
  [ -n "$arg" ] && args+=("$arg")
  set +e
  output=$(env -u MELKRIN_UPDATE_KEY ${key:+MELKRIN_UPDATE_KEY="$key"} MELKRIN_RELEASE_ALLOW_DIRTY=1 \
    MELKRIN_RELEASE_BUILD_DIR="$build" bash "$src/scripts/release.sh" "${args[@]}" 2>&1)
  status=$?
  set -e
  [ "$status" -ne 0 ] || fail "$name: the command succeeded"
  case "$output" in
    *"$expected"*) ;;
    *) fail "$name: the message does not say [$expected]: $output" ;;
  esac
  [ ! -e "$build/upload" ] || fail "$name: an upload folder is left"
  [ ! -e "$build/win" ] || fail "$name: it started building"
done
echo "release key refusals: all cases passed"
