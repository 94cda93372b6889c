// Trace-frequency commands of kmodctl: setting the driver's frequency map,
// the frequency of every component or of one, and showing them.
#pragma once

#include "mos_rc.h"
#include "qorni_protocol.h"

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

// Modes of the set record.
enum QorniTraceFreqMode : uint32_t {
    QORNI_TRACE_FREQ__MAP = 0,
    QORNI_TRACE_FREQ__ONE = 1,
    QORNI_TRACE_FREQ__ALL = 2,
};

// IOCTL__SET_TRACE_FREQUENCY. Texts are zero-padded; one as long as its
// field fills it without a terminating zero.
struct QorniSetTraceFreqRecord {
    QorniCmdRecordHeader hdr;
    uint32_t mode;
    char component[32];
    char freqMap[65];
    char freq[16];
};
static_assert(sizeof(QorniSetTraceFreqRecord) == 125);
static_assert(offsetof(QorniSetTraceFreqRecord, mode) == 8);
static_assert(offsetof(QorniSetTraceFreqRecord, component) == 12);
static_assert(offsetof(QorniSetTraceFreqRecord, freqMap) == 44);
static_assert(offsetof(QorniSetTraceFreqRecord, freq) == 109);

// QUERY_TRACE_FREQUENCY: this header, then capacity QorniTraceCompFreq.
struct QorniTraceFreqListHeader {
    QorniCmdRecordHeader hdr;
    uint64_t numComponents; // in: capacity; out: the driver's count
    char freqMap[65];
};
static_assert(sizeof(QorniTraceFreqListHeader) == 81);
static_assert(offsetof(QorniTraceFreqListHeader, freqMap) == 16);

struct QorniTraceCompFreq {
    char component[32];
    char freq[16];
};
static_assert(sizeof(QorniTraceCompFreq) == 48);

#pragma pack(pop)

// The set handlers at v2.00 (modes 0, 2 and 1).
[[nodiscard]] MOS_RC setTraceFreqMapV200(const char *pMap);
[[nodiscard]] MOS_RC setAllTraceFreqV200(const char *pFreq);
[[nodiscard]] MOS_RC setTraceFreqV200(const char *pComponent, const char *pFreq);

// QUERY_TRACE_FREQ at v2.00: the component table and the map. Never ends
// the run: no memory or a count still growing after nine queries give
// MOS_RC__ERROR.
[[nodiscard]] MOS_RC queryTraceFreqV200();

// The --set_all_trace_components_freq command.
[[nodiscard]] MOS_RC setAllTraceComponentsFreq(const char *pFreq);

// Prints a checked reply: its header and count entries after it.
void printTraceConfiguration(const uint8_t *pRecord, uint64_t count);
