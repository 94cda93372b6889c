#!/usr/bin/env python3
"""Fails when an object of a library references a symbol that the
library's row of docs/ARCHITECTURE.md does not let it call.

Usage: check_symbols.py NM LIBRARY OBJECTS

OBJECTS is the library's object files joined by '|'. A symbol defined by
any object of the library is its own; every other undefined symbol must
match one of the patterns that symbol_rules.py gives for the object's
path (portable code and the seam halves get different lists)."""

import re
import subprocess
import sys

sys.dont_write_bytecode = True  # keep the source tree clean
import symbol_rules  # noqa: E402


def nm_lines(nm, objects, *flags):
    out = subprocess.run([nm, '-A', '-C', *flags, *objects], check=True,
                         capture_output=True, text=True).stdout
    for line in out.splitlines():
        m = re.match(r'^(\S+?\.o(?:bj)?):\s*(?:[0-9a-fA-F]+\s+)?(\S)\s+(.*)$', line)
        if m:
            yield m.group(1), m.group(2), m.group(3)


def main():
    nm, library, objects = sys.argv[1], sys.argv[2], sys.argv[3].split('|')
    rules = symbol_rules.RULES[library]
    defined = {sym for _, kind, sym in nm_lines(nm, objects, '--defined-only')}
    bad = {}
    for path, kind, sym in nm_lines(nm, objects, '--undefined-only'):
        # A weak reference comes from a library header's inline code (the
        # thread primitives libstdc++ binds lazily), not from a call of ours.
        if kind != 'U' or sym in defined:
            continue
        allowed = symbol_rules.allowed_for(rules, path)
        if not any(p.search(form) for p in allowed for form in symbol_rules.forms(sym)):
            bad.setdefault(path, []).append(sym)
    for path, syms in sorted(bad.items()):
        print(f'{path}:')
        for sym in sorted(syms):
            print(f'    {sym}')
    if bad:
        print(f'{library}: references outside what it may call (see above)')
        return 1
    print(f'{library}: every outside reference is one it may make')
    return 0


if __name__ == '__main__':
    sys.exit(main())
