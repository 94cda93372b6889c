// kmodctl's whole front end over command lines: the real option table,
// the main-command check, the number conversions (identifiers, block
// numbers, sizes, seconds, parameter values), GUID text, the MDM address
// lists and each command's argument checks, then the handler the
// negotiated version slot picks, against a device that accepts every
// command (it echoes each record back with success; the command vector
// it reports gives every command the slot in input byte 0, modulo 4).
// The rest of the input is one command line, split into argv at spaces,
// tabs and line feeds, each word in a buffer of its exact size.
//
// A run ends through the runtime's exit on usage errors and unsupported
// features: here that exit returns to the fuzzer (the link wraps mos_Exit
// to throw), as the process's end would. Leak checks are off for the same
// reason: a run that exits leaves its buffers to the process's end.
//
// It must never crash or read past a word. Every address list the tool
// accepts holds 1 to 16 valid, distinct addresses on the MDM port.
#include "fake_devintf.h"
#include "ioctl_interface.h"
#include "kmodctl_frontend.h"
#include "kmodctl_handlers.h"
#include "kmodctl_mdm.h"
#include "mos_utils.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

struct ExitCalled {
    int code;
};

uint32_t slot_G = 0;

uint32_t acceptingIoctl(uint32_t /*ioctlCode*/, const uint8_t *pIn, uint32_t inSize, uint8_t *pOut,
                        uint32_t outCapacity, uint32_t *pReturned) {
    uint32_t n = inSize < outCapacity ? inSize : outCapacity;
    if (pOut != pIn) {
        memmove(pOut, pIn, n);
    }
    *pReturned = n;
    int64_t code = 0;
    if (n >= sizeof(code)) {
        memcpy(&code, pIn, sizeof(code));
    }
    // The command vector: the frame header, the record header, the count,
    // then one entry per command.
    constexpr uint32_t kEntries = 8 + sizeof(QorniCmdVectorRecord);
    if (code == qorni_FrameCode(QORNI_CODE__QUERY_CMD_VECTOR) && n >= kEntries) {
        uint32_t count = QORNI_NUM_CMDS;
        memcpy(pOut + 8 + offsetof(QorniCmdVectorRecord, count), &count, sizeof(count));
        for (uint32_t i = 0; i < count && kEntries + 4 * (i + 1) <= n; i++) {
            memcpy(pOut + kEntries + 4 * i, &slot_G, sizeof(slot_G));
        }
    }
    return OS_ERR_SUCCESS;
}

std::vector<std::string> splitWords(const uint8_t *pData, size_t size) {
    std::vector<std::string> words;
    std::string word;
    for (size_t i = 0; i < size; i++) {
        char c = static_cast<char>(pData[i]);
        if (c == ' ' || c == '\t' || c == '\n' || c == '\0') {
            if (!word.empty()) {
                words.push_back(word);
                word.clear();
            }
        } else {
            word.push_back(c);
        }
    }
    if (!word.empty()) {
        words.push_back(word);
    }
    return words;
}

// Every word as an address list: what parseIpStr accepts must hold.
void checkAddressList(const std::string &word) {
    std::vector<char> text(word.begin(), word.end());
    text.push_back('\0');
    NetAddress addresses[KMODCTL_MAX_MDM_ADDRESSES];
    uint32_t count = 0;
    try {
        count = parseIpStr(text.data(), addresses, KMODCTL_MAX_MDM_ADDRESSES);
    } catch (const ExitCalled &) {
        return;
    }
    if (count > KMODCTL_MAX_MDM_ADDRESSES) {
        abort();
    }
    for (uint32_t i = 0; i < count; i++) {
        if (!netAddress_IsValid(&addresses[i]) || addresses[i].port != 6611) {
            abort();
        }
        for (uint32_t j = 0; j < i; j++) {
            if (netAddress_IsEqual(&addresses[i], &addresses[j])) {
                abort();
            }
        }
    }
}

} // namespace

// The runtime's exit, as the link redirects it for this target.
extern "C" [[noreturn]] void __wrap__Z8mos_Exiti(int code) {
    fflush(nullptr);
    throw ExitCalled{code};
}

// Off whatever the environment's sanitizer options say (CI turns leak
// checks on for every other program).
extern "C" int __lsan_is_turned_off() {
    return 1;
}

// libFuzzer's own leak check runs apart from the sanitizer's options: it
// is turned off by a flag added to the command line, which the fuzzer
// reads after this call.
extern "C" int LLVMFuzzerInitialize(int *pArgc, char ***pArgv) {
    (void)!freopen("/dev/null", "w", stdout);
    static std::vector<char *> args;
    static char noLeakCheck[] = "-detect_leaks=0";
    args.assign(*pArgv, *pArgv + *pArgc);
    args.push_back(noLeakCheck);
    args.push_back(nullptr);
    *pArgc = static_cast<int>(args.size() - 1);
    *pArgv = args.data();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t size) {
    if (size < 1 || size > 4096) {
        return 0;
    }
    slot_G = pData[0] % 4;
    fakeDev_Set(1, acceptingIoctl);
    kmodctl_SetUpInterface();
    std::vector<std::string> words = splitWords(pData + 1, size - 1);
    // Exact-size copies: a read past a word's end is caught.
    std::vector<std::unique_ptr<char[]>> owned;
    std::vector<char *> argv;
    owned.emplace_back(new char[8]);
    memcpy(owned.back().get(), "kmodctl", 8);
    argv.push_back(owned.back().get());
    for (const std::string &word : words) {
        owned.emplace_back(new char[word.size() + 1]);
        memcpy(owned.back().get(), word.c_str(), word.size() + 1);
        argv.push_back(owned.back().get());
    }
    argv.push_back(nullptr);
    mos_optind = 1;
    mos_opterr = 1;
    mos_optarg = nullptr;
    try {
        (void)parseOptionsAndExecute(static_cast<int32_t>(argv.size() - 1), argv.data());
        if (fakeDev_OpenCount() != 0) {
            abort(); // a run that returns has closed the driver
        }
    } catch (const ExitCalled &) {
        (void)qorniIntf_Close(); // the process's end would have closed it
    }
    for (const std::string &word : words) {
        checkAddressList(word);
    }
    return 0;
}
