// Level dispatch: which family's create function serves a level.
#pragma once

#include "tezl.h"

// A family's create: checks its own minimums, resets the context and fills
// its state and slots; returns the context or null. The entry point sets
// the tag and lastOperation afterwards.
using TezlCreateFn = TezlContext *(*)(void *contextMemory, uint32_t contextBytes,
                                      uint8_t *workMemory, uint32_t workBytes, int32_t level);

// The create function of the family that serves `level`, or null.
[[nodiscard]] TezlCreateFn tezl_FindFamily(int32_t level);

// Family create functions (each family's own source files).
[[nodiscard]] TezlContext *tezlA_Create(void *contextMemory, uint32_t contextBytes,
                                        uint8_t *workMemory, uint32_t workBytes, int32_t level);
[[nodiscard]] TezlContext *tezlC_Create(void *contextMemory, uint32_t contextBytes,
                                        uint8_t *workMemory, uint32_t workBytes, int32_t level);
[[nodiscard]] TezlContext *tezlB_Create(void *contextMemory, uint32_t contextBytes,
                                        uint8_t *workMemory, uint32_t workBytes, int32_t level);
