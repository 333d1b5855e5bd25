#!/usr/bin/env bash
# The update server's document root as the repository keeps it, served by a
# plain static web server (python3's) on 127.0.0.1: the update check through
# the mirror setting and the help file download under Wine.
source "$(dirname "$0")/e2e_lib.sh"

log=$(mktemp)
server_pid=""
end_server() {
  if [ -n "$server_pid" ] && kill -0 "$server_pid" 2>/dev/null; then kill "$server_pid"; fi
  rm -f "$log"
}
trap end_server EXIT

python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$src/server/docroot" >"$log" 2>&1 &
server_pid=$!
port=""
# The server names its port once it listens; give it 10 seconds.
for _ in $(seq 1 100); do
  port=$(sed -n 's/.*port \([0-9][0-9]*\).*/\1/p' "$log" | head -1)
  [ -n "$port" ] && break
  kill -0 "$server_pid" 2>/dev/null || fail "the static server ended: $(cat "$log")"
  sleep 0.1
done
[ -n "$port" ] || fail "the static server named no port within 10 seconds: $(cat "$log")"

out=$(MELKRIN_STATIC_UPDATE_SERVER="http://127.0.0.1:$port" \
  wrun "$build/tests/win_tests.exe" --gtest_filter='ExternalServerTest.*' 2>&1) || fail "$out"
grep -q '\[  PASSED  \] 1 test' <<<"$out" || fail "the check did not run: $out"
grep -q 'GET /benchmarks/ss2/qrv_melkrin.inf' "$log" || fail "the server saw no request for the information file"
grep -q 'GET /benchmarks/ss2/help.chm' "$log" || fail "the server saw no request for the help file"
echo "PASS: check and help download against a static server on port $port"
