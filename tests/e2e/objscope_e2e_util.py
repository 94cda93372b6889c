"""Helpers shared by the objscope end-to-end scripts."""
import socket


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


class SampleStorage:
    """The sample storage process serving its debug port as a module, with
    objects added from record files; stopped on leaving the block."""

    def __init__(self, program, module):
        import subprocess
        self.port = free_port()
        self.proc = subprocess.Popen([program, str(self.port), module], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, text=True, bufsize=1)
        if self.proc.stdout.readline().strip() != f"ready {self.port} {module}":
            self.__exit__()
            raise SystemExit("the sample process did not start")

    def add(self, type_id, path, count=1):
        self.proc.stdin.write(f"add {type_id} {path} {count}\n")
        self.proc.stdin.flush()
        if not self.proc.stdout.readline().startswith("ok"):
            raise SystemExit(f"the sample process refused the record of type {type_id}")

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        if self.proc.poll() is None:
            self.proc.stdin.write("exit\n")
            self.proc.stdin.flush()
            self.proc.wait(timeout=10)


def run_commands(objscope, commands):
    """objscope over typed commands; its output, or an exit when it failed."""
    import subprocess
    run = subprocess.run([objscope], input=commands, capture_output=True, text=True, timeout=60)
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
