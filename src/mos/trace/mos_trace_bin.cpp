#include "mos_trace_bin.h"

#include "mos_crc32c.h"
#include "mos_debug.h"
#include "os_logfile.h"

#include <cstring>

namespace {

class ArgWriter {
  public:
    ArgWriter(uint8_t *pDst, uint32_t capacity) : m_pDst(pDst), m_capacity(capacity) {}
    uint32_t used() const { return m_used; }
    uint32_t room() const { return m_capacity - m_used; }
    bool byte(uint8_t value) {
        if (room() < 1) {
            return false;
        }
        m_pDst[m_used++] = value;
        return true;
    }
    bool leb128(uint64_t value) {
        uint8_t tmp[10];
        uint32_t n = 0;
        do {
            uint8_t b = value & 0x7F;
            value >>= 7;
            tmp[n++] = static_cast<uint8_t>(value != 0 ? b | 0x80 : b);
        } while (value != 0);
        return bytes(tmp, n);
    }
    bool bytes(const void *p, uint32_t n) {
        if (room() < n) {
            return false;
        }
        memcpy(m_pDst + m_used, p, n);
        m_used += n;
        return true;
    }
    void rollback(uint32_t mark) { m_used = mark; }

  private:
    uint8_t *m_pDst;
    uint32_t m_capacity;
    uint32_t m_used = 0;
};

uint32_t leb128Size(uint64_t value) {
    uint32_t n = 1;
    while (value >>= 7) {
        n++;
    }
    return n;
}

// Length and width modifiers seen before a conversion character.
struct ConvFormat {
    int longCount = 0;
    bool bSizeT = false; // z, t, j, q, I, I64: a 64-bit argument on this ABI
    bool bInt32 = false; // I32
    bool bLongDouble = false;
    int stars = 0;
};

bool isSkipped(char c) {
    return strchr(" #'+-.0123456789ILhjqtzl", c) != nullptr;
}

const char *parseConversion(const char *p, ConvFormat *pConv, va_list &args, int64_t *pWidth) {
    for (; *p != '\0'; p++) {
        char c = *p;
        if (c == '*') {
            int v = va_arg(args, int);
            if (pConv->stars++ == 0) {
                *pWidth = v;
            }
        } else if (c == 'l') {
            pConv->longCount++;
        } else if (c == 'I') {
            if (p[1] == '3' && p[2] == '2') {
                pConv->bInt32 = true;
                p += 2;
            } else {
                pConv->bSizeT = true;
            }
        } else if (c == 'z' || c == 't' || c == 'j' || c == 'q') {
            pConv->bSizeT = true;
        } else if (c == 'L') {
            pConv->bLongDouble = true;
        } else if (!isSkipped(c)) {
            break;
        }
    }
    return p;
}

uint64_t readInteger(const ConvFormat &fmt, va_list &args) {
    if (fmt.longCount >= 2) {
        return va_arg(args, unsigned long long);
    }
    if (fmt.bInt32) {
        return va_arg(args, unsigned int);
    }
    if (fmt.bSizeT) {
        return static_cast<uint32_t>(va_arg(args, size_t));
    }
    if (fmt.longCount == 1) {
        return static_cast<uint32_t>(va_arg(args, unsigned long));
    }
    return va_arg(args, unsigned int);
}

// Encodes a string; cut to the room left, keeping its terminating NUL.
bool writeString(ArgWriter &w, const char *pText) {
    if (pText == nullptr) {
        pText = "(null)";
    }
    uint64_t len = strlen(pText) + 1;
    uint32_t room = w.room();
    if (room < 2) {
        return false;
    }
    while (len > 1 && leb128Size(len) + len > room) {
        len--;
    }
    if (leb128Size(len) + len > room) {
        return false;
    }
    w.leb128(len);
    w.bytes(pText, static_cast<uint32_t>(len - 1));
    return w.byte(0);
}

bool writeValue(ArgWriter &w, char conv, const ConvFormat &fmt, va_list &args) {
    switch (conv) {
        case 'd':
        case 'i':
        case 'o':
        case 'u':
        case 'x':
        case 'X':
            return w.leb128(readInteger(fmt, args));
        case 'p':
            return w.leb128(reinterpret_cast<uintptr_t>(va_arg(args, void *)));
        case 'c':
            return w.byte(static_cast<uint8_t>(va_arg(args, int)));
        case 's':
            return writeString(w, va_arg(args, const char *));
        default: {
            double v = fmt.bLongDouble ? static_cast<double>(va_arg(args, long double))
                                       : va_arg(args, double);
            uint8_t le[8];
            memcpy(le, &v, 8);
            return w.bytes(le, 8);
        }
    }
}

uint8_t typeOf(char conv) {
    switch (conv) {
        case 'd':
        case 'i':
        case 'o':
        case 'u':
        case 'x':
        case 'X':
        case 'p':
            return MOS_TRACE_ARG_INT;
        case 'c':
            return MOS_TRACE_ARG_CHAR;
        case 's':
            return MOS_TRACE_ARG_STRING;
        case 'a':
        case 'A':
        case 'e':
        case 'E':
        case 'f':
        case 'F':
        case 'g':
        case 'G':
            return MOS_TRACE_ARG_DOUBLE;
        default:
            mosDbg_Panic("", __FILE__, __func__, "0", "unsupported format in MOS_TRACE", __LINE__);
            mosDbg_AssertExit();
    }
}

} // namespace

uint32_t mosTrace_EncodeBinArgs(uint8_t *pDst, uint32_t dstCapacity, const char *pFormat,
                                va_list args, uint8_t *pNumArgs) {
    va_list ap;
    va_copy(ap, args);
    ArgWriter w(pDst, dstCapacity);
    uint8_t count = 0;
    bool bFull = false;
    for (const char *p = pFormat; *p != '\0'; p++) {
        if (*p != '%') {
            continue;
        }
        if (p[1] == '%') {
            p++;
            continue;
        }
        ConvFormat fmt;
        int64_t width = 0;
        p = parseConversion(p + 1, &fmt, ap, &width);
        if (*p == '\0') {
            break;
        }
        uint8_t tag = typeOf(*p);
        if (fmt.stars > 0) {
            tag |= MOS_TRACE_ARG_HAS_WIDTH;
        }
        uint32_t mark = w.used();
        bool bOk =
            !bFull && w.byte(tag) && (fmt.stars == 0 || w.leb128(static_cast<uint64_t>(width)));
        if (bOk) {
            bOk = writeValue(w, *p, fmt, ap);
        } else {
            // Still consumed, so that the argument list stays in step.
            uint8_t scratch[16];
            ArgWriter sink(scratch, sizeof(scratch));
            (void)writeValue(sink, *p, fmt, ap);
        }
        if (!bOk) {
            w.rollback(mark);
            bFull = true;
            continue;
        }
        count++;
    }
    va_end(ap);
    *pNumArgs = count;
    return w.used();
}

uint32_t mosTrace_BuildBinMsg(MosTraceBinMsg *pMsg, const MosLocalTime *pTime, uint64_t umtHandle,
                              uint32_t msgId, const char *pFunc, uint32_t line, const char *pFormat,
                              va_list args) {
    if (line >= (1u << (sizeof(pMsg->lineNum) * 8))) {
        mosDbg_Panic("", __FILE__, __func__, "line < (1<<(sizeof(pBinMsg->lineNum)*8))", "",
                     __LINE__);
        mosDbg_AssertExit();
    }
    memset(pMsg, 0, offsetof(MosTraceBinMsg, args));
    pMsg->kind = MOS_TRACE_BIN_KIND_MSG;
    pMsg->umtHandle = umtHandle;
    pMsg->year = static_cast<uint16_t>(pTime->year);
    pMsg->monthDayHour = static_cast<uint16_t>((pTime->month & 0xF) | (pTime->day & 0x1F) << 4 |
                                               (pTime->hour & 0x1F) << 9);
    pMsg->minuteSecond =
        static_cast<uint16_t>((pTime->minute & 0x3F) | (pTime->second & 0x3F) << 6);
    pMsg->microseconds = static_cast<uint32_t>(pTime->millisecond * 1000) & 0xFFFFF;
    pMsg->msgId = msgId;
    pMsg->funcId = mos_Crc32c(pFunc, strlen(pFunc));
    pMsg->lineNum = static_cast<uint16_t>(line);
    uint32_t argBytes = mosTrace_EncodeBinArgs(pMsg->args, MOS_TRACE_BIN_ARGS_CAPACITY, pFormat,
                                               args, &pMsg->numArgs);
    uint32_t length = offsetof(MosTraceBinMsg, args) + argBytes;
    pMsg->length = static_cast<uint16_t>(length);
    pMsg->crc = 0;
    pMsg->crc = mos_Crc32c(pMsg, length);
    return length;
}

void mosTrace_BuildBinFileHeader(MosTraceBinFileHeader *pHeader, uint32_t tag) {
    memset(pHeader, 0, sizeof(*pHeader));
    pHeader->kind = MOS_TRACE_BIN_KIND_HEADER;
    pHeader->length = sizeof(*pHeader);
    pHeader->tag = tag;
    memcpy(pHeader->build, MOS_TRACE_BUILD_TEXT, sizeof(MOS_TRACE_BUILD_TEXT));
    pHeader->crc = mos_Crc32c(pHeader, sizeof(*pHeader));
}
