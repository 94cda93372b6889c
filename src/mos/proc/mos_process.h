// Small process layers that prepare process-wide settings for the storage
// processes: the process lock, the NVDIMM support flag and the memset
// thresholds. Their users are not part of these programs.
#pragma once

#include "mos_fastlock.h"
#include "mos_rc.h"
#include "os_sys.h"

#include <cstdint>

// Creates the process lock. Always MOS_RC__SUCCESS.
[[nodiscard]] MOS_RC mosProcessLayer_Init(void *pUnused);
void mosProcessLayer_Destroy();
MosFastlock *mosProcess_GetLock();

// Sets the NVDIMM flag when the system supports NVDIMM (a server edition of
// version 10.0 or later); otherwise traces why it does not. Always
// MOS_RC__SUCCESS. pParams (a MosNvramParams or null) is not read.
[[nodiscard]] MOS_RC mosNvramLayer_Init(void *pParams);
void mosNvramLayer_Destroy(); // clears the flag
uint32_t mosNvram_IsNvdimmSupported();
// The rule the layer applies to the reported version.
bool mosNvram_VersionSupportsNvdimm(const OsVersionInfo &info);

inline constexpr uint64_t MOS_MEMSET_DEFAULT_MS = 10;
inline constexpr uint64_t MOS_MEMSET_MAX_MS = 1000;
inline constexpr uint64_t MOS_MEMSET_DEFAULT_BYTES = 8388608;
inline constexpr uint64_t MOS_MEMSET_MIN_BYTES = 1024;

// pParams: a MosMemsetParams {milliseconds, bytes} or null. Stores
// min(milliseconds, 1000) and max(bytes, 1024); null keeps what is stored
// (10 and 8388608 at start). Always MOS_RC__SUCCESS.
[[nodiscard]] MOS_RC mosMemsetLayer_Init(void *pParams);
uint64_t mosMemset_GetThresholdMs();
uint64_t mosMemset_GetThresholdBytes();
