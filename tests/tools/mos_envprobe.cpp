// A small program on the runtime's environment start-up, so that the
// start-up, the trace files and the ways a process ends can be driven end
// to end. The runtime's options come first; the last word names what to do:
//
//   idle            trace one line and end through mos_Exit(0)
//   assert          fail an assertion (exit code -1)
//   segv-thread     fault on a created thread (exit code -1)
//   planned-crash   end through a planned crash (exit code 254)
//   double-exit     two threads call mos_Exit(3) and mos_Exit(4) at once
//   flood           trace 100,000 lines as fast as possible, then exit 0
#include "mos_debug.h"
#include "mos_env.h"
#include "mos_os_thread.h"
#include "mos_trace.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

int appCallback(MosInitParams *pParams) {
    pParams->sdbg.moduleType = 6; // no debug-port server
    return 0;
}

void faultRoutine(void * /*pArg*/) {
    volatile uintptr_t badAddress = 16; // hidden from the optimiser
    *reinterpret_cast<volatile int *>(badAddress) = 1;
}

void exitRoutine(void *pArg) {
    mos_Exit(*static_cast<int *>(pArg));
}

[[noreturn]] void doubleExit() {
    static int codes[2] = {3, 4};
    MosOsThrd threads[2];
    for (int i = 0; i < 2; i++) {
        if (mosOsThrd_Create(&threads[i], exitRoutine, &codes[i], "exiter") != MOS_RC__SUCCESS) {
            mos_Exit(1);
        }
    }
    for (;;) {
        mosDbg_SleepMs(1000);
    }
}

int runAction(const char *pAction) {
    if (strcmp(pAction, "idle") == 0) {
        MOS_TRACE(MOS_COMP_MOS, 1, "probe idle %d", 1);
        mos_Exit(0);
    }
    if (strcmp(pAction, "assert") == 0) {
        int answer = 41;
        MOS_ASSERT(answer == 42);
    }
    if (strcmp(pAction, "segv-thread") == 0) {
        MosOsThrd thrd;
        if (mosOsThrd_Create(&thrd, faultRoutine, nullptr, "faulty") == MOS_RC__SUCCESS) {
            mosOsThrd_Destroy(&thrd);
        }
        return 1;
    }
    if (strcmp(pAction, "planned-crash") == 0) {
        mosDbg_PlannedCrashModuleWithDesc("probe");
    }
    if (strcmp(pAction, "double-exit") == 0) {
        doubleExit();
    }
    if (strcmp(pAction, "flood") == 0) {
        for (int i = 0; i < 100000; i++) {
            MOS_TRACE(MOS_COMP_MOS, 1, "flood line %d of the probe", i);
        }
        mos_Exit(0);
    }
    printf("unknown action %s\n", pAction);
    return 2;
}

} // namespace

int main(int argc, char *argv[]) {
    if (argc < 2) {
        printf("usage: mos_envprobe [runtime options] idle|assert|segv-thread|planned-crash|"
               "double-exit|flood\n");
        return 2;
    }
    MosConfEntry *tables[1] = {};
    uint32_t counts[1] = {};
    mos_opterr = 0; // the probe's own words cause no message
    MOS_RC rc = mosEnv_Init(argc, argv, tables, counts, 1, 0, appCallback);
    if (rc != MOS_RC__SUCCESS) {
        printf("Error %s (%d) starting up MOS\n", mos_RcName(rc), static_cast<int>(rc));
        return 1;
    }
    return runAction(argv[argc - 1]);
}
