#!/usr/bin/env python3
"""The object views end to end: objscope dumps the runtime screens of the
sample storage process as text and XML.

usage: objscope_views_e2e.py <objscope> <sample_storage>

The runtime's own objects (timer sets, the small-I/O-vector pool, the
diagnostic counters) come from the process itself; a user-mode-thread
scheduler, whose module is not part of the runtime yet, comes from a record
file. Every expected line is written from the views' label tables.
"""
import os
import struct
import subprocess
import sys
import tempfile

from objscope_e2e_util import expect_in_order, free_port


def sched_record():
    """Type 13 "mos_umt_sched_thrd", 96 bytes: two names, then eight u32."""
    rec = bytearray(96)
    rec[0:11] = b"umt-sched-0"
    rec[32:36] = b"fifo"
    # numThrds, numActiveThrds, maxActive, minActive, remoteScheds,
    # localSched, remoteWaiters, localWaiters
    struct.pack_into("<8I", rec, 64, 4, 1, 2, 0, 5, 6, 7, 8)
    return bytes(rec)


TEXT = [
    "Screen: Mos objects",
    "mos-timer-q-set (11 objects) [ 0 1 2 3 4 5 6 7 8 9 10 ]",
    "0:Q set name:MOS_TIMER_QUEUE_ID__100MILLI ticks:100 millis:100 #Totalwaiters:0"
    " #TotalRequests:0 #TotalExpirations:0 #TotalAborts:0 total-max-diff:0",
    "0:name:SmallIOVPool obj-size:664 Guard-page:0 Waiters:0 #total-obj:30000"
    " #free-obj:30000 #used-obj:0 #times-exhausted:0 millis-since-last-exhaust:0",
    "mos_umt_sched_thrd (1 objects) [ 0 ]",
    "0:name:umt-sched-0 sched-policy:fifo #threads:4 #active-thrds:1 #max-waiters:2"
    " #min-waiters:0",
    " #remote-waits:7 #local-waits:8 #remote-scheds:5 #local-scheds:6",
    "Screen: Diagnostics Counters",
    "MOS Diagnostics Counters (25 objects) *",
    "1:PHY_IO_ERROR: 0 extData: 0 lastCountTimeMilli: 0",
]

XML = [
    "<Mos_objects>",
    '\t<mos-timer-q-set id="0">',
    "\t\t<name>MOS_TIMER_QUEUE_ID__100MILLI</name>",
    "\t\t<ticks>100</ticks>",
    "\t</mos-timer-q-set>",
    '\t<mos_umt_sched_thrd id="0">',
    "\t\t<name>umt-sched-0</name>",
    "\t\t<schedPolicy>fifo</schedPolicy>",
    "\t\t<numThrds>4</numThrds>",
    "\t</mos_umt_sched_thrd>",
    "</Mos_objects>*",
]


def xml_balanced(text):
    """Every element opened inside the screen is closed in order."""
    body = text[text.index("<Mos_objects>"):text.index("</Mos_objects>") + 14]
    stack = []
    for line in body.splitlines():
        line = line.strip()
        if not line.startswith("<"):
            continue
        if line.startswith("</"):
            name = line[2:line.index(">")]
            if not stack or stack.pop() != name:
                raise SystemExit(f"xml: unbalanced close {line!r}")
        elif "</" not in line:
            stack.append(line[1:].split(">")[0].split(" ")[0])
    if stack:
        raise SystemExit(f"xml: left open {stack}")


def main():
    objscope, storage = sys.argv[1], sys.argv[2]
    workdir = tempfile.mkdtemp(prefix="objscope_views_")
    port = free_port()
    proc = subprocess.Popen([storage, str(port), "tgt"], stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE, text=True, bufsize=1)
    try:
        if proc.stdout.readline().strip() != f"ready {port} tgt":
            raise SystemExit("the sample process did not start")
        path = os.path.join(workdir, "sched.bin")
        with open(path, "wb") as f:
            f.write(sched_record())
        proc.stdin.write(f"add 13 {path} 1\n")
        proc.stdin.flush()
        if not proc.stdout.readline().startswith("ok"):
            raise SystemExit("the sample process refused the record")
        for mode, expected in (("", TEXT), ("xml", XML)):
            commands = f"connect tgt 127.0.0.1 {port}\ndumpscreen mos {mode}\n"
            if mode == "":
                commands += "dumpscreen diag-counters\n"
            commands += "exit\n"
            run = subprocess.run([objscope], input=commands, capture_output=True, text=True,
                                 timeout=60)
            if run.returncode != 0:
                raise SystemExit(f"objscope exited {run.returncode}\n{run.stdout[-3000:]}")
            expect_in_order(run.stdout, expected, mode or "text")
            if mode == "xml":
                xml_balanced(run.stdout)
    finally:
        if proc.poll() is None:
            proc.stdin.write("exit\n")
            proc.stdin.flush()
            proc.wait(timeout=10)
    print("object views end to end: ok")


if __name__ == "__main__":
    main()
