// A hostile debug server: the input is cut into replies (each a u16 length
// then that many bytes) that answer the viewer's link check, object count,
// all-objects and chosen-objects requests in turn, three rounds. A length
// of 0xFFFF stands for a server that closed the connection there, 0xFFFE
// for one that stopped answering until the time limit. The viewer must
// refuse or bound whatever it is told, never read or write outside its
// buffers, report each transport failure with its own error and text, and
// relink for the next round.
#include "scripted_link.h"
#include "sdbg_exception.h"
#include "sdbg_obj_type_registry.h"
#include "sdbg_server_link.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr uint32_t kMaxFetched = 64; // keeps one input fast

constexpr uint32_t kClosedMark = 0xFFFF;
constexpr uint32_t kStalledMark = 0xFFFE;
constexpr int kRounds = 3;

void Script(objscopetest::ScriptedLink &link, const uint8_t *pData, size_t size) {
    // Request 0 is the link check, answered before the script.
    link.failures.push_back(0);
    while (size >= 2) {
        const uint32_t mark = pData[0] | (pData[1] << 8);
        if (mark == kClosedMark || mark == kStalledMark) {
            link.failures.push_back(mark == kClosedMark ? NET_WSAEDISCON : NET_WSAETIMEDOUT);
            pData += 2;
            size -= 2;
            continue;
        }
        link.failures.push_back(0);
        const size_t length = std::min<size_t>(mark, size - 2);
        link.replies.emplace_back(pData + 2, pData + 2 + length);
        pData += 2 + length;
        size -= 2 + length;
    }
}

void Exercise(Sdbg_ServerLink &server, uint32_t typeId) {
    uint32_t count = 0;
    if (server.GetObjCount(typeId, &count) != SDBG_STATUS__OK) {
        count = 1;
    }
    count = std::min(count, kMaxFetched);
    const uint32_t querySize = sdbg_GetObjQuerySize(typeId);
    std::vector<std::vector<uint8_t>> objects(count, std::vector<uint8_t>(querySize));
    uint32_t received = 0;
    auto pickAll = [&](uint32_t k, uint32_t) {
        return Sdbg_RecordDest{objects.at(k).data(), querySize};
    };
    (void)server.GetAllObjs(typeId, count, pickAll, &received);
    const uint32_t typeIds[2] = {typeId, typeId};
    const uint32_t objIds[2] = {0, 1};
    std::vector<bool> found(2, false);
    std::vector<uint8_t> chosen[2] = {std::vector<uint8_t>(querySize),
                                      std::vector<uint8_t>(querySize)};
    auto pickChosen = [&](uint32_t i) { return Sdbg_RecordDest{chosen[i].data(), querySize}; };
    (void)server.GetObjsById(2, typeIds, objIds, pickChosen, found);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t size) {
    Sdbg_ObjTypeRegistry::Init();
    if (size < 1) {
        return 0;
    }
    const uint32_t typeId = 2 + pData[0] % 174;
    auto pLink = std::make_unique<objscopetest::ScriptedLink>();
    pLink->ReplyWords({SDBG_STATUS__OK, 2});
    Script(*pLink, pData + 1, size - 1);
    objscopetest::ScriptedLink *pScript = pLink.get();
    std::unique_ptr<Sdbg_ServerLink> pServer;
    try {
        pServer = std::make_unique<Sdbg_ServerLink>(2, std::move(pLink));
    } catch (const Sdbg_Exception &) {
        return 0; // a refused link check
    }
    for (int round = 0; round < kRounds; ++round) {
        const size_t opensBefore = pScript->opens;
        try {
            Exercise(*pServer, typeId);
        } catch (const Sdbg_SockLinkException &failure) {
            // The transport's own error and a text for it, never an empty one.
            const uint32_t code = failure.GetErrorCode();
            if ((code != NET_WSAEDISCON && code != NET_WSAETIMEDOUT) || failure.GetText()[0] == 0) {
                __builtin_trap();
            }
            if (!pServer->Relink() || pScript->opens != opensBefore + 1) {
                __builtin_trap(); // the next round must run on a fresh link
            }
        } catch (const Sdbg_Exception &) {
            // a refused reply: the viewer reports it and goes on
        }
    }
    return 0;
}
