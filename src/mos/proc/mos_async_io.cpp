#include "mos_async_io.h"

#include "mos_debug.h"
#include "mos_mem.h"

#include <cstring>

MosAsyncIOLayer mosAsyncIOLayer_G;

namespace {

template <typename T> T *ownerOf(MosObjEntry *pObj) {
    return reinterpret_cast<T *>(reinterpret_cast<char *>(pObj) - offsetof(T, objEntry));
}

} // namespace

MOS_RC mosAsyncIOLayer_Create(void *pParams) {
    memset(static_cast<void *>(&mosAsyncIOLayer_G), 0, sizeof mosAsyncIOLayer_G);
    mosObjType_RegObjType(&mosAsyncIOLayer_G.ioType, mosAsyncIO_SdbgQuery, nullptr, 10,
                          sizeof(MosAsyncIO_Query));
    mosObjType_RegObjType(&mosAsyncIOLayer_G.fileType, mosAsyncIOFile_SdbgQuery, nullptr, 12,
                          sizeof(MosAsyncIOFile_Query));
    if (pParams != nullptr) {
        memcpy(&mosAsyncIOLayer_G.initParams, pParams, sizeof mosAsyncIOLayer_G.initParams);
        MOS_ASSERT(!mosAsyncIOLayer_G.initParams.bDontUseDirectIo);
    }
    mosAsyncIOLayer_G.ioAlignment = mos_GetPageSize();
    return MOS_RC__SUCCESS;
}

void mosAsyncIOLayer_Destroy() {
    mosAsyncIOLayer_G.ioAlignment = 0;
    mosObjType_UnregObjType(&mosAsyncIOLayer_G.ioType);
    mosObjType_UnregObjType(&mosAsyncIOLayer_G.fileType);
}

void mosAsyncIO_SdbgQuery(MosObjEntry *pObj, const char * /*pName*/, void *pBuf) {
    memcpy(pBuf, &ownerOf<MosAsyncIO>(pObj)->counters, sizeof(MosAsyncIO_Query));
}

void mosAsyncIOFile_SdbgQuery(MosObjEntry *pObj, const char * /*pName*/, void *pBuf) {
    memcpy(pBuf, &ownerOf<MosAsyncIOFile>(pObj)->counters, sizeof(MosAsyncIOFile_Query));
}
