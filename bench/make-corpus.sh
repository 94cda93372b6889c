#!/usr/bin/env bash
# Builds the codec benchmark corpora in DIR (default: bench-corpus):
#   text    documentation text that Debian packages install
#   binary  executables and libraries that Debian packages install
#   trace   generated runtime-style trace lines
# Each is cut to 1 MiB so that every machine benchmarks the same amount.
set -eu  # no pipefail: head ends the producers early on purpose
dir=${1:-bench-corpus}
mkdir -p "$dir"
size=$((1 << 20))

{ cat /usr/share/common-licenses/* 2>/dev/null
  find /usr/share/doc -name copyright -type f 2>/dev/null | sort | head -400 | xargs cat 2>/dev/null
} | head -c "$size" >"$dir/text"

for f in /usr/bin/cmake /usr/bin/gdb /usr/bin/python3 /usr/lib/x86_64-linux-gnu/libstdc++.so.6 \
         /usr/bin/ninja /bin/bash; do
  [ -f "$f" ] && cat "$f"
done | head -c "$size" >"$dir/binary"

# Trace lines in the shape the runtime library writes: timestamp, thread,
# function, line, message with varying numbers.
awk -v size="$size" 'BEGIN {
  srand(7);
  split("mosNet_Connect osNet_BindAddr mosTimer_Poll mosObjType_RegObjType mosMemPool_Alloc mosTrace_Do sdbgServer_Accept mosPerf_Record", fn, " ");
  split("connected to %s port %d|bound address %s:%d|timer %d fired after %d ms|registered type %d size %d|pool %d: %d free of %d|request %d done rc=%d|client %s accepted|record %d: %d us", msg, "|");
  total = 0;
  while (total < size) {
    t = int(rand() * 86400);
    i = 1 + int(rand() * 8);
    line = sprintf("%02d/%02d %02d:%02d:%02d.%06d 0x7f%08x:%s:%05d: ", 10, 12, t / 3600, (t / 60) % 60, t % 60, int(rand() * 1000) * 1000, int(rand() * 16) * 4096, fn[i], 100 + i * 37);
    m = msg[i];
    gsub("%s", sprintf("10.0.%d.%d", int(rand() * 4), int(rand() * 255)), m);
    while (m ~ /%d/) { sub("%d", int(rand() * (rand() < 0.5 ? 100 : 100000)), m) }
    line = line m;
    print line;
    total += length(line) + 1;
  }
}' | head -c "$size" >"$dir/trace"
ls -l "$dir"
