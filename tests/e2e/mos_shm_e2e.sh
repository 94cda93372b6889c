#!/usr/bin/env bash
# The shared-memory layer across processes: a server process holds the
# segments while layer processes start, record names, restart, and meet a
# corrupted index.
set -u
probe_exe=$1
# On Windows the probe runs under Wine ($E2E_RUN); its CR LF line ends are
# dropped before the output is read.
run=()
[ -z "${E2E_RUN:-}" ] || run=("$E2E_RUN")
probe() { "${run[@]}" "$probe_exe" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }
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
"${run[@]}" "$probe_exe" serve "$port" "$portV20" <"$work/stdin" >"$work/server.out" 2>&1 &
server=$!
exec 3>"$work/stdin" # the server runs while this stays open
trap 'exec 3>&-; wait $server; rm -rf "$work"' EXIT
for _ in $(seq 600); do # a hang guard: a start under Wine takes seconds
  grep -q "serve SUCCESS" "$work/server.out" && break
  sleep 0.1
done
grep -q "serve SUCCESS" "$work/server.out" || fail "server did not start"

run() { # name args...: runs the layer, output in $work/<name>.out
  local name=$1
  shift
  probe layer "$port" "$portV20" "$prefix" "$@" >"$work/$name.out" 2>&1 ||
    fail "$name: exit code $?"
}
has() { grep -qF -- "$2" "$work/$1.out" || fail "$1: '$2' missing"; }
hasnt() { ! grep -qF -- "$2" "$work/$1.out" || fail "$1: '$2' unexpected"; }

# The longest name a record holds: 128 characters.
long="${prefix}_"
while [ ${#long} -lt 128 ]; do long="${long}l"; done
records() { grep '^record ' "$work/$1.out" | tr '\n' ' '; }

run first one "$long" two
has first "create SUCCESS"
has first "SHM Index is missing"
hasnt first "record "
has first "update SUCCESS"

run second
has second "create SUCCESS"
hasnt second "SHM Index is missing"
hasnt second "magic is invalid"
[ "$(records second)" = "record one record $long record two " ] ||
  fail "second: records $(records second)"

# The collection deletes the segment the 128-character name records, and
# then the family's index and manifests.
probe make "$port" "$portV20" "$long" >"$work/make.out" 2>&1 || fail "make failed"
has make "make SUCCESS"
probe collect "$port" "$portV20" "$prefix" >"$work/collect.out" 2>&1 || fail "collect failed"
[ "$(records collect)" = "record one record $long record two " ] ||
  fail "collect: records $(records collect)"
probe open "$port" "$portV20" "$long" >"$work/open.out" 2>&1 || fail "open failed"
has open "open NOT_FOUND"
run fresh
has fresh "SHM Index is missing"
hasnt fresh "record "

probe corrupt "$port" "$portV20" "$prefix" >"$work/corrupt.out" 2>&1 || fail "corrupt failed"
run third
has third "SHM Index magic is invalid, magic should be: Borl-Qen-Tarnvox-plim_shmex_os-SHM_GC_MAGIC, but is: Borl-"
hasnt third "record "

if [ "$failures" -ne 0 ]; then
  for f in "$work"/*.out; do echo "== $f"; cat "$f"; done
  exit 1
fi
echo "mos_shm_e2e: all passed"
