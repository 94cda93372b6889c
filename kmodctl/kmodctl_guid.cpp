// Initiator GUID commands and the GUID text formatter.
#include "kmodctl_guid.h"

#include "ioctl_interface.h"
#include "kmodctl_args.h"
#include "kmodctl_frontend.h"
#include "kmodctl_handlers.h"
#include "kmodctl_list.h"
#include "mos_utils.h"

#include <cstring>

namespace {

void printGuid(const uint8_t *pGuid, uint32_t magicNumber, uint32_t timeStamp, uint32_t extended,
               const char *pFunc) {
    char text[KMODCTL_GUID_TEXT_SIZE];
    (void)guidToString(pGuid, text, sizeof(text));
    qorniIntf_Report(false, pFunc, __LINE__, "%s\n", text);
    if (extended != 0) {
        qorniIntf_Report(false, pFunc, __LINE__,
                         "Network identification:\n\tMagic number: %u\n\tTime stamp: %u\n",
                         magicNumber, timeStamp);
    }
}

// The GUID to set, from the text given or newly generated.
void chooseGuid(bool bGuidGiven, const char *pGuidText, uint8_t *pGuid, char *pText) {
    if (bGuidGiven) {
        MOS_RC rc = mos_StrToUuidNoAssert(pGuidText, pGuid);
        if (rc != MOS_RC__SUCCESS) {
            qorniIntf_Report(true, "setIniGuid", __LINE__, "Error (%d) parsing GUID %s\n",
                             static_cast<int>(rc), pGuidText);
            exitWithUsage();
        }
        (void)guidToString(pGuid, pText, KMODCTL_GUID_TEXT_SIZE);
        return;
    }
    uint32_t osError = 0;
    if (osGuid_Create(pGuid, &osError) != MOS_RC__SUCCESS) {
        qorniIntf_Report(true, "setIniGuid", __LINE__, "Failed to generate a GUID (error 0x%x)\n",
                         osError);
        kmodctl_Exit(1);
    }
    (void)guidToString(pGuid, pText, KMODCTL_GUID_TEXT_SIZE);
    qorniIntf_Report(false, "setIniGuid", __LINE__, "Generating new UUID %s\n", pText);
}

} // namespace

int guidToString(const uint8_t *g, char *pText, size_t textSize) {
    return mos_SnprintfClipped(
        pText, textSize, "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X",
        g[0], g[1], g[2], g[3], g[4], g[5], g[6], g[7], g[8], g[9], g[10], g[11], g[12], g[13],
        g[14], g[15]);
}

MOS_RC setIniGuid(bool bOnlyCfg, bool bFileGiven, const char *pFileName, bool bGuidGiven,
                  const char *pGuidText) {
    (void)pFileName; // configuration files are not supported on this platform
    if (bOnlyCfg && !bFileGiven) {
        QORNI_REPORT_ERROR("%s",
                           "Requested to only modify config file, but file name wasn't given.\n");
        exitWithUsage();
    }
    if (bFileGiven) {
        notSupported();
    }
    uint8_t guid[QORNI_GUID_BYTES] = {};
    char text[KMODCTL_GUID_TEXT_SIZE];
    chooseGuid(bGuidGiven, pGuidText, guid, text);
    QORNI_REPORT_INFO("Calling kernel module to set UUID (%s)\n", text);
    return kmodctl_CallHandler<QORNI_CMD__SET_GUID>(guid);
}

MOS_RC setUIDV200(const uint8_t *pGuid) {
    QorniGuidRecord record = {};
    memcpy(record.guid, pGuid, sizeof(record.guid));
    char text[KMODCTL_GUID_TEXT_SIZE];
    (void)guidToString(record.guid, text, sizeof(text));
    MOS_RC rc =
        qorniIntf_SendIoctl(QORNI_CODE__SET_INI_GUID, &record, sizeof(record), "SET_INI_GUID");
    if (rc == MOS_RC__SUCCESS) {
        QORNI_REPORT_INFO("Successfully set GUID %s\n", text);
    } else {
        QORNI_REPORT_INFO("Failed setting GUID %s\n", text);
    }
    return rc;
}

MOS_RC queryGuidV200(uint32_t extended) {
    QorniGuidRecord record = {};
    size_t returned = 0;
    MOS_RC rc = qorniIntf_SendIoctlEx(QORNI_CODE__QUERY_GUID, &record, sizeof(record), "QUERY_GUID",
                                      &returned);
    rc = rc == MOS_RC__SUCCESS ? kmodctl_RequireReply("QUERY_GUID", returned, sizeof(record)) : rc;
    if (rc != MOS_RC__SUCCESS) {
        return rc;
    }
    printGuid(record.guid, record.magicNumber, record.timeStamp, extended, __func__);
    return MOS_RC__SUCCESS;
}

MOS_RC queryGuidV130(uint32_t extended) {
    QorniGuidReplyV130 reply = {};
    size_t returned = 0;
    if (qorniIntf_SendIoctlEx_v130(QORNI_CODE__QUERY_GUID_V130, &reply, 0, sizeof(reply),
                                   &returned) != 0) {
        return MOS_RC__SDC_IOCTL_ERROR;
    }
    if (kmodctl_RequireReply("QUERY_GUID_V130", returned, sizeof(reply)) != MOS_RC__SUCCESS) {
        return MOS_RC__SDC_IOCTL_ERROR;
    }
    printGuid(reply.guid, reply.magicNumber, reply.timeStamp, extended, __func__);
    return MOS_RC__SUCCESS;
}
