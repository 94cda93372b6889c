#include "mos_crc32c.h"

#include <array>
#include <cpuid.h>
#include <cstring>

namespace {

using CrcTables = std::array<std::array<uint32_t, 256>, 8>;

constexpr CrcTables makeTables() {
    CrcTables t{};
    for (uint32_t i = 0; i < 256; i++) {
        uint32_t crc = i;
        for (int bit = 0; bit < 8; bit++) {
            crc = (crc >> 1) ^ (MOS_CRC32C_POLY & (0u - (crc & 1u)));
        }
        t[0][i] = crc;
    }
    for (size_t k = 1; k < 8; k++) {
        for (uint32_t i = 0; i < 256; i++) {
            t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
        }
    }
    return t;
}

constexpr CrcTables crcTables_G = makeTables();

uint32_t crcStoredChoice_G = MOS_CRC_IMPL__AUTO;
uint32_t (*pCrcFn_G)(const void *, size_t) = mosCrc32c_Software;
uint32_t crcInUse_G = MOS_CRC_IMPL__SOFTWARE;

inline uint32_t crcByte(uint32_t crc, uint8_t byte) {
    return (crc >> 8) ^ crcTables_G[0][(crc ^ byte) & 0xFF];
}

__attribute__((target("sse4.2"))) uint32_t hwTail(uint32_t crc, const uint8_t *p, size_t n) {
    if (n >= 4) {
        uint32_t v;
        memcpy(&v, p, 4);
        crc = __builtin_ia32_crc32si(crc, v);
        p += 4;
        n -= 4;
    }
    if (n >= 2) {
        uint16_t v;
        memcpy(&v, p, 2);
        crc = __builtin_ia32_crc32hi(crc, v);
        p += 2;
        n -= 2;
    }
    if (n >= 1) {
        crc = __builtin_ia32_crc32qi(crc, *p);
    }
    return crc;
}

} // namespace

uint32_t mosCrc32c_Software(const void *pData, size_t length) {
    const auto *p = static_cast<const uint8_t *>(pData);
    uint32_t crc = MOS_CRC32C_INIT;
    // Bytewise up to a 4-byte boundary so the 8-byte steps read aligned.
    while (length > 0 && (reinterpret_cast<uintptr_t>(p) & 3) != 0) {
        crc = crcByte(crc, *p++);
        length--;
    }
    const auto &t = crcTables_G;
    while (length >= 8) {
        uint32_t lo;
        uint32_t hi;
        memcpy(&lo, p, 4);
        memcpy(&hi, p + 4, 4);
        lo ^= crc;
        crc = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
              t[3][hi & 0xFF] ^ t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24];
        p += 8;
        length -= 8;
    }
    while (length > 0) {
        crc = crcByte(crc, *p++);
        length--;
    }
    return crc;
}

__attribute__((target("sse4.2"))) uint32_t mosCrc32c_Hw32(const void *pData, size_t length) {
    const auto *p = static_cast<const uint8_t *>(pData);
    uint32_t crc = MOS_CRC32C_INIT;
    while (length >= 4) {
        uint32_t v;
        memcpy(&v, p, 4);
        crc = __builtin_ia32_crc32si(crc, v);
        p += 4;
        length -= 4;
    }
    return hwTail(crc, p, length);
}

__attribute__((target("sse4.2"))) uint32_t mosCrc32c_Hw64(const void *pData, size_t length) {
    const auto *p = static_cast<const uint8_t *>(pData);
    unsigned long long crc = MOS_CRC32C_INIT;
    while (length >= 8) {
        unsigned long long v;
        memcpy(&v, p, 8);
        crc = __builtin_ia32_crc32di(crc, v);
        p += 8;
        length -= 8;
    }
    return hwTail(static_cast<uint32_t>(crc), p, length);
}

bool mosCrc32c_HasHardware() {
    unsigned int eax = 0;
    unsigned int ebx = 0;
    unsigned int ecx = 0;
    unsigned int edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) {
        return false;
    }
    return (ecx & (1u << 20)) != 0; // SSE4.2
}

uint32_t mos_Crc32c(const void *pData, size_t length) {
    return pCrcFn_G(pData, length);
}

MOS_RC mosCrc32c_Select(void *pCrcParams) {
    const auto *pParams = static_cast<const MosCrcParams *>(pCrcParams);
    if (pParams != nullptr && pParams->crcImpl != 0) {
        crcStoredChoice_G = pParams->crcImpl;
    }
    uint32_t choice = crcStoredChoice_G;
    bool bHardware = mosCrc32c_HasHardware();
    if (choice == MOS_CRC_IMPL__AUTO || choice > MOS_CRC_IMPL__HW64) {
        choice = bHardware ? MOS_CRC_IMPL__HW64 : MOS_CRC_IMPL__SOFTWARE;
    }
    if (!bHardware) {
        // A forced hardware form on a processor without the instruction
        // would end in an illegal-instruction fault at the first trace.
        choice = MOS_CRC_IMPL__SOFTWARE;
    }
    switch (choice) {
        case MOS_CRC_IMPL__HW32:
            pCrcFn_G = mosCrc32c_Hw32;
            break;
        case MOS_CRC_IMPL__HW64:
            pCrcFn_G = mosCrc32c_Hw64;
            break;
        default:
            choice = MOS_CRC_IMPL__SOFTWARE;
            pCrcFn_G = mosCrc32c_Software;
            break;
    }
    crcInUse_G = choice;
    return MOS_RC__SUCCESS;
}

uint32_t mosCrc32c_InUse() {
    return crcInUse_G;
}
