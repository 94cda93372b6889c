#include "installer.h"

#include <gtest/gtest.h>

namespace {

TEST(EqualsIgnoringCase, ComparesAsciiLettersWithoutCase) {
    EXPECT_TRUE(equalsIgnoringCase("qorni.sys", "QORNI.SYS"));
    EXPECT_TRUE(equalsIgnoringCase("Frelok.Sys", "frelok.sys"));
    EXPECT_TRUE(equalsIgnoringCase("", ""));
    EXPECT_FALSE(equalsIgnoringCase("qorni.sys", "qorni.sy"));
    EXPECT_FALSE(equalsIgnoringCase("qorni.sy", "qorni.sys"));
    EXPECT_FALSE(equalsIgnoringCase("qorni.sys", "frelok.sys"));
    EXPECT_FALSE(equalsIgnoringCase("[", "{")); // not letters: no case
}

TEST(ClientDriverNames, DeviceHardwareIdIsOneStringOfElevenBytes) {
    EXPECT_EQ(sizeof kClientHardwareId, 11u);
    EXPECT_STREQ(kClientHardwareId, "root\\qorni");
}

} // namespace
