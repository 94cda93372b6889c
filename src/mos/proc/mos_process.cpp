#include "mos_process.h"

#include "mos_init_params.h"
#include "mos_trace.h"

#include <algorithm>

namespace {

MosFastlock processLock_G;
uint32_t bNvdimmSupported_G;
uint64_t memsetThresholdMs_G = MOS_MEMSET_DEFAULT_MS;
uint64_t memsetThresholdBytes_G = MOS_MEMSET_DEFAULT_BYTES;

} // namespace

MOS_RC mosProcessLayer_Init(void * /*pUnused*/) {
    mosFastlock_Create(&processLock_G);
    return MOS_RC__SUCCESS;
}

void mosProcessLayer_Destroy() {}

MosFastlock *mosProcess_GetLock() {
    return &processLock_G;
}

bool mosNvram_VersionSupportsNvdimm(const OsVersionInfo &info) {
    return info.bWorkstation == 0 && info.major >= 10;
}

MOS_RC mosNvramLayer_Init(void * /*pParams*/) {
    OsVersionInfo info = {};
    if (osSys_GetVersionInfo(&info) && mosNvram_VersionSupportsNvdimm(info)) {
        bNvdimmSupported_G = 1;
    } else {
        MOS_TRACE(MOS_COMP_NV_LST, 1,
                  "Windows detected version is less than windows server 2016, and has no NVDIMM "
                  "support");
    }
    return MOS_RC__SUCCESS;
}

void mosNvramLayer_Destroy() {
    bNvdimmSupported_G = 0;
}

uint32_t mosNvram_IsNvdimmSupported() {
    return bNvdimmSupported_G;
}

MOS_RC mosMemsetLayer_Init(void *pParams) {
    const auto *p = static_cast<const MosMemsetParams *>(pParams);
    if (p != nullptr) {
        memsetThresholdMs_G = std::min(p->mos_memset_threshold_in_milliseconds, MOS_MEMSET_MAX_MS);
        memsetThresholdBytes_G = std::max(p->mos_memset_threshold_in_bytes, MOS_MEMSET_MIN_BYTES);
    }
    return MOS_RC__SUCCESS;
}

uint64_t mosMemset_GetThresholdMs() {
    return memsetThresholdMs_G;
}

uint64_t mosMemset_GetThresholdBytes() {
    return memsetThresholdBytes_G;
}
