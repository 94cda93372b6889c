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
