// A consistency check whose panic names the expression by a given text.
// Used where the checked expression is written differently from the text
// the panic record must carry (list checks shared by several callers,
// platform constants the other platform lacks).
#pragma once

#include "mos_debug.h"

#define MOS_ASSERT_TEXT(cond, exprText)                                                            \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            mosDbg_Panic("", __FILE__, __func__, (exprText), "", __LINE__);                        \
            mosDbg_AssertExit();                                                                   \
        }                                                                                          \
    } while (0)
