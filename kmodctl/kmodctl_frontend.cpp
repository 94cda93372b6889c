// kmodctl's front end: option parsing, the main-command check, opening
// the driver and dispatching the one command.
#include "kmodctl_frontend.h"

#include "ioctl_interface.h"
#include "kmodctl_args.h"
#include "kmodctl_guid.h"
#include "kmodctl_handlers.h"
#include "kmodctl_mdm.h"
#include "kmodctl_misc.h"
#include "kmodctl_trace.h"
#include "kmodctl_usage.h"
#include "mos_debug.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

enum OptionKind { RUNTIME, MAIN, MODIFIER, IMMEDIATE };

constexpr int32_t kUnknownOption = '?';
constexpr int32_t kDefaultBootWaitSeconds = 12;

struct OptionRow {
    const char *pName;
    int32_t value;
    OptionKind kind;
};

constexpr OptionRow kRows[] = {
#define KMODCTL_OPT(name, arg, value, kind) {#name, value, kind},
#include "kmodctl_options.def"
#undef KMODCTL_OPT
};
static_assert(sizeof(kRows) / sizeof(kRows[0]) == KMODCTL_NUM_OPTIONS);

} // namespace

const MosLongOption kmodctl_Options[] = {
#define KMODCTL_OPT(name, arg, value, kind) {#name, MOS_##arg##_ARGUMENT, nullptr, value},
#define MOS_NONE_ARGUMENT                   MOS_NO_ARGUMENT
#include "kmodctl_options.def"
#undef MOS_NONE_ARGUMENT
#undef KMODCTL_OPT
    {nullptr, 0, nullptr, 0},
};

void printUsage() {
    printf("%s%d%s", kmodctl_UsageHead, kDefaultBootWaitSeconds, kmodctl_UsageTail);
    fflush(stdout);
}

void kmodctl_Exit(int32_t code) {
    fflush(nullptr);
    mos_Exit(code);
}

void notSupported() {
    QORNI_REPORT_INFO("Not supported\n");
    kmodctl_Exit(-1);
}

MOS_RC stub_ReturnSuccess() {
    return MOS_RC__SUCCESS;
}

MOS_RC unsupportedFeature() {
    notSupported();
}

namespace {

// An unsigned 64-bit number; an out-of-range text is reported and parsing
// goes on with the converted value. A minus sign is out of range too:
// strtoull would turn "-5" into 2^64 - 5 without a word.
uint64_t toU64(const char *pText, int base) {
    const char *pDigits = pText;
    while (isspace(static_cast<unsigned char>(*pDigits))) {
        pDigits++;
    }
    uint64_t value = ULLONG_MAX;
    if (*pDigits == '-') {
        errno = ERANGE;
    } else {
        errno = 0;
        value = strtoull(pDigits, nullptr, base);
    }
    if (errno != 0) {
        QORNI_REPORT_ERROR("Error: %s\n", strerror(errno));
    }
    return value;
}

void keepValue(KmodctlArgs *pArgs, int32_t value, const char *pText) {
    pArgs->given[value] = true;
    pArgs->pText[value] = pText;
    switch (value) {
        case OPT__mdm_id:
            pArgs->mdmId = toU64(pText, 16);
            break;
        case OPT__vol_id:
            pArgs->volId = toU64(pText, 16);
            break;
        case OPT__start_lb:
            pArgs->startLb = toU64(pText, 10);
            break;
        case OPT__size_in_bytes:
            pArgs->ioSize = toU64(pText, 10);
            break;
        case OPT__dynamic_parameter_value:
            pArgs->paramValue = static_cast<int32_t>(strtol(pText, nullptr, 10));
            break;
        default:
            break;
    }
}

void parseOptions(int32_t argc, char *argv[], KmodctlArgs *pArgs) {
    for (;;) {
        int32_t index = 0;
        int32_t value = mos_GetoptLong(argc, argv, "", kmodctl_Options, &index);
        if (value == -1) {
            return;
        }
        if (value == OPT__help) {
            printUsage();
            kmodctl_Exit(0);
        }
        if (value == kUnknownOption) {
            printUsage();
            kmodctl_Exit(1);
        }
        if (value != OPT__log_dir && value >= 0 && value < KMODCTL_NUM_VALUES) {
            keepValue(pArgs, value, mos_optarg);
        }
    }
}

// The one main command given, or the end of the run.
const OptionRow &chooseMainCommand(const KmodctlArgs &args) {
    const OptionRow *pChosen = nullptr;
    int count = 0;
    for (const OptionRow &row : kRows) {
        if (row.kind == MAIN && args.given[row.value]) {
            pChosen = pChosen != nullptr ? pChosen : &row;
            count++;
        }
    }
    if (count == 0) {
        QORNI_REPORT_ERROR("Error: No main command given\n");
    } else if (count > 1) {
        QORNI_REPORT_ERROR("Error: Too many main commands (%d) received.\n", count);
    } else {
        return *pChosen;
    }
    printUsage();
    kmodctl_Exit(1);
}

} // namespace

void exitWithUsage() {
    printUsage();
    kmodctl_Exit(1);
}

namespace {

uint32_t techFlag(const KmodctlArgs &args) {
    return args.given[OPT__tech] ? 1u : 0u;
}

[[noreturn]] void bootWait(const KmodctlArgs &args) {
    long seconds = kDefaultBootWaitSeconds;
    if (args.given[OPT__seconds]) {
        char *pEnd = nullptr;
        seconds = strtol(args.pText[OPT__seconds], &pEnd, 10);
        if (*pEnd != '\0') {
            QORNI_REPORT_ERROR(
                "Cannot execute boot_wait. Wait parameter must be a positive number.\n");
            exitWithUsage();
        }
        if (seconds <= 0) {
            QORNI_REPORT_ERROR(
                "Cannot execute boot_wait. Wait parameter must be a positive number\n");
            exitWithUsage();
        }
    }
    QORNI_REPORT_INFO("Executing boot_wait command. Waiting for %ld seconds\n", seconds);
    notSupported();
}

MOS_RC queryVersion() {
    KmodctlHandler<QORNI_CMD__QUERY_VERSION> handler = nullptr;
    MOS_RC rc = kmodctl_GetHandler<QORNI_CMD__QUERY_VERSION>(&handler);
    if (rc != MOS_RC__SUCCESS) {
        return rc;
    }
    char text[QORNI_VERSION_TEXT_SIZE] = {};
    rc = handler(text);
    if (rc == MOS_RC__SUCCESS) {
        QORNI_REPORT_INFO("%s\n", text);
    } else {
        QORNI_REPORT_ERROR("Failed (%d) to query SDC version\n", static_cast<int>(rc));
    }
    return rc;
}

MOS_RC rescanMdms() {
    QORNI_REPORT_INFO("Calling kernel module to refresh MDM configuration information\n");
    MOS_RC rc = kmodctl_CallHandler<QORNI_CMD__RESCAN>();
    if (rc == MOS_RC__SUCCESS) {
        QORNI_REPORT_INFO("Successfully completed the rescan operation\n");
    }
    return rc;
}

MOS_RC setTraceFreqMap(const KmodctlArgs &args) {
    MOS_RC rc = kmodctl_CallHandler<QORNI_CMD__SET_TRACE_FREQ_MAP>(args.pText[OPT__freq_map]);
    if (rc == MOS_RC__SUCCESS) {
        QORNI_REPORT_INFO("Trace frequency were successfully set\n");
    }
    return rc;
}

void requireArg(const KmodctlArgs &args, int32_t value, const char *pMessage) {
    if (!args.given[value]) {
        qorniIntf_Report(true, "parseOptionsAndExecute", __LINE__, "%s", pMessage);
        kmodctl_Exit(1);
    }
}

void checkLbInfoArgs(const KmodctlArgs &args) {
    const char *pMessage = nullptr;
    if (!args.given[OPT__mdm_id] || !args.given[OPT__vol_id] || !args.given[OPT__start_lb]) {
        pMessage = "All 3 parameters must be supplied: mdmID, volID, StartLB [, SizeInBytes]\n";
    } else if (args.mdmId == 0) {
        pMessage = "Invalid mdmID\n";
    } else if (args.volId == 0) {
        pMessage = "Invalid volID\n";
    }
    if (pMessage != nullptr) {
        fputs(pMessage, stdout);
        kmodctl_Exit(1);
    }
}

// The checks a command makes of its arguments before its handler runs.
void checkHandlerArgs(const KmodctlArgs &args, int32_t value) {
    switch (value) {
        case OPT__query_lb_info:
            checkLbInfoArgs(args);
            break;
        case OPT__set_dynamic_parameter:
            requireArg(args, OPT__dynamic_parameter_name,
                       "dynamic_parameter_name option is missing\n");
            requireArg(args, OPT__dynamic_parameter_value,
                       "dynamic_parameter_value option is missing\n");
            break;
        case OPT__set_trace_freq_map:
            requireArg(args, OPT__freq_map, "Missing trace frequencies map\n");
            break;
        case OPT__set_all_trace_components_freq:
            requireArg(args, OPT__trace_freq, "Missing trace frequency\n");
            break;
        case OPT__set_trace_component_freq:
            requireArg(args, OPT__trace_freq, "Missing trace frequency\n");
            requireArg(args, OPT__trace_component, "Missing trace component\n");
            break;
        default:
            break;
    }
}

// Commands whose handler runs with the arguments as given.
MOS_RC dispatchQuery(const KmodctlArgs &args, int32_t command) {
    switch (command) {
        case OPT__query_mdms:
            return kmodctl_CallHandler<QORNI_CMD__QUERY_MDMS>();
        case OPT__query_tgts:
            return kmodctl_CallHandler<QORNI_CMD__QUERY_TGTS>(techFlag(args));
        case OPT__query_vols:
            return kmodctl_CallHandler<QORNI_CMD__QUERY_VOLS>(techFlag(args));
        case OPT__query_pe:
            return kmodctl_CallHandler<QORNI_CMD__QUERY_PES>();
        case OPT__query_vvols:
            return kmodctl_CallHandler<QORNI_CMD__QUERY_VVOLS>();
        case OPT__query_guid:
            return kmodctl_CallHandler<QORNI_CMD__QUERY_GUID>(techFlag(args));
        case OPT__query_performace:
            return kmodctl_CallHandler<QORNI_CMD__QUERY_PERF>(0u);
        case OPT__query_dynamic_parameters:
            return kmodctl_CallHandler<QORNI_CMD__QUERY_DYN_PARAMS>();
        case OPT__query_diag_counters:
            return kmodctl_CallHandler<QORNI_CMD__QUERY_DIAG_COUNTERS>(techFlag(args));
        case OPT__query_trace_freq:
            return kmodctl_CallHandler<QORNI_CMD__QUERY_TRACE_FREQ>();
        case OPT__query_lb_info:
            return kmodctl_CallHandler<QORNI_CMD__QUERY_LB_INFO>(args.mdmId, args.volId,
                                                                 args.startLb, args.ioSize);
        default:
            return MOS_RC__NOT_SUPPORTED; // not a query: never chosen
    }
}

// Commands that change the driver's settings or state.
MOS_RC dispatchSetting(const KmodctlArgs &args, int32_t command) {
    switch (command) {
        case OPT__set_guid:
            return setIniGuid(args.given[OPT__only_cfg], args.given[OPT__file],
                              args.pText[OPT__file], args.given[OPT__guid], args.pText[OPT__guid]);
        case OPT__rescan:
            return rescanMdms();
        case OPT__reset_performace:
            return kmodctl_CallHandler<QORNI_CMD__RESET_PERF>();
        case OPT__set_dynamic_parameter:
            return kmodctl_CallHandler<QORNI_CMD__SET_DYN_PARAM>(
                args.given[OPT__mdm_id] ? args.mdmId : 0, args.pText[OPT__dynamic_parameter_name],
                static_cast<uint32_t>(args.paramValue));
        case OPT__reset_diag_counters:
            return kmodctl_CallHandler<QORNI_CMD__RESET_DIAG_COUNTERS>();
        case OPT__set_trace_freq_map:
            return setTraceFreqMap(args);
        case OPT__set_all_trace_components_freq:
            return setAllTraceComponentsFreq(args.pText[OPT__trace_freq]);
        case OPT__set_trace_component_freq:
            return kmodctl_CallHandler<QORNI_CMD__SET_TRACE_FREQ>(args.pText[OPT__trace_component],
                                                                  args.pText[OPT__trace_freq]);
        case OPT__dump_mem_tracker:
            return dumpMemoryTracker();
        case OPT__reset_mem_tracker:
            return resetMemoryTracker();
        default:
            return dispatchQuery(args, command);
    }
}

MOS_RC dispatch(const KmodctlArgs &args, const OptionRow &command) {
    switch (command.value) {
        case OPT__boot_wait:
            bootWait(args);
        case OPT__load_cfg_file:
            QORNI_REPORT_INFO("Loading MDMs from configuration file %s\n",
                              args.pText[OPT__load_cfg_file]);
            notSupported();
        case OPT__query_block_device_id:
            if (!args.given[OPT__block_device]) {
                QORNI_REPORT_ERROR("Missing block device name\n");
                kmodctl_Exit(1);
            }
            notSupported();
        case OPT__add_mdm:
            return addMdm(args);
        case OPT__mod_mdm_ip:
            return modMdmIp(args);
        case OPT__query_version:
            return queryVersion();
        default:
            checkHandlerArgs(args, command.value);
            return dispatchSetting(args, command.value);
    }
}

} // namespace

MOS_RC parseOptionsAndExecute(int32_t argc, char *argv[]) {
    KmodctlArgs args;
    parseOptions(argc, argv, &args);
    const OptionRow &command = chooseMainCommand(args);
    bool bOpen = !args.given[OPT__only_cfg];
    if (bOpen && qorniIntf_Open() != MOS_RC__SUCCESS) {
        qorniIntf_Close();
        kmodctl_Exit(1);
    }
    MOS_RC rc = dispatch(args, command);
    if (bOpen) {
        qorniIntf_Close();
    }
    return rc;
}
