// Driver replies built at explicit offsets for the printer tests,
// independent of the record structures under test.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct Bytes {
    std::vector<uint8_t> buf;
    explicit Bytes(size_t size) : buf(size, 0) {}
    Bytes &u32(size_t offset, uint32_t value) {
        memcpy(buf.data() + offset, &value, 4);
        return *this;
    }
    Bytes &u64(size_t offset, uint64_t value) {
        memcpy(buf.data() + offset, &value, 8);
        return *this;
    }
    Bytes &text(size_t offset, const std::string &value) {
        memcpy(buf.data() + offset, value.data(), value.size());
        return *this;
    }
    // An IPv4 network address record (24 bytes) a.b.c.d at offset.
    Bytes &ipv4(size_t offset, uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
        const uint8_t addr[] = {a, b, c, d};
        memcpy(buf.data() + offset, addr, 4);
        return u32(offset + 16, 1);
    }
    const uint8_t *at(size_t offset) const { return buf.data() + offset; }
};
