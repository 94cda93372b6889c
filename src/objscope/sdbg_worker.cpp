#include "sdbg_worker.h"

#include "sdbg_exception.h"
#include "sdbg_obj_type_registry.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace {
constexpr uint32_t kModuleBits = 6;
} // namespace

SDbg_Worker::SDbg_Worker() {
    Sdbg_Mutex::Init(&mutex);
}

SDbg_Worker::~SDbg_Worker() {
    Sdbg_Mutex::Destroy(&mutex);
}

uint32_t SDbg_Worker::AddScreen(const char *pName, const char *pTitle, const char *pModules) {
    owned.push_back(std::make_unique<Sdbg_Screen>(pName, pTitle, pModules));
    visible.push_back(owned.back().get());
    const uint32_t index = static_cast<uint32_t>(visible.size() - 1);
    screenNames[owned.back()->GetName()] = index;
    return index;
}

void SDbg_Worker::AddGroup(uint32_t screenIndex, const uint32_t *pTypeIds, uint32_t count,
                           const uint32_t *pObjIds) {
    Lock();
    try {
        GetScreen(screenIndex)->AddGroup(pTypeIds, count, pObjIds);
    } catch (...) {
        Unlock();
        throw;
    }
    Unlock();
}

void SDbg_Worker::DeleteLastScreen() {
    Lock();
    const bool bLastIsOwned =
        !visible.empty() && !owned.empty() && visible.back() == owned.back().get();
    if (!bLastIsOwned) {
        Unlock();
        throw SDbg_WorkerException("");
    }
    visible.pop_back();
    owned.pop_back();
    Unlock();
}

void SDbg_Worker::SortScreens() {
    std::vector<std::unique_ptr<Sdbg_Screen>> sorted;
    for (uint32_t bit = 0; bit < kModuleBits; ++bit) {
        for (std::unique_ptr<Sdbg_Screen> &pScreen : owned) {
            if (pScreen && (pScreen->GetModuleMask() & ((2u << bit) - 1)) == (1u << bit)) {
                sorted.push_back(std::move(pScreen));
            }
        }
    }
    // A screen with none of the six bits is not placed by the sort; it is
    // kept at the end rather than lost.
    for (std::unique_ptr<Sdbg_Screen> &pScreen : owned) {
        if (pScreen) {
            sorted.push_back(std::move(pScreen));
        }
    }
    owned = std::move(sorted);
    visible.clear();
    screenNames.clear();
    for (const std::unique_ptr<Sdbg_Screen> &pScreen : owned) {
        screenNames[pScreen->GetName()] = static_cast<uint32_t>(visible.size());
        visible.push_back(pScreen.get());
    }
}

void SDbg_Worker::SelectScreens(uint32_t moduleType) {
    screenNames.clear();
    visible.clear();
    for (const std::unique_ptr<Sdbg_Screen> &pScreen : owned) {
        if (pScreen->HasModule(moduleType)) {
            screenNames[pScreen->GetName()] = static_cast<uint32_t>(visible.size());
            visible.push_back(pScreen.get());
        }
    }
}

void SDbg_Worker::Link(uint32_t /*moduleType*/, const char * /*pHost*/, uint16_t /*port*/) {
    // No link kind (socket or client driver) is part of this build, so no
    // link can be opened and the worker stays unlinked.
    throw Sdbg_Exception("Link to server failed");
}

void SDbg_Worker::Unlink() {
    ThrowNotLinked("Client is not linked");
}

uint32_t SDbg_Worker::GetServerType() const {
    return SDBG_UNDEFINED_ID;
}

Sdbg_Screen *SDbg_Worker::GetScreen(uint32_t index) const {
    if (index >= visible.size() || visible[index] == nullptr) {
        throw SDbg_WorkerException("Cannot find screen");
    }
    return visible[index];
}

uint32_t SDbg_Worker::FindScreen(const char *pText) const {
    const auto found = screenNames.find(pText);
    if (found != screenNames.end()) {
        return found->second;
    }
    if (std::isdigit(static_cast<unsigned char>(pText[0])) != 0) {
        return static_cast<uint32_t>(std::strtoul(pText, nullptr, 10)) - 1;
    }
    throw SDbg_WorkerException("Cannot find screen");
}

void SDbg_Worker::ThrowNotLinked(const char *pText) {
    throw SDbg_WorkerException(pText);
}

void SDbg_Worker::DumpScreen(Sdbg_LogicalView &view, uint32_t index, bool bXml) {
    Lock();
    try {
        DumpScreenLocked(view, index, bXml);
    } catch (...) {
        Unlock();
        throw;
    }
    Unlock();
}

void SDbg_Worker::DumpScreenLocked(Sdbg_LogicalView & /*view*/, uint32_t /*index*/, bool /*bXml*/) {
    ThrowNotLinked("Client isn't linked to server");
}

void SDbg_Worker::StartDisplay(Sdbg_LogicalView & /*view*/, uint32_t /*index*/,
                               uint32_t /*refreshMs*/) {
    ThrowNotLinked("Client isn't linked to server");
}

void SDbg_Worker::RemoteOperation(uint32_t /*operation*/, uint32_t /*typeId*/, uint32_t /*objId*/,
                                  uint32_t /*argCount*/, const char (* /*pArgs*/)[64]) {
    ThrowNotLinked("Client isn't linked to server");
}

void SDbg_Worker::Lock() {
    Sdbg_Mutex::Lock(&mutex);
}

void SDbg_Worker::Unlock() {
    Sdbg_Mutex::Unlock(&mutex);
}
