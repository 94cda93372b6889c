// Small platform services of the runtime library: page protection,
// large-page memory, the page size, secure random numbers, sleeping in
// nanoseconds and the tick rate; the restricted-access list that log files
// receive, disk space and the estimated crash-dump size, processor-group
// affinity and coloured console output.
#pragma once

#include "mos_rc.h"

#include <cstdint>

// Page protection. Each checks that pMem is a multiple of the page size
// and treats a failed change as a broken invariant.
void mos_MarkPageAvailable(void *pMem);                     // read-write, one page
void mos_MarkPageNotAvailable(void *pMem);                  // no access, one page
void mos_MarkRegionAvailable(void *pMem, uint64_t size);    // read-write
void mos_MarkRegionNotAvailable(void *pMem, uint64_t size); // no access
void mos_MarkRegionReadOnly(void *pMem, uint64_t size);     // read-only
void mos_MarkRegionReadWrite(void *pMem, uint64_t size);    // read-write

// Committed read-write memory, on large pages when the size is at least
// half the large-page minimum (then rounded up to a multiple of it) and the
// process may use them; otherwise, or when that fails, an ordinary commit
// of the size asked. Null when the ordinary commit fails.
void *mos_VirtualAllocLarge(uint64_t size);

// Releases a whole region from mos_VirtualAllocLarge.
void mos_VirtualFree(void *pMem);

// The platform page size.
uint32_t mos_GetSystemPageSize();

// A number from the platform's secure generator; a generator failure is a
// broken invariant.
uint32_t mos_Rand();

// Sleeps nanoseconds / 1,000,000 whole milliseconds; below one millisecond
// it only gives up the rest of the time slice.
void mos_NanoSleep(uint64_t nanoseconds);

// The tick source counts milliseconds: factor 1, not fixed-point.
[[nodiscard]] MOS_RC osTicks_GetRate(uint64_t *pFactor, uint32_t *pbFixedPoint);

// Object-creation security attributes, laid out as Win32's
// SECURITY_ATTRIBUTES.
struct MosSecurityAttributes {
    uint32_t nLength; // 24
    void *pSecurityDescriptor;
    uint32_t bInheritHandle; // 0
};
static_assert(sizeof(MosSecurityAttributes) == 24);

// The restricted-mode record: an access list granting everything to the
// administrators (S-1-5-32-544) and to local system (S-1-5-18) alone, the
// descriptor carrying it and attributes for creating objects with it.
struct MosRestrictedACL {
    void *pAdminSid;
    void *pSystemSid;
    void *pACL;
    void *pSecurityDescriptor; // 40 zero-filled bytes
    MosSecurityAttributes securityAttributes;
};

inline constexpr uint32_t MOS_SECURITY_DESCRIPTOR_MIN_LENGTH = 40;

// Builds the record (whose pACL must be null). MOS_RC__SUCCESS, or
// MOS_RC__ERROR with the record released and zero-filled.
[[nodiscard]] MOS_RC mos_CreateRestrictedModeACL(MosRestrictedACL *pRestrcitedACL);

// Frees what the record holds and zero-fills it.
void mos_DestroyRestrictedModeACL(MosRestrictedACL *pRestrcitedACL);

// The process-wide record: zero-filled, built, released.
void mos_ClearRestrictedModeRecord();
[[nodiscard]] MOS_RC mos_InitRestrictedMode();
void mos_FreeRestrictedMode();
const MosRestrictedACL *mos_GetRestrictedMode();

// Gives the named file the process-wide access list (owner, group and
// audit list kept). MOS_RC__ERROR when that fails or the list was not built.
[[nodiscard]] MOS_RC mos_FullFileNameSetRestrictedMode(const char *pPath);

// Free bytes available to the calling user on the directory's volume.
[[nodiscard]] MOS_RC mos_GetAvailableDiskSpace(const char *pDirectory, uint64_t *pFreeBytes);

// The process's committed private memory plus 200 MiB: what a crash dump
// of it is expected to take.
[[nodiscard]] MOS_RC mos_GetEstimatedCoreSize(uint64_t *pCoreBytes);

// The calling thread's group affinity mask; MOS_RC__ERROR (nothing
// written) when it cannot be read.
[[nodiscard]] MOS_RC mos_GetThreadGroupAffinityMask(uint64_t *pMask);

// Stores all ones (every processor).
void mos_SetDefaultAffinityMask(uint64_t *pMask);

// Binds the calling thread to the processor group, all its processors.
[[nodiscard]] MOS_RC mos_SetThreadGroup(uint16_t group);

// Colour codes of mos_ColorPrintf.
enum MosColor : uint32_t {
    MOS_COLOR_NONE = 0,
    MOS_COLOR_RED = 1,
    MOS_COLOR_GREEN = 2,
    MOS_COLOR_YELLOW = 3,
    MOS_COLOR_BLUE = 4,
    MOS_COLOR_MAGENTA = 5,
    MOS_COLOR_CYAN = 6,
    MOS_COLOR_GREY = 7,
};

// The console text attribute of a colour code; a code above 7 is a
// broken invariant.
uint16_t mos_GetAnsiColorCode(uint32_t color);

// printf to standard output in the colour of the code. On a terminal the
// colour is set before and the previous one restored after; redirected
// output and code 0 get the plain text. Returns printf's result.
int mos_ColorPrintf(uint32_t color, const char *pFormat, ...) __attribute__((format(printf, 2, 3)));
