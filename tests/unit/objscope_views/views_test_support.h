// Helpers of the object views' tests: the type ids whose views are built,
// and rendering one query object into a fresh page buffer.
#pragma once

#include "sdbg_query_classes.h"
#include "sdbg_view_table.h"

#include "objscope_test_support.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace viewstest {

// Every type id whose view table is built, so the table checks cover each
// view as soon as its table is listed.
inline std::vector<uint32_t> BuiltTypeIds() {
    std::vector<uint32_t> ids;
    for (uint32_t id = 2; id <= 175; ++id) {
        if (Sdbg_FindViewTable(id) != nullptr) {
            ids.push_back(id);
        }
    }
    return ids;
}

// A query object of Class with its wire bytes zeroed.
template <typename Class> std::unique_ptr<Class> Make() {
    auto pObj = std::make_unique<Class>();
    std::memset(&pObj->wire, 0, sizeof(pObj->wire));
    pObj->wireSize = sizeof(pObj->wire);
    return pObj;
}

struct Rendered {
    std::vector<std::string> lines; // marked with "<fg,bg>" at every colour change
    uint32_t currentLine;           // line breaks written
    std::string plain;              // all lines' text joined by "\n"
};

inline Rendered Render(SDbg_SrvObj &obj, bool bXml) {
    Sdbg_LogicalView view(nullptr, 50, SDBG_COLOR_DEFAULT, SDBG_COLOR_DEFAULT);
    if (bXml) {
        obj.Print_xml(view);
    } else {
        obj.Print(view);
    }
    Rendered out;
    out.lines = objscopetest::MarkedLines(view);
    out.currentLine = view.GetCurrentLine();
    for (uint32_t i = 0; i <= view.GetCurrentLine(); ++i) {
        const Sdbg_ViewLine &line = view.Line(i);
        out.plain.append(line.text, 0, line.VisibleLength());
        if (i < view.GetCurrentLine()) {
            out.plain.push_back('\n');
        }
    }
    return out;
}

// An object of the type with its wire bytes set by fill(bytes, size).
template <typename Fill> std::unique_ptr<SDbg_SrvObj> MakeObject(uint32_t id, Fill fill) {
    std::unique_ptr<SDbg_SrvObj> pObj = CreateSrvObj(id);
    fill(static_cast<uint8_t *>(pObj->GetData()), pObj->wireSize);
    return pObj;
}

} // namespace viewstest
