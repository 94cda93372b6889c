// Dynamic parameters: the set command and the list query.
#include "kmodctl_params.h"

#include "ioctl_interface.h"
#include "kmodctl_args.h"
#include "kmodctl_list.h"

#include <cstring>

namespace {

constexpr uint64_t kStartCapacity = 64;
constexpr uint32_t kMaxQueries = 12;

} // namespace

MOS_RC setDynParamV200(uint64_t mdmId, const char *pName, uint32_t value) {
    QorniDynParam record = {};
    record.mdmId = mdmId;
    record.value = value;
    kmodctl_CopyTextField(record.name, sizeof(record.name), pName);
    return qorniIntf_SendIoctl(QORNI_CODE__SET_DYN_PARAM, &record, sizeof(record), "SET_DYN_PARAM");
}

void queryDynParams_Print(const uint8_t *pEntries, uint64_t count) {
    qorniIntf_Report(false, "queryDynParamsV200", __LINE__, "Retrieved %llu parameter(s)\n",
                     static_cast<unsigned long long>(count));
    for (uint64_t i = 0; i < count; i++) {
        QorniDynParam param;
        memcpy(&param, pEntries + i * sizeof(param), sizeof(param));
        // A name filling its field has no terminating zero: print at most
        // the field.
        qorniIntf_Report(false, "queryDynParamsV200", __LINE__,
                         "Parameter MDM-ID 0x%.16llx name %.*s value %u\n",
                         static_cast<unsigned long long>(param.mdmId),
                         static_cast<int>(sizeof(param.name)), param.name, param.value);
    }
}

MOS_RC queryDynParamsV200() {
    const KmodctlListQuery query = {
        .shape = {"QUERY_ALL_DYN_PARAMS", sizeof(QorniDynParamListHeader),
                  offsetof(QorniDynParamListHeader, numParams), sizeof(uint64_t),
                  sizeof(QorniDynParam)},
        .code = QORNI_CODE__QUERY_ALL_DYN_PARAMS,
        .startCapacity = kStartCapacity,
        .maxQueries = kMaxQueries,
    };
    return kmodctlList_RunAndPrint(query, "parameters", __func__,
                                   [](const uint8_t *pEntries, uint64_t count, const void *) {
                                       queryDynParams_Print(pEntries, count);
                                   });
}
