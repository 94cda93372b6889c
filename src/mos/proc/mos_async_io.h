// The asynchronous I/O layer's start-up: its settings, the I/O alignment
// and the debug-port types of asynchronous I/O contexts (10) and files
// (12). The engine that creates contexts and files is not part of these
// programs; a context or file lists itself under its type with its entry.
#pragma once

#include "mos_init_params.h"
#include "mos_obj.h"
#include "mos_rc.h"

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
struct MosAsyncIO_Query {
    uint32_t bDie;
    uint32_t inflights;
    uint32_t maxInflights;
    uint32_t waiters;
    uint32_t thrdNum;
    uint32_t krnLowRsrc;
};
struct MosAsyncIOFile_Query {
    uint32_t fd;
    uint32_t inflights;
    uint32_t maxInflights;
    uint32_t waiters;
    uint32_t maxIoSizeBytes;
};
#pragma pack(pop)
static_assert(sizeof(MosAsyncIO_Query) == 24);
static_assert(offsetof(MosAsyncIO_Query, krnLowRsrc) == 20);
static_assert(sizeof(MosAsyncIOFile_Query) == 20);
static_assert(offsetof(MosAsyncIOFile_Query, maxIoSizeBytes) == 16);
static_assert(sizeof(MosAioParams) == 16);

// A context or file keeps its counters in the layout its query reports.
struct MosAsyncIO {
    MosObjEntry objEntry; // type 10
    MosAsyncIO_Query counters;
};

struct MosAsyncIOFile {
    MosObjEntry objEntry; // type 12
    MosAsyncIOFile_Query counters;
};

struct MosAsyncIOLayer {
    MosObjType ioType;   // type 10
    MosObjType fileType; // type 12
    MosAioParams initParams;
    uint32_t ioAlignment; // the page size while the layer lives, else 0
};
extern MosAsyncIOLayer mosAsyncIOLayer_G;

// pParams: a MosAioParams or null. Direct I/O cannot be turned off:
// bDontUseDirectIo set is a broken invariant. Always MOS_RC__SUCCESS.
[[nodiscard]] MOS_RC mosAsyncIOLayer_Create(void *pParams);
void mosAsyncIOLayer_Destroy();

void mosAsyncIO_SdbgQuery(MosObjEntry *pObj, const char *pName, void *pBuf);
void mosAsyncIOFile_SdbgQuery(MosObjEntry *pObj, const char *pName, void *pBuf);
