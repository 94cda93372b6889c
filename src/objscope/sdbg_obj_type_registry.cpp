#include "sdbg_obj_type_registry.h"

#include <iterator>

std::map<std::string, uint32_t> Sdbg_ObjTypeRegistry::ModuleTable;
std::map<std::string, uint32_t> Sdbg_ObjTypeRegistry::ObjTypeTable;
std::map<char, std::string> Sdbg_ObjTypeRegistry::ShortcutTable;

namespace {

struct NamedId {
    const char *pName;
    uint32_t id;
};

constexpr NamedId kModules[] = {{"ini", 1}, {"tgt", 2}, {"mdm", 3}, {"voter", 4}};

constexpr NamedId kObjTypes[] = {
#define SDBG_OBJ_TYPE(id, name, queryClass, querySize) {name, id},
#include "sdbg_obj_types.def"
#undef SDBG_OBJ_TYPE
};
static_assert(std::size(kObjTypes) == 174);

// Keys 1 to 9 display the screen of that number.
constexpr char kFirstShortcut = '1';
constexpr char kLastShortcut = '9';

uint32_t Lookup(const std::map<std::string, uint32_t> &table, const std::string &name) {
    const auto found = table.find(name);
    return found == table.end() ? SDBG_UNDEFINED_ID : found->second;
}

const char *NameOf(const std::map<std::string, uint32_t> &table, uint32_t id,
                   const char *pUndefined) {
    for (const auto &[name, rowId] : table) {
        if (rowId == id) {
            return name.c_str();
        }
    }
    return pUndefined;
}

} // namespace

void Sdbg_ObjTypeRegistry::Init() {
    for (const NamedId &module : kModules) {
        ModuleTable[module.pName] = module.id;
    }
    for (const NamedId &objType : kObjTypes) {
        ObjTypeTable[objType.pName] = objType.id;
    }
    for (char key = kFirstShortcut; key <= kLastShortcut; ++key) {
        ShortcutTable[key] = std::string("d ") + key;
    }
}

uint32_t Sdbg_ObjTypeRegistry::GetModuleId(const std::string &name) {
    return Lookup(ModuleTable, name);
}

uint32_t Sdbg_ObjTypeRegistry::GetObjTypeId(const std::string &name) {
    return Lookup(ObjTypeTable, name);
}

const char *Sdbg_ObjTypeRegistry::GetModuleName(uint32_t moduleId) {
    return NameOf(ModuleTable, moduleId, "Undefined module type");
}

const char *Sdbg_ObjTypeRegistry::GetObjTypeName(uint32_t objTypeId) {
    return NameOf(ObjTypeTable, objTypeId, "Undefined obj type");
}
