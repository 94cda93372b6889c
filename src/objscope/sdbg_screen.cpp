#include "sdbg_screen.h"

#include <algorithm>

namespace {

struct ModuleWord {
    const char *pWord;
    uint32_t mask;
};
constexpr ModuleWord kModuleWords[] = {
    {"ini", 2}, {"tgt", 4}, {"mdm", 8}, {"voter", 16}, {"lia", 32}, {"all", 63},
};
constexpr uint32_t kMaxModuleListLength = 49;

uint32_t ParseModules(const char *pModules) {
    const std::string list = std::string(pModules).substr(0, kMaxModuleListLength);
    uint32_t mask = 0;
    size_t start = 0;
    while (start <= list.size()) {
        const size_t end = std::min(list.find_first_of(", \t\n", start), list.size());
        const std::string word = list.substr(start, end - start);
        for (const ModuleWord &known : kModuleWords) {
            if (word == known.pWord) {
                mask |= known.mask;
            }
        }
        start = end + 1;
    }
    return mask;
}

} // namespace

Sdbg_Screen::Sdbg_Screen(const char *pName, const char *pTitle, const char *pModules)
    : name(std::string(pName).substr(0, kMaxNameLength)),
      title(std::string(pTitle).substr(0, kMaxTitleLength)), moduleMask(ParseModules(pModules)) {}

void Sdbg_Screen::AddGroup(const uint32_t *pTypeIds, uint32_t count, const uint32_t *pObjIds) {
    Sdbg_ObjGroupDef group;
    if (count == 0 || pObjIds == nullptr) {
        group.typeIds.assign(pTypeIds, pTypeIds + 1); // all objects of one type
    } else {
        group.typeIds.assign(pTypeIds, pTypeIds + count);
        group.objIds.assign(pObjIds, pObjIds + count);
    }
    groups.push_back(std::move(group));
}

bool Sdbg_Screen::HasModule(uint32_t moduleType) const {
    return moduleType < 32 && (moduleMask >> moduleType & 1u) != 0;
}
