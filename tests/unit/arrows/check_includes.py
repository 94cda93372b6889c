#!/usr/bin/env python3
"""Fails when a source file includes a header its module may not see, as
docs/ARCHITECTURE.md draws the modules:
  - portable code (outside nt/ and posix/) includes only the C and C++
    standard headers and the compiler's instruction headers, never an
    operating-system header, and names neither _WIN32 nor __linux__;
  - the views include only their own headers, the viewer core's page
    buffer and printers (with their records and colour roles), the query
    object interface, the GUID text of its OS layer and the object-type
    table;
  - the viewer core includes no views header (the program that registers
    the views' factory, objscope_main.cpp, may);
  - the installer and the codec include nothing from outside their trees.

Usage: check_includes.py SOURCE_ROOT"""

import os
import re
import sys

PRODUCT_TREES = ['codec', 'src', 'kmodctl', 'kmodsetup']
SOURCE_EXT = ('.cpp', '.h', '.def')

CXX_HEADERS = set('''algorithm any array atomic bit bitset cassert cctype cerrno cfloat
charconv chrono cinttypes climits clocale cmath compare concepts condition_variable
csetjmp csignal cstdarg cstddef cstdint cstdio cstdlib cstring ctime cwchar cwctype
deque exception filesystem fstream functional initializer_list iomanip ios iosfwd
iostream istream iterator limits list locale map memory mutex new numeric optional
ostream queue random ratio regex set shared_mutex source_location span sstream stack
stdexcept stop_token streambuf string string_view system_error thread tuple
type_traits typeinfo unordered_map unordered_set utility variant vector'''.split())
C_HEADERS = set('''assert ctype errno float inttypes limits math setjmp signal stdarg
stddef stdint stdio stdlib string time wchar'''.split())
# Instruction headers of the compiler (no operating system behind them), and
# strings.h for strcasecmp, which both C runtimes ship.
COMPILER_HEADERS = {'cpuid.h', 'immintrin.h', 'x86intrin.h', 'nmmintrin.h', 'strings.h'}

VIEWS_DIR = 'src/objscope/views'
VIEWS_MAY_INCLUDE = {'sdbg_logical_view.h', 'sdbg_stat_records.h', 'sdbg_attr.h', 'sdbg_os.h',
                     'sdbg_obj_types.def', 'sdbg_srv_obj.h'}
VIEWER_DIR = 'src/objscope'
VIEWER_PROGRAM = 'src/objscope/objscope_main.cpp'

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
PLATFORM_MACRO = re.compile(r'\b(_WIN32|__linux__)\b')


def is_seam(rel):
    return bool(re.search(r'(^|/)(nt|posix)/', rel))


def standard(header):
    if header in CXX_HEADERS or header in COMPILER_HEADERS:
        return True
    return header.endswith('.h') and header[:-2] in C_HEADERS


def inside(root, rel, header, tree):
    """Whether a quoted include resolves to a file under tree."""
    here = os.path.dirname(rel)
    for base in (here, tree):
        path = os.path.normpath(os.path.join(base, header))
        if os.path.isfile(os.path.join(root, path)) and path.startswith(tree + '/'):
            return True
    return False


def views_header(root, rel, header):
    """Whether a quoted include of a viewer core file names a views header:
    by its path, or by a file name found among the views but not beside
    the including file (the views folder is on the core's users' path)."""
    if inside(root, rel, header, VIEWS_DIR):
        return True
    here = os.path.dirname(rel)
    return (os.path.isfile(os.path.join(root, VIEWS_DIR, header)) and
            not os.path.isfile(os.path.join(root, here, header)))


def check_file(root, rel):
    faults = []
    with open(os.path.join(root, rel), encoding='utf-8', errors='replace') as f:
        lines = f.read().splitlines()
    for n, line in enumerate(lines, 1):
        where = f'{rel}:{n}'
        if not is_seam(rel) and PLATFORM_MACRO.search(line):
            faults.append(f'{where}: platform macro in portable code')
        m = INCLUDE.match(line)
        if not m:
            continue
        kind, header = m.groups()
        if kind == '<' and not is_seam(rel) and not standard(header):
            faults.append(f'{where}: <{header}> is not a standard header')
        if kind == '"' and rel.startswith(VIEWS_DIR + '/'):
            if not inside(root, rel, header, VIEWS_DIR) and header not in VIEWS_MAY_INCLUDE:
                faults.append(f'{where}: the views may not include "{header}"')
        in_core = (rel.startswith(VIEWER_DIR + '/') and not rel.startswith(VIEWS_DIR + '/') and
                   rel != VIEWER_PROGRAM)
        if kind == '"' and in_core and views_header(root, rel, header):
            faults.append(f'{where}: the viewer core may not include the views\' "{header}"')
        for tree in ('kmodsetup', 'codec'):
            if kind == '"' and rel.startswith(tree + '/') and not inside(root, rel, header, tree):
                faults.append(f'{where}: {tree} may not include "{header}" from outside it')
    return faults


def main():
    root = sys.argv[1]
    faults = []
    for tree in PRODUCT_TREES:
        for dirpath, _, files in os.walk(os.path.join(root, tree)):
            for name in sorted(files):
                if name.endswith(SOURCE_EXT):
                    rel = os.path.relpath(os.path.join(dirpath, name), root).replace('\\', '/')
                    faults.extend(check_file(root, rel))
    for fault in faults:
        print(fault)
    if faults:
        print(f'{len(faults)} include(s) cross a module boundary')
        return 1
    print('every include stays within what its module may see')
    return 0


if __name__ == '__main__':
    sys.exit(main())
