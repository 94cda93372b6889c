// Libraries by id: names, loading, lookup by name and unloading, with the
// traces of each failure.
#include "security_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using mostest::SecurityTest;
using TraceCapture = mostest::SecurityTest::TraceCapture;

class DynamicLibTest : public SecurityTest {};

TEST_F(DynamicLibTest, EachIdNamesItsFileAndAnUnknownIdIsRefused) {
    struct Case {
        uint32_t libId;
        const char *pName; // null: refused
    };
    const Case cases[] = {
        {MOS_DYNAMIC_LIB_ID__LIBSSL, "libssl-1_1-x64.dll"},
        {MOS_DYNAMIC_LIB_ID__LIBCRYPTO, "libcrypto-1_1-x64.dll"},
        {MOS_DYNAMIC_LIB_ID__WLDAP32, "Wldap32.dll"},
        {MOS_DYNAMIC_LIB_ID__SMARTCTL, "smartctl.dll"},
        {99, nullptr},
        {104, nullptr},
    };
    for (const Case &c : cases) {
        TraceCapture capture;
        const char *pName = mosDynamicLib_GetName(c.libId);
        const std::string trace = capture.Stop();
        if (c.pName == nullptr) {
            EXPECT_EQ(pName, nullptr) << c.libId;
            EXPECT_NE(trace.find("ERROR: Invalid library ID (" + std::to_string(c.libId) + ")"),
                      std::string::npos);
        } else {
            EXPECT_STREQ(pName, c.pName);
            EXPECT_EQ(trace.find("ERROR"), std::string::npos) << trace;
        }
    }
}

TEST_F(DynamicLibTest, OpeningAnUnknownIdTriesToLoadNothing) {
    TraceCapture capture;
    EXPECT_EQ(mosDynamicLib_Open(99), nullptr);
    const std::string trace = capture.Stop();
    EXPECT_NE(trace.find("ERROR: Invalid library ID (99)"), std::string::npos);
    EXPECT_EQ(trace.find("Failed to open library"), std::string::npos);
}

TEST_F(DynamicLibTest, AMissingLibraryIsNamedInTheTrace) {
    ASSERT_EQ(mosDynamicLib_SetName(MOS_DYNAMIC_LIB_ID__SMARTCTL, "mos-no-such-library.dll"), 1u);
    TraceCapture capture;
    EXPECT_EQ(mosDynamicLib_Open(MOS_DYNAMIC_LIB_ID__SMARTCTL), nullptr);
    EXPECT_NE(capture.Stop().find("ERROR: Failed to open library mos-no-such-library.dll"),
              std::string::npos);
    ASSERT_EQ(mosDynamicLib_SetName(MOS_DYNAMIC_LIB_ID__SMARTCTL, nullptr), 1u);
    EXPECT_STREQ(mosDynamicLib_GetName(MOS_DYNAMIC_LIB_ID__SMARTCTL), "smartctl.dll");
    EXPECT_EQ(mosDynamicLib_SetName(99, "x.dll"), 0u);
}

TEST_F(DynamicLibTest, FunctionsAreFoundByNameAndAMissOnlyTraces) {
    ASSERT_EQ(mosDynamicLib_SetName(MOS_DYNAMIC_LIB_ID__SMARTCTL, MOSTEST_SYSTEM_LIB), 1u);
    OsDynLibHandle hLib = mosDynamicLib_Open(MOS_DYNAMIC_LIB_ID__SMARTCTL);
    (void)mosDynamicLib_SetName(MOS_DYNAMIC_LIB_ID__SMARTCTL, nullptr);
    ASSERT_NE(hLib, nullptr);
    EXPECT_NE(mosDynamicLib_Load(hLib, MOSTEST_SYSTEM_FN), nullptr);
    TraceCapture capture;
    EXPECT_EQ(mosDynamicLib_Load(hLib, "mosNoSuchFunction"), nullptr);
    EXPECT_EQ(mosDynamicLib_Load(nullptr, "mosNoSuchFunction2"), nullptr);
    const std::string trace = capture.Stop();
    EXPECT_NE(trace.find("ERROR: Failed to load function mosNoSuchFunction\n"), std::string::npos);
    EXPECT_NE(trace.find("ERROR: Failed to load function mosNoSuchFunction2"), std::string::npos);
    EXPECT_NE(mosDynamicLib_Close(hLib), 0);
}

TEST_F(DynamicLibTest, ALibraryExportsOnlyItsOwnFunctions) {
    MOSTEST_REQUIRE_TLS_LIBRARY();
    // libssl needs libcrypto, but a lookup in libssl does not reach into it.
    OsDynLibHandle hSsl = mosDynamicLib_Open(MOS_DYNAMIC_LIB_ID__LIBSSL);
    ASSERT_NE(hSsl, nullptr);
    EXPECT_NE(mosDynamicLib_Load(hSsl, "SSL_CTX_new"), nullptr);
    EXPECT_EQ(mosDynamicLib_Load(hSsl, "RAND_status"), nullptr);
    EXPECT_NE(mosDynamicLib_Close(hSsl), 0);
}

} // namespace
