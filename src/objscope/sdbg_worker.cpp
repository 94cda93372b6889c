#include "sdbg_worker.h"

#include "sdbg_device.h"
#include "sdbg_exception.h"
#include "sdbg_logical_view.h"
#include "sdbg_obj_type_registry.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>

namespace {
constexpr uint32_t kModuleBits = 6;
} // namespace

SDbg_Worker::SDbg_Worker() {
    Sdbg_Mutex::Init(&mutex);
    Sdbg_Event::Init(&event);
    Sdbg_Event::Init(&wake);
}

SDbg_Worker::~SDbg_Worker() {
    StopDisplay();
    pServerLink.reset();
    Sdbg_Event::Destroy(&event);
    Sdbg_Event::Destroy(&wake);
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

void SDbg_Worker::Link(uint32_t moduleType, const char *pHost, uint16_t port) {
    Lock();
    try {
        if (pServerLink) {
            throw SDbg_WorkerException("Client already linked to a remote server");
        }
        pServerLink = std::make_unique<Sdbg_ServerLink>(moduleType, pHost, port);
        SelectScreens(moduleType);
        state = kIdle;
    } catch (...) {
        Unlock();
        throw;
    }
    Unlock();
}

void SDbg_Worker::Unlink() {
    Lock();
    const uint32_t current = state;
    if (current == kIdle) {
        visible.clear();
        screenNames.clear();
        for (const std::unique_ptr<Sdbg_Screen> &pScreen : owned) {
            screenNames[pScreen->GetName()] = static_cast<uint32_t>(visible.size());
            visible.push_back(pScreen.get());
        }
        pServerLink.reset();
        state = kNotLinked;
    }
    Unlock();
    if (current == kNotLinked) {
        ThrowNotLinked("Client is not linked");
    }
    if (current == kBusy || current == kStop) {
        ThrowNotLinked("Client is busy");
    }
    if (current != kIdle) {
        ThrowNotLinked("Client is inlinksistent state");
    }
}

uint32_t SDbg_Worker::GetServerType() const {
    return pServerLink ? pServerLink->GetServerType() : SDBG_UNDEFINED_ID;
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

void SDbg_Worker::DumpScreenLocked(Sdbg_LogicalView &view, uint32_t index, bool bXml) {
    if (!pServerLink) {
        ThrowNotLinked("Client isn't linked to server");
    }
    Sdbg_Screen *pScreen = GetScreen(index);
    state = kBusy;
    try {
        pScreen->Refresh(*pServerLink);
    } catch (const Sdbg_LinkException &failure) {
        (void)pServerLink->Relink();
        state = kIdle;
        pScreen->ClearLinkError();
        // A dump that shows nothing must say why and count as failed, so a
        // scripted dump against a dead server does not look successful.
        const std::string text =
            std::string("Error linking to remote server: ") + failure.GetText();
        throw SDbg_WorkerException(text.c_str());
    }
    view.Clear();
    Sdbg_OutputDev *pDev = view.GetDevice();
    pDev->SetFullScreen(true);
    pScreen->Print(view, bXml);
    // A window shows the dump's page; a stream gets all of it.
    if (pDev->IsStream()) {
        view.RenderAll(true);
    } else {
        view.Render(true);
    }
    pDev->SetFullScreen(false);
    state = kIdle;
}

void SDbg_Worker::StartDisplay(Sdbg_LogicalView &view, uint32_t index, uint32_t refreshMs) {
    JoinDisplayThread();
    Lock();
    try {
        if (!pServerLink) {
            ThrowNotLinked("Client isn't linked to server");
        }
        pCurrentScreen = GetScreen(index);
        pCurrentView = &view;
        refreshPeriodMs = refreshMs;
        state = kBusy;
        Sdbg_Event::Reset(&wake);
        bStopRequested.store(false);
        SdbgOs_StartThread(this);
        bThreadStarted = true;
    } catch (...) {
        Unlock();
        throw;
    }
    Unlock();
}

void SDbg_Worker::StopDisplay() {
    bStopRequested.store(true);
    Sdbg_Event::Set(&wake);
    Lock();
    if (state == kBusy || state == kStop) {
        state = kStop;
        Unlock();
        Sdbg_Event::Wait(&event);
    } else {
        Unlock();
    }
    // A display that saw the request and left before the lock came free
    // has set the event already.
    Sdbg_Event::Reset(&event);
    JoinDisplayThread();
    bStopRequested.store(false);
}

void SDbg_Worker::JoinDisplayThread() {
    if (bThreadStarted) {
        mosOsThrd_Destroy(&thread);
        bThreadStarted = false;
    }
}

void SDbg_Worker::PageDown() {
    Lock();
    if (pCurrentView != nullptr) {
        pCurrentView->PageDown();
        pCurrentView->Render(true);
    }
    Unlock();
}

void SDbg_Worker::PageUp() {
    Lock();
    if (pCurrentView != nullptr) {
        pCurrentView->PageUp(false);
        pCurrentView->Render(true);
    }
    Unlock();
}

bool SDbg_Worker::RefreshPeriod(uint32_t &retries) {
    try {
        pCurrentScreen->Refresh(*pServerLink);
    } catch (const Sdbg_LinkException &) {
        const uint32_t failed = retries + 1;
        if (failed > relinkLimit || bStopRequested.load()) {
            return false;
        }
        retries = pServerLink->Relink() ? 0 : failed;
    }
    pCurrentView->Clear();
    pCurrentScreen->Print(*pCurrentView, false);
    pCurrentView->Render(true);
    return true;
}

void SDbg_Worker::Run() {
    try {
        pCurrentView->GetDevice()->SetFullScreen(true);
        uint32_t retries = 0;
        bool bStopAsked = false;
        for (;;) {
            Lock();
            if (state == kStop || bStopRequested.load()) {
                bStopAsked = true;
                break;
            }
            if (!RefreshPeriod(retries)) {
                break;
            }
            const uint32_t periodMs = refreshPeriodMs;
            Unlock();
            (void)Sdbg_Event::WaitFor(&wake, periodMs);
        }
        // Leaving with the lock held.
        pCurrentView->GetDevice()->SetFullScreen(false);
        pCurrentView->PageUp(true);
        pCurrentView = nullptr;
        pCurrentScreen = nullptr;
        state = kIdle;
        if (bStopAsked || bStopRequested.load()) {
            Sdbg_Event::Set(&event);
        }
        Unlock();
    } catch (const Sdbg_Exception &) {
        SdbgOs_RestoreConsole();
        std::_Exit(1); // a failing device or relink leaves no usable display
    }
}

void SDbg_Worker::RemoteOperation(uint32_t operation, uint32_t typeId, uint32_t objId,
                                  uint32_t argCount, const char (*pArgs)[64]) {
    if (!pServerLink) {
        ThrowNotLinked("Client isn't linked to server");
    }
    uint32_t status = 0;
    try {
        status = pServerLink->DoOperation(operation, typeId, objId, argCount, pArgs);
    } catch (const Sdbg_LinkException &) {
        // The command fails, but the link is mended for the next one, as a
        // dump does; the command itself is not sent twice.
        (void)pServerLink->Relink();
        throw;
    }
    if (status != SDBG_STATUS__OK) {
        throw SDbg_WorkerException("Remote module failed to perform reqFEred operation");
    }
}

void SDbg_Worker::Lock() {
    Sdbg_Mutex::Lock(&mutex);
}

void SDbg_Worker::Unlock() {
    Sdbg_Mutex::Unlock(&mutex);
}
