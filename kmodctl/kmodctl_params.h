// Dynamic parameters of kmodctl: setting one named value of the driver
// (driver-wide or per MDM) and listing them all.
#pragma once

#include "mos_rc.h"
#include "qorni_protocol.h"

#include <cstddef>
#include <cstdint>

inline constexpr size_t QORNI_DYN_PARAM_NAME_SIZE = 56;

#pragma pack(push, 1)

// The SET_DYN_PARAM record and one entry of the list (whose first 8
// bytes are not read).
struct QorniDynParam {
    QorniCmdRecordHeader hdr;
    uint64_t mdmId;                       // 0: the driver-wide value
    char name[QORNI_DYN_PARAM_NAME_SIZE]; // zero-padded; unterminated at 56 characters
    uint32_t value;
};
static_assert(sizeof(QorniDynParam) == 76);
static_assert(offsetof(QorniDynParam, mdmId) == 8);
static_assert(offsetof(QorniDynParam, name) == 16);
static_assert(offsetof(QorniDynParam, value) == 72);

// QUERY_ALL_DYN_PARAMS: this header, then capacity QorniDynParam.
struct QorniDynParamListHeader {
    QorniCmdRecordHeader hdr;
    uint64_t numParams; // in: capacity; out: the driver's count
};
static_assert(sizeof(QorniDynParamListHeader) == 16);

#pragma pack(pop)

// SET_DYN_PARAM at v2.00; prints nothing.
[[nodiscard]] MOS_RC setDynParamV200(uint64_t mdmId, const char *pName, uint32_t value);

// QUERY_DYN_PARAMS at v2.00: lists and prints the parameters.
[[nodiscard]] MOS_RC queryDynParamsV200();

// Prints count checked entries at pEntries.
void queryDynParams_Print(const uint8_t *pEntries, uint64_t count);
