#include "mos_sys_utils.h"

#include "mos_assert_text.h"
#include "mos_mem.h"
#include "os_mem.h"
#include "os_sys.h"
#include "os_thread.h"

namespace {

typedef uintptr_t UINTP;

// One checked protection change; the panic names the calling operation.
void protect(void *pMem, uint64_t size, OsMemProt prot, const char *pCaller) {
    uint32_t pageSize = osMem_GetPageSize();
    if (((UINTP)pMem % pageSize) != 0) {
        mosDbg_Panic("", __FILE__, pCaller, "((UINTP)pMem % pageSize) == 0", "", __LINE__);
        mosDbg_AssertExit();
    }
    bool bRC = osMem_Protect(pMem, size, prot);
    if (!bRC) {
        mosDbg_Panic("", __FILE__, pCaller, "bRC", "", __LINE__);
        mosDbg_AssertExit();
    }
}

} // namespace

void mos_MarkPageAvailable(void *pMem) {
    protect(pMem, osMem_GetPageSize(), OsMemProt::ReadWrite, __func__);
}

void mos_MarkPageNotAvailable(void *pMem) {
    protect(pMem, osMem_GetPageSize(), OsMemProt::NoAccess, __func__);
}

void mos_MarkRegionAvailable(void *pMem, uint64_t size) {
    protect(pMem, size, OsMemProt::ReadWrite, __func__);
}

void mos_MarkRegionNotAvailable(void *pMem, uint64_t size) {
    protect(pMem, size, OsMemProt::NoAccess, __func__);
}

void mos_MarkRegionReadOnly(void *pMem, uint64_t size) {
    protect(pMem, size, OsMemProt::ReadOnly, __func__);
}

void mos_MarkRegionReadWrite(void *pMem, uint64_t size) {
    protect(pMem, size, OsMemProt::ReadWrite, __func__);
}

void *mos_VirtualAllocLarge(uint64_t size) {
    mosUtils_CountPageAllocation();
    uint64_t largeMin = osMem_GetLargePageMinimum();
    if (largeMin != 0 && size >= largeMin / 2) {
        uint64_t largeSize = (size + largeMin - 1) / largeMin * largeMin;
        void *pMem = osMem_LargePagesAlloc(largeSize);
        if (pMem != nullptr) {
            return pMem;
        }
    }
    return osMem_PagesAlloc(size);
}

void mos_VirtualFree(void *pMem) {
    osMem_PagesFree(pMem);
}

uint32_t mos_GetSystemPageSize() {
    return osMem_GetPageSize();
}

uint32_t mos_Rand() {
    uint32_t value = 0;
    int err = osSys_Random(&value);
    MOS_ASSERT(err == 0);
    return value;
}

void mos_NanoSleep(uint64_t nanoseconds) {
    uint64_t ms = nanoseconds / 1000000;
    osThread_SleepMs(ms > 0xFFFFFFFEull ? 0xFFFFFFFEu : static_cast<uint32_t>(ms));
}

MOS_RC osTicks_GetRate(uint64_t *pFactor, uint32_t *pbFixedPoint) {
    *pFactor = 1;
    *pbFixedPoint = 0;
    return MOS_RC__SUCCESS;
}

#include "mos_mem.h"
#include "mos_trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

MosRestrictedACL restrictedMode_G;

// Releases what the record holds and zero-fills it.
void releaseRestricted(MosRestrictedACL *pRecord) {
    if (pRecord->pAdminSid != nullptr) {
        osSys_FreeSid(pRecord->pAdminSid);
    }
    if (pRecord->pSystemSid != nullptr) {
        osSys_FreeSid(pRecord->pSystemSid);
    }
    if (pRecord->pACL != nullptr) {
        osSys_FreeAcl(pRecord->pACL);
    }
    if (pRecord->pSecurityDescriptor != nullptr) {
        mos_MemFreeBare(pRecord->pSecurityDescriptor);
    }
    memset(pRecord, 0, sizeof *pRecord);
}

void *mos_CreateRestrictedModeDescriptor(void *pACL) {
    if (pACL == nullptr) {
        MOS_TRACE(MOS_COMP_MOS, 1, "WARNING: Failed - invalid ACL");
        return nullptr;
    }
    void *pDescriptor = mos_MemCallocBare(MOS_SECURITY_DESCRIPTOR_MIN_LENGTH, MOS_MEM_MAX_SIZE,
                                          "mos_CreateRestrictedModeDescriptor", true);
    if (pDescriptor == nullptr) {
        MOS_TRACE(MOS_COMP_MOS, 1, "WARNING: Failed to allocate security descriptor");
        return nullptr;
    }
    if (!osSys_InitSecurityDescriptor(pDescriptor, pACL)) {
        mos_MemFreeBare(pDescriptor);
        return nullptr;
    }
    return pDescriptor;
}

} // namespace

MOS_RC mos_CreateRestrictedModeACL(MosRestrictedACL *pRestrcitedACL) {
    MOS_ASSERT(((void *)0) == pRestrcitedACL->pACL);
    memset(pRestrcitedACL, 0, sizeof *pRestrcitedACL);
    uint32_t err = osSys_AllocSid(OsWellKnownSid::Administrators, &pRestrcitedACL->pAdminSid);
    if (err != 0) {
        MOS_TRACE(MOS_COMP_MOS, 1, "WARNING: Failed to allocate admins SID. Error: %d",
                  static_cast<int>(err));
        return MOS_RC__ERROR;
    }
    err = osSys_AllocSid(OsWellKnownSid::LocalSystem, &pRestrcitedACL->pSystemSid);
    if (err != 0) {
        MOS_TRACE(MOS_COMP_MOS, 1, "WARNING: Failed to allocate system SID. Error: %d",
                  static_cast<int>(err));
        releaseRestricted(pRestrcitedACL);
        return MOS_RC__ERROR;
    }
    err = osSys_BuildAcl(pRestrcitedACL->pAdminSid, pRestrcitedACL->pSystemSid,
                         &pRestrcitedACL->pACL);
    if (err != 0) {
        MOS_TRACE(MOS_COMP_MOS, 1, "WARNING: Failed to create new ACL (%d)", static_cast<int>(err));
        releaseRestricted(pRestrcitedACL);
        return MOS_RC__ERROR;
    }
    pRestrcitedACL->pSecurityDescriptor = mos_CreateRestrictedModeDescriptor(pRestrcitedACL->pACL);
    if (pRestrcitedACL->pSecurityDescriptor == nullptr) {
        MOS_TRACE(MOS_COMP_MOS, 1, "WARNING: Failed to create security descriptor");
        releaseRestricted(pRestrcitedACL);
        return MOS_RC__ERROR;
    }
    pRestrcitedACL->securityAttributes = {sizeof(MosSecurityAttributes),
                                          pRestrcitedACL->pSecurityDescriptor, 0};
    return MOS_RC__SUCCESS;
}

void mos_DestroyRestrictedModeACL(MosRestrictedACL *pRestrcitedACL) {
    releaseRestricted(pRestrcitedACL);
}

void mos_ClearRestrictedModeRecord() {
    memset(&restrictedMode_G, 0, sizeof restrictedMode_G);
}

MOS_RC mos_InitRestrictedMode() {
    return mos_CreateRestrictedModeACL(&restrictedMode_G);
}

void mos_FreeRestrictedMode() {
    releaseRestricted(&restrictedMode_G);
}

const MosRestrictedACL *mos_GetRestrictedMode() {
    return &restrictedMode_G;
}

MOS_RC mos_FullFileNameSetRestrictedMode(const char *pPath) {
    // Without the process-wide list the platform call fails on its null
    // list; the stand-in is told so the same way.
    uint32_t err = restrictedMode_G.pACL == nullptr
                       ? 87 // ERROR_INVALID_PARAMETER
                       : osSys_SetFileAcl(pPath, restrictedMode_G.pACL);
    if (err != 0) {
        MOS_TRACE(MOS_COMP_MOS, 1,
                  "WARNING: Failed to set security descriptor in file '%s'. Error: %d\n", pPath,
                  static_cast<int>(err));
        return MOS_RC__ERROR;
    }
    return MOS_RC__SUCCESS;
}

MOS_RC mos_GetAvailableDiskSpace(const char *pDirectory, uint64_t *pFreeBytes) {
    uint32_t err = osSys_GetFreeDiskBytes(pDirectory, pFreeBytes);
    if (err != 0) {
        MOS_TRACE(MOS_COMP_MOS, 1,
                  "WARNING: Failed to get file system information for %s. Error: %d", pDirectory,
                  static_cast<int>(err));
        return MOS_RC__ERROR;
    }
    return MOS_RC__SUCCESS;
}

static MOS_RC mos_GetProcessMemUsage(uint64_t *pBytes) {
    uint32_t err = osSys_GetProcessCommitBytes(pBytes);
    if (err != 0) {
        MOS_TRACE(MOS_COMP_MOS, 1,
                  "WARNING: Failed to get memory counters for this process. Error: %d",
                  static_cast<int>(err));
        return MOS_RC__ERROR;
    }
    return MOS_RC__SUCCESS;
}

MOS_RC mos_GetEstimatedCoreSize(uint64_t *pCoreBytes) {
    uint64_t commitBytes = 0;
    if (mos_GetProcessMemUsage(&commitBytes) != MOS_RC__SUCCESS) {
        MOS_TRACE(MOS_COMP_MOS, 1, "WARNING: Failed to get used memory");
        return MOS_RC__ERROR;
    }
    *pCoreBytes = commitBytes + 209715200ull;
    return MOS_RC__SUCCESS;
}

MOS_RC mos_GetThreadGroupAffinityMask(uint64_t *pMask) {
    return osSys_GetThreadGroupAffinity(pMask) ? MOS_RC__SUCCESS : MOS_RC__ERROR;
}

void mos_SetDefaultAffinityMask(uint64_t *pMask) {
    *pMask = ~uint64_t{0};
}

MOS_RC mos_SetThreadGroup(uint16_t group) {
    return osSys_SetThreadGroup(group) ? MOS_RC__SUCCESS : MOS_RC__ERROR;
}

uint16_t mos_GetAnsiColorCode(uint32_t color) {
    static const uint16_t attributes[] = {0, 12, 10, 14, 9, 13, 11, 8};
    if (color >= sizeof attributes / sizeof attributes[0]) {
        ALWAYS_ASSERT();
    }
    return attributes[color];
}

int mos_ColorPrintf(uint32_t color, const char *pFormat, ...) {
    // First-call set-up is unsynchronised: the one caller prints from one
    // thread.
    static bool bInitialised = false;
    static bool bTerminal = false;
    if (!bInitialised) {
        bTerminal = osSys_StdoutIsTerminal();
        osSys_ConsoleSaveAttr();
        bInitialised = true;
    }
    va_list args;
    va_start(args, pFormat);
    int result;
    if (!bTerminal || color == MOS_COLOR_NONE) {
        result = vprintf(pFormat, args);
    } else {
        fflush(stdout);
        osSys_ConsoleSetAttr(mos_GetAnsiColorCode(color));
        result = vprintf(pFormat, args);
        fflush(stdout);
        osSys_ConsoleRestoreAttr();
        fflush(stdout);
    }
    va_end(args);
    return result;
}
