// A device seam (os_devintf.h) for fuzz targets: a class with a chosen
// number of present interfaces, each of which opens, and I/O controls
// answered by the target's own function. It counts open devices so a
// target can check that every one was closed.
#pragma once

#include "os_devintf.h"

#include <cstdint>

// Answers one I/O control: writes at most outCapacity bytes to pOut, their
// count to *pReturned, and returns a Win32 error number.
using FakeDevIoctlFn = uint32_t (*)(uint32_t ioctlCode, const uint8_t *pIn, uint32_t inSize,
                                    uint8_t *pOut, uint32_t outCapacity, uint32_t *pReturned);

void fakeDev_Set(uint32_t interfaceCount, FakeDevIoctlFn pIoctl);
// Devices opened and not yet closed.
uint32_t fakeDev_OpenCount();
