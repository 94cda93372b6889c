// Target and LBA information queries.
#include "kmodctl_targets.h"

#include "ioctl_interface.h"
#include "kmodctl_frontend.h"
#include "kmodctl_list.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr uint64_t kStartCapacity = 1024;
constexpr uint32_t kMaxQueries = 12;
constexpr uint64_t kChunkBlocks = 2048; // 1 MB of 512-byte blocks
constexpr uint64_t kBlockBytes = 512;

void fillExtended(uint8_t *pRecord, const void *pContext) {
    memcpy(pRecord + offsetof(QorniTgtListHeader, extended), pContext, sizeof(uint32_t));
}

// One chunk's answer.
void printLbaInfo(const QorniLbaInfo &info) {
    qorniIntf_Report(
        false, "queryLbInfoV200", __LINE__, "Comb 0x%.16llx\nComb Gen %llu\nTgtID 0x%.16llx\n",
        static_cast<unsigned long long>(info.comb), static_cast<unsigned long long>(info.combGen),
        static_cast<unsigned long long>(info.tgtId));
    printAllTgtsIPs(reinterpret_cast<const uint8_t *>(&info) + offsetof(QorniLbaInfo, tgtIps),
                    info.numTgtIps, nullptr, false);
    qorniIntf_Report(false, "queryLbInfoV200", __LINE__,
                     "Tgt start-LBA %d\nMulti-head ID 0x%x\nMulti-head Gen %llu\nRow index "
                     "%d\nHead index %d\n",
                     static_cast<int>(info.tgtStartLba),
                     static_cast<unsigned>(static_cast<uint32_t>(info.comb) >> 15),
                     static_cast<unsigned long long>(info.multiHeadGen),
                     static_cast<int>(info.comb & 0x3FF),
                     static_cast<int>((info.comb >> 10) & 0x1F));
}

// Asks about one block; a reply too short for the answer fails the chunk.
MOS_RC queryOneLba(uint64_t mdmId, uint64_t volId, uint64_t lba, QorniLbaInfo *pInfo) {
    *pInfo = {};
    pInfo->mdmId = mdmId;
    pInfo->volId = volId;
    pInfo->lba = lba;
    size_t returned = 0;
    MOS_RC rc = qorniIntf_SendIoctlEx(QORNI_CODE__GET_LBA_INFO, pInfo, sizeof(*pInfo),
                                      "IOCTL_BLK__GET_LBA_INFO", &returned);
    return rc == MOS_RC__SUCCESS
               ? kmodctl_RequireReply("IOCTL_BLK__GET_LBA_INFO", returned, sizeof(*pInfo))
               : rc;
}

} // namespace

void printAllTgtsIPs(const uint8_t *pAddresses, uint32_t count, const uint8_t *pConn,
                     bool bExtended) {
    if (count > QORNI_TGT_MAX_IPS) {
        QORNI_REPORT_INFO("ilegal number of Tgt IPs %d", static_cast<int>(count));
        kmodctl_Exit(1);
    }
    QorniTgtConnInfo conn = {};
    if (bExtended) {
        memcpy(&conn, pConn, sizeof(conn));
        QORNI_REPORT_INFO("Total InflightIOs %u, Total  bytesInflight %u \n", conn.totalInflightIOs,
                          conn.totalBytesInflight);
        QORNI_REPORT_INFO("ChannelID %d, channel establish required %d, #channel establish "
                          "failures %d, #IOs waiting for channel establish  %d\n",
                          static_cast<int>(conn.channelId),
                          static_cast<int>(conn.channelEstablishRequired),
                          static_cast<int>(conn.channelEstablishFailures),
                          static_cast<int>(conn.iosWaitingForChannel));
    } else {
        QORNI_REPORT_INFO("Tgt IPs : ");
    }
    printAllIPs(pAddresses, static_cast<int32_t>(count),
                reinterpret_cast<const uint8_t *>(conn.ipConn), bExtended);
    if (!bExtended) {
        QORNI_REPORT_INFO("\n");
    }
}

void queryTgts_Print(const uint8_t *pEntries, uint64_t count, uint32_t extended) {
    qorniIntf_Report(false, "queryTgtsV200", __LINE__, "Retrieved %llu tgt(s)\n",
                     static_cast<unsigned long long>(count));
    for (uint64_t i = 0; i < count; i++) {
        const uint8_t *pEntry = pEntries + i * sizeof(QorniTgtInfo);
        QorniTgtInfo tgt;
        memcpy(&tgt, pEntry, sizeof(tgt));
        qorniIntf_Report(false, "queryTgtsV200", __LINE__, "TGT-ID 0x%.16llx MDM-ID 0x%.16llx ",
                         static_cast<unsigned long long>(tgt.tgtId),
                         static_cast<unsigned long long>(tgt.mdmId));
        printAllTgtsIPs(pEntry + offsetof(QorniTgtInfo, ips), tgt.numIps,
                        pEntry + offsetof(QorniTgtInfo, conn), extended != 0);
    }
}

MOS_RC queryTgtsV200(uint32_t extended) {
    const KmodctlListQuery query = {
        .shape = {"IOCTL_BLK__GET_TGT_INFO", sizeof(QorniTgtListHeader),
                  offsetof(QorniTgtListHeader, numTgts), sizeof(uint64_t), sizeof(QorniTgtInfo)},
        .code = QORNI_CODE__GET_TGT_INFO,
        .startCapacity = kStartCapacity,
        .maxQueries = kMaxQueries,
        .pFill = fillExtended,
        .pContext = &extended,
    };
    return kmodctlList_RunAndPrint(
        query, "TGTs", __func__, [](const uint8_t *pEntries, uint64_t count, const void *pContext) {
            queryTgts_Print(pEntries, count, *static_cast<const uint32_t *>(pContext));
        });
}

uint64_t queryLbInfo_NumChunks(uint64_t startLba, uint64_t ioSizeBytes) {
    // Counted from the start's chunk so that nothing wraps: the offset in
    // the chunk is below 2048 and the blocks below 2^55.
    uint64_t blocks = ioSizeBytes / kBlockBytes + (ioSizeBytes % kBlockBytes != 0 ? 1 : 0);
    return (startLba % kChunkBlocks + blocks + kChunkBlocks - 1) / kChunkBlocks;
}

MOS_RC queryLbInfo_CountChunks(uint64_t startLba, uint64_t ioSizeBytes, uint64_t *pChunks) {
    *pChunks = queryLbInfo_NumChunks(startLba, ioSizeBytes);
    // One driver call per chunk: a longer walk would run for years.
    if (*pChunks <= QORNI_LB_INFO_MAX_CHUNKS) {
        return MOS_RC__SUCCESS;
    }
    qorniIntf_Report(true, "queryLbInfoV200", __LINE__,
                     "Error: %llu bytes from LBA %llu span %llu chunks of 1 MB, more than %u\n",
                     static_cast<unsigned long long>(ioSizeBytes),
                     static_cast<unsigned long long>(startLba),
                     static_cast<unsigned long long>(*pChunks), QORNI_LB_INFO_MAX_CHUNKS);
    return MOS_RC__INVALID_ARG;
}

MOS_RC queryLbInfoV200(uint64_t mdmId, uint64_t volId, uint64_t startLba, uint64_t ioSizeBytes) {
    uint64_t chunks = 0;
    if (MOS_RC rc = queryLbInfo_CountChunks(startLba, ioSizeBytes, &chunks);
        rc != MOS_RC__SUCCESS) {
        return rc;
    }
    MOS_RC result = MOS_RC__SUCCESS;
    uint64_t lba = startLba;
    for (uint64_t i = 0; i < chunks; i++) {
        QORNI_REPORT_INFO("%llu. Information for LBA %llu (0x%llx MB) volID 0x%.16llu:\n",
                          static_cast<unsigned long long>(i), static_cast<unsigned long long>(lba),
                          static_cast<unsigned long long>(lba / kChunkBlocks),
                          static_cast<unsigned long long>(volId));
        fflush(stdout);
        QorniLbaInfo info;
        MOS_RC rc = queryOneLba(mdmId, volId, lba, &info);
        if (rc == MOS_RC__SUCCESS) {
            printLbaInfo(info);
        } else {
            if (rc == MOS_RC__INVALID) {
                QORNI_REPORT_ERROR("Failure reason: Either the block index is out of range or "
                                   "the relevant volume is in error state\n");
                fflush(stderr);
            }
            QORNI_REPORT_INFO("IOCTL failed!\n");
            result = rc;
        }
        QORNI_REPORT_INFO("====================\n");
        lba = (lba + kChunkBlocks) & ~(kChunkBlocks - 1);
    }
    return result;
}
