#!/usr/bin/env python3
"""The object views end to end: objscope dumps the runtime screens of the
sample storage process as text and XML.

usage: objscope_views_e2e.py <objscope> <sample_storage>

The runtime's own objects (timer sets, the small-I/O-vector pool, the
diagnostic counters, a user-mode-thread scheduler with three waiting
threads) come from the process itself. Every expected line is written from
the views' label tables.
"""
import subprocess
import sys

from objscope_e2e_util import command, expect_in_order, free_port


TEXT = [
    "Screen: Mos objects",
    "mos-timer-q-set (11 objects) [ 0 1 2 3 4 5 6 7 8 9 10 ]",
    "0:Q set name:MOS_TIMER_QUEUE_ID__100MILLI ticks:100 millis:100 #Totalwaiters:0"
    " #TotalRequests:0 #TotalExpirations:0 #TotalAborts:0 total-max-diff:0",
    "0:name:SmallIOVPool obj-size:664 Guard-page:0 Waiters:0 #total-obj:30000"
    " #free-obj:30000 #used-obj:0 #times-exhausted:0 millis-since-last-exhaust:0",
    "mos_umt_sched_thrd (1 objects) [ 0 ]",
    "0:name:umt-sched-0 sched-policy:RR #threads:4 #active-thrds:0 #max-waiters:0"
    " #min-waiters:0",
    " #remote-waits:3 #local-waits:0 #remote-scheds:3 #local-scheds:0",
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
    "\t\t<schedPolicy>RR</schedPolicy>",
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
    port = free_port()
    proc = subprocess.Popen(command(storage, port, "tgt"), stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE, text=True, bufsize=1)
    try:
        if proc.stdout.readline().strip() != f"ready {port} tgt":
            raise SystemExit("the sample process did not start")
        proc.stdin.write("umt umt-sched-0 RR 4 3\n")
        proc.stdin.flush()
        if not proc.stdout.readline().startswith("ok"):
            raise SystemExit("the sample process did not start the scheduler")
        for mode, expected in (("", TEXT), ("xml", XML)):
            commands = f"connect tgt 127.0.0.1 {port}\ndumpscreen mos {mode}\n"
            if mode == "":
                commands += "dumpscreen diag-counters\n"
            commands += "exit\n"
            run = subprocess.run(command(objscope), input=commands, capture_output=True, text=True,
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
