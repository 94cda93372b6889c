// Family A encoder against a plain, unoptimised transcription of its
// first-piece rules: every level must write the very same bytes.
#include "codec_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace codec_test;

namespace {

class ReferenceEncoder {
  public:
    ReferenceEncoder(int level, uint32_t tableBytes) : m_level(level) {
        uint32_t entries = tableBytes / 2;
        m_table.assign(entries, 0);
        m_shift = 32 - uint32_t(__builtin_ctz(entries));
    }

    Bytes encode(const Bytes &input) {
        m_out.clear();
        for (size_t at = 0; at < input.size(); at += 0x10000) {
            size_t n = std::min<size_t>(0x10000, input.size() - at);
            piece(input.data() + at, input.data() + at + n);
        }
        return m_out;
    }

  private:
    uint32_t hash(const uint8_t *p) const {
        uint32_t v =
            uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        return (v * 0x1E35A7BDu) >> m_shift;
    }
    // Returns the old entry as a position, stores p's offset.
    const uint8_t *probe(const uint8_t *p) {
        uint32_t h = hash(p);
        const uint8_t *candidate = m_base + m_table[h];
        m_table[h] = uint16_t(p - m_base);
        return candidate;
    }
    void enter(const uint8_t *p) { m_table[hash(p)] = uint16_t(p - m_base); }
    static bool equal4(const uint8_t *a, const uint8_t *b) { return std::memcmp(a, b, 4) == 0; }
    uint32_t lengthFrom(const uint8_t *p, const uint8_t *c) const {
        uint32_t n = 0;
        while (p + n < m_end && p[n] == c[n]) {
            ++n;
        }
        return n;
    }

    void literals(const uint8_t *from, uint32_t count) {
        if (count == 0) {
            return;
        }
        if (count <= 32) {
            m_out.push_back(uint8_t(0x20 | (count - 1)));
        } else if (count <= 64) {
            m_out.push_back(0x3F);
            m_out.insert(m_out.end(), from, from + 32);
            m_out.push_back(uint8_t(0x20 | (count - 33)));
            m_out.insert(m_out.end(), from + 32, from + count);
            return;
        } else {
            m_out.push_back(0x01);
            m_out.push_back(uint8_t((count - 65) >> 8));
            m_out.push_back(uint8_t(count - 65));
        }
        m_out.insert(m_out.end(), from, from + count);
    }
    void bigEndian(uint32_t v, int bytes) {
        for (int i = bytes - 1; i >= 0; --i) {
            m_out.push_back(uint8_t(v >> (8 * i)));
        }
    }
    // Returns the 1 to 3 bytes left over, if any.
    uint32_t match(uint32_t d, uint32_t n) {
        uint32_t u = d - 1;
        uint32_t maxLength = d <= 4096 ? 4363 : d <= 16384 ? 4355 : 4099;
        while (n > maxLength) {
            bigEndian(0x1FFF0000u | u, 4);
            n -= maxLength;
        }
        if (n < 4) {
            return n;
        }
        if (d <= 4096 && n <= 11) {
            bigEndian((0x80 + (n - 4) * 16 + (u >> 8)) << 8 | (u & 0xFF), 2);
        } else if (d <= 4096 && n <= 267) {
            bigEndian((n - 12 + 256) * 16384 + u, 3);
        } else if (d <= 4096) {
            bigEndian((n - 268 + 4096) * 65536 + u, 4);
        } else if (d <= 16384 && n <= 259) {
            bigEndian((n - 4 + 256) * 16384 + u, 3);
        } else if (d <= 16384) {
            bigEndian((n - 260 + 4096) * 65536 + u, 4);
        } else {
            bigEndian((n - 4 + 4096) * 65536 + u, 4);
        }
        return 0;
    }

    void piece(const uint8_t *start, const uint8_t *end) {
        m_base = start;
        m_end = end;
        const uint8_t *cursor = start;
        if (end - start > 15) {
            std::fill(m_table.begin(), m_table.end(), 0);
            cursor = search(start);
        }
        literals(cursor, uint32_t(end - cursor));
    }

    const uint8_t *search(const uint8_t *cursor) {
        const uint8_t *limit = m_end - 15;
        const uint32_t missStart = m_level == 1 ? 16 : m_level == 2 ? 32 : 64;
        const uint32_t missShift = m_level == 1 ? 4 : m_level == 2 ? 5 : 6;
        const uint8_t *p = cursor + 1;
        for (;;) {
            uint32_t b = missStart;
            const uint8_t *c;
            for (;;) {
                uint32_t step = b >> missShift;
                if (p + step > limit) {
                    return cursor;
                }
                c = probe(p);
                if (equal4(p, c)) {
                    break;
                }
                ++b;
                p += step;
            }
            const uint8_t *p0 = p;
            const uint8_t *s = p;
            if (m_level < 3) {
                if (c > m_base && s[-1] == c[-1]) {
                    --s;
                    --c;
                }
            } else {
                while (s > cursor && c > m_base && s[-1] == c[-1]) {
                    --s;
                    --c;
                }
            }
            uint32_t len = lengthFrom(s, c);
            const uint8_t *lastProbe = p0;
            if (m_level == 3) {
                while (p0 + 1 < m_end - std::max<ptrdiff_t>(len, 15)) {
                    const uint8_t *next = p0 + 1;
                    const uint8_t *c2 = probe(next);
                    lastProbe = next;
                    if (!equal4(c2 + len - 3, next + len - 3)) {
                        break;
                    }
                    uint32_t forward = lengthFrom(next, c2);
                    if (forward <= len) {
                        break;
                    }
                    const uint8_t *s2 = next;
                    while (s2 > cursor && c2 > m_base && s2[-1] == c2[-1]) {
                        --s2;
                        --c2;
                    }
                    s = s2;
                    c = c2;
                    len = uint32_t(next - s2) + forward;
                    p0 = next;
                }
            }
            literals(cursor, uint32_t(s - cursor));
            for (;;) {
                if (m_level == 3) {
                    enter(lastProbe + 2);
                } else {
                    enter(s + 1);
                    if (m_level == 2) {
                        enter(s + 2);
                    }
                }
                cursor = s + len - match(uint32_t(s - c), len);
                if (cursor >= limit) {
                    return cursor;
                }
                if (m_level == 1) {
                    enter(cursor - 2);
                } else {
                    enter(cursor - 3);
                    enter(cursor - 2);
                    enter(cursor - 1);
                }
                if (m_level == 3) {
                    p = cursor;
                    break;
                }
                c = probe(cursor);
                if (!equal4(cursor, c)) {
                    p = cursor + 1;
                    break;
                }
                s = cursor;
                len = lengthFrom(s, c);
            }
        }
    }

    int m_level;
    uint32_t m_shift;
    std::vector<uint16_t> m_table;
    const uint8_t *m_base = nullptr;
    const uint8_t *m_end = nullptr;
    Bytes m_out;
};

Bytes sample(int kind, size_t size, uint32_t seed) {
    Bytes b(size);
    uint32_t x = seed;
    static const char *const kWords[] = {"the ",     "codec ",  "window ", "piece ", "match ",
                                         "literal ", "stream ", "\n",      "0x1F ",  "history "};
    size_t at = 0;
    while (at < size) {
        x = x * 1103515245 + 12345;
        if (kind == 0) {
            const char *w = kWords[(x >> 16) % 10];
            for (; *w && at < size; ++w) {
                b[at++] = uint8_t(*w);
            }
        } else if (kind == 1) {
            b[at++] = uint8_t((x >> 16) % 4); // small alphabet: long and overlapping matches
        } else if (kind == 2) {
            size_t run = (x >> 16) % 5000;
            for (size_t i = 0; i < run && at < size; ++i) {
                b[at++] = uint8_t(x >> 8); // long runs: maximal and split long tokens
            }
        } else {
            b[at] = at >= 20000 && (x >> 16) % 8 ? b[at - 20000] : uint8_t(x >> 16);
            ++at; // repeats at distance 20000: far-distance token classes
        }
    }
    return b;
}

TEST(FamilyAReference, EveryLevelWritesTheReferenceBytes) {
    for (int level = 1; level <= 3; ++level) {
        for (uint32_t workBytes : {4096u, 65536u}) {
            Codec encoder(level, workBytes);
            ReferenceEncoder reference(level, workBytes);
            for (int kind = 0; kind < 4; ++kind) {
                for (size_t size : {16, 17, 100, 5000, 65536, 70000, 140001}) {
                    Bytes data = sample(kind, size, uint32_t(size * 31 + kind));
                    Bytes out;
                    ASSERT_GT(encoder.encode(data, &out, uint32_t(size * 2 + 64)), 0);
                    Bytes expected = reference.encode(data);
                    ASSERT_EQ(out.size(), expected.size())
                        << "level " << level << " work " << workBytes << " kind " << kind
                        << " size " << size;
                    EXPECT_TRUE(out == expected) << "level " << level << " work " << workBytes
                                                 << " kind " << kind << " size " << size;
                }
            }
        }
    }
}

} // namespace
