// The fault-injection layer up for one test, with helpers that read the
// published query records back through the object registry.
#pragma once

#include "../core_layers.h"
#include "mos_obj.h"
#include "mos_once.h"
#include "mos_xmti.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace mostest {

class XmtiFixture : public testing::Test {
  protected:
    void SetUp() override {
        EnsureCoreLayers();
        ASSERT_EQ(mosOnceLayer_Create(nullptr), MOS_RC__SUCCESS);
        ASSERT_EQ(mosXmtiLayer_Init(nullptr), MOS_RC__SUCCESS);
    }
    void TearDown() override {
        mosXmtiLayer_Destroy();
        EXPECT_EQ(mosObjType_GetById(171), nullptr);
        EXPECT_EQ(mosObjType_GetById(172), nullptr);
        EXPECT_EQ(mosObjType_GetById(173), nullptr);
    }

    // The query structure of object index of a type, as the debug port
    // would send it.
    template <typename Query> Query Read(uint32_t typeId, uint32_t index) {
        Query query;
        memset(&query, 0, sizeof query);
        MosObjType *pType = mosObjType_GetById(typeId);
        EXPECT_NE(pType, nullptr);
        if (pType == nullptr) {
            return query;
        }
        EXPECT_EQ(mosObjType_GetQueryDataSize(pType), sizeof(Query));
        MosObjEntry *pObj = mosObjType_EnumStartAtIndex(pType, index);
        EXPECT_NE(pObj, nullptr) << typeId << ":" << index;
        if (pObj != nullptr) {
            mosObj_Query(pObj, pType, &query);
            mosObjType_EnumEnd(pType);
        }
        return query;
    }
    _MosXmti_ManagerQuery Manager() { return Read<_MosXmti_ManagerQuery>(171, 0); }
    _MosXmti_DetourQuery Detour(uint32_t detourID) {
        return Read<_MosXmti_DetourQuery>(172, detourID - 1);
    }

    // Runs the manager's command as the debug port hands it over.
    void Command(uint32_t command, const std::vector<std::string> &args) {
        std::vector<std::array<char, MOS_OBJ_CMD_ARG_SIZE>> fields(args.size());
        for (size_t i = 0; i < args.size(); i++) {
            fields[i].fill('\0');
            memcpy(fields[i].data(), args[i].data(),
                   std::min(args[i].size(), size_t{MOS_OBJ_CMD_ARG_SIZE}));
        }
        MosObjType *pType = mosObjType_GetById(171);
        ASSERT_NE(pType, nullptr);
        mosObj_Command(&XMTILayer_G.managerObj, pType, command, static_cast<uint32_t>(args.size()),
                       reinterpret_cast<const char(*)[MOS_OBJ_CMD_ARG_SIZE]>(fields.data()));
    }
};

} // namespace mostest
