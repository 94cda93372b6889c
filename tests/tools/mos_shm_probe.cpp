// mos_shm_probe: the runtime's shared memory between processes.
//
//   mos_shm_probe serve <framedPort> <v20Port>
//       runs both shared-memory servers until standard input ends;
//   mos_shm_probe layer <framedPort> <v20Port> <prefix> [name...]
//       starts the shared-memory layer against those servers, prints
//       "create <rc name>" and one "record <name>" per record, records the
//       names given, writes them with an index update ("update <rc name>")
//       and stops the layer;
//   mos_shm_probe corrupt <framedPort> <v20Port> <prefix>
//       flips one bit of the prefix's index magic;
//   mos_shm_probe collect <framedPort> <v20Port> <prefix>
//       starts the layer, prints its records like "layer", and stops it
//       with the collection on;
//   mos_shm_probe make|open <framedPort> <v20Port> <name>...
//       creates (4 KiB) or opens each named segment, printing
//       "make <rc name>" or "open <rc name>"; the server keeps them.
#include "mos_loader.h"
#include "mos_shm_client.h"
#include "mos_shm_layer.h"
#include "mos_trace.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Prints one result line in a single write, laid out as the runtime's
// trace lines on the same stream are (a line break first, none after):
// the C runtime may write a formatted print in parts, between which
// another thread's trace line could land, and a line printed after a
// trace line would otherwise continue it.
MOS_PRINTF_LIKE(1, 2) void say(const char *pFormat, ...) {
    char line[512];
    line[0] = '\n';
    va_list args;
    va_start(args, pFormat);
    int len = vsnprintf(line + 1, sizeof(line) - 1, pFormat, args);
    va_end(args);
    if (len < 0) {
        return;
    }
    fwrite(line, 1, std::min(sizeof(line) - 1, static_cast<size_t>(len) + 1), stdout);
    fflush(stdout);
}

int serve(uint16_t portV20) {
    MosShmParams params = {1, portV20, nullptr, 0};
    MOS_RC rc = mosShmClient_Create(&params);
    say("serve %s", mos_RcName(rc));
    if (rc != MOS_RC__SUCCESS) {
        return 1;
    }
    while (fgetc(stdin) != EOF) {
    }
    mosShmLayer_DestroyOs();
    return 0;
}

bool startLayer(uint16_t portV20, const char *pPrefix) {
    MosShmParams params = {0, portV20, pPrefix, 0};
    MOS_RC rc = mosShmLayer_Create(&params);
    say("create %s", mos_RcName(rc));
    if (rc != MOS_RC__SUCCESS) {
        return false;
    }
    for (MosListNode *p = mosShmLayer_G.objList.pFirst; p != nullptr; p = mosList_Next(p)) {
        say("record %s", reinterpret_cast<MosShmGCObj *>(p)->name);
    }
    return true;
}

int layer(uint16_t portV20, const char *pPrefix, int numNames, char **ppNames) {
    if (!startLayer(portV20, pPrefix)) {
        return 1;
    }
    for (int i = 0; i < numNames; i++) {
        (void)mosShmLayer_CreateGCObj(ppNames[i]);
    }
    if (numNames > 0) {
        say("update %s", mos_RcName(mosShmLayer_UpdateIndex()));
    }
    mosShmLayer_Destroy();
    return 0;
}

int collect(uint16_t portV20, const char *pPrefix) {
    if (!startLayer(portV20, pPrefix)) {
        return 1;
    }
    mosShmLayer_SetGarbageCollect(1);
    mosShmLayer_Destroy();
    return 0;
}

int segments(bool bMake, uint16_t portV20, int numNames, char **ppNames) {
    MosShmParams params = {0, portV20, nullptr, 0};
    if (mosShmClient_Create(&params) != MOS_RC__SUCCESS) {
        return 1;
    }
    for (int i = 0; i < numNames; i++) {
        MosShm shm;
        MOS_RC rc = mosShmUmt_CreateOs(&shm, ppNames[i], bMake ? 4096 : 0, bMake ? 1 : 0, 0);
        say("%s %s", bMake ? "make" : "open", mos_RcName(rc));
        if (rc == MOS_RC__SUCCESS) {
            mosShm_CloseOs(&shm);
        }
    }
    mosShmLayer_DestroyOs();
    return 0;
}

int corrupt(uint16_t portV20, const char *pPrefix) {
    MosShmParams params = {0, portV20, nullptr, 0};
    if (mosShmClient_Create(&params) != MOS_RC__SUCCESS) {
        return 1;
    }
    std::string indexName = std::string(pPrefix) + "_INDEX";
    MosShm index;
    MOS_RC rc = mosShmUmt_CreateOs(&index, indexName.c_str(), 0, 0, 0);
    if (rc == MOS_RC__SUCCESS && mosShm_Map(&index) == MOS_RC__SUCCESS) {
        static_cast<char *>(index.pMem)[5] ^= 1;
        mosShm_CloseOs(&index);
    }
    say("corrupt %s", mos_RcName(rc));
    mosShmLayer_DestroyOs();
    return rc == MOS_RC__SUCCESS ? 0 : 1;
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 4 || (strcmp(argv[1], "serve") != 0 && argc < 5)) {
        fprintf(stderr, "usage: mos_shm_probe serve|layer|corrupt|collect|make|open <framedPort> "
                        "<v20Port> ...\n");
        return 2;
    }
    if (mos_Init(nullptr) != MOS_RC__SUCCESS) {
        return 1;
    }
    // The runtime's traces to standard output, where the test reads them.
    MosTrcParams trcParams{};
    trcParams.trc_stdout = 1;
    if (mosTrcLayer_Create(&trcParams) != MOS_RC__SUCCESS) {
        return 1;
    }
    mosShmClient_SetFramedPort(static_cast<uint16_t>(atoi(argv[2])));
    auto portV20 = static_cast<uint16_t>(atoi(argv[3]));
    if (strcmp(argv[1], "serve") == 0) {
        return serve(portV20);
    }
    if (strcmp(argv[1], "layer") == 0) {
        return layer(portV20, argv[4], argc - 5, argv + 5);
    }
    if (strcmp(argv[1], "collect") == 0) {
        return collect(portV20, argv[4]);
    }
    if (strcmp(argv[1], "make") == 0 || strcmp(argv[1], "open") == 0) {
        return segments(strcmp(argv[1], "make") == 0, portV20, argc - 4, argv + 4);
    }
    return corrupt(portV20, argv[4]);
}
