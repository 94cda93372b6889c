// Linux stand-in for COM's GUID generation: 16 random bytes from the
// kernel, marked as a version-4 GUID as CoCreateGuid's are (version in
// the high nibble of byte 7, Data3 being little-endian; variant in byte 8).
#include "kmodctl_guid.h"

#include <cerrno>
#include <sys/random.h>

MOS_RC osGuid_Create(uint8_t *pGuid, uint32_t *pOsError) {
    *pOsError = 0;
    size_t got = 0;
    while (got < QORNI_GUID_BYTES) {
        ssize_t n = getrandom(pGuid + got, QORNI_GUID_BYTES - got, 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            *pOsError = static_cast<uint32_t>(errno);
            return MOS_RC__ERROR;
        }
        got += static_cast<size_t>(n);
    }
    pGuid[7] = static_cast<uint8_t>((pGuid[7] & 0x0F) | 0x40);
    pGuid[8] = static_cast<uint8_t>((pGuid[8] & 0x3F) | 0x80);
    return MOS_RC__SUCCESS;
}
