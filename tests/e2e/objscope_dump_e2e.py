#!/usr/bin/env python3
"""objscope dumps into a file: whole, well-formed, and bounded in memory.

usage: objscope_dump_e2e.py <objscope> <sample_storage>

- Against the sample storage process: an XML dump of 20,000 objects parses
  as one XML document holding all of them, and a text dump of 40,000
  objects (far more lines than a page of the stream device) lists every
  object.
- Against a hostile debug server that announces huge object counts and
  then sends three records: the viewer's peak memory stays within what it
  received plus a margin, whether the server pads its answer to the
  announced size or drops the connection after the records.
"""
import os
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import xml.etree.ElementTree as ET

from objscope_e2e_util import SampleStorage

VOL = 64  # "vol", a query structure of 352 bytes
VOL_SIZE = 352
MDM = 3
MAGIC = 0x8DB9ABDE
OK = 1
LIST_END = 0x0FFFFFF0


def run_viewer(objscope, commands, out_path):
    """objscope over typed commands, its output in out_path; its exit code
    and its peak resident memory in bytes."""
    with open(out_path, "w") as out:
        proc = subprocess.Popen([objscope], stdin=subprocess.PIPE, stdout=out,
                                stderr=subprocess.STDOUT, text=True)
        proc.stdin.write(commands)
        proc.stdin.close()
        _, status, usage = os.wait4(proc.pid, 0)
        proc.returncode = os.waitstatus_to_exitcode(status)
    with open(out_path, errors="replace") as f:
        return proc.returncode, usage.ru_maxrss * 1024, f.read()


def whole_dumps(objscope, sample_program, workdir):
    record = os.path.join(workdir, "vol.bin")
    with open(record, "wb") as f:
        f.write(b"A" * VOL_SIZE)  # text fields of letters, numbers of 0x41 bytes
    out = os.path.join(workdir, "dump.out")
    with SampleStorage(sample_program, "mdm") as sample:
        sample.add(VOL, record, 20000)
        rc, _, text = run_viewer(objscope, f"c mdm 127.0.0.1 {sample.port}\n"
                                 "dumpscreen mdm-vol xml\nexit\n", out)
        if rc != 0:
            raise SystemExit(f"XML dump: exit code {rc}\n{text[-2000:]}")
        start = text.find("<MDM_VOL_objects>")
        end = text.find("</MDM_VOL_objects>")
        if start < 0 or end < 0:
            raise SystemExit(f"XML dump not closed: ...{text[-500:]}")
        root = ET.fromstring(text[start:end + len("</MDM_VOL_objects>")])
        ids = [int(vol.get("id")) for vol in root.iter("vol")]
        if ids != list(range(20000)):
            raise SystemExit(f"XML dump holds {len(ids)} vol elements, not 20000")

        sample.add(VOL, record, 20000)
        rc, _, text = run_viewer(objscope, f"c mdm 127.0.0.1 {sample.port}\n"
                                 "dumpscreen mdm-vol\nexit\n", out)
        if rc != 0:
            raise SystemExit(f"text dump: exit code {rc}\n{text[-2000:]}")
        listed = {int(line.split(":", 1)[0]) for line in text.splitlines()
                  if line[:1].isdigit() and ":" in line and line.split(":", 1)[0].isdigit()}
        missing = set(range(40000)) - listed
        if missing:
            raise SystemExit(f"text dump misses {len(missing)} objects, first {min(missing)}")


class HostileServer:
    """A debug server for module mdm: it answers the object count of "vol"
    with `announced` and the list with three records; then it pads the
    answer to the length asked for, or drops the connection (`cut`). Every
    other type has no objects."""

    def __init__(self, announced, cut):
        self.announced, self.cut = announced, cut
        self.listener = socket.socket()
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(4)
        self.port = self.listener.getsockname()[1]
        self.received_bytes = 0  # what the viewer was sent in all
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        while True:
            try:
                conn, _ = self.listener.accept()
            except OSError:
                return
            with conn:
                try:
                    while self.answer(conn):
                        pass
                except OSError:
                    pass

    @staticmethod
    def read_exact(conn, size):
        data = b""
        while len(data) < size:
            chunk = conn.recv(size - len(data))
            if not chunk:
                return None
            data += chunk
        return data

    def send(self, conn, data):
        conn.sendall(data)
        self.received_bytes += len(data)

    def answer(self, conn):
        header = self.read_exact(conn, 12)
        if header is None:
            return False
        magic, req_len, resp_len = struct.unpack("<3I", header)
        payload = self.read_exact(conn, req_len)
        if magic != MAGIC or payload is None:
            return False
        req_type = struct.unpack_from("<I", payload)[0]
        type_id = struct.unpack_from("<I", payload, 4)[0] if req_len >= 8 else 0
        if req_type == 3:
            reply = struct.pack("<2I", OK, MDM)
        elif req_type == 1:
            reply = struct.pack("<2I", OK, self.announced if type_id == VOL else 0)
        elif req_type == 2 and type_id == VOL:
            reply = struct.pack("<2I", OK, self.announced)
            for obj_id in range(3):
                reply += struct.pack("<3I", VOL, obj_id, VOL_SIZE) + b"B" * VOL_SIZE
            if self.cut:
                self.send(conn, reply)
                return False
            reply += struct.pack("<3I", LIST_END, 3, 0)
        else:
            reply = struct.pack("<2I", 4, 0)  # not found
        self.send(conn, reply.ljust(resp_len, b"\0")[:resp_len])
        return True

    def close(self):
        self.listener.close()


def bounded_memory(objscope, workdir):
    out = os.path.join(workdir, "hostile.out")
    honest = HostileServer(3, cut=False)
    rc, baseline, text = run_viewer(objscope, f"c mdm 127.0.0.1 {honest.port}\n"
                                    "dumpscreen mdm-vol\nexit\n", out)
    honest.close()
    if rc != 0 or "(3 objects) [ 0 1 2 ]" not in text:
        raise SystemExit(f"three honest objects: rc {rc}\n{text[-2000:]}")
    margin = 24 << 20
    for announced, cut, expected in [(0xFFFFFFFF, True, ">Error linking to remote server"),
                                     (200000, True, ">Error linking to remote server"),
                                     (200000, False, "(3 objects) [ 0 1 2 ]")]:
        server = HostileServer(announced, cut)
        rc, peak, text = run_viewer(objscope, f"c mdm 127.0.0.1 {server.port}\n"
                                    "dumpscreen mdm-vol\ndumpscreen mdm-vol\nexit\n", out)
        server.close()
        what = f"{announced} announced, {'cut' if cut else 'padded'}"
        if expected not in text:
            raise SystemExit(f"{what}: {expected!r} missing\n{text[-2000:]}")
        if peak > baseline + server.received_bytes + margin:
            raise SystemExit(f"{what}: peak memory {peak >> 20} MiB, more than "
                             f"{baseline >> 20} MiB and the {server.received_bytes >> 20} MiB "
                             "received")


def main():
    objscope, sample_program = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory(prefix="objscope_dump_") as workdir:
        bounded_memory(objscope, workdir)
        whole_dumps(objscope, sample_program, workdir)
        print("ok")


if __name__ == "__main__":
    main()
