// A transport that answers from a script instead of a peer: each Transact
// records the request sent and fills exactly the response length from the
// next scripted reply (0xFF past its end, as a server pads), or throws a
// link exception when the script says the connection is gone.
#pragma once

#include "sdbg_exception.h"
#include "sdbg_link.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <vector>

namespace objscopetest {

class ScriptedLink : public Sdbg_Link {
  public:
    ScriptedLink() : Sdbg_Link("scripted") {}

    bool Open() override {
        ++opens;
        return bOpenSucceeds;
    }
    bool Close() override { return true; }
    uint32_t Transact(uint8_t *pBuffer, uint32_t reqSize, uint32_t respSize) override {
        WriteHeader(pBuffer, reqSize, respSize);
        sent.emplace_back(pBuffer, pBuffer + ReqHeaderSize() + reqSize);
        const size_t index = sent.size() - 1;
        if (index < failures.size() && failures[index] != 0) {
            throw Sdbg_SockLinkException(failures[index]);
        }
        if (replies.empty() || bDropNext) {
            bDropNext = false;
            throw Sdbg_SockLinkException(NET_WSAEDISCON);
        }
        const std::vector<uint8_t> reply = replies.front();
        replies.pop_front();
        std::memset(pBuffer, 0xFF, respSize);
        if (!reply.empty()) {
            std::memcpy(pBuffer, reply.data(), std::min<size_t>(reply.size(), respSize));
        }
        return respSize;
    }
    void GetErrorText(char *pBuf) const override { pBuf[0] = '\0'; }

    // Appends one reply made of u32 words.
    void ReplyWords(std::initializer_list<uint32_t> words) {
        std::vector<uint8_t> bytes(words.size() * 4);
        std::memcpy(bytes.data(), std::data(words), bytes.size());
        replies.push_back(bytes);
    }

    std::deque<std::vector<uint8_t>> replies;
    // The socket error request i fails with instead of taking a reply (0: none).
    std::vector<uint32_t> failures;
    std::vector<std::vector<uint8_t>> sent;
    bool bOpenSucceeds = true;
    bool bDropNext = false;
    uint32_t opens = 0;
};

} // namespace objscopetest
