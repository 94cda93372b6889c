// A screen: a named page with a title, the module types it applies to and
// its object groups, which fetch their objects through the server link and
// print them into the page buffer as text or XML.
// Groups keep their query objects from one refresh to the next.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sdbg_srv_obj.h"

class Sdbg_LogicalView;
class Sdbg_ServerLink;

// Where the groups get their query objects. The views make them, and the
// views library is built on this core, so the core takes the factory as a
// registration: the program, and every test, fuzz target and benchmark
// that shows objects, registers the views' CreateSrvObj at start-up. A
// factory returns a new empty object of the type's class with its wire
// size set, or null for a type it does not know.
using Sdbg_SrvObjFactory = std::unique_ptr<SDbg_SrvObj> (*)(uint32_t objTypeId);

// Registers factory (null: none) and returns the one it replaces. Until
// one is registered, a group that needs an object throws
// SDbg_WorkerException("No object views registered").
Sdbg_SrvObjFactory Sdbg_SetSrvObjFactory(Sdbg_SrvObjFactory factory);

class Sdbg_ObjGroup {
  public:
    virtual ~Sdbg_ObjGroup();
    // Fetches the group's objects; link exceptions pass through.
    virtual void Refresh(Sdbg_ServerLink &server) = 0;
    virtual void Rewind() = 0;
    // The next object to show, nullptr after the last.
    virtual SDbg_SrvObj *Next() = 0;
    virtual void PrintHeader(Sdbg_LogicalView &view) = 0;
    virtual void PrintOpenTag(Sdbg_LogicalView &view, uint32_t objId) = 0;
    virtual void PrintCloseTag(Sdbg_LogicalView &view) = 0;
};

// Every object of one type. Query objects are made as records arrive and
// kept for later refreshes: never more than the largest number received.
class Sdbg_AllObjInClassGroup : public Sdbg_ObjGroup {
  public:
    static constexpr uint32_t kMaxListedIds = 20;
    static constexpr uint32_t kMaxPasses = 3;

    explicit Sdbg_AllObjInClassGroup(uint32_t objTypeId);
    void Refresh(Sdbg_ServerLink &server) override;
    void Rewind() override { cursor = 0; }
    SDbg_SrvObj *Next() override;
    void PrintHeader(Sdbg_LogicalView &view) override;
    void PrintOpenTag(Sdbg_LogicalView &view, uint32_t objId) override;
    void PrintCloseTag(Sdbg_LogicalView &view) override;

    uint32_t GetCount() const { return count; }

  private:
    const std::string &ElementName();

    uint32_t typeId;
    std::string elementName; // the XML element: the type's name, blanks as '_'
    std::vector<std::unique_ptr<SDbg_SrvObj>> objects;
    uint32_t count = 0;
    uint32_t cursor = 0;
};

// Chosen (type, id) pairs; a pair the server did not answer is not shown.
class Sdbg_ObjectByIDAndTypeGroup : public Sdbg_ObjGroup {
  public:
    Sdbg_ObjectByIDAndTypeGroup(const uint32_t *pTypeIds, const uint32_t *pObjIds, uint32_t count);
    // Throws Sdbg_LinkException for any status but OK.
    void Refresh(Sdbg_ServerLink &server) override;
    void Rewind() override { cursor = 0; }
    SDbg_SrvObj *Next() override;
    void PrintHeader(Sdbg_LogicalView &) override {}
    void PrintOpenTag(Sdbg_LogicalView &, uint32_t) override {}
    void PrintCloseTag(Sdbg_LogicalView &) override {}

  private:
    std::vector<std::unique_ptr<SDbg_SrvObj>> objects;
    std::vector<uint32_t> typeIds;
    std::vector<uint32_t> objIds;
    std::vector<bool> found;
    uint32_t cursor = 0;
};

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

    // Refreshes every group in order; a link exception marks the link
    // error and passes on (the later groups wait for the next period).
    void Refresh(Sdbg_ServerLink &server);
    // The title, then the groups' objects, or after a failed refresh only
    // "Error linking to remote server" (once).
    void Print(Sdbg_LogicalView &view, bool bXml);
    bool HasLinkError() const { return bLinkError; }
    void ClearLinkError() { bLinkError = false; }

  private:
    std::string name;
    std::string title;
    uint32_t moduleMask = 0;
    std::vector<Sdbg_ObjGroupDef> groups;
    std::vector<std::unique_ptr<Sdbg_ObjGroup>> objGroups;
    bool bLinkError = false;
};
