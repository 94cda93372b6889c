#include "sdbg_screen.h"

#include "sdbg_exception.h"
#include "sdbg_logical_view.h"
#include "sdbg_server_link.h"

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
        objGroups.push_back(std::make_unique<Sdbg_AllObjInClassGroup>(pTypeIds[0]));
    } else {
        group.typeIds.assign(pTypeIds, pTypeIds + count);
        group.objIds.assign(pObjIds, pObjIds + count);
        objGroups.push_back(
            std::make_unique<Sdbg_ObjectByIDAndTypeGroup>(pTypeIds, pObjIds, count));
    }
    groups.push_back(std::move(group));
}

bool Sdbg_Screen::HasModule(uint32_t moduleType) const {
    return moduleType < 32 && (moduleMask >> moduleType & 1u) != 0;
}

void Sdbg_Screen::Refresh(Sdbg_ServerLink &server) {
    try {
        for (const std::unique_ptr<Sdbg_ObjGroup> &pGroup : objGroups) {
            pGroup->Refresh(server);
        }
    } catch (const Sdbg_LinkException &) {
        bLinkError = true;
        throw;
    }
}

void Sdbg_Screen::Print(Sdbg_LogicalView &view, bool bXml) {
    std::string element = title;
    std::replace(element.begin(), element.end(), ' ', '_');
    if (bXml) {
        view.PutStr("<").PutStr(element.c_str()).PutStr(">");
    } else {
        view.PutStr("Screen: ").PutStr(title.c_str());
    }
    view.NewLine();
    if (bLinkError) {
        view.PutStr("Error linking to remote server");
        view.NewLine();
        bLinkError = false;
        return;
    }
    for (const std::unique_ptr<Sdbg_ObjGroup> &pGroup : objGroups) {
        if (!bXml) {
            pGroup->PrintHeader(view);
            view.NewLine();
        }
        pGroup->Rewind();
        for (const Sdbg_QueryRecord *pObj = pGroup->Next(); pObj != nullptr;
             pObj = pGroup->Next()) {
            // The per-type views print the fields after the id or inside
            // the element; without them the object shows as its id alone.
            if (bXml) {
                view.PutTabs(1);
                pGroup->PrintOpenTag(view, pObj->objId);
                view.NewLine();
                view.PutTabs(1);
                pGroup->PrintCloseTag(view);
            } else {
                view.PutUInt(pObj->objId).PutStr(":");
            }
            view.NewLine();
        }
    }
    if (bXml) {
        view.PutStr("</").PutStr(element.c_str()).PutStr(">");
    }
}
