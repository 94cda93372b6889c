// The C runtime opens the standard streams in text mode (CR LF and ^Z
// translation); compressed data needs them binary.
#include "../../binary_stdio.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>

void tezlTool_SetBinaryStdio() {
    (void)_setmode(_fileno(stdin), _O_BINARY);
    (void)_setmode(_fileno(stdout), _O_BINARY);
}
