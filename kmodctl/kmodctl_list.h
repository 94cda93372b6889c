// The growing list queries of kmodctl: a record of a fixed header and
// capacity entries, sent with the capacity in its count field and sent
// again, larger, while the driver reports more entries than fit.
//
// Replies are driver input: a count beyond what one I/O control can carry
// or a reply too short for the entries it announces fails the command
// (MOS_RC__SDC_IOCTL_ERROR); nothing past the bytes the driver wrote is
// read as an entry.
#pragma once

#include "mos_rc.h"

#include <cstddef>
#include <cstdint>

// Where a list record keeps its count and its entries.
struct KmodctlListShape {
    const char *pRequestName;
    size_t headerSize;  // bytes before entry 0
    size_t countOffset; // the count field (in: capacity; out: the driver's count)
    size_t countWidth;  // 4 or 8 bytes
    size_t entrySize;
};

// The largest capacity whose record still fits one I/O control.
[[nodiscard]] uint64_t kmodctlList_MaxCapacity(const KmodctlListShape &shape);

// Checks one reply to a query of the given capacity: pRecord is the whole
// record (header and capacity entries), rc the send's result and
// recordReturned the record bytes the driver wrote. Returns the driver's
// failure unchanged; with MOS_RC__SUCCESS either *pGrowTo is 0 and *pCount
// entries are in the record, or *pGrowTo is the count the driver wants
// room for (larger than capacity). A short or impossible reply is
// reported and gives MOS_RC__SDC_IOCTL_ERROR.
[[nodiscard]] MOS_RC kmodctlList_CheckReply(const KmodctlListShape &shape, MOS_RC rc,
                                            const uint8_t *pRecord, size_t recordReturned,
                                            uint64_t capacity, uint64_t *pCount, uint64_t *pGrowTo);

struct KmodctlListQuery;

// Sends one list record; *pReturned gets the record bytes written back.
using KmodctlListSendFn = MOS_RC (*)(const KmodctlListQuery &query, uint8_t *pRecord,
                                     size_t recordSize, size_t *pReturned);

// One command's list query.
struct KmodctlListQuery {
    KmodctlListShape shape;
    uint32_t code;
    uint64_t startCapacity;
    uint32_t maxQueries;
    bool bDoubles; // grow by doubling instead of to the driver's count
    // Writes the fields other than the count before each send (may be null).
    void (*pFill)(uint8_t *pRecord, const void *pContext);
    const void *pContext;
    KmodctlListSendFn pSend; // null: the current protocol
};

// The outcome of kmodctlList_Run. Owns the last record.
struct KmodctlList {
    uint8_t *pRecord = nullptr;
    uint64_t capacity = 0; // of the last record
    uint64_t count = 0;    // entries in it, when the result is MOS_RC__SUCCESS
    bool bNoMemory = false;
    bool bTooManyQueries = false; // still growing after maxQueries
    KmodctlList() = default;
    KmodctlList(const KmodctlList &) = delete;
    KmodctlList &operator=(const KmodctlList &) = delete;
    ~KmodctlList();
    [[nodiscard]] const uint8_t *entry(const KmodctlListShape &shape, uint64_t i) const {
        return pRecord + shape.headerSize + i * shape.entrySize;
    }
};

// Runs the query. MOS_RC__SUCCESS: pList holds count entries. On
// MOS_RC__ERROR one of bNoMemory and bTooManyQueries tells why (with
// capacity the one last asked for); the caller reports it, as each
// command words it. Any other code is the send's or the check's failure.
[[nodiscard]] MOS_RC kmodctlList_Run(const KmodctlListQuery &query, KmodctlList *pList);

// For the commands that end the run at the list's limits: when the last
// record could not be allocated or the list still grew after the last
// query, reports "Error allocating memory for %u <noun>" or "Too many
// query iterations. Already at %u <noun>" (under pFunc) and exits with 1.
void kmodctlList_ExitAtLimits(const KmodctlList &list, const char *pNoun, const char *pFunc);

// Prints the count entries of a list that fitted; pContext is the query's.
using KmodctlListPrintFn = void (*)(const uint8_t *pEntries, uint64_t count, const void *pContext);

// Runs the query of a command that ends the run at the list's limits
// (kmodctlList_ExitAtLimits with pNoun and pFunc) and, on success, prints
// the entries. Returns the query's result.
[[nodiscard]] MOS_RC kmodctlList_RunAndPrint(const KmodctlListQuery &query, const char *pNoun,
                                             const char *pFunc, KmodctlListPrintFn print);

// MOS_RC__SUCCESS when the driver returned the needed bytes of a fixed
// record; otherwise reports the short reply and gives
// MOS_RC__SDC_IOCTL_ERROR.
[[nodiscard]] MOS_RC kmodctl_RequireReply(const char *pRequestName, size_t recordReturned,
                                          size_t recordNeeded);

// Reads a little-endian field of 4 or 8 bytes (unaligned).
[[nodiscard]] uint64_t kmodctl_ReadUnsigned(const uint8_t *p, size_t width);
