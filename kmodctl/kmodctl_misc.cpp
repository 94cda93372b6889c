// Header-only driver commands and their front-end commands.
#include "kmodctl_misc.h"

#include "ioctl_interface.h"
#include "kmodctl_handlers.h"

namespace {

MOS_RC sendHeaderOnly(uint32_t code, const char *pRequestName) {
    QorniCmdRecordHeader record = {};
    return qorniIntf_SendIoctl(code, &record, sizeof(record), pRequestName);
}

// Runs the handler of Index; on success reports pDone under pFunc.
template <QorniCmdIndex Index> MOS_RC runAndReport(const char *pFunc, const char *pDone) {
    MOS_RC rc = kmodctl_CallHandler<Index>();
    if (rc == MOS_RC__SUCCESS) {
        qorniIntf_Report(false, pFunc, __LINE__, "%s", pDone);
    }
    return rc;
}

} // namespace

MOS_RC dumpMemTrackerV200() {
    return sendHeaderOnly(QORNI_CODE__DUMP_MEMORY_TRACKER, "IOCTL__DUMP_MEMORY_TRACKER");
}

MOS_RC resetMemTrackerV200() {
    return sendHeaderOnly(QORNI_CODE__RESET_MEMORY_TRACKER, "IOCTL__RESET_MEMORY_TRACKER");
}

MOS_RC rescanV200() {
    return sendHeaderOnly(QORNI_CODE__RESCAN_ALL, "RESCAN_ALL");
}

MOS_RC resetMemoryTracker() {
    return runAndReport<QORNI_CMD__RESET_MEM_TRACKER>(
        __func__, "Memory tracker contents successfully reset\n");
}

MOS_RC dumpMemoryTracker() {
    return runAndReport<QORNI_CMD__DUMP_MEM_TRACKER>(
        __func__, "Memory tracker contents successfully written to log\n");
}
