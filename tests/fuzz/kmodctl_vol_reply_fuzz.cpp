// The volume query's reply handling over any record the driver could
// write. Input: version (byte 0, modulo 3), extended flag (byte 1, bit 0),
// a driver failure instead of success (byte 1, bit 1), capacity (byte 2,
// modulo 16), record bytes returned (bytes 3-4, little-endian, at most the
// record size), then the record as the driver left it.
#include "ioctl_interface.h"
#include "kmodctl_volumes.h"

#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t size) {
    if (size < 5) {
        return 0;
    }
    const QorniVolQuery *kQueries[] = {&queryVolumes_V200, &queryVolumes_V201, &queryVolumes_V300};
    const QorniVolQuery &query = *kQueries[pData[0] % 3];
    uint32_t extended = pData[1] & 1;
    MOS_RC rc = (pData[1] & 2) != 0 ? MOS_RC__SDC_IOCTL_ERROR : MOS_RC__SUCCESS;
    uint64_t capacity = pData[2] % 16;
    std::vector<uint8_t> record(sizeof(QorniVolListHeader) + capacity * query.entrySize, 0);
    size_t returned = static_cast<size_t>(pData[3] | (pData[4] << 8));
    returned = returned < record.size() ? returned : record.size();
    size_t bodySize = size - 5 < record.size() ? size - 5 : record.size();
    memcpy(record.data(), pData + 5, bodySize);
    uint64_t growTo = 0;
    MOS_RC result =
        queryVolumes_HandleReply(query, rc, record.data(), returned, capacity, extended, &growTo);
    if (result == MOS_RC__SUCCESS && growTo != 0 && growTo <= capacity) {
        __builtin_trap(); // asks again only for a larger capacity
    }
    return 0;
}
