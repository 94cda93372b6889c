// The viewer's client side: the screens, the link to the one remote server
// the viewer is attached to, and the display of a screen.
//
// One lock guards everything the main thread and the display thread
// share: state, server link, current screen and view, refresh period and
// the screen lists. The display thread holds it from a period's refresh to
// the end of its render, never while sleeping. Each display's thread is
// joined when the display ends, so repeated displays leave no threads.
#pragma once

#include "sdbg_os.h"
#include "sdbg_screen.h"
#include "sdbg_server_link.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class Sdbg_LogicalView;

class SDbg_Worker : public Sdbg_ThrdRunnable {
  public:
    SDbg_Worker();
    ~SDbg_Worker() override;
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
    // Asks the display to end and returns once its thread has ended.
    void StopDisplay();
    void PageDown();
    void PageUp();
    // The display thread's body.
    void Run() override;
    void RemoteOperation(uint32_t operation, uint32_t typeId, uint32_t objId, uint32_t argCount,
                         const char (*pArgs)[64]);

    void Lock();
    void Unlock();

    enum : uint32_t { kNotLinked = 0, kIdle = 1, kBusy = 2, kStop = 3 };
    uint32_t GetState() const { return state; }

  private:
    [[noreturn]] static void ThrowNotLinked(const char *pText);

    std::vector<std::unique_ptr<Sdbg_Screen>> owned;
    std::vector<Sdbg_Screen *> visible;
    std::map<std::string, uint32_t> screenNames;
    Sdbg_Mutex mutex;
    // 0 not linked, 1 idle, 2 busy, 3 stop.
    uint32_t state = 0;
    std::unique_ptr<Sdbg_ServerLink> pServerLink;
    Sdbg_Event event;
    // Set by StopDisplay: ends the display thread's wait between periods,
    // so leaving does not wait out a long refresh period.
    Sdbg_Event wake;
    // Set by StopDisplay before it waits for the lock. A display thread held
    // up in a stalled transfer (which fails at the link's time limit at the
    // latest) then leaves without relinking or starting another period.
    std::atomic<bool> bStopRequested{false};
    Sdbg_Screen *pCurrentScreen = nullptr;
    Sdbg_LogicalView *pCurrentView = nullptr;
    uint32_t refreshPeriodMs = 1000;
    uint32_t relinkLimit = 10;
    bool bThreadStarted = false;

    // Joins the thread of a display that has ended (main thread only).
    void JoinDisplayThread();
    // One display period under the lock; false when relinks ran out.
    bool RefreshPeriod(uint32_t &retries);
};
