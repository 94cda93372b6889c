// The counter-table printer over arbitrary entry bytes, as the driver
// control tool hands it the entries of a client driver's reply: whole
// 64-byte entries, texts that need not end within their fields.
#include "mos_diag_counters.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t size) {
    static FILE *pSink = freopen("/dev/null", "w", stdout); // the table itself is not checked
    (void)pSink;
    std::vector<MosDiagCounterExtEntry> entries(size / sizeof(MosDiagCounterExtEntry));
    if (!entries.empty()) {
        memcpy(entries.data(), pData, entries.size() * sizeof(MosDiagCounterExtEntry));
    }
    MosDiagCountersQuery query{};
    query.count = static_cast<uint32_t>(entries.size());
    query.pEntries = entries.data();
    mosDiagCounters_PrintQuery(&query, "TITLE", "\t", false);
    mosDiagCounters_PrintQuery(&query, nullptr, nullptr, true);
    return 0;
}
