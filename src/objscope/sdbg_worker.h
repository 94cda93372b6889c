// The viewer's client side: the screens, the link to the one remote server
// the viewer is attached to, and the display of a screen.
//
// This build has no server link yet (socket and driver links, the display
// thread and the object groups' refresh are not part of it), so the worker
// is never linked: Link reports "Link to server failed", Unlink "Client is
// not linked", and every operation that needs a link answers "Client isn't
// linked to server", as an unlinked worker does. Screens, their numbering
// and their lookup are complete.
#pragma once

#include "sdbg_os.h"
#include "sdbg_screen.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class Sdbg_LogicalView;

class SDbg_Worker {
  public:
    SDbg_Worker();
    ~SDbg_Worker();
    SDbg_Worker(const SDbg_Worker &) = delete;
    SDbg_Worker &operator=(const SDbg_Worker &) = delete;

    // Appends a screen to the owned and visible lists; its visible index.
    // Takes no lock (start-up, or the main thread while no display runs).
    uint32_t AddScreen(const char *pName, const char *pTitle, const char *pModules);
    void AddGroup(uint32_t screenIndex, const uint32_t *pTypeIds, uint32_t count,
                  const uint32_t *pObjIds);
    void DeleteLastScreen();
    // Orders the screens by the lowest set bit of their module mask,
    // keeping the building order within one bit; all become visible.
    void SortScreens();
    // Makes visible the screens whose mask has bit moduleType.
    void SelectScreens(uint32_t moduleType);

    void Link(uint32_t moduleType, const char *pHost, uint16_t port);
    void Unlink();
    // The linked server's module type; SDBG_UNDEFINED_ID when not linked.
    uint32_t GetServerType() const;

    uint32_t ScreenCount() const { return static_cast<uint32_t>(visible.size()); }
    // Throws "Cannot find screen" for an index beyond the visible screens.
    Sdbg_Screen *GetScreen(uint32_t index) const;
    // A visible screen's name, else a leading decimal number less 1 (no
    // range test), else "Cannot find screen".
    uint32_t FindScreen(const char *pText) const;

    void DumpScreen(Sdbg_LogicalView &view, uint32_t index, bool bXml);
    void DumpScreenLocked(Sdbg_LogicalView &view, uint32_t index, bool bXml);
    void StartDisplay(Sdbg_LogicalView &view, uint32_t index, uint32_t refreshMs);
    void RemoteOperation(uint32_t operation, uint32_t typeId, uint32_t objId, uint32_t argCount,
                         const char (*pArgs)[64]);

    void Lock();
    void Unlock();

  private:
    [[noreturn]] static void ThrowNotLinked(const char *pText);

    std::vector<std::unique_ptr<Sdbg_Screen>> owned;
    std::vector<Sdbg_Screen *> visible;
    std::map<std::string, uint32_t> screenNames;
    Sdbg_Mutex mutex;
};
