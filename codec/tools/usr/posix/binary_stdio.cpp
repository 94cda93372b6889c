// POSIX streams carry bytes as they are: nothing to switch.
#include "../../binary_stdio.h"

void tezlTool_SetBinaryStdio() {}
