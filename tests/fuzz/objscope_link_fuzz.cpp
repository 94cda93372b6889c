// A hostile debug server: the input is cut into replies (each a u16 length
// then that many bytes) that answer the viewer's link check, object count,
// all-objects and chosen-objects requests in turn. The viewer must refuse
// or bound whatever it is told, never read or write outside its buffers.
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

void Script(objscopetest::ScriptedLink &link, const uint8_t *pData, size_t size) {
    while (size >= 2) {
        const size_t length = std::min<size_t>(pData[0] | (pData[1] << 8), size - 2);
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
    try {
        Sdbg_ServerLink server(2, std::move(pLink));
        Exercise(server, typeId);
    } catch (const Sdbg_Exception &) {
        // a refused or dropped reply: the viewer reports it and goes on
    }
    return 0;
}
