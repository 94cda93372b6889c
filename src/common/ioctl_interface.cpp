// The driver command interface. See ioctl_interface.h for the contract.
#include "ioctl_interface.h"

#include "mos_debug.h"
#include "mos_trace.h"
#include "os_devintf.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

namespace {

// The version text of the tools built from this tree.
constexpr const char *kToolVersionText = "BorlQen Tarnvox Version: R3_0.1000.208";

// Bytes a DeviceIoControl buffer may hold: its lengths are 32-bit.
constexpr size_t kMaxFrameSize = 0xFFFFFFFFu;

// The longest command vector asked for. A driver has one entry per command
// index (a few dozen); a count far beyond that is not a vector to fetch,
// and taken as the capacity it would cost gigabytes and a frame as large.
constexpr uint32_t kMaxVectorEntries = 65536;

struct QorniIntfState {
    bool bInitialized = false;
    OsDev *pDev = nullptr;
    const char *pToolName = nullptr;
    char toolVersion[QORNI_VERSION_TEXT_SIZE] = {};
    char driverVersion[QORNI_VERSION_TEXT_SIZE] = {};
    bool bPrintErrors = false;
    bool bVerbose = false;
    uint32_t *pVector = nullptr; // the current command-version vector
    uint32_t vectorLen = 0;
    bool bVectorBuiltin = false;
    uint32_t builtinV130[QORNI_NUM_CMDS] = {};
    uint32_t builtinV200[QORNI_NUM_CMDS] = {};
    const QorniCmdHandlerTable *pTables[QORNI_NUM_CMDS] = {};
};

QorniIntfState qorniIntfLayer_G;

void copyVersionText(char *pDst, const char *pSrc) {
    memcpy(pDst, pSrc, QORNI_VERSION_TEXT_SIZE);
    pDst[QORNI_VERSION_TEXT_SIZE - 1] = '\0';
}

// Ends the process when a buffer for a frame cannot be had: nothing can
// be sent, and the tool has no other way to carry on.
[[noreturn]] void exitNoMemory(size_t size, uint32_t code) {
    QORNI_REPORT_ERROR("Error allocating buffer %d for IOCTL 0x%x\n", static_cast<int>(size), code);
    fflush(nullptr);
    mos_Exit(1);
}

} // namespace

namespace {

// The message id of a report: the CRC of its format text, with "ERROR: "
// in front for an error.
uint32_t reportFormatId(bool bError, const char *pFormat) {
    if (!bError) {
        return mosTrace_GetFormatId(pFormat);
    }
    std::string idText = std::string("ERROR: ") + pFormat;
    return mosTrace_GetFormatId(idText.c_str());
}

void emitReport(bool bError, const char *pFunc, uint32_t line, const char *pFormat,
                const char *pText) {
    if (qorniIntfLayer_G.bVerbose) {
        fputs(pText, bError ? stderr : stdout);
        fflush(bError ? stderr : stdout);
    }
    if (mosTraceConf_GetComponentFreq(MOS_COMP_SDC_IOCTL) >= 1) {
        uint32_t msgId = reportFormatId(bError, pFormat);
        if (bError) {
            mosTrace_Do(MOS_COMP_SDC_IOCTL, 1, msgId, "TVX_TRACEERROR: %s", pFunc, line, pText);
        } else {
            mosTrace_Do(MOS_COMP_SDC_IOCTL, 1, msgId, "TVX_TRACE%s", pFunc, line, pText);
        }
    }
    if (bError) {
        mosTrace_DoErrFile(MOS_COMP_SDC_IOCTL, 1, "%s:%05u: ERROR: %s\n", pFunc, line, pText);
    }
}

} // namespace

void qorniIntf_Report(bool bError, const char *pFunc, uint32_t line, const char *pFormat, ...) {
    // The text is formatted once and handed to every sink; the extended
    // volume report is longer than a line, so it may need a larger buffer.
    char shortText[512];
    va_list args;
    va_start(args, pFormat);
    int len = mos_Vsnprintf(shortText, sizeof(shortText), pFormat, args);
    va_end(args);
    if (len < 0) {
        return;
    }
    if (static_cast<size_t>(len) < sizeof(shortText)) {
        emitReport(bError, pFunc, line, pFormat, shortText);
        return;
    }
    std::string longText(static_cast<size_t>(len) + 1, '\0');
    va_start(args, pFormat);
    mos_Vsnprintf(longText.data(), longText.size(), pFormat, args);
    va_end(args);
    emitReport(bError, pFunc, line, pFormat, longText.c_str());
}

void qorniIntf_Init(const char *pToolName, bool bPrintErrors) {
    QorniIntfState &g = qorniIntfLayer_G;
    bool bVerbose = g.bVerbose;
    g = QorniIntfState{};
    g.bVerbose = bVerbose;
    for (uint32_t i = 0; i < QORNI_NUM_CMDS; i++) {
        g.builtinV130[i] = QORNI_SLOT_NONE;
        g.builtinV200[i] = QORNI_SLOT_NONE;
    }
    g.pToolName = pToolName;
    g.bPrintErrors = bPrintErrors;
    g.bInitialized = true;
}

void qorniIntf_SetHandlerTable(uint32_t index, const QorniCmdHandlerTable *pTable) {
    if (index < QORNI_NUM_CMDS) {
        qorniIntfLayer_G.pTables[index] = pTable;
    }
}

void qorniIntf_SetV130CmdVersion(uint32_t index, uint32_t slot) {
    if (index < QORNI_NUM_CMDS) {
        qorniIntfLayer_G.builtinV130[index] = slot;
    }
}

void qorniIntf_SetV200CmdVersion(uint32_t index, uint32_t slot) {
    if (index < QORNI_NUM_CMDS) {
        qorniIntfLayer_G.builtinV200[index] = slot;
    }
}

void qorniIntf_SetVerbose(bool bVerbose) {
    qorniIntfLayer_G.bVerbose = bVerbose;
}

bool qorniIntf_GetVerbose() {
    return qorniIntfLayer_G.bVerbose;
}

const char *rcDescription(MOS_RC rc) {
    const char *pText = mos_RcDescription(rc);
    return pText[0] != '\0' ? pText : "MOS_RC__UNKNOWN";
}

const char *Ioctl_GetErrorReason(const char *pRequestName, const void *pRecord) {
    MOS_RC rc;
    memcpy(&rc, static_cast<const uint8_t *>(pRecord) + offsetof(QorniCmdRecordHeader, rc),
           sizeof(rc));
    if (rc < MOS_RC_TABLE_SIZE && mos_RcKind(rc) == MOS_RC_KIND__PUBLIC) {
        return rcDescription(rc);
    }
    // An internal code, and one whose extra information stays with the
    // driver, get the generic text: their own would tell the user nothing.
    if (rc < MOS_RC_TABLE_SIZE &&
        (mos_RcKind(rc) == MOS_RC_KIND__INTERNAL || mos_RcKind(rc) == MOS_RC_KIND__WITH_INFO)) {
        return rcDescription(MOS_RC__SDC_IOCTL_ERROR);
    }
    // The code came from the driver: a value the tables cannot explain is
    // bad input, reported, and the command fails with it.
    QORNI_REPORT_ERROR("Failed to execute %s with bad error type %d\n", pRequestName,
                       static_cast<int>(rc));
    return nullptr;
}

void qorniIntf_ReportShortReply(const char *pRequestName, size_t recordReturned,
                                size_t recordNeeded, QorniShortReply missing) {
    const char *pWhat = missing == QorniShortReply::Record  ? "of its reply"
                        : missing == QorniShortReply::Count ? "that hold its count"
                                                            : "its count needs";
    QORNI_REPORT_ERROR("Error: %s returned %llu bytes, fewer than the %llu %s\n", pRequestName,
                       static_cast<unsigned long long>(recordReturned),
                       static_cast<unsigned long long>(recordNeeded), pWhat);
}

namespace {

void qorniIntf_ReturnFromIoctlCall(const char *pRequestName, const void *pRecord) {
    if (const char *pReason = Ioctl_GetErrorReason(pRequestName, pRecord)) {
        QORNI_REPORT_ERROR("Failed to execute %s: %s\n", pRequestName, pReason);
    }
}

// One current-protocol frame: header, record, the record's bytes copied
// back as far as the driver wrote them.
MOS_RC qorniIntf_SendIoctlInternal(OsDev *pDev, uint32_t code, void *pRecord, size_t recordSize,
                                   const char *pRequestName, size_t *pRecordReturned) {
    *pRecordReturned = 0;
    size_t frameSize = recordSize + sizeof(QorniIoctlHeader);
    auto *pFrame = static_cast<uint8_t *>(malloc(frameSize));
    if (pFrame == nullptr) {
        exitNoMemory(frameSize, code);
    }
    int64_t frameCode = qorni_FrameCode(code);
    memcpy(pFrame, &frameCode, sizeof(frameCode));
    memcpy(pFrame + sizeof(QorniIoctlHeader), pRecord, recordSize);
    uint32_t returned = 0;
    uint32_t err = osDev_Ioctl(pDev, QORNI_IOCTL_CODE, pFrame, static_cast<uint32_t>(frameSize),
                               pFrame, static_cast<uint32_t>(frameSize), &returned);
    MOS_RC rc;
    if (err != OS_ERR_SUCCESS || returned < sizeof(QorniIoctlHeader)) {
        QORNI_REPORT_ERROR("Error: IOCTL 0x%x returned %d (last error=%d), Retrieved %d bytes out "
                           "of minimal of %lld bytes\n",
                           code, err == OS_ERR_SUCCESS ? 1 : 0, static_cast<int>(err),
                           static_cast<int>(returned),
                           static_cast<long long>(sizeof(QorniIoctlHeader)));
        rc = MOS_RC__SDC_IOCTL_ERROR;
    } else {
        *pRecordReturned = returned - sizeof(QorniIoctlHeader);
        memcpy(pRecord, pFrame + sizeof(QorniIoctlHeader), *pRecordReturned);
        memcpy(&rc, pRecord, sizeof(rc));
        if (rc != MOS_RC__SUCCESS && qorniIntfLayer_G.bPrintErrors) {
            qorniIntf_ReturnFromIoctlCall(pRequestName, pRecord);
        }
    }
    free(pFrame);
    return rc;
}

MOS_RC sendIoctl(OsDev *pDev, uint32_t code, void *pRecord, size_t recordSize,
                 const char *pRequestName, size_t *pRecordReturned) {
    *pRecordReturned = 0;
    if (recordSize < sizeof(QorniCmdRecordHeader) ||
        recordSize > kMaxFrameSize - sizeof(QorniIoctlHeader)) {
        QORNI_REPORT_ERROR("Cannot execute %s (internal error)\n", pRequestName);
        return MOS_RC__ERROR;
    }
    MOS_RC preset = MOS_RC__SUCCESS;
    memcpy(pRecord, &preset, sizeof(preset));
    return qorniIntf_SendIoctlInternal(pDev, code, pRecord, recordSize, pRequestName,
                                       pRecordReturned);
}

int32_t qorniIntf_SendIoctlInternal_v130(OsDev *pDev, uint32_t code, void *pBuffer,
                                         uint32_t inputSize, uint32_t outputSize,
                                         size_t *pOutputReturned) {
    *pOutputReturned = 0;
    size_t bodySize = inputSize > outputSize ? inputSize : outputSize;
    if (bodySize > kMaxFrameSize - sizeof(QorniIoctlHeader)) {
        return -1;
    }
    size_t frameSize = bodySize + sizeof(QorniIoctlHeader);
    auto *pFrame = static_cast<uint8_t *>(calloc(1, frameSize));
    if (pFrame == nullptr) {
        exitNoMemory(frameSize, code);
    }
    int64_t frameCode = qorni_FrameCode(code);
    memcpy(pFrame, &frameCode, sizeof(frameCode));
    if (inputSize > 0) {
        memcpy(pFrame + sizeof(QorniIoctlHeader), pBuffer, inputSize);
    }
    uint32_t returned = 0;
    uint32_t err = osDev_Ioctl(pDev, QORNI_IOCTL_CODE, pFrame, inputSize + 8u, pFrame,
                               outputSize + 8u, &returned);
    int32_t result = 0;
    if (err != OS_ERR_SUCCESS) {
        result = -1;
    } else if (returned < sizeof(QorniIoctlHeader)) {
        QORNI_REPORT_ERROR(
            "Error: Retrieved %d bytes in IOCTL %x which is less than the minimal %lld\n",
            static_cast<int>(returned), code, static_cast<long long>(sizeof(QorniIoctlHeader)));
        result = -1;
    } else if (outputSize > 0 && returned > sizeof(QorniIoctlHeader)) {
        *pOutputReturned = returned - sizeof(QorniIoctlHeader);
        memcpy(pBuffer, pFrame + sizeof(QorniIoctlHeader), *pOutputReturned);
    }
    free(pFrame);
    return result;
}

// Accepts a device that answers IS_QORNI with success, or else IS_QORNI
// on the v1.30 transport.
bool probeKmodctl(OsDev *pDev) {
    QorniCmdRecordHeader probe = {MOS_RC__SUCCESS, 0};
    size_t returned;
    if (qorniIntf_SendIoctlInternal(pDev, QORNI_CODE__IS_QORNI, &probe, sizeof(probe), "IS_QORNI",
                                    &returned) == MOS_RC__SUCCESS) {
        return true;
    }
    returned = 0;
    return qorniIntf_SendIoctlInternal_v130(pDev, QORNI_CODE__IS_QORNI_V130, nullptr, 0, 0,
                                            &returned) == 0;
}

OsDev *qorniIntf_OpenInternal() {
    return qorniIntf_OpenDevice(probeKmodctl);
}

} // namespace

namespace {

// Opens interface memberIndex and asks the probe. Null when it cannot be
// opened or does not answer (then the next interface is tried). *pbStop
// is set when discovery cannot go on.
OsDev *openAndProbe(OsDevIntfList *pList, uint32_t memberIndex, QorniProbeFn probe, bool *pbStop) {
    size_t pathSize = 0;
    uint32_t err = osDevIntf_GetPath(pList, memberIndex, nullptr, 0, &pathSize);
    if (err != OS_ERR_INSUFFICIENT_BUFFER) {
        QORNI_REPORT_ERROR("SetupDiGetDeviceInterfaceDetail failed with error 0x%x\n", err);
        *pbStop = true;
        return nullptr;
    }
    auto *pPath = static_cast<char *>(malloc(pathSize));
    if (pPath == nullptr) {
        QORNI_REPORT_ERROR("Unable to allocate resources...Exiting\n");
        *pbStop = true;
        return nullptr;
    }
    OsDev *pDev = nullptr;
    err = osDevIntf_GetPath(pList, memberIndex, pPath, pathSize, &pathSize);
    if (err != OS_ERR_SUCCESS) {
        QORNI_REPORT_ERROR("SetupDiGetDeviceInterfaceDetail failed with error 0x%x\n", err);
        *pbStop = true;
    } else if ((err = osDev_Open(pPath, &pDev)) != OS_ERR_SUCCESS) {
        QORNI_REPORT_ERROR("Failed to open %s. Code 0x%x\n", pPath, err);
        pDev = nullptr;
    } else if (!probe(pDev)) {
        osDev_Close(pDev);
        pDev = nullptr;
    }
    free(pPath);
    return pDev;
}

} // namespace

OsDev *qorniIntf_OpenDevice(QorniProbeFn probe) {
    OsDevIntfList *pList = nullptr;
    uint32_t err = osDevIntf_GetClassDevs(QORNI_INTERFACE_GUID, &pList);
    OsDev *pDev = nullptr;
    if (err != OS_ERR_SUCCESS) {
        QORNI_REPORT_ERROR("SetupDiGetClassDevs failed with error 0x%x\n", err);
    } else {
        bool bStop = false;
        for (uint32_t i = 0; pDev == nullptr && !bStop && osDevIntf_Enum(pList, i) == 0; i++) {
            pDev = openAndProbe(pList, i, probe, &bStop);
        }
        osDevIntf_Destroy(pList);
    }
    if (pDev == nullptr) {
        QORNI_REPORT_ERROR("Failed to open kernel device\n");
    }
    return pDev;
}

namespace {

[[nodiscard]] bool checkUsable(const char *pFunc, uint32_t line) {
    if (!qorniIntfLayer_G.bInitialized) {
        qorniIntf_Report(true, pFunc, line, "SDC isn't initialized.");
        return false;
    }
    if (qorniIntfLayer_G.pDev == nullptr) {
        qorniIntf_Report(true, pFunc, line, "SDC isn't opened.");
        return false;
    }
    return true;
}

void setVector(uint32_t *pVector, uint32_t vectorLen, bool bBuiltin) {
    QorniIntfState &g = qorniIntfLayer_G;
    if (!g.bVectorBuiltin) {
        free(g.pVector);
    }
    g.pVector = pVector;
    g.vectorLen = vectorLen;
    g.bVectorBuiltin = bBuiltin;
}

// One QUERY_CMD_VECTOR at the given capacity. On success *ppVector (to be
// freed) holds the driver's vector, unless it was longer than the capacity
// (then only *pCount is set, for another query).
MOS_RC queryCmdsVectorOnce(uint32_t capacity, uint32_t **ppVector, uint32_t *pCount) {
    *ppVector = nullptr;
    size_t recordSize = sizeof(QorniCmdVectorRecord) + sizeof(uint32_t) * size_t{capacity};
    auto *pRecord =
        capacity <= kMaxVectorEntries ? static_cast<uint8_t *>(calloc(1, recordSize)) : nullptr;
    if (pRecord == nullptr) {
        QORNI_REPORT_ERROR("Error allocating memory commands vector");
        return MOS_RC__ERROR;
    }
    memcpy(pRecord + offsetof(QorniCmdVectorRecord, count), &capacity, sizeof(capacity));
    size_t returned = 0;
    MOS_RC rc = qorniIntf_SendIoctlEx(QORNI_CODE__QUERY_CMD_VECTOR, pRecord, recordSize,
                                      "QUERY_CMD_VECTOR", &returned);
    memcpy(pCount, pRecord + offsetof(QorniCmdVectorRecord, count), sizeof(*pCount));
    if (rc == MOS_RC__SUCCESS && *pCount <= capacity) {
        // Entries the driver did not write would read as slot 0: a reply
        // that does not hold its whole vector is refused.
        size_t needed = sizeof(QorniCmdVectorRecord) + sizeof(uint32_t) * size_t{*pCount};
        if (returned < needed) {
            qorniIntf_ReportShortReply("QUERY_CMD_VECTOR", returned, needed,
                                       QorniShortReply::Entries);
            rc = MOS_RC__SDC_IOCTL_ERROR;
        } else if ((*ppVector = static_cast<uint32_t *>(
                        malloc(sizeof(uint32_t) * (*pCount > 0 ? *pCount : 1)))) == nullptr) {
            QORNI_REPORT_ERROR("Error allocating memory commands vector");
            rc = MOS_RC__ERROR;
        } else {
            memcpy(*ppVector, pRecord + sizeof(QorniCmdVectorRecord),
                   sizeof(uint32_t) * size_t{*pCount});
        }
    }
    free(pRecord);
    return rc;
}

MOS_RC qorniIntf_QueryCmdsVector() {
    uint32_t capacity = 32;
    for (int query = 0; query < 2; query++) {
        uint32_t *pVector = nullptr;
        uint32_t count = 0;
        MOS_RC rc = queryCmdsVectorOnce(capacity, &pVector, &count);
        if (rc != MOS_RC__SUCCESS) {
            return rc;
        }
        if (pVector != nullptr) {
            setVector(pVector, count, false);
            return MOS_RC__SUCCESS;
        }
        capacity = count;
    }
    QORNI_REPORT_ERROR("Too many query iterations for commands vector.");
    return MOS_RC__ERROR;
}

} // namespace

MOS_RC qorniIntf_Open() {
    QorniIntfState &g = qorniIntfLayer_G;
    if (!g.bInitialized) {
        QORNI_REPORT_ERROR("SDC isn't initialized.");
        return MOS_RC__INTERFACE_ERROR;
    }
    if (g.pDev != nullptr) {
        QORNI_REPORT_ERROR("SDC opened already.");
        return MOS_RC__IGNORE;
    }
    g.pDev = qorniIntf_OpenInternal();
    if (g.pDev == nullptr) {
        return MOS_RC__INI_NOT_FOUND;
    }
    memset(g.toolVersion, 0, sizeof(g.toolVersion));
    strncpy(g.toolVersion, kToolVersionText, sizeof(g.toolVersion) - 1);
    memset(g.driverVersion, 0, sizeof(g.driverVersion));

    QorniQueryVersionRecord version = {};
    if (qorniIntf_SendIoctl(QORNI_CODE__QUERY_VERSION, &version, sizeof(version),
                            "QUERY_VERSION") == MOS_RC__SUCCESS) {
        copyVersionText(g.driverVersion, version.version);
        if (qorniIntf_QueryCmdsVector() != MOS_RC__SUCCESS) {
            setVector(g.builtinV200, QORNI_NUM_CMDS, true);
        }
        return MOS_RC__SUCCESS;
    }
    memset(g.driverVersion, 0, sizeof(g.driverVersion));
    char text[QORNI_VERSION_TEXT_SIZE] = {};
    size_t returned = 0;
    if (qorniIntf_SendIoctlInternal_v130(g.pDev, QORNI_CODE__QUERY_VERSION_V130, text, 0,
                                         sizeof(text), &returned) == 0) {
        copyVersionText(g.driverVersion, text);
        setVector(g.builtinV130, QORNI_NUM_CMDS, true);
        return MOS_RC__SUCCESS;
    }
    QORNI_REPORT_ERROR("Error querying version.");
    return MOS_RC__SDC_IOCTL_ERROR;
}

MOS_RC qorniIntf_Close() {
    QorniIntfState &g = qorniIntfLayer_G;
    if (g.bInitialized && g.pDev != nullptr) {
        osDev_Close(g.pDev);
        g.pDev = nullptr;
        setVector(nullptr, 0, false);
    }
    return MOS_RC__SUCCESS;
}

MOS_RC qorniIntf_GetHandlerSlot(uint32_t index, uint32_t *pSlot) {
    const QorniIntfState &g = qorniIntfLayer_G;
    const QorniCmdHandlerTable *pTable = index < QORNI_NUM_CMDS ? g.pTables[index] : nullptr;
    uint32_t slot = index < g.vectorLen ? g.pVector[index] : QORNI_SLOT_NONE;
    if (pTable != nullptr && slot != QORNI_SLOT_NONE && slot < pTable->slotCount && slot < 32 &&
        (pTable->slotMask & (1u << slot)) != 0) {
        *pSlot = slot;
        return MOS_RC__SUCCESS;
    }
    const QorniCmdInfo *pInfo = qorni_CmdInfo(index);
    QORNI_REPORT_ERROR("Command \"%s\" cannot be sent to the driver due to version mismatch.\n",
                       pInfo != nullptr ? pInfo->pName : "UNKNOWN");
    QORNI_REPORT_ERROR("%s version: %s\nSDC driver version: %s\n",
                       g.pToolName != nullptr ? g.pToolName : "", g.toolVersion, g.driverVersion);
    return MOS_RC__NOT_SUPPORTED;
}

MOS_RC qorniIntf_SendIoctlEx(uint32_t code, void *pRecord, size_t recordSize,
                             const char *pRequestName, size_t *pRecordReturned) {
    *pRecordReturned = 0;
    if (!checkUsable("qorniIntf_SendIoctl", __LINE__)) {
        return MOS_RC__INTERFACE_ERROR;
    }
    return sendIoctl(qorniIntfLayer_G.pDev, code, pRecord, recordSize, pRequestName,
                     pRecordReturned);
}

MOS_RC qorniIntf_SendIoctl(uint32_t code, void *pRecord, size_t recordSize,
                           const char *pRequestName) {
    size_t returned;
    return qorniIntf_SendIoctlEx(code, pRecord, recordSize, pRequestName, &returned);
}

int32_t qorniIntf_SendIoctlEx_v130(uint32_t code, void *pBuffer, uint32_t inputSize,
                                   uint32_t outputSize, size_t *pOutputReturned) {
    *pOutputReturned = 0;
    if (!checkUsable("qorniIntf_SendIoctl_v130", __LINE__)) {
        return static_cast<int32_t>(MOS_RC__INTERFACE_ERROR);
    }
    return qorniIntf_SendIoctlInternal_v130(qorniIntfLayer_G.pDev, code, pBuffer, inputSize,
                                            outputSize, pOutputReturned);
}

int32_t qorniIntf_SendIoctl_v130(uint32_t code, void *pBuffer, uint32_t inputSize,
                                 uint32_t outputSize) {
    size_t returned = 0;
    return qorniIntf_SendIoctlEx_v130(code, pBuffer, inputSize, outputSize, &returned);
}

// The text is printed by the caller: a reply without the whole text fails
// rather than showing what the tool sent.
MOS_RC queryVersionV200(char *pText) {
    memset(pText, 0, QORNI_VERSION_TEXT_SIZE);
    QorniQueryVersionRecord version = {};
    size_t returned = 0;
    MOS_RC rc = qorniIntf_SendIoctlEx(QORNI_CODE__QUERY_VERSION, &version, sizeof(version),
                                      "QUERY_VERSION", &returned);
    if (rc == MOS_RC__SUCCESS && returned < sizeof(version)) {
        qorniIntf_ReportShortReply("QUERY_VERSION", returned, sizeof(version),
                                   QorniShortReply::Record);
        return MOS_RC__SDC_IOCTL_ERROR;
    }
    copyVersionText(pText, version.version);
    return rc;
}

MOS_RC queryVersionV130(char *pText) {
    memset(pText, 0, QORNI_VERSION_TEXT_SIZE);
    char text[QORNI_VERSION_TEXT_SIZE] = {};
    size_t returned = 0;
    if (qorniIntf_SendIoctlEx_v130(QORNI_CODE__QUERY_VERSION_V130, text, 0, sizeof(text),
                                   &returned) != 0) {
        return MOS_RC__SDC_IOCTL_ERROR;
    }
    if (returned < sizeof(text)) {
        qorniIntf_ReportShortReply("QUERY_VERSION_V130", returned, sizeof(text),
                                   QorniShortReply::Record);
        return MOS_RC__SDC_IOCTL_ERROR;
    }
    copyVersionText(pText, text);
    return MOS_RC__SUCCESS;
}
