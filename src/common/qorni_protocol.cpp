// Lookups derived from the code and command tables.
#include "qorni_protocol.h"

namespace {

struct CodeName {
    uint32_t code;
    const char *pRequestName;
};

constexpr CodeName kCodeNames[] = {
#define QORNI_CODE(name, code, requestName) {code, requestName},
#include "qorni_codes.def"
#undef QORNI_CODE
};

constexpr uint32_t NONE = QORNI_SLOT_NONE;
constexpr QorniCmdInfo kCmds[] = {
#define QORNI_CMD(index, name, text, slots, v130, v200) {text, slots, v130, v200},
#include "qorni_cmds.def"
#undef QORNI_CMD
};
static_assert(sizeof(kCmds) / sizeof(kCmds[0]) == QORNI_NUM_CMDS);

} // namespace

const char *qorni_CodeRequestName(uint32_t code) {
    for (const CodeName &entry : kCodeNames) {
        if (entry.code == code) {
            return entry.pRequestName;
        }
    }
    return nullptr;
}

const QorniCmdInfo *qorni_CmdInfo(uint32_t index) {
    return index < QORNI_NUM_CMDS ? &kCmds[index] : nullptr;
}
