#include "sdbg_exception.h"
#include "sdbg_logical_view.h"
#include "sdbg_obj_type_registry.h"
#include "sdbg_screen.h"
#include "sdbg_server_link.h"

#include <algorithm>
#include <atomic>

namespace {

constexpr int32_t kHighlight = 5;
constexpr int32_t kValue = 1;
constexpr uint32_t kCountColumn = 15;
constexpr uint32_t kIdsColumn = 23;
// A status some servers answer for a type they do not serve.
constexpr uint32_t kStatusUnsupported = 5;

std::string BlanksToUnderscores(std::string text) {
    std::replace(text.begin(), text.end(), ' ', '_');
    return text;
}

// Constant-initialised, so a registration made during static
// initialisation is never undone by this variable's own initialisation.
std::atomic<Sdbg_SrvObjFactory> srvObjFactory_G{nullptr};

// A new query object of typeId. With no factory registered no object can
// be shown at all, which is said as plainly as a type the factory does not
// know.
std::unique_ptr<SDbg_SrvObj> MakeSrvObj(uint32_t typeId) {
    const Sdbg_SrvObjFactory factory = srvObjFactory_G.load();
    if (factory == nullptr) {
        throw SDbg_WorkerException("No object views registered");
    }
    std::unique_ptr<SDbg_SrvObj> pObj = factory(typeId);
    if (!pObj) {
        throw SDbg_WorkerException("Invalid obj type");
    }
    return pObj;
}

} // namespace

Sdbg_SrvObjFactory Sdbg_SetSrvObjFactory(Sdbg_SrvObjFactory factory) {
    return srvObjFactory_G.exchange(factory);
}

Sdbg_ObjGroup::~Sdbg_ObjGroup() = default;

// --- every object of one type -------------------------------------------------

// The catalogue is built during static initialisation, before the name
// tables are filled, so names are looked up only when printed.
Sdbg_AllObjInClassGroup::Sdbg_AllObjInClassGroup(uint32_t objTypeId) : typeId(objTypeId) {}

namespace {

Sdbg_RecordDest DestOf(SDbg_SrvObj &obj) {
    return Sdbg_RecordDest{static_cast<uint8_t *>(obj.GetData()), obj.wireSize};
}

} // namespace

void Sdbg_AllObjInClassGroup::Refresh(Sdbg_ServerLink &server) {
    uint32_t asked = 0;
    // Objects are made only for records that arrived: the count a server
    // announces sizes the request, never the viewer's memory.
    auto pick = [this](uint32_t k, uint32_t objId) {
        if (k >= objects.size()) {
            objects.push_back(MakeSrvObj(typeId));
        }
        SDbg_SrvObj &obj = *objects[k];
        obj.objId = objId;
        return DestOf(obj);
    };
    for (uint32_t pass = 0; pass < kMaxPasses; ++pass) {
        if (count == 0) {
            (void)server.GetObjCount(typeId, &asked); // a failed count keeps the last answer
            if (asked == 0) {
                return;
            }
        }
        uint32_t received = 0;
        const uint32_t wanted = count != 0 ? count : asked;
        const uint32_t status = server.GetAllObjs(typeId, wanted, pick, &received);
        if (status == SDBG_STATUS__OK) {
            count = received;
            return;
        }
        if (status == SDBG_STATUS__RESPONSE_TOO_SMALL) {
            count = 0; // more objects now: count them again
        } else if (status == SDBG_STATUS__NOT_FOUND || status == kStatusUnsupported) {
            count = 0;
            return;
        }
    }
}

SDbg_SrvObj *Sdbg_AllObjInClassGroup::Next() {
    return cursor < count ? objects[cursor++].get() : nullptr;
}

void Sdbg_AllObjInClassGroup::PrintHeader(Sdbg_LogicalView &view) {
    view.PrintStr(Sdbg_ObjTypeRegistry::GetObjTypeName(typeId), kHighlight, kHighlight);
    view.PadToColumn(kCountColumn);
    const Sdbg_Attr saved = view.currentAttr;
    view.currentAttr.foreground = kValue;
    view.PutStr(" (").PutUInt(count).PutStr(" objects)");
    view.PadToColumn(kIdsColumn);
    view.PutStr(" [");
    for (uint32_t i = 0; i < std::min(count, kMaxListedIds); ++i) {
        view.PutStr(" ").PutUInt(objects[i]->objId);
    }
    if (count > kMaxListedIds) {
        view.PutStr("...");
    }
    view.PutStr(" ]");
    view.currentAttr = saved;
}

// Looked up once, on the first tag: the name tables are filled before
// anything prints, and a dump prints two tags per object.
const std::string &Sdbg_AllObjInClassGroup::ElementName() {
    if (elementName.empty()) {
        elementName = BlanksToUnderscores(Sdbg_ObjTypeRegistry::GetObjTypeName(typeId));
    }
    return elementName;
}

void Sdbg_AllObjInClassGroup::PrintOpenTag(Sdbg_LogicalView &view, uint32_t objId) {
    view.PrintStr("<", kHighlight, kHighlight);
    view.PrintStr(ElementName().c_str(), kHighlight, kHighlight);
    view.PutStr(" id=\"").PutUInt(objId).PutStr("\"");
    view.PrintStr(">", kHighlight, kHighlight);
}

void Sdbg_AllObjInClassGroup::PrintCloseTag(Sdbg_LogicalView &view) {
    view.PrintStr("</", kHighlight, kHighlight);
    view.PrintStr(ElementName().c_str(), kHighlight, kHighlight);
    view.PrintStr(">", kHighlight, kHighlight);
}

// --- chosen objects -------------------------------------------------------------

Sdbg_ObjectByIDAndTypeGroup::Sdbg_ObjectByIDAndTypeGroup(const uint32_t *pTypeIds,
                                                         const uint32_t *pObjIds, uint32_t count)
    : typeIds(pTypeIds, pTypeIds + count), objIds(pObjIds, pObjIds + count), found(count, false) {
    for (uint32_t i = 0; i < count; ++i) {
        objects.push_back(MakeSrvObj(pTypeIds[i]));
        objects.back()->objId = pObjIds[i];
    }
}

void Sdbg_ObjectByIDAndTypeGroup::Refresh(Sdbg_ServerLink &server) {
    auto pick = [this](uint32_t i) { return DestOf(*objects.at(i)); };
    const uint32_t status = server.GetObjsById(static_cast<uint32_t>(objects.size()),
                                               typeIds.data(), objIds.data(), pick, found);
    if (status != SDBG_STATUS__OK) {
        throw Sdbg_LinkException();
    }
}

SDbg_SrvObj *Sdbg_ObjectByIDAndTypeGroup::Next() {
    while (cursor < objects.size()) {
        const uint32_t index = cursor++;
        if (found[index]) {
            return objects[index].get();
        }
    }
    return nullptr;
}
