#!/usr/bin/env python3
"""objscope linked over real TCP on 127.0.0.1 to the sample storage process.

usage: objscope_link_e2e.py <objscope> <sample_storage> [<driver_emulator>]

Commands are fed to objscope through a pipe, one at a time, while the
sample process is driven beside it (objects added, the process killed and
restarted). The viewer's output must hold the expected lines in order and
its exit code must count the failed commands. Without the driver
emulator (Windows, where its device stand-in does not exist) only the
links over TCP run.
"""
import os
import struct
import subprocess
import sys
import tempfile
import time

from objscope_e2e_util import (WAIT_SECONDS, HostileServer, SampleStorage, command,
                               expect_in_order, free_port, run_program, stop_process)

VOL = 64  # "vol", a query structure of 352 bytes
VOL_SIZE = 352
TEN_WORDS = [f"w{i}" for i in range(10)]  # the most one object command carries


class Viewer:
    def __init__(self, program, workdir, env=None):
        self.out_path = tempfile.mktemp(prefix="objscope_", suffix=".out", dir=workdir)
        self.out = open(self.out_path, "w")
        self.proc = subprocess.Popen(command(program), stdin=subprocess.PIPE, stdout=self.out,
                                     stderr=subprocess.STDOUT, text=True, env=env)
        self.sent = 0

    def text(self):
        # Views print text fields as the remote bytes are: not always UTF-8.
        with open(self.out_path, errors="replace") as f:
            return f.read()

    def context(self):
        """The viewer's output so far, for a failure message."""
        return f"\n--- objscope's output ---\n{self.text()[-6000:]}"

    def prompts(self):
        """The ">" prompts written so far: one at start, one after each command."""
        with open(self.out_path, "rb") as f:
            data = f.read()
        return data.count(b"\n>") + (1 if data.startswith(b">") else 0)

    def send(self, line, settle=0.4):
        """Sends one command and waits until the viewer has run it (its next
        prompt is out), so the sample process is never changed under a
        command still running; "exit" has no next prompt."""
        self.proc.stdin.write(line + "\n")
        self.proc.stdin.flush()
        self.sent += 1
        deadline = time.monotonic() + WAIT_SECONDS
        while line != "exit" and self.prompts() <= self.sent:
            if time.monotonic() > deadline or self.proc.poll() is not None:
                self.proc.kill()
                raise SystemExit(f"objscope never finished {line!r}{self.context()}")
            time.sleep(0.05)
        time.sleep(settle)

    def finish(self):
        self.proc.stdin.close()
        try:
            rc = self.proc.wait(timeout=WAIT_SECONDS)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            raise SystemExit(f"objscope did not end after its input{self.context()}")
        self.out.close()
        return rc, self.text()


def page_lines(text, after, before):
    """The lines a dump drew between two answers (prompts and empty lines left out)."""
    start = text.index(after) + len(after)
    return [line for line in text[start:text.index(before, start)].splitlines()
            if line not in ("", ">")]


def driver_absent(objscope, workdir):
    """`c ini` with no client-driver device present: refused, one failure."""
    root = os.path.join(workdir, "devintf")
    os.makedirs(root)
    env = dict(os.environ, MOS_DEVINTF_ROOT=root)
    run = run_program(command(objscope), "c ini\nexit\n", "objscope", env=env)
    if "Failed to open kernel Dev\n" not in run.stdout or \
            "Link to server failed\n" not in run.stdout or run.returncode != 1:
        raise SystemExit(f"c ini without a device: rc {run.returncode}\n{run.stdout}")


def wait_for_socket(path):
    for _ in range(100):
        if os.path.exists(path):
            return
        time.sleep(0.1)
    raise SystemExit(f"the driver emulator never listened at {path}")


def driver_link(objscope, emulator, workdir):
    """`c ini` through the driver emulator's debug pass-through; the
    emulator restarted under a linked viewer, which relinks."""
    root = os.path.join(workdir, "emu")
    sock = os.path.join(root, "{CC9BA7B0-6D22-4016-81C5-3369F0A163C4}", "qorni0")
    emu_command = [emulator, "--root", root, "--name", "qorni0"]
    emu = subprocess.Popen(emu_command)
    wait_for_socket(sock)
    viewer = Viewer(objscope, workdir, dict(os.environ, MOS_DEVINTF_ROOT=root))
    viewer.send("c tgt")                            # no data server on its default port
    viewer.send("c ini")
    viewer.send("dumpscreen mos")
    emu.terminate()
    stop_process(emu, "the driver emulator")
    emu = subprocess.Popen(emu_command)
    wait_for_socket(sock)
    viewer.send("dumpscreen mos")                   # the old device is gone: fails, relinks
    viewer.send("dumpscreen mos xml")
    viewer.send("exit")
    rc, text = viewer.finish()
    emu.terminate()
    stop_process(emu, "the driver emulator")
    expect_in_order(text, [
        "Linked successfully to ini",
        "Screen: Mos objects",
        "mos-os-thrd-layer (1 objects) [ 0 ]",
        ">Error linking to remote server*",
        "<Mos_objects>",
        '\t<mos-os-thrd-layer id="0">',
    ])
    if rc != 2:  # c tgt, the dump across the restart
        raise SystemExit(f"through the driver: exit code {rc}, expected 2\n{text}")


SDBG_REQUEST = 0xEA7FCE30
PROBE = 0xEA7FCE48
IOCTL_CODE = 0x4D038
ERROR_GEN_FAILURE = 31


def read_journal(path):
    """The emulator's journal: per I/O control {session, control code, input
    length, output capacity, Win32 error, bytes returned, command code}."""
    with open(path, "rb") as f:
        data = f.read()
    frames, offset = [], 0
    while offset < len(data):
        size, session, control, in_len, out_cap, error, returned = \
            struct.unpack_from("<7I", data, offset)
        code = struct.unpack_from("<q", data, offset + 28)[0] & 0xFFFFFFFF
        frames.append(dict(session=session, control=control, in_len=in_len, out_cap=out_cap,
                           error=error, returned=returned, code=code))
        offset += size
    return frames


def pass_through_count(objscope, emulator, workdir, commands):
    """How many pass-through requests the commands take, read from the
    journal of a run without failures."""
    root = os.path.join(workdir, "emu-count")
    journal = os.path.join(workdir, "count.journal")
    sock = os.path.join(root, "{CC9BA7B0-6D22-4016-81C5-3369F0A163C4}", "qorni0")
    emu = subprocess.Popen([emulator, "--root", root, "--name", "qorni0", "--journal", journal])
    wait_for_socket(sock)
    run_program(command(objscope), "".join(c + "\n" for c in commands + ["exit"]), "objscope",
                env=dict(os.environ, MOS_DEVINTF_ROOT=root))
    emu.terminate()
    stop_process(emu, "the driver emulator")
    return sum(1 for frame in read_journal(journal) if frame["code"] == SDBG_REQUEST)


def driver_one_off_failure(objscope, emulator, workdir):
    """One pass-through call fails in the middle of a linked session: that
    dump fails and says why, the viewer reopens the device (a new emulator
    session, probed again) and the next dump succeeds. Every pass-through
    frame is one buffer both ways through the driver's I/O control."""
    linked = pass_through_count(objscope, emulator, workdir, ["c ini", "dumpscreen mos"])
    root = os.path.join(workdir, "emu-once")
    journal = os.path.join(workdir, "once.journal")
    sock = os.path.join(root, "{CC9BA7B0-6D22-4016-81C5-3369F0A163C4}", "qorni0")
    emu = subprocess.Popen([emulator, "--root", root, "--name", "qorni0", "--journal", journal,
                            "--fail", f"SDBG_REQUEST:call@{linked + 1}"])
    wait_for_socket(sock)
    run = run_program(command(objscope), "c ini\ndumpscreen mos\ndumpscreen mos\n"
                      "dumpscreen mos xml\nexit\n", "objscope",
                      env=dict(os.environ, MOS_DEVINTF_ROOT=root))
    emu.terminate()
    stop_process(emu, "the driver emulator")
    expect_in_order(run.stdout, [
        "Linked successfully to ini",
        "Screen: Mos objects",
        ">Error linking to remote server: *",
        "<Mos_objects>",
        '\t<mos-os-thrd-layer id="0">',
    ])
    if run.returncode != 1:  # the one dump the failure hit
        raise SystemExit(f"one-off failure: exit code {run.returncode}, expected 1")
    frames = read_journal(journal)
    for frame in frames:
        if frame["control"] != IOCTL_CODE or frame["code"] not in (SDBG_REQUEST, PROBE):
            raise SystemExit(f"unexpected frame {frame}")
        if frame["code"] == SDBG_REQUEST and frame["in_len"] != frame["out_cap"]:
            raise SystemExit(f"pass-through not one buffer both ways: {frame}")
    failed = [i for i, f in enumerate(frames) if f["error"] != 0]
    if len(failed) != 1 or frames[failed[0]]["error"] != ERROR_GEN_FAILURE:
        raise SystemExit(f"expected exactly one failed call, got {failed}")
    after = frames[failed[0] + 1:]
    if not after or after[0]["code"] != PROBE or after[0]["session"] != 1 or \
            any(f["session"] != 1 or f["error"] != 0 for f in after):
        raise SystemExit(f"no relink in a new session after the failure: {after[:2]}")
    if any(f["session"] != 0 for f in frames[:failed[0] + 1]):
        raise SystemExit("the failure did not hit the first session")


def driver_short_reply(objscope, emulator, workdir):
    """A pass-through whose reply is cut short is a failed transfer: the
    viewer does not link on it, nor read its own request as the answer."""
    root = os.path.join(workdir, "emu-short")
    sock = os.path.join(root, "{CC9BA7B0-6D22-4016-81C5-3369F0A163C4}", "qorni0")
    emu = subprocess.Popen([emulator, "--root", root, "--name", "qorni0",
                            "--fail", "SDBG_REQUEST:short=12"])
    wait_for_socket(sock)
    env = dict(os.environ, MOS_DEVINTF_ROOT=root)
    run = run_program(command(objscope), "c ini\ndumpscreen mos\nexit\n", "objscope", env=env)
    emu.terminate()
    stop_process(emu, "the driver emulator")
    if "Linked successfully" in run.stdout or \
            ">Client isn't linked to server\n" not in run.stdout or run.returncode != 2:
        raise SystemExit(f"short pass-through reply: rc {run.returncode}\n{run.stdout}")


# The time limit of one send or receive, cut short for the hostile servers.
LINK_LIMIT_ENV = {"OBJSCOPE_LINK_TIME_LIMIT_MS": "1000"}


def against(objscope, server, commands):
    """objscope over the commands, linked as tgt to a hostile server; the
    run's exit code and output. The time-out is a hang guard only."""
    lines = [f"c tgt 127.0.0.1 {server.port}"] + commands + ["exit"]
    try:
        run = subprocess.run([objscope], input="".join(c + "\n" for c in lines),
                             capture_output=True, text=True, timeout=120,
                             env=dict(os.environ, **LINK_LIMIT_ENV))
    finally:
        server.close()
    return run.returncode, run.stdout


def hostile_stall(objscope):
    """A server that stops answering after the link: the dump fails at the
    time limit naming the time-out, the next dump relinks and works."""
    server = HostileServer([(1, "stall"), (0, "answer")])
    rc, text = against(objscope, server, ["dumpscreen mos", "dumpscreen mos"])
    expect_in_order(text, [
        "Linked successfully to tgt",
        ">Error linking to remote server: A connection attempt failed because the connected "
        "party did not properly respond after a period of time*",
        "Screen: Mos objects",
    ], "stalled server")
    if rc != 1:
        raise SystemExit(f"stalled server: exit code {rc}, expected 1\n{text}")


def hostile_close(objscope):
    """A server that closes the connection after the link: the dump's error
    names the close; the next dump relinks and works."""
    server = HostileServer([(1, "close"), (0, "answer")])
    rc, text = against(objscope, server, ["dumpscreen mos", "dumpscreen mos"])
    expect_in_order(text, [
        "Linked successfully to tgt",
        ">Error linking to remote server: A graceful shutdown is in progress.",
        "Screen: Mos objects",
    ], "closing server")
    if rc != 1:
        raise SystemExit(f"closing server: exit code {rc}, expected 1\n{text}")


def hostile_link_errors(objscope):
    """Failures while linking name their own cause: an address out of range,
    and a server that sends one byte of its first answer and closes."""
    run = subprocess.run([objscope], input="c tgt 999.999.999.999 1\nexit\n",
                         capture_output=True, text=True, timeout=30)
    expect_in_order(run.stdout, [">No such host is known."], "bad address")
    server = HostileServer([(0, "one-byte")])
    rc, text = against(objscope, server, [])
    expect_in_order(text, [">A graceful shutdown is in progress."], "one byte, then closed")
    for out in (run.stdout, text):
        if "Inappropriate ioctl" in out:
            raise SystemExit(f"a link error borrowed an unrelated text\n{out}")
    if run.returncode != 1 or rc != 1:
        raise SystemExit(f"link errors: exit codes {run.returncode} and {rc}, expected 1")


def link_cases(objscope, sample_program, emulator, workdir):
    if emulator:
        # Linux only: the driver emulator, and the socket errors' texts
        # (Wine has none).
        hostile_link_errors(objscope)
        hostile_stall(objscope)
        hostile_close(objscope)
        driver_absent(objscope, workdir)
        driver_link(objscope, emulator, workdir)
        driver_short_reply(objscope, emulator, workdir)
        driver_one_off_failure(objscope, emulator, workdir)
    record = os.path.join(workdir, "vol.bin")
    with open(record, "wb") as f:
        f.write(bytes(range(256)) + bytes(VOL_SIZE - 256))
    port = free_port()
    sample = SampleStorage(sample_program, "mdm", port)
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
    dump_line = sample.next_line(viewer.context())
    viewer.send("configobj 0 vol alpha beta")
    config_line = sample.next_line(viewer.context())
    viewer.send("configobj 0 vol " + " ".join(TEN_WORDS))
    config_ten_line = sample.next_line(viewer.context())
    viewer.send("configobj 0 vol " + " ".join(TEN_WORDS + ["k"]))  # one too many: refused
    viewer.send("slh 3")                            # a page of three lines
    viewer.send("dumpscreen mdm-vol")
    viewer.send("slh 99999")
    viewer.send("dumpobj 7 vol")                    # no such object
    sample.kill()
    viewer.send("dumpscreen mdm-vol")               # server gone: fails, relink fails
    viewer.send("dumpscreen mdm-vol")               # still gone: the relink is refused
    sample = SampleStorage(sample_program, "mdm", port)
    assert sample.command(f"add {VOL} {record} 3") == "ok 0 3"
    viewer.send("dumpscreen mdm-vol")               # relinks first: the restarted server's objects
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
    if config_ten_line != f"command {VOL}.2 2 " + " ".join(TEN_WORDS):
        raise SystemExit(f"configobj of ten words reached the server as {config_ten_line!r}")
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
        "0:*",
        "1:*",
        "<MDM_VOL_objects>",
        '\t<vol id="0">',
        "\t</vol>",
        '\t<vol id="1">',
        "\t</vol>",
        vol_header % (3, " 0 1 2"),
        vol_header % (1, " 0"),           # the survivor is renumbered
        "0:*",
        ">Dump obj command finished successfully",
        ">Configure obj command finished successfully",
        ">Configure obj command finished successfully",
        ">Invalid number of parameters.",
        ">Remote module failed to perform reqFEred operation",
        vol_header % (3, " 0 1 2"),
        ">Dump obj command finished successfully",
        "unlinked successfully",
        ">Client is not linked",
    ])
    failed_dumps = [line for line in text.splitlines()
                    if line.startswith(">Error linking to remote server")]
    # The first names the closed connection, the second the refused relink,
    # in the system's words (Wine words a refusal its own way and has no
    # text for the close: there its number stands); once the server is back
    # the very next command works.
    causes = [("graceful shutdown", "10101"), ("actively refused", "Connection refused")]
    if len(failed_dumps) != 2 or not all(
            any(word in dump for word in words) for dump, words in zip(failed_dumps, causes)):
        raise SystemExit(f"expected two failed dumps naming their causes, saw {failed_dumps}"
                         f"\n{text}")
    # On a stream a dump is whole: a page of three lines does not cut it.
    lines = text.splitlines()
    full = lines.index("Screen: MDM VOL objects")
    short_page = page_lines(text, ">New height is set to 3\n", ">New height is set to 99999\n")
    if len(short_page) <= 3 or short_page[:3] != lines[full:full + 3]:
        raise SystemExit(f"a dump after slh 3 showed {short_page}, not the whole screen")
    # wrong module, already linked, eleven words, missing object, two failed
    # dumps, the second disconnect
    if rc != 7:
        raise SystemExit(f"exit code {rc}, expected 7\n--- output ---\n{text}")


def main():
    objscope, sample_program = sys.argv[1], sys.argv[2]
    emulator = sys.argv[3] if len(sys.argv) > 3 else None
    with tempfile.TemporaryDirectory(prefix="objscope_link_") as workdir:
        link_cases(objscope, sample_program, emulator, workdir)
    print("ok")


if __name__ == "__main__":
    main()
