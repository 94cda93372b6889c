// Every object type's text and XML view, with its colours, against the
// checked-in expected output under expected/, one file per group of types.
//
// Each type is printed from two records: "offsets", in which every field a
// view reads tells its wire offset (view_records.h), and "zeros", every
// byte 0, the other side of each colour rule's zero test (only for types
// whose colours can depend on a value). The output is captured as the
// screen draws it, and every run of one colour pair is opened by a mark
// "{fb}": f the foreground, b the background, each one letter (D default,
// V value, A alert, K ok, L label, H highlight). Bytes that are not
// printable are written as "\xNN".
//
// OBJSCOPE_VIEWS_WRITE_EXPECTED=1 writes the expected files from what the
// views print now instead of comparing them; read the difference against
// the view tables before committing it.

#include "view_records.h"

#include "sdbg_device.h"
#include "sdbg_query_classes.h"
#include "sdbg_view_table.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// ---- capture: the page buffer drawn on a device that keeps each cell ----

class CellOutput : public Sdbg_OutputDev {
  public:
    void Write(const char *pText, uint32_t length, const Sdbg_Attr *pAttr) override {
        Sdbg_Attr attr = pAttr != nullptr ? *pAttr : current;
        std::vector<Cell> &cells = rows[row];
        if (cells.size() < column + length) {
            cells.resize(column + length, Cell{' ', Sdbg_Attr{}});
        }
        for (uint32_t i = 0; i < length; ++i) {
            cells[column + i] = Cell{pText[i], attr};
        }
        column += length;
    }
    void GotoXY(uint32_t x, uint32_t y) override {
        column = x;
        row = y;
    }
    bool SetTitle(const char *) override { return true; }
    void ClearLines(uint32_t, uint32_t) override {}
    void NewFrame() override { rows.clear(); }
    void GetSize(uint32_t &w, uint32_t &h) override {
        w = 1u << 20;
        h = kPageLines;
    }
    void GetMaxSize(uint32_t &w, uint32_t &h) override { GetSize(w, h); }
    void SetAttr(const Sdbg_Attr &attr) override { current = attr; }

    static constexpr uint32_t kPageLines = 1024;

    struct Cell {
        char c;
        Sdbg_Attr attr;
    };
    std::map<uint32_t, std::vector<Cell>> rows;

  private:
    uint32_t column = 0;
    uint32_t row = 0;
    Sdbg_Attr current;
};

char ColourLetter(uint32_t code) {
    static const char kLetters[] = "DVAKLH";
    return code < 6 ? kLetters[code] : '?';
}

// Bytes a text view may hold that are not printable (a text field of the
// record copied as it is) as "\\xNN", and the backslash itself.
void AppendEscaped(std::string &out, char c) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 0x20 && byte < 0x7F && c != '\\') || c == '\t') {
        out += c;
        return;
    }
    char escaped[8];
    mos_Snprintf(escaped, sizeof(escaped), "\\x%02x", byte);
    out += escaped;
}

std::string MarkedRow(const std::vector<CellOutput::Cell> &cells) {
    std::string out;
    bool bFirst = true;
    Sdbg_Attr previous;
    for (const CellOutput::Cell &cell : cells) {
        if (bFirst || !(cell.attr == previous)) {
            out += '{';
            out += ColourLetter(cell.attr.foreground);
            out += ColourLetter(cell.attr.background);
            out += '}';
            previous = cell.attr;
            bFirst = false;
        }
        AppendEscaped(out, cell.c);
    }
    return out;
}

// The view's lines as the screen would draw them, one string per line up to
// and including the line the view ends on.
std::vector<std::string> Capture(SDbg_SrvObj &obj, bool bXml) {
    CellOutput device;
    Sdbg_LogicalView view(&device, CellOutput::kPageLines, SDBG_COLOR_DEFAULT, SDBG_COLOR_DEFAULT);
    if (bXml) {
        obj.Print_xml(view);
    } else {
        obj.Print(view);
    }
    std::vector<std::string> lines;
    if (view.GetCurrentLine() >= CellOutput::kPageLines) {
        ADD_FAILURE() << "type " << obj.GetObjType() << ": view longer than the capture page";
        return lines;
    }
    view.Render(true);
    for (uint32_t i = 0; i <= view.GetCurrentLine(); ++i) {
        auto it = device.rows.find(i);
        lines.push_back(it == device.rows.end() ? std::string() : MarkedRow(it->second));
    }
    return lines;
}

// A table whose colours may depend on a value: a zero test of its own or
// of a nested table, or a hook, which may colour what it prints by value.
bool HasValueColours(const Sdbg_ViewTable &table) {
    for (uint32_t r = 0; r < table.rowCount; ++r) {
        const Sdbg_ViewRow &row = table.pRows[r];
        if (row.rule == Sdbg_Rule::ZeroAlert || row.rule == Sdbg_Rule::NonzeroAlert ||
            (row.format == Sdbg_Format::Hook && row.pNested == nullptr) ||
            (row.pNested != nullptr && HasValueColours(*row.pNested))) {
            return true;
        }
    }
    return false;
}

// ---- groups and files ----

struct Group {
    const char *pFile;
    std::vector<std::pair<uint32_t, uint32_t>> ranges;
};

const std::vector<Group> &Groups() {
    static const std::vector<Group> kGroups = {
        {"runtime", {{2, 17}, {52, 52}, {145, 145}, {147, 151}, {164, 164}, {171, 173}}},
        {"counters", {{102, 144}}},
        {"client", {{18, 28}, {71, 73}, {80, 86}}},
        {"tgt", {{35, 46}, {48, 51}, {53, 57}}},
        {"mdm", {{29, 34}, {61, 70}, {152, 152}}},
        {"cluster", {{58, 59}, {74, 79}, {87, 101}, {146, 146}}},
        {"engine", {{47, 47}, {60, 60}, {153, 163}, {165, 170}, {174, 175}}},
    };
    return kGroups;
}

const char *TypeName(uint32_t id) {
    switch (id) {
#define SDBG_OBJ_TYPE(typeId, name, queryClass, querySize)                                         \
    case typeId:                                                                                   \
        return name;
#include "sdbg_obj_types.def"
#undef SDBG_OBJ_TYPE
        default:
            return "?";
    }
}

using Blocks = std::map<std::string, std::vector<std::string>>;

std::string BlockKey(uint32_t id, const char *pRecord, const char *pForm) {
    std::ostringstream key;
    key << id << " \"" << TypeName(id) << "\" " << pRecord << " " << pForm;
    return key.str();
}

// Blocks in file order, keyed by their heading without the "=== ".
std::vector<std::pair<std::string, std::vector<std::string>>> RenderGroup(const Group &group) {
    std::vector<std::pair<std::string, std::vector<std::string>>> blocks;
    for (auto [first, last] : group.ranges) {
        for (uint32_t id = first; id <= last; ++id) {
            for (const char *pRecord : {"offsets", "zeros"}) {
                if (std::strcmp(pRecord, "zeros") == 0 &&
                    !HasValueColours(*Sdbg_FindViewTable(id))) {
                    continue;
                }
                std::unique_ptr<SDbg_SrvObj> pObj = CreateSrvObj(id);
                uint8_t *pWire = static_cast<uint8_t *>(pObj->GetData());
                if (std::strcmp(pRecord, "offsets") == 0) {
                    viewsexpected::FillOffsets(id, pWire, pObj->wireSize);
                } else {
                    std::memset(pWire, 0, pObj->wireSize);
                }
                blocks.emplace_back(BlockKey(id, pRecord, "text"), Capture(*pObj, false));
                blocks.emplace_back(BlockKey(id, pRecord, "xml"), Capture(*pObj, true));
            }
        }
    }
    return blocks;
}

std::string ExpectedPath(const Group &group) {
    return std::string(OBJSCOPE_VIEWS_EXPECTED_DIR) + "/" + group.pFile + ".txt";
}

constexpr const char *kHeading = "=== ";

void WriteGroup(const Group &group) {
    std::ofstream out(ExpectedPath(group), std::ios::binary);
    ASSERT_TRUE(out) << ExpectedPath(group);
    out << "# Expected output of the object views, written by the test in "
           "sdbg_views_expected_test.cpp\n# (its first comment says how to read it).\n";
    for (const auto &[key, lines] : RenderGroup(group)) {
        out << kHeading << key << "\n";
        for (const std::string &line : lines) {
            out << line << "\n";
        }
    }
}

// The blocks of an expected file; the lines before the first heading are
// its comment.
Blocks ReadGroup(const Group &group, std::string &error) {
    Blocks blocks;
    std::ifstream in(ExpectedPath(group), std::ios::binary);
    if (!in) {
        error = "cannot read " + ExpectedPath(group);
        return blocks;
    }
    std::string line;
    std::vector<std::string> *pBlock = nullptr;
    while (std::getline(in, line)) {
        if (line.rfind(kHeading, 0) == 0) {
            pBlock = &blocks[line.substr(std::strlen(kHeading))];
        } else if (pBlock != nullptr) {
            pBlock->push_back(line);
        }
    }
    return blocks;
}

// The first line where a block differs from its expected lines.
void CompareBlock(const std::string &key, const std::vector<std::string> &want,
                  const std::vector<std::string> &got) {
    for (size_t i = 0; i < std::max(want.size(), got.size()); ++i) {
        const std::string w = i < want.size() ? want[i] : "(no line)";
        const std::string g = i < got.size() ? got[i] : "(no line)";
        if (w != g) {
            ADD_FAILURE() << key << ", line " << i + 1 << "\n  expected: " << w
                          << "\n  actual:   " << g;
            return;
        }
    }
}

TEST(ViewsExpectedOutput, EveryTypeInTextAndXmlWithColours) {
    const bool bWrite = std::getenv("OBJSCOPE_VIEWS_WRITE_EXPECTED") != nullptr;
    std::set<uint32_t> ids;
    for (const Group &group : Groups()) {
        SCOPED_TRACE(ExpectedPath(group));
        if (bWrite) {
            WriteGroup(group);
        }
        std::string error;
        Blocks expected = ReadGroup(group, error);
        ASSERT_TRUE(error.empty()) << error;
        for (const auto &[key, lines] : RenderGroup(group)) {
            auto it = expected.find(key);
            if (it == expected.end()) {
                ADD_FAILURE() << "no expected output for " << key;
                continue;
            }
            CompareBlock(key, it->second, lines);
            expected.erase(it);
        }
        for (const auto &[key, lines] : expected) {
            ADD_FAILURE() << "expected output that is no longer printed: " << key;
        }
        for (auto [first, last] : group.ranges) {
            for (uint32_t id = first; id <= last; ++id) {
                EXPECT_TRUE(ids.insert(id).second) << id << " is in two groups";
            }
        }
    }
    EXPECT_EQ(ids.size(), 174u);
    EXPECT_EQ(*ids.begin(), 2u);
    EXPECT_EQ(*ids.rbegin(), 175u);
}

} // namespace
