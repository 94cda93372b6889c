// A screen: a named page with a title, the module types it applies to and
// its object groups. This holds what the screen list, the screen lookup
// and the catalogue need; fetching and printing objects come with the
// server link.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One object group: all objects of one type (no ids), or chosen objects.
struct Sdbg_ObjGroupDef {
    std::vector<uint32_t> typeIds;
    std::vector<uint32_t> objIds;
};

class Sdbg_Screen {
  public:
    static constexpr uint32_t kMaxNameLength = 19;
    static constexpr uint32_t kMaxTitleLength = 49;

    // Name and title are cut to their maximum lengths; the module list's
    // words (separated by comma, blank, tab or newline) set the mask:
    // "ini" 2, "tgt" 4, "mdm" 8, "voter" 16, "lia" 32, "all" 63; other
    // words add nothing.
    Sdbg_Screen(const char *pName, const char *pTitle, const char *pModules);

    // count 0 (or no ids): all objects of the type *pTypeIds; otherwise the
    // count chosen (type, id) pairs.
    void AddGroup(const uint32_t *pTypeIds, uint32_t count, const uint32_t *pObjIds);

    const std::string &GetName() const { return name; }
    const std::string &GetTitle() const { return title; }
    uint32_t GetModuleMask() const { return moduleMask; }
    bool HasModule(uint32_t moduleType) const;
    const std::vector<Sdbg_ObjGroupDef> &Groups() const { return groups; }

  private:
    std::string name;
    std::string title;
    uint32_t moduleMask = 0;
    std::vector<Sdbg_ObjGroupDef> groups;
};
