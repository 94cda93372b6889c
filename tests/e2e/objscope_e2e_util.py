"""Helpers shared by the objscope end-to-end scripts."""
import os
import socket

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


class SampleStorage:
    """The sample storage process serving its debug port as a module, with
    objects added from record files; stopped on leaving the block."""

    def __init__(self, program, module):
        import subprocess
        self.port = free_port()
        self.proc = subprocess.Popen(command(program, self.port, module), stdin=subprocess.PIPE,
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
    run = subprocess.run(command(objscope), input=commands, capture_output=True, text=True, timeout=60)
    if run.returncode != 0:
        raise SystemExit(f"objscope exited {run.returncode}\n{run.stdout[-3000:]}")
    return run.stdout
