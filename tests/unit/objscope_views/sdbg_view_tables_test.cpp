// Properties every built view table keeps: it covers its record exactly,
// each row reads its own bytes at their width, bytes no row reads do not
// change the output, any bit pattern prints, and the XML is balanced.

#include "views_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <regex>

using viewstest::BuiltTypeIds;
using viewstest::MakeObject;
using viewstest::Render;
using viewstest::Rendered;

namespace {

bool IsInteger(Sdbg_FieldKind kind) {
    return kind != Sdbg_FieldKind::Text && kind != Sdbg_FieldKind::Record &&
           kind != Sdbg_FieldKind::F64;
}

bool FormatFitsKind(const Sdbg_ViewRow &row) {
    switch (row.format) {
        case Sdbg_Format::U:
        case Sdbg_Format::D:
        case Sdbg_Format::Count:
            return IsInteger(row.kind) && row.size <= 4;
        case Sdbg_Format::LLU:
        case Sdbg_Format::LLD:
            return IsInteger(row.kind) && row.size == 8;
        case Sdbg_Format::Hex0x:
            return IsInteger(row.kind) && (row.size == 4 || row.size == 8);
        case Sdbg_Format::Str:
            return row.kind == Sdbg_FieldKind::Text;
        case Sdbg_Format::Bwc:
        case Sdbg_Format::LatencyBwc:
            return row.size == sizeof(Sdbg_BwcRecord);
        case Sdbg_Format::SampleStats:
            return row.size == sizeof(Sdbg_SampleStatsRecord);
        case Sdbg_Format::PerfStage:
            return row.size == sizeof(Sdbg_PerfStageRecord);
        case Sdbg_Format::AvgEvent:
            return row.size == sizeof(Sdbg_BwcRecord);
        case Sdbg_Format::AvgEvent8:
            return row.size == sizeof(Sdbg_AvgEvent8Record);
        case Sdbg_Format::SlotThrottle:
            return row.size == sizeof(Sdbg_SlotThrottleRecord);
        case Sdbg_Format::NetAddr:
            return row.size == sizeof(NetAddress);
        case Sdbg_Format::Guid:
            return row.kind == Sdbg_FieldKind::Record && row.size == 16;
        case Sdbg_Format::Hex8:
            return IsInteger(row.kind) && row.size == 1;
        case Sdbg_Format::Hook:
            return row.hook != nullptr;
    }
    return false;
}

TEST(ViewTables, EachBuiltTypeHasATableOfItsWireSizeAndFittingRows) {
    for (uint32_t id : BuiltTypeIds()) {
        const Sdbg_ViewTable *pTable = Sdbg_FindViewTable(id);
        ASSERT_NE(pTable, nullptr) << id;
        EXPECT_EQ(pTable->wireSize, CreateSrvObj(id)->wireSize) << id;
        for (uint32_t i = 0; i < pTable->rowCount; ++i) {
            const Sdbg_ViewRow &row = pTable->pRows[i];
            EXPECT_TRUE(FormatFitsKind(row)) << id << " row " << i;
            EXPECT_TRUE(row.bTextOnly || row.pXml != nullptr) << id << " row " << i;
            EXPECT_LE(row.offset + row.size, pTable->wireSize) << id << " row " << i;
        }
    }
}

// A row that nests a table holds whole records of it, each row of the
// nested table reads inside its record and fits its kind, and the hook that
// prints them is there.
void ExpectNestedTablesFit(uint32_t id, const Sdbg_ViewTable &table) {
    for (uint32_t i = 0; i < table.rowCount; ++i) {
        const Sdbg_ViewRow &row = table.pRows[i];
        if (row.pNested == nullptr) {
            continue;
        }
        const Sdbg_ViewTable &nested = *row.pNested;
        EXPECT_EQ(row.format, Sdbg_Format::Hook) << id << " row " << i;
        ASSERT_GT(nested.wireSize, 0u) << id << " row " << i;
        EXPECT_EQ(row.size % nested.wireSize, 0u) << id << " row " << i;
        for (uint32_t r = 0; r < nested.rowCount; ++r) {
            EXPECT_TRUE(FormatFitsKind(nested.pRows[r])) << nested.pWireName << " row " << r;
            EXPECT_LE(nested.pRows[r].offset + nested.pRows[r].size, nested.wireSize)
                << nested.pWireName << " row " << r;
        }
        ExpectNestedTablesFit(id, nested);
    }
}

TEST(ViewTables, NestedTablesFitTheRowsThatHoldThem) {
    uint32_t nestedRows = 0;
    for (uint32_t id : BuiltTypeIds()) {
        const Sdbg_ViewTable &table = *Sdbg_FindViewTable(id);
        ExpectNestedTablesFit(id, table);
        for (uint32_t i = 0; i < table.rowCount; ++i) {
            nestedRows += table.pRows[i].pNested != nullptr ? 1 : 0;
        }
    }
    EXPECT_GT(nestedRows, 0u);
}

// Every object type the viewer can fetch has its view; ids outside the
// table have none and print nothing.
TEST(ViewTables, EveryObjectTypeHasItsView) {
    for (uint32_t id = 2; id <= 175; ++id) {
        EXPECT_NE(Sdbg_FindViewTable(id), nullptr) << id;
    }
    for (uint32_t id : {0u, 1u, 176u, 0xFFFFFFFFu}) {
        EXPECT_EQ(Sdbg_FindViewTable(id), nullptr) << id;
    }
}

TEST(ViewTables, RowsAndUnreadRangesTileEachRecordExactly) {
    for (uint32_t id : BuiltTypeIds()) {
        const Sdbg_ViewTable &table = *Sdbg_FindViewTable(id);
        std::vector<Sdbg_ByteRange> ranges;
        for (uint32_t i = 0; i < table.rowCount; ++i) {
            ranges.push_back({table.pRows[i].offset, table.pRows[i].size});
        }
        ranges.insert(ranges.end(), table.pUnread, table.pUnread + table.unreadCount);
        std::sort(ranges.begin(), ranges.end(),
                  [](const auto &a, const auto &b) { return a.offset < b.offset; });
        uint32_t next = 0;
        for (const Sdbg_ByteRange &range : ranges) {
            EXPECT_EQ(range.offset, next) << "type " << id << ": gap or overlap";
            next = range.offset + range.size;
        }
        EXPECT_EQ(next, table.wireSize) << id;
    }
}

// The record's bytes are their own offsets (mixed so no two neighbouring
// fields agree): each number row must print the little-endian value of
// exactly its bytes, with its sign and width.
TEST(ViewTables, EachNumberRowPrintsItsOwnBytesAtItsWidth) {
    for (uint32_t id : BuiltTypeIds()) {
        const Sdbg_ViewTable &table = *Sdbg_FindViewTable(id);
        auto pObj = MakeObject(id, [](uint8_t *p, uint32_t n) {
            for (uint32_t i = 0; i < n; ++i) {
                p[i] = static_cast<uint8_t>(i * 37 + 11);
            }
        });
        const uint8_t *pWire = static_cast<const uint8_t *>(pObj->GetData());
        for (uint32_t r = 0; r < table.rowCount; ++r) {
            const Sdbg_ViewRow &row = table.pRows[r];
            if (!IsInteger(row.kind) || row.format == Sdbg_Format::Count ||
                row.format == Sdbg_Format::Hook) {
                continue;
            }
            uint64_t bits = 0;
            for (uint32_t b = row.size; b-- > 0;) {
                bits = (bits << 8) | pWire[row.offset + b];
            }
            bool bSigned = row.kind == Sdbg_FieldKind::I8 || row.kind == Sdbg_FieldKind::I16 ||
                           row.kind == Sdbg_FieldKind::I32 || row.kind == Sdbg_FieldKind::I64;
            int64_t signedValue = static_cast<int64_t>(bits);
            if (bSigned && row.size < 8 && (bits >> (row.size * 8 - 1)) != 0) {
                signedValue = static_cast<int64_t>(bits | (~0ULL << (row.size * 8)));
            }
            char expected[32];
            switch (row.format) {
                case Sdbg_Format::U:
                case Sdbg_Format::LLU:
                    mos_Snprintf(expected, sizeof(expected), "%llu",
                                 static_cast<unsigned long long>(bits));
                    break;
                case Sdbg_Format::D:
                    mos_Snprintf(expected, sizeof(expected), "%d",
                                 static_cast<int32_t>(static_cast<uint32_t>(signedValue)));
                    break;
                case Sdbg_Format::LLD:
                    mos_Snprintf(expected, sizeof(expected), "%lld",
                                 static_cast<long long>(signedValue));
                    break;
                default:
                    mos_Snprintf(expected, sizeof(expected), "0x%llx",
                                 static_cast<unsigned long long>(bits));
                    break;
            }
            Sdbg_LogicalView view(nullptr, 5, SDBG_COLOR_DEFAULT, SDBG_COLOR_DEFAULT);
            Sdbg_PrintValue(view, row, pWire);
            EXPECT_EQ(view.Line(0).text.substr(0, view.Line(0).VisibleLength()), expected)
                << "type " << id << " row " << r;
        }
    }
}

TEST(ViewTables, BytesNoRowReadsDoNotChangeTheOutput) {
    std::mt19937 random(7);
    for (uint32_t id : BuiltTypeIds()) {
        const Sdbg_ViewTable &table = *Sdbg_FindViewTable(id);
        auto pObj = MakeObject(id, [&](uint8_t *p, uint32_t n) {
            for (uint32_t i = 0; i < n; ++i) {
                p[i] = static_cast<uint8_t>(random());
            }
        });
        auto before = Render(*pObj, false).plain + Render(*pObj, true).plain;
        uint8_t *pWire = static_cast<uint8_t *>(pObj->GetData());
        for (uint32_t g = 0; g < table.unreadCount; ++g) {
            for (uint32_t i = 0; i < table.pUnread[g].size; ++i) {
                pWire[table.pUnread[g].offset + i] ^= 0xA5;
            }
        }
        EXPECT_EQ(Render(*pObj, false).plain + Render(*pObj, true).plain, before) << id;
    }
}

// Counts and sizes from the record are all ones or random: lists stop at
// their capacity and divisions are guarded (the sanitizers watch).
TEST(ViewTables, ZeroOnesAndRandomRecordsPrintCleanly) {
    std::mt19937 random(11);
    for (uint32_t id : BuiltTypeIds()) {
        for (int pattern = 0; pattern < 3; ++pattern) {
            auto pObj = MakeObject(id, [&](uint8_t *p, uint32_t n) {
                for (uint32_t i = 0; i < n; ++i) {
                    p[i] = pattern == 0 ? 0 : pattern == 1 ? 0xFF : static_cast<uint8_t>(random());
                }
            });
            Rendered text = Render(*pObj, false);
            Rendered xml = Render(*pObj, true);
            EXPECT_FALSE(text.plain.empty()) << id;
            EXPECT_EQ(xml.plain.substr(0, 3), "\n\t\t") << id;
        }
    }
}

// Tags are matched by a stack; text bytes are 'A' so no value looks like
// a tag, and every count is large.
TEST(ViewTables, EveryXmlElementOfAnObjectIsBalanced) {
    const std::regex tagPattern("<(/?)([A-Za-z_][A-Za-z0-9_.\\-\\[\\]]*)>");
    for (uint32_t id : BuiltTypeIds()) {
        auto pObj = MakeObject(id, [](uint8_t *p, uint32_t n) { std::memset(p, 'A', n); });
        std::string xml = Render(*pObj, true).plain;
        std::vector<std::string> open;
        for (auto it = std::sregex_iterator(xml.begin(), xml.end(), tagPattern);
             it != std::sregex_iterator(); ++it) {
            if ((*it)[1].length() == 0) {
                open.push_back((*it)[2]);
            } else {
                ASSERT_FALSE(open.empty()) << id << ": stray " << (*it)[0];
                EXPECT_EQ(open.back(), (*it)[2].str()) << id;
                open.pop_back();
            }
        }
        EXPECT_TRUE(open.empty()) << id;
    }
}

} // namespace
