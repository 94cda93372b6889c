// A sample storage process: starts the runtime with the debug-port
// server on 127.0.0.1-reachable port <port> as module <ini|tgt|mdm|voter>,
// serves the runtime's own objects, and takes commands on standard input:
//
//   add <typeId> <recordFile> [count]   count objects (default 1) whose
//                                       query structure is the file's
//                                       bytes (exactly the type's size)
//   set <typeId> <index> <offset> <hex> overwrite bytes of one object
//   drop <typeId> <index>               unregister one object
//   exit                                stop the server and end (also EOF)
//
// Every command answers one line: "ok ..." or "error: ...". A command run
// through the debug port prints "command <typeId> <name> <code> [args]".
// The first line, once the server listens, is "ready <port> <module>".
#include "dport_proto.h"
#include "dport_server.h"
#include "mos_debug.h"
#include "mos_env.h"
#include "mos_init_params.h"
#include "mos_loader.h"
#include "mos_net_sock.h"
#include "mos_obj.h"
#include "sample_storage_umt.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct SampleObj {
    MosObjEntry entry; // first member: the query function casts back from it
    // Objects added together share one record until one of them is changed.
    std::shared_ptr<std::vector<uint8_t>> pRecord;
    std::string name;
};

struct SampleType {
    MosObjType type{};
    std::list<SampleObj> objs; // stable addresses; registry order kept separately
};

std::map<uint32_t, SampleType> types_G;
std::mutex outLock_G;

void say(const std::string &line) {
    std::lock_guard<std::mutex> guard(outLock_G);
    fprintf(stdout, "%s\n", line.c_str());
    fflush(stdout);
}

void querySample(MosObjEntry *pEntry, const char * /*pName*/, void *pBuf) {
    const auto *pObj = reinterpret_cast<const SampleObj *>(pEntry);
    memcpy(pBuf, pObj->pRecord->data(), pObj->pRecord->size());
}

void commandSample(MosObjEntry *pEntry, uint32_t command, uint32_t argc,
                   const char (*pArgs)[MOS_OBJ_CMD_ARG_SIZE]) {
    const auto *pObj = reinterpret_cast<const SampleObj *>(pEntry);
    std::string line = "command " + pObj->name + " " + std::to_string(command);
    for (uint32_t i = 0; i < argc; ++i) {
        line += std::string(" ") + pArgs[i];
    }
    say(line);
}

bool readFile(const std::string &path, std::vector<uint8_t> *pBytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    pBytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// The type record of this process for typeId, registered on first use.
// Ids the runtime registers itself are not ours to fill.
SampleType *typeFor(uint32_t typeId, std::string *pError) {
    auto it = types_G.find(typeId);
    if (it != types_G.end()) {
        return &it->second;
    }
    if (sdbg_GetObjQuerySize(typeId) == 0) {
        *pError = "unknown type id " + std::to_string(typeId);
        return nullptr;
    }
    if (mosObjType_GetById(typeId) != nullptr) {
        *pError = "type " + std::to_string(typeId) + " belongs to the runtime";
        return nullptr;
    }
    SampleType &type = types_G[typeId];
    mosObjType_RegObjType(&type.type, querySample, commandSample, typeId,
                          sdbg_GetObjQuerySize(typeId));
    return &type;
}

std::string cmdAdd(std::istringstream &args) {
    uint32_t typeId = 0;
    std::string path;
    uint32_t count = 1;
    if (!(args >> typeId >> path)) {
        return "error: add <typeId> <recordFile> [count]";
    }
    args >> count;
    auto pRecord = std::make_shared<std::vector<uint8_t>>();
    std::vector<uint8_t> &record = *pRecord;
    if (!readFile(path, &record)) {
        return "error: cannot read " + path;
    }
    if (record.size() != sdbg_GetObjQuerySize(typeId)) {
        return "error: record of " + std::to_string(record.size()) + " bytes, type " +
               std::to_string(typeId) + " takes " + std::to_string(sdbg_GetObjQuerySize(typeId));
    }
    std::string error;
    SampleType *pType = typeFor(typeId, &error);
    if (pType == nullptr) {
        return "error: " + error;
    }
    uint32_t first = mosObjType_GetNumObjs(&pType->type);
    for (uint32_t i = 0; i < count; ++i) {
        SampleObj &obj = pType->objs.emplace_back();
        obj.pRecord = pRecord;
        obj.name = std::to_string(typeId) + "." + std::to_string(first + i);
        obj.entry = {};
        mosObjType_RegObj(&pType->type, &obj.entry, obj.name.c_str());
    }
    return "ok " + std::to_string(first) + " " + std::to_string(count);
}

// Finds the object at index and leaves its type locked (null: not found).
SampleObj *lockObj(uint32_t typeId, uint32_t index, SampleType **ppType) {
    auto it = types_G.find(typeId);
    if (it == types_G.end()) {
        return nullptr;
    }
    *ppType = &it->second;
    MosObjEntry *pEntry = mosObjType_EnumStartAtIndex(&it->second.type, index);
    return reinterpret_cast<SampleObj *>(pEntry);
}

std::vector<uint8_t> parseHex(const std::string &text) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        bytes.push_back(static_cast<uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

std::string cmdSet(std::istringstream &args) {
    uint32_t typeId = 0, index = 0, offset = 0;
    std::string hex;
    if (!(args >> typeId >> index >> offset >> hex) || hex.size() % 2 != 0) {
        return "error: set <typeId> <index> <offset> <hexBytes>";
    }
    std::vector<uint8_t> bytes = parseHex(hex);
    SampleType *pType = nullptr;
    SampleObj *pObj = lockObj(typeId, index, &pType);
    if (pObj == nullptr) {
        return "error: no object " + std::to_string(typeId) + "/" + std::to_string(index);
    }
    bool bFits = uint64_t{offset} + bytes.size() <= pObj->pRecord->size();
    if (bFits) {
        pObj->pRecord = std::make_shared<std::vector<uint8_t>>(*pObj->pRecord);
        memcpy(pObj->pRecord->data() + offset, bytes.data(), bytes.size());
    }
    mosObjType_EnumEnd(&pType->type);
    return bFits ? "ok" : "error: past the end of the record";
}

std::string cmdDrop(std::istringstream &args) {
    uint32_t typeId = 0, index = 0;
    if (!(args >> typeId >> index)) {
        return "error: drop <typeId> <index>";
    }
    SampleType *pType = nullptr;
    SampleObj *pObj = lockObj(typeId, index, &pType);
    if (pObj == nullptr) {
        return "error: no object " + std::to_string(typeId) + "/" + std::to_string(index);
    }
    mosObjType_EnumEnd(&pType->type);
    mosObjType_UnregObj(&pType->type, &pObj->entry);
    for (auto it = pType->objs.begin(); it != pType->objs.end(); ++it) {
        if (&*it == pObj) {
            pType->objs.erase(it);
            break;
        }
    }
    return "ok";
}

uint32_t moduleTypeOf(const std::string &word) {
    const char *const names[] = {"ini", "tgt", "mdm", "voter"};
    for (uint32_t i = 0; i < 4; ++i) {
        if (word == names[i]) {
            return i + 1;
        }
    }
    return 0;
}

// Stops the server (waking a blocked accept or an idle client), then ends
// through the runtime's exit, which flushes the traces.
[[noreturn]] void stopAndExit(int code) {
    sdbgServer_Destroy();
    mos_Exit(code);
}

uint32_t moduleType_G = 0;

// The runtime's defaults (as a storage process's configuration file gives
// them) with the debug port switched on for our module.
int setServerModule(MosInitParams *pParams) {
    pParams->sdbg.moduleType = moduleType_G;
    return 0;
}

} // namespace

// sample_storage [runtime options] <port> <ini|tgt|mdm|voter>
int main(int argc, char **argv) {
    if (argc < 3 || moduleTypeOf(argv[argc - 1]) == 0 || atoi(argv[argc - 2]) <= 0 ||
        atoi(argv[argc - 2]) > 65535) {
        fprintf(stderr, "usage: %s [--conf_file F] [--log_dir D] <port> <ini|tgt|mdm|voter>\n",
                argv[0]);
        return 2;
    }
    moduleType_G = moduleTypeOf(argv[argc - 1]);
    const auto port = static_cast<uint16_t>(atoi(argv[argc - 2]));
    MosConfEntry *pTables[1] = {nullptr};
    uint32_t counts[1] = {0};
    if (mosEnv_Init(argc - 2, argv, pTables, counts, 1, port, setServerModule) != MOS_RC__SUCCESS) {
        fprintf(stderr, "cannot start the runtime\n");
        return 1;
    }
    if (!sdbgServer_IsRunning()) {
        fprintf(stderr, "the debug port did not start on port %s\n", argv[argc - 2]);
        return 1;
    }
    say(std::string("ready ") + argv[argc - 2] + " " + argv[argc - 1]);
    char buf[4096];
    while (fgets(buf, sizeof(buf), stdin) != nullptr) {
        std::istringstream words(buf);
        std::string cmd;
        words >> cmd;
        if (cmd == "exit") {
            break;
        }
        if (cmd == "add") {
            say(cmdAdd(words));
        } else if (cmd == "set") {
            say(cmdSet(words));
        } else if (cmd == "drop") {
            say(cmdDrop(words));
        } else if (cmd == "umt") {
            say(sampleUmt_Command(words));
        } else if (!cmd.empty()) {
            say("error: unknown command " + cmd);
        }
    }
    say("bye");
    stopAndExit(0);
}
