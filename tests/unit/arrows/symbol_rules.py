"""What each library may call, as docs/ARCHITECTURE.md draws it, written as
patterns over demangled symbol names (nm -C). A library's rules are a list
of (object path pattern, symbol patterns): an object may reference what
every entry whose path pattern matches its path allows."""

import re

# The C and C++ runtime every module may use: the ISO C library (errno
# included), the C++ library and its ABI, and what the compilers and the
# sanitizers insert.
C_RUNTIME = [
    r'^(mem(cpy|move|set|cmp|chr)|str(n?len|n?cmp|n?cpy|n?cat|r?chr|str|spn|cspn|tok|error))$',
    r'^(strto(u?ll?|d|f)|ato[ifl]|abs|labs|llabs|qsort|bsearch|rand|srand)$',
    r'^(v?s?n?printf|v?fprintf|v?sscanf|puts|fputs|fputc|putchar|fflush|fwrite|fread|fgetc|fgets|setvbuf)$',
    r'^(fopen|fclose|fseek|ftell|rewind|remove|rename|stdin|stdout|stderr|strn?casecmp|strn?icmp)$',
    r'^(malloc|calloc|realloc|free|abort|exit|_Exit|atexit|getenv)$',
    r'^(time|clock|localtime|gmtime|asctime|strftime|mktime|difftime)$',
    r'^(to(upper|lower)|is(alpha|digit|space|alnum|print|xdigit|upper|lower|punct))$',
    r'^(sqrt|pow|floor|ceil|log|log2|log10|exp|fabs|fmod|round|lround|llround)$',
    r'^(__errno_location|__ctype_(b|toupper|tolower)_loc|__libc_single_threaded)$',
    r'^(__isoc99_v?sscanf|__isoc23_strto.*|__(v)?snprintf_chk|__(v)?sprintf_chk|__(v)?fprintf_chk)$',
    r'^(__mem(cpy|move|set)_chk|__str(n?cpy|n?cat)_chk|__stack_chk_fail)$',
]
CXX_RUNTIME = [
    r'^std::', r'^(typeinfo|vtable|VTT) for (std|__cxxabiv1|__gnu_cxx)::', r'^__gnu_cxx::',
    r'^operator (new|delete)(\[\])?\(', r'^__cxa_', r'^__gxx_personality_(v0|seh0)$',
    # std::this_thread's inline sleep and id bind these directly.
    r'^(nanosleep|pthread_self)$',
    r'^_Unwind_(Resume|SjLj_Resume)$', r'^__dso_handle$', r'^_GLOBAL_OFFSET_TABLE_$',
    r'^__(asan|ubsan|tsan|sanitizer|lsan)_',
    # mingw-w64: its C runtime shims, stack probes, thread-local support and
    # the C library's own names for errno, stdio and _Exit.
    r'^__mingw_', r'^___?chkstk(_ms)?$', r'^__emutls_get_address$', r'^\.refptr\.',
    r'^__(acrt_)?iob_func$', r'^_errno$', r'^__ms_v?s?n?printf$', r'^_exit$',
]
RUNTIME = C_RUNTIME + CXX_RUNTIME

# The runtime library's public surface, as the tools and the viewer see it.
MOS_API = [r'^(mos|Mos|os[A-Z]|NetAddress)', r'^(typeinfo|vtable) for Mos']

# Linux calls a seam half may make: POSIX and the C library's extensions.
POSIX_CALLS = [r'^[a-z_][a-z0-9_]*$', r'^__(xstat|fxstat|lxstat)(64)?$', r'^__libc_']
# Windows calls a seam half may make: imports from the system libraries.
WIN32_CALLS = [r'^__imp_[A-Za-z_][A-Za-z0-9_]*$', r'^[A-Z][A-Za-z0-9]*$']
SEAM_CALLS = POSIX_CALLS + WIN32_CALLS

RULES = {
    # Only the page buffer and its printers, the GUID text and mos_Snprintf.
    'objscope_views': [
        (r'', RUNTIME + [r'^Sdbg_LogicalView::', r'^SdbgOs_GuidText\(', r'^mos_Snprintf\(']),
    ],
    # The viewer core: the runtime library (with the inline fast-lock and
    # thread-local parts of its headers and the debug port's size tables)
    # and the device seam, never the views, whose factory reaches it only as
    # a registered pointer; the operating system only through sdbg_os.h and
    # sdbg_tty.h.
    'objscope_core': [
        (r'', RUNTIME + MOS_API + [r'^(netAddress_|sdbg_Get[A-Za-z]*Size\()',
                                   r'^(tlsLockAcquires_G|umtTls_G|__u?(div|mod)ti3)$']),
        (r'/(nt|posix)/', SEAM_CALLS),
    ],
    # The driver's command protocol over the runtime library; the operating
    # system only through os_devintf.h, whose halves are nt/ and posix/.
    'qorni_intf': [
        (r'', RUNTIME + MOS_API),
        (r'/(nt|posix)/', SEAM_CALLS),
    ],
    # The installer calls only its own seam (setup_api.h) and no mos.
    'kmodsetup_core': [
        (r'', RUNTIME),
        (r'/(nt|posix)/', SEAM_CALLS),
    ],
    # The runtime library: the codec from size reduction only, the
    # operating system only from its seam halves.
    'mos': [
        (r'', RUNTIME),
        (r'/(size_reduction_manager/|mos_compressed_trace)', [r'^tezl_']),
        (r'/(nt|posix)/', SEAM_CALLS),
    ],
}


def forms(symbol):
    """The names a symbol may be matched by: itself, and for an import of
    the Windows C library (__imp_ prefix) the function it imports, without
    the library's leading underscore or its 32/64-bit time suffix."""
    out = [symbol]
    if symbol.startswith('__imp_'):
        base = symbol[len('__imp_'):]
        out.append(base)
        m = re.match(r'^_?([a-z][a-z0-9_]*?)(32|64)?$', base)
        if m:
            out.append(m.group(1))
    return out


def allowed_for(rules, path):
    path = path.replace('\\', '/')
    out = []
    for path_pattern, patterns in rules:
        if re.search(path_pattern, path):
            out.extend(re.compile(p) for p in patterns)
    return out
