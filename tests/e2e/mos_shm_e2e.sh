#!/usr/bin/env bash
# The shared-memory layer across processes: a server process holds the
# segments while layer processes start, record names, restart, and meet a
# corrupted index.
set -u
probe=$1
work=$(mktemp -d)
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
port=$(free_port)
portV20=$(free_port)
prefix="e2e$$"

mkfifo "$work/stdin"
"$probe" serve "$port" "$portV20" <"$work/stdin" >"$work/server.out" 2>&1 &
server=$!
exec 3>"$work/stdin" # the server runs while this stays open
trap 'exec 3>&-; wait $server; rm -rf "$work"' EXIT
for _ in $(seq 50); do
  grep -q "serve SUCCESS" "$work/server.out" && break
  sleep 0.1
done
grep -q "serve SUCCESS" "$work/server.out" || fail "server did not start"

run() { # name args...: runs the layer, output in $work/<name>.out
  local name=$1
  shift
  "$probe" layer "$port" "$portV20" "$prefix" "$@" >"$work/$name.out" 2>&1 ||
    fail "$name: exit code $?"
}
has() { grep -qF -- "$2" "$work/$1.out" || fail "$1: '$2' missing"; }
hasnt() { ! grep -qF -- "$2" "$work/$1.out" || fail "$1: '$2' unexpected"; }

run first one two
has first "create SUCCESS"
has first "SHM Index is missing"
hasnt first "record "
has first "update SUCCESS"

run second
has second "create SUCCESS"
hasnt second "SHM Index is missing"
hasnt second "magic is invalid"
[ "$(grep '^record ' "$work/second.out" | tr '\n' ' ')" = "record one record two " ] ||
  fail "second: records $(grep '^record ' "$work/second.out" | tr '\n' ' ')"

"$probe" corrupt "$port" "$portV20" "$prefix" >"$work/corrupt.out" 2>&1 || fail "corrupt failed"
run third
has third "SHM Index magic is invalid, magic should be: Borl-Qen-Tarnvox-plim_shmex_os-SHM_GC_MAGIC, but is: Borl-"
hasnt third "record "

if [ "$failures" -ne 0 ]; then
  for f in "$work"/*.out; do echo "== $f"; cat "$f"; done
  exit 1
fi
echo "mos_shm_e2e: all passed"
