// The driver command interface (qorniIntf): finds, opens and probes the
// storage-client driver's device, negotiates the protocol generation and
// a version slot for every command index, picks a command's handler for
// that slot, and sends records through the current and the v1.30
// transports.
//
// One interface per process, module-global and unlocked: call it from one
// thread. Lifecycle: qorniIntf_Init, the handler tables and built-in
// vectors, qorniIntf_Open, commands, qorniIntf_Close.
//
// Messages follow the tool's reporting rule (qorniIntf_Report): echoed on
// the console while the verbose flag is set, errors on standard error and
// the rest on standard output; traced under the driver-ioctl component;
// error lines also written to the error file.
#pragma once

#include "mos_rc.h"
#include "mos_utils.h"
#include "qorni_protocol.h"

#include <cstddef>
#include <cstdint>

struct OsDev;

// What the interface knows of one command index's handlers: the number of
// version slots and which of them hold a handler (bit v for slot v). The
// handlers themselves stay with the tool, typed by the index's signature,
// so that no call goes through a pointer of another type.
struct QorniCmdHandlerTable {
    uint32_t slotCount;
    uint32_t slotMask;
};

// Reports one message by the tool's rule, naming pFunc and line as its
// source. Use the macros below.
void qorniIntf_Report(bool bError, const char *pFunc, uint32_t line, const char *pFormat, ...)
    MOS_PRINTF_LIKE(4, 5);
#define QORNI_REPORT_ERROR(...) qorniIntf_Report(true, __func__, __LINE__, __VA_ARGS__)
#define QORNI_REPORT_INFO(...)  qorniIntf_Report(false, __func__, __LINE__, __VA_ARGS__)

// Clears the interface: version texts, vectors, handler tables; marks the
// device not opened. Keeps pToolName (not copied) and bPrintErrors
// (report the driver's failure reasons). The verbose flag is untouched.
void qorniIntf_Init(const char *pToolName, bool bPrintErrors);

// Store one entry; an index of QORNI_NUM_CMDS or more is ignored. The
// table must outlive the interface.
void qorniIntf_SetHandlerTable(uint32_t index, const QorniCmdHandlerTable *pTable);
void qorniIntf_SetV130CmdVersion(uint32_t index, uint32_t slot);
void qorniIntf_SetV200CmdVersion(uint32_t index, uint32_t slot);

void qorniIntf_SetVerbose(bool bVerbose);
[[nodiscard]] bool qorniIntf_GetVerbose();

// Opens and probes the device and negotiates. MOS_RC__SUCCESS;
// MOS_RC__INTERFACE_ERROR when not initialised; MOS_RC__IGNORE when already
// open (the first handle stays); MOS_RC__INI_NOT_FOUND when no device
// answered the probe; MOS_RC__SDC_IOCTL_ERROR when no version query
// succeeded (the handle then stays open until qorniIntf_Close).
[[nodiscard]] MOS_RC qorniIntf_Open();

// Closes the device when open and frees the driver's vector. Always
// MOS_RC__SUCCESS.
MOS_RC qorniIntf_Close();

// The negotiated version slot of command index when the index's table has
// a handler there, or MOS_RC__NOT_SUPPORTED after the version-mismatch
// messages. There is no fallback to another slot.
[[nodiscard]] MOS_RC qorniIntf_GetHandlerSlot(uint32_t index, uint32_t *pSlot);

// Sends one current-protocol record of recordSize bytes (rc preset to
// MOS_RC__SUCCESS); the bytes the driver returns after the frame header are
// copied over the record and the rest keeps what was sent. Returns the
// record's rc, MOS_RC__SDC_IOCTL_ERROR when the call failed or returned
// under 8 bytes, MOS_RC__ERROR for a record under 8 bytes or too large for
// one call, MOS_RC__INTERFACE_ERROR when not initialised or not open.
[[nodiscard]] MOS_RC qorniIntf_SendIoctl(uint32_t code, void *pRecord, size_t recordSize,
                                         const char *pRequestName);

// As qorniIntf_SendIoctl; *pRecordReturned gets the number of record
// bytes the driver wrote (0 unless the call succeeded), so that a handler
// can refuse a reply too short for what it reads.
[[nodiscard]] MOS_RC qorniIntf_SendIoctlEx(uint32_t code, void *pRecord, size_t recordSize,
                                           const char *pRequestName, size_t *pRecordReturned);

// Sends one v1.30 command: inputSize bytes of pBuffer in, up to
// outputSize bytes back into pBuffer (which holds the larger of the two).
// 0 on success, -1 on failure, MOS_RC__INTERFACE_ERROR when not
// initialised or not open.
[[nodiscard]] int32_t qorniIntf_SendIoctl_v130(uint32_t code, void *pBuffer, uint32_t inputSize,
                                               uint32_t outputSize);

// As qorniIntf_SendIoctl_v130; *pOutputReturned gets the number of
// answer bytes the driver wrote after the frame header (0 unless the call
// succeeded).
[[nodiscard]] int32_t qorniIntf_SendIoctlEx_v130(uint32_t code, void *pBuffer, uint32_t inputSize,
                                                 uint32_t outputSize, size_t *pOutputReturned);

// The text explaining a failed current-protocol command from its rc: a
// public code's description; "SDC command failed" for an internal one and
// for one of the three codes that carry extra information. A code of any
// other kind, or beyond the tables, is driver input the tool cannot
// explain: it is reported as "bad error type" and null returned.
[[nodiscard]] const char *Ioctl_GetErrorReason(const char *pRequestName, const void *pRecord);

// What a reply too short to use lacks.
enum class QorniShortReply {
    Record,  // the fixed record of its command
    Count,   // the count field of a list
    Entries, // the entries its count announces
};

// Reports a reply that holds fewer record bytes than recordNeeded, worded
// for what is missing (the command then fails).
void qorniIntf_ReportShortReply(const char *pRequestName, size_t recordReturned,
                                size_t recordNeeded, QorniShortReply missing);

// A return code's description; "MOS_RC__UNKNOWN" beyond the tables or for
// an empty description.
[[nodiscard]] const char *rcDescription(MOS_RC rc);

// Finds the first present interface of the driver's class that opens and
// that bProbe accepts, as qorniIntf_Open does; null (after "Failed to open
// kernel device") when none does. The driver link of the viewer passes its
// own probe.
using QorniProbeFn = bool (*)(OsDev *pDev);
[[nodiscard]] OsDev *qorniIntf_OpenDevice(QorniProbeFn probe);

// Handlers of command index QUERY_VERSION: the driver's version text into
// pText (QORNI_VERSION_TEXT_SIZE bytes, cleared first).
[[nodiscard]] MOS_RC queryVersionV200(char *pText);
[[nodiscard]] MOS_RC queryVersionV130(char *pText);
