"""Helpers shared by the objscope end-to-end scripts.

Every wait on another program has a deadline of its own, far longer than
the wait ever takes: it only guards against a hang, so that a test that
stops getting what it waits for fails within its time limit and shows the
output it did get.
"""
import os
import queue
import socket
import subprocess
import threading

WAIT_SECONDS = 30  # hang guard of one wait

# On Windows the programs run under Wine: E2E_RUN names the command that
# starts one. Their CR LF line ends become LF where text is read.
RUN = [os.environ["E2E_RUN"]] if os.environ.get("E2E_RUN") else []


def command(program, *args):
    """The command line that starts the program with the arguments."""
    return RUN + [program, *map(str, args)]


def free_port():
    """A loopback TCP port that nothing listens on right now."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def matches(line, want):
    """A wanted line ending in '*' is a prefix (an object's own view follows)."""
    return line.startswith(want[:-1]) if want.endswith("*") else line == want


def expect_in_order(text, expected, what="output"):
    """Every wanted line appears in the text, in this order; others may come between."""
    lines = text.splitlines()
    pos = 0
    for want in expected:
        while pos < len(lines) and not matches(lines[pos], want):
            pos += 1
        if pos == len(lines):
            raise SystemExit(f"{what}: missing (in order) {want!r}\n--- output ---\n{text}")
        pos += 1


def as_text(data):
    if data is None:
        return ""
    return data.decode(errors="replace") if isinstance(data, bytes) else data


class LineReader:
    """The lines of a child's output pipe, read by a thread of their own so
    that waiting for the next one has a deadline."""

    def __init__(self, pipe, what):
        self.what = what
        self.seen = []
        self.lines = queue.Queue()
        threading.Thread(target=self._pump, args=(pipe,), daemon=True).start()

    def _pump(self, pipe):
        for line in pipe:
            self.lines.put(line)
        self.lines.put(None)

    def next_line(self, context=""):
        """The next line without its end; fails when none comes in time or
        the output ends, showing the lines seen so far (and the context)."""
        try:
            line = self.lines.get(timeout=WAIT_SECONDS)
        except queue.Empty:
            line = False
        if line is None or line is False:
            why = "its output ended" if line is None else f"no line within {WAIT_SECONDS} s"
            seen = "".join(self.seen[-40:])
            raise SystemExit(f"{self.what}: {why}\n--- its output ---\n{seen}{context}")
        self.seen.append(line)
        return line.strip()


def stop_process(proc, what):
    """Waits for a process that was told to end; kills it when it does not."""
    try:
        return proc.wait(timeout=WAIT_SECONDS)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
        raise SystemExit(f"{what} did not end within {WAIT_SECONDS} s")


def run_program(command, input_text, what, **kwargs):
    """subprocess.run with a hang guard: a run that does not end in time is
    killed and fails with what it printed."""
    timeout = kwargs.pop("timeout", 2 * WAIT_SECONDS)
    try:
        return subprocess.run(command, input=input_text, capture_output=True, text=True,
                              timeout=timeout, **kwargs)
    except subprocess.TimeoutExpired as hung:
        raise SystemExit(f"{what} did not end within {timeout} s\n--- its output ---\n"
                         f"{as_text(hung.stdout)[-3000:]}{as_text(hung.stderr)[-1000:]}")


class SampleStorage:
    """The sample storage process serving its debug port as a module, with
    objects added from record files; stopped on leaving the block."""

    def __init__(self, program, module, port=None):
        self.port = port if port is not None else free_port()
        self.proc = subprocess.Popen(command(program, self.port, module), stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, text=True, bufsize=1)
        self.out = LineReader(self.proc.stdout, "the sample process")
        try:
            ready = self.out.next_line()
        except SystemExit:
            self.kill()
            raise
        if ready != f"ready {self.port} {module}":
            self.__exit__()
            raise SystemExit(f"the sample process did not start: {ready!r}")

    def command(self, line, context=""):
        """Sends one command; its one answer line."""
        self.proc.stdin.write(line + "\n")
        self.proc.stdin.flush()
        return self.out.next_line(context)

    def next_line(self, context=""):
        return self.out.next_line(context)

    def add(self, type_id, path, count=1):
        if not self.command(f"add {type_id} {path} {count}").startswith("ok"):
            raise SystemExit(f"the sample process refused the record of type {type_id}")

    def kill(self):
        self.proc.kill()
        self.proc.wait()

    def __enter__(self):
        return self

    def stop(self):
        self.__exit__()

    def __exit__(self, *exc):
        if self.proc.poll() is None:
            self.proc.stdin.write("exit\n")
            self.proc.stdin.flush()
            stop_process(self.proc, "the sample process")


def run_commands(objscope, commands):
    """objscope over typed commands; its output, or an exit when it failed."""
    run = run_program(command(objscope), commands, "objscope")
    if run.returncode != 0:
        raise SystemExit(f"objscope exited {run.returncode}\n{run.stdout[-3000:]}")
    return run.stdout


class HostileServer:
    """A debug server on 127.0.0.1 that misbehaves on purpose. Each accepted
    connection follows the next script (the last one repeats): answer that
    many requests, then "stall" (read on, never answer), "close", or
    "one-byte" (send a single byte, then close). Answers carry status OK and
    module tgt for a server-type request, 0 otherwise, padded with 0xFF."""

    def __init__(self, scripts):
        import socket
        import threading
        self.scripts = list(scripts)
        self.listener = socket.socket()
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(8)
        self.port = self.listener.getsockname()[1]
        self.held = []
        self.thread = threading.Thread(target=self._serve, daemon=True)
        self.thread.start()

    @staticmethod
    def _read(conn, size):
        data = b""
        while len(data) < size:
            part = conn.recv(size - len(data))
            if not part:
                return None
            data += part
        return data

    def _serve(self):
        import struct
        index = 0
        while True:
            try:
                conn, _ = self.listener.accept()
            except OSError:
                return
            answers, then = self.scripts[min(index, len(self.scripts) - 1)]
            index += 1
            self.held.append(conn)
            answered = 0
            while True:
                header = self._read(conn, 12)
                if header is None:
                    break
                _, req_len, resp_len = struct.unpack("<3I", header)
                payload = self._read(conn, req_len) if 0 < req_len <= 4096 else None
                if payload is None:
                    break
                if answered >= answers and then != "answer":
                    if then == "one-byte":
                        conn.sendall(b"\x01")
                    if then in ("one-byte", "close"):
                        conn.close()
                        break
                    continue  # stall: read on, never answer
                kind = struct.unpack_from("<I", payload)[0]
                reply = struct.pack("<2I", 1, 2 if kind == 3 else 0)[:resp_len]
                conn.sendall(reply + b"\xff" * (resp_len - len(reply)))
                answered += 1

    def close(self):
        import socket
        try:
            self.listener.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.listener.close()
        for conn in self.held:
            conn.close()
