#include "dport_proto.h"

#include <array>

namespace {

constexpr uint32_t kMaxTypeId = 175;

constexpr std::array<uint32_t, kMaxTypeId + 1> buildQuerySizes() {
    std::array<uint32_t, kMaxTypeId + 1> sizes{};
#define SDBG_OBJ_TYPE(id, name, queryClass, querySize) sizes[id] = (querySize);
#include "sdbg_obj_types.def"
#undef SDBG_OBJ_TYPE
    return sizes;
}

constexpr std::array<uint32_t, kMaxTypeId + 1> kQuerySizes = buildQuerySizes();

constexpr uint64_t kRecordOverhead = sizeof(SdbgObjRecordHeader);

} // namespace

uint32_t sdbg_GetObjQuerySize(uint32_t typeId) {
    return typeId <= kMaxTypeId ? kQuerySizes[typeId] : 0;
}

uint64_t sdbg_GetResponseSize64(uint32_t reqType, const uint32_t *pTypeIds, uint32_t count) {
    switch (reqType) {
        case SDBG_REQ_TYPE__OBJ_COUNT:
        case SDBG_REQ_TYPE__SERVER_TYPE:
            return 8;
        case SDBG_REQ_TYPE__ALL_OBJS:
            // status, count, records, trailer
            return uint64_t{count} * (sdbg_GetObjQuerySize(pTypeIds[0]) + kRecordOverhead) + 8 +
                   sizeof(SdbgObjListTrailer);
        case SDBG_REQ_TYPE__OBJS_BY_INDEX: {
            // status, records, trailer
            uint64_t size = 4 + sizeof(SdbgObjListTrailer) + kRecordOverhead * count;
            for (uint32_t i = 0; i < count; ++i) {
                size += sdbg_GetObjQuerySize(pTypeIds[i]);
            }
            return size;
        }
        case SDBG_REQ_TYPE__UNSUPPORTED:
        case SDBG_REQ_TYPE__OBJ_COMMAND:
            return 4;
        default:
            return 0;
    }
}

uint32_t sdbg_GetResponseSize(uint32_t reqType, const uint32_t *pTypeIds, uint32_t count) {
    uint64_t size = sdbg_GetResponseSize64(reqType, pTypeIds, count);
    return size > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(size);
}
