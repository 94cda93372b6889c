#!/usr/bin/env python3
"""objscope linked over real TCP on 127.0.0.1 to the sample storage process.

usage: objscope_link_e2e.py <objscope> <sample_storage>

Commands are fed to objscope through a pipe, one at a time, while the
sample process is driven beside it (objects added, the process killed and
restarted). The viewer's output must hold the expected lines in order and
its exit code must count the failed commands.
"""
import os
import socket
import subprocess
import sys
import tempfile
import time

VOL = 64  # "vol", a query structure of 352 bytes
VOL_SIZE = 352


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Sample:
    def __init__(self, program, port, module):
        self.proc = subprocess.Popen([program, str(port), module], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, text=True, bufsize=1)
        ready = self.proc.stdout.readline().strip()
        if ready != f"ready {port} {module}":
            raise SystemExit(f"sample process did not start: {ready!r}")

    def command(self, line):
        self.proc.stdin.write(line + "\n")
        self.proc.stdin.flush()
        return self.proc.stdout.readline().strip()

    def next_line(self):
        return self.proc.stdout.readline().strip()

    def kill(self):
        self.proc.kill()
        self.proc.wait()

    def stop(self):
        if self.proc.poll() is None:
            self.proc.stdin.write("exit\n")
            self.proc.stdin.flush()
            self.proc.wait(timeout=10)


class Viewer:
    def __init__(self, program, workdir):
        self.out_path = os.path.join(workdir, "objscope.out")
        self.out = open(self.out_path, "w")
        self.proc = subprocess.Popen([program], stdin=subprocess.PIPE, stdout=self.out,
                                     stderr=subprocess.STDOUT, text=True)

    def send(self, line, settle=0.4):
        self.proc.stdin.write(line + "\n")
        self.proc.stdin.flush()
        time.sleep(settle)

    def finish(self):
        self.proc.stdin.close()
        rc = self.proc.wait(timeout=30)
        self.out.close()
        with open(self.out_path) as f:
            return rc, f.read()


def expect_in_order(text, expected):
    lines = text.splitlines()
    pos = 0
    for want in expected:
        while pos < len(lines) and lines[pos] != want:
            pos += 1
        if pos == len(lines):
            raise SystemExit(f"missing (in order) {want!r}\n--- output ---\n{text}")
        pos += 1


def main():
    objscope, sample_program = sys.argv[1], sys.argv[2]
    workdir = tempfile.mkdtemp(prefix="objscope_link_")
    record = os.path.join(workdir, "vol.bin")
    with open(record, "wb") as f:
        f.write(bytes(range(256)) + bytes(VOL_SIZE - 256))
    port = free_port()
    sample = Sample(sample_program, port, "mdm")
    assert sample.command(f"add {VOL} {record} 2") == "ok 0 2"

    viewer = Viewer(objscope, workdir)
    viewer.send(f"c tgt 127.0.0.1 {port}")          # wrong module: refused
    viewer.send(f"c mdm 127.0.0.1 {port}")          # right module
    viewer.send(f"c mdm 127.0.0.1 {port}")          # already linked
    viewer.send("dumpscreen mos")                   # the runtime's own objects
    viewer.send("dumpscreen mdm-vol")
    viewer.send("dumpscreen mdm-vol xml")
    assert sample.command(f"add {VOL} {record} 1") == "ok 2 1"
    viewer.send("dumpscreen mdm-vol")               # an object appeared
    assert sample.command(f"drop {VOL} 0") == "ok"
    assert sample.command(f"drop {VOL} 0") == "ok"
    viewer.send("dumpscreen mdm-vol")               # two vanished
    viewer.send("showobj 0 vol")
    viewer.send("dumpobj 0 vol")                    # the third one added
    dump_line = sample.next_line()
    viewer.send("configobj 0 vol alpha beta")
    config_line = sample.next_line()
    viewer.send("dumpobj 7 vol")                    # no such object
    sample.kill()
    viewer.send("dumpscreen mdm-vol")               # server gone: fails, relink fails
    sample = Sample(sample_program, port, "mdm")
    assert sample.command(f"add {VOL} {record} 3") == "ok 0 3"
    viewer.send("dumpscreen mdm-vol")               # stale socket: fails, relink succeeds
    viewer.send("dumpscreen mdm-vol")               # the restarted server's objects
    viewer.send("dumpobj 2 vol")
    restarted_line = sample.next_line()
    viewer.send("disconnect")
    viewer.send("disconnect")
    viewer.send("exit")
    rc, text = viewer.finish()
    sample.stop()

    if dump_line != f"command {VOL}.2 1":
        raise SystemExit(f"dumpobj reached the server as {dump_line!r}")
    if not config_line.startswith(f"command {VOL}.2 2 alpha beta"):
        raise SystemExit(f"configobj reached the server as {config_line!r}")
    if restarted_line != f"command {VOL}.2 1":
        raise SystemExit(f"after the restart the server saw {restarted_line!r}")
    # "vol" is padded to column 15; " (n objects)" then runs past column 23.
    vol_header = "vol" + " " * 12 + " (%d objects) [%s ]"
    expect_in_order(text, [
        ">Server type is mdm not tgt",
        "Linked successfully to mdm",
        ">Client already linked to a remote server",
        "Screen: Mos objects",
        "mos-os-thrd-layer (1 objects) [ 0 ]",
        "Screen: MDM VOL objects",
        vol_header % (2, " 0 1"),
        "0:",
        "1:",
        "<MDM_VOL_objects>",
        '\t<vol id="0">',
        "\t</vol>",
        '\t<vol id="1">',
        "\t</vol>",
        vol_header % (3, " 0 1 2"),
        vol_header % (1, " 0"),           # the survivor is renumbered
        "0:",
        ">Dump obj command finished successfully",
        ">Configure obj command finished successfully",
        ">Remote module failed to perform reqFEred operation",
        vol_header % (3, " 0 1 2"),
        ">Dump obj command finished successfully",
        "unlinked successfully",
        ">Client is not linked",
    ])
    failed_dumps = [line for line in text.splitlines()
                    if line.startswith(">Error linking to remote server")]
    if len(failed_dumps) != 2:
        raise SystemExit(f"expected two failed dumps, saw {failed_dumps}\n{text}")
    # wrong module, already linked, missing object, two failed dumps, the
    # second disconnect
    if rc != 6:
        raise SystemExit(f"exit code {rc}, expected 6\n--- output ---\n{text}")
    print("ok")


if __name__ == "__main__":
    main()
