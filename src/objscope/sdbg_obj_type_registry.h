// The viewer's name tables: module types it can link to, object types a
// remote process can be asked for, and the display's shortcut keys. Empty
// until Init (run once by main after the runtime library has started);
// names are compared byte by byte, upper case before lower case.
#pragma once

#include <cstdint>
#include <map>
#include <string>

// The id of a name no table holds (a 28-bit all-ones value).
inline constexpr uint32_t SDBG_UNDEFINED_ID = 0x0FFFFFFF;

class Sdbg_ObjTypeRegistry {
  public:
    // Fills the three tables; running it again changes nothing.
    static void Init();

    // Exact, case-sensitive lookups; SDBG_UNDEFINED_ID when absent.
    static uint32_t GetModuleId(const std::string &name);
    static uint32_t GetObjTypeId(const std::string &name);
    // The name of an id; "Undefined module type" / "Undefined obj type".
    static const char *GetModuleName(uint32_t moduleId);
    static const char *GetObjTypeName(uint32_t objTypeId);

    static std::map<std::string, uint32_t> ModuleTable;
    static std::map<std::string, uint32_t> ObjTypeTable;
    static std::map<char, std::string> ShortcutTable;
};
