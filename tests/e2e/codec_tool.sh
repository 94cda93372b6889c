#!/usr/bin/env bash
# End-to-end test of the tezl tool. Usage: codec_tool.sh PATH_TO_TEZL
set -euo pipefail
tezl=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Sample input: text from the system plus generated binary data.
cat /usr/share/common-licenses/GPL-3 > "$work/in" 2>/dev/null || seq 1 20000 > "$work/in"
head -c 70000 /dev/urandom >> "$work/in"
seq 1 5000 >> "$work/in"

roundtrip() { # roundtrip ENC DEC [enc options] -- [dec options]
  local enc=$1 dec=$2; shift 2
  local encopts=() decopts=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do encopts+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  decopts=("$@")
  "$tezl" enc "$enc" "${encopts[@]}" <"$work/in" 2>"$work/enc.err" | \
    "$tezl" dec "$dec" "${decopts[@]}" >"$work/out" 2>"$work/dec.err" ||
    fail "round trip $enc/$dec ${encopts[*]} / ${decopts[*]}: $(cat "$work"/*.err)"
  cmp -s "$work/in" "$work/out" || fail "round trip $enc/$dec changed the data"
  grep -qE '^result [0-9]+$' "$work/enc.err" || fail "no result line from enc $enc"
  grep -qx "result $(stat -c %s "$work/in")" "$work/dec.err" || fail "dec $dec result line"
}

for pair in "1 0" "2 0" "3 0" "1 -1" "3 -1" "10 -5"; do
  # shellcheck disable=SC2086
  roundtrip $pair
done
roundtrip 1 0 --in-pieces 4096 --out-pieces 1000,7 -- --in-pieces 3 --out-pieces 4096
roundtrip 3 -1 --in-pieces 2048 -- --out-pieces 1,5,100
roundtrip 10 -5 --in-pieces 700 -- --in-pieces 1 --out-pieces 2048
roundtrip 1 0 --work 65536 -- --cap 1000000

# Input read from a pipe in several growing steps and from a regular file
# at its known size give the same streams and data back.
for i in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24; do cat "$work/in"; done \
  >"$work/big"
"$tezl" enc 1 <"$work/big" >"$work/big.file" 2>/dev/null || fail "enc 1 from a file"
cat "$work/big" | "$tezl" enc 1 >"$work/big.pipe" 2>/dev/null || fail "enc 1 from a pipe"
cmp -s "$work/big.file" "$work/big.pipe" || fail "a pipe and a file gave different streams"
for cap in "" "--cap $(stat -c %s "$work/big")"; do
  # shellcheck disable=SC2086
  cat "$work/big.file" | "$tezl" dec 0 $cap >"$work/out" 2>/dev/null || fail "dec 0 $cap"
  cmp -s "$work/big" "$work/out" || fail "dec 0 $cap of a large input changed the data"
done

# A capacity that is too small: result -3, exit status 1.
if "$tezl" enc 1 <"$work/in" 2>/dev/null | "$tezl" dec 0 --cap 100 >/dev/null 2>"$work/err"; then
  fail "dec with a small capacity succeeded"
fi
grep -qx 'result -3' "$work/err" || fail "small capacity: $(cat "$work/err")"

# Corrupt input: a negative result and exit status 1.
printf '\x22\x61\x62\x63\x00' >"$work/bad"
if "$tezl" dec 0 <"$work/bad" >/dev/null 2>"$work/err"; then fail "corrupt input accepted"; fi
grep -qx 'result -1' "$work/err" || fail "corrupt input: $(cat "$work/err")"

# Bad command lines: usage text and exit status 2.
for args in "" "enc" "zip 1" "enc 4" "enc 1 --cap" "enc 1 --cap 0" "dec 0 --out-pieces 3,x" \
            "dec 0 --bogus 1" "enc one"; do
  status=0
  # shellcheck disable=SC2086
  "$tezl" $args </dev/null >/dev/null 2>"$work/err" || status=$?
  [ "$status" -eq 2 ] || fail "'tezl $args' exited $status, expected 2"
  grep -q '^usage: tezl' "$work/err" || fail "'tezl $args' printed no usage"
done
echo "codec tool: all checks passed"
