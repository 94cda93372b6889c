// The MDM commands' front-end half: address lists from the command line,
// the checks of add_mdm and mod_mdm_ip, and the configuration-file part
// that this platform does not support.
#include "kmodctl_mdm.h"

#include "ioctl_interface.h"
#include "kmodctl_frontend.h"
#include "kmodctl_handlers.h"
#include "mos_net.h"
#include "mos_net_sock.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr uint16_t kDefaultMdmPort = 6611;

MOS_RC callModMdmIp(const char *pCurrentText, const NetAddress &current, const char *pNewText,
                    const NetAddress *pNew, uint32_t count) {
    QORNI_REPORT_INFO("Calling kernel module to modify MDM IP from (%s) to (%s)\n", pCurrentText,
                      pNewText);
    MOS_RC rc = kmodctl_CallHandler<QORNI_CMD__MOD_MDM>(&current, pNew, count);
    if (rc == MOS_RC__SUCCESS) {
        QORNI_REPORT_INFO("Successfully notified kernel module on new IP\n");
    }
    return rc;
}

void checkOnlyCfgHasFile(const KmodctlArgs &args) {
    if (args.given[OPT__only_cfg] && !args.given[OPT__file]) {
        QORNI_REPORT_ERROR("Requested to only modify config file, but file name wasn't given.\n");
        exitWithUsage();
    }
}

// The next non-empty comma-separated field of *ppText, cut off in place;
// null at the end.
char *nextField(char **ppText) {
    char *p = *ppText;
    while (*p == ',') {
        p++;
    }
    if (*p == '\0') {
        return nullptr;
    }
    char *pEnd = p;
    while (*pEnd != '\0' && *pEnd != ',') {
        pEnd++;
    }
    *ppText = *pEnd == ',' ? pEnd + 1 : pEnd;
    *pEnd = '\0';
    return p;
}

} // namespace

uint32_t parseIpStr(char *pText, NetAddress *pAddresses, uint32_t max) {
    for (uint32_t i = 0; i < max; i++) {
        netAddress_Init(&pAddresses[i]);
    }
    uint32_t count = 0;
    for (char *pField = nextField(&pText); pField != nullptr; pField = nextField(&pText)) {
        if (count == max) {
            QORNI_REPORT_ERROR("Illegal number of addresses, %d allowed\n", static_cast<int>(max));
            exitWithUsage();
        }
        MOS_RC rc = netAddress_BuildFromString(&pAddresses[count], pField, kDefaultMdmPort);
        if (rc != MOS_RC__SUCCESS) {
            QORNI_REPORT_ERROR("Invalid address %s found, rc %s\n", pField,
                               rc < MOS_RC_TABLE_SIZE ? mos_RcName(rc) : "MOS_RC__UNKNOWN");
            exitWithUsage();
        }
        for (uint32_t j = 0; j < count; j++) {
            if (netAddress_IsEqual(&pAddresses[j], &pAddresses[count])) {
                QORNI_REPORT_ERROR("Duplicate address %s found\n", pField);
                exitWithUsage();
            }
        }
        count++;
    }
    return count;
}

MOS_RC addMdm(const KmodctlArgs &args) {
    checkOnlyCfgHasFile(args);
    if (!args.given[OPT__ip]) {
        QORNI_REPORT_ERROR("No IP given to add_mdm command\n");
        exitWithUsage();
    }
    const char *pList = args.pText[OPT__ip];
    char *pCopy = strdup(pList);
    if (pCopy == nullptr) {
        QORNI_REPORT_ERROR("No memory for IP copy string %s\n", pList);
        exitWithUsage();
    }
    NetAddress addresses[KMODCTL_MAX_MDM_ADDRESSES];
    uint32_t count = parseIpStr(pCopy, addresses, KMODCTL_MAX_MDM_ADDRESSES);
    free(pCopy);
    if (count == 0) {
        QORNI_REPORT_ERROR("Bad IP format %s\n", pList);
        exitWithUsage();
    }
    if (args.given[OPT__file]) {
        notSupported();
    }
    QORNI_REPORT_INFO("Calling kernel module to connect to MDM (%s)\n", pList);
    return kmodctl_CallHandler<QORNI_CMD__ADD_MDM>(addresses, count);
}

MOS_RC modMdmIp(const KmodctlArgs &args) {
    checkOnlyCfgHasFile(args);
    if (!args.given[OPT__ip] || !args.given[OPT__new_mdm_ip]) {
        QORNI_REPORT_ERROR(
            "Either the current MDM ip or the new MDM IP parameters weren't specified\n");
        exitWithUsage();
    }
    NetAddress current;
    netAddress_Init(&current);
    if (netAddress_BuildFromString(&current, args.pText[OPT__ip], kDefaultMdmPort) !=
        MOS_RC__SUCCESS) {
        QORNI_REPORT_ERROR("Invalid address %s\n", args.pText[OPT__ip]);
        exitWithUsage();
    }
    const char *pNewList = args.pText[OPT__new_mdm_ip];
    char *pCopy = strdup(pNewList);
    if (pCopy == nullptr) {
        QORNI_REPORT_ERROR("Failed to allocate memory for IP string. Bailing out\n");
        kmodctl_Exit(1);
    }
    NetAddress addresses[KMODCTL_MAX_MDM_ADDRESSES];
    uint32_t count = parseIpStr(pCopy, addresses, KMODCTL_MAX_MDM_ADDRESSES);
    free(pCopy);
    if (count == 0) {
        QORNI_REPORT_ERROR("Bad new IP format %s\n", pNewList);
        exitWithUsage();
    }
    MOS_RC rc = MOS_RC__SUCCESS;
    if (!args.given[OPT__only_cfg]) {
        rc = callModMdmIp(args.pText[OPT__ip], current, pNewList, addresses, count);
    }
    // The file records a change only once the driver has taken it.
    if (rc == MOS_RC__SUCCESS && args.given[OPT__file]) {
        QORNI_REPORT_INFO("Updating file %s: MDM (%s) to (%s)\n", args.pText[OPT__file],
                          args.pText[OPT__ip], pNewList);
        notSupported();
    }
    return rc;
}
