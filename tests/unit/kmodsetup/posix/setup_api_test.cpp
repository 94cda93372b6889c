// The Linux stand-in's calls keep the shapes the installer relies on:
// index shifting on deletion, the driver store's copy rules, the system
// texts and the code-page conversion.
#include "posix/standin_state.h"
#include "setup_api.h"
#include "win_errors.h"

#include <gtest/gtest.h>

#include <random>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

const SetupGuid kScsiClass = {
    0x4D36E97B, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

class StandinTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // Unique per run: other test processes may share the temporary directory.
        dir_ = ::testing::TempDir() + "kmodsetup_standin_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
               std::to_string(std::random_device{}());
        std::filesystem::remove_all(dir_);
        setenv("KMODSETUP_STATE_DIR", dir_.c_str(), 1);
    }
    void TearDown() override {
        std::filesystem::remove_all(dir_);
        unsetenv("KMODSETUP_STATE_DIR");
    }

    void addDevice(const std::string &id, const std::string &hardwareId) {
        std::vector<StandinDevice> devices = standinState_LoadDevices();
        devices.push_back({id, kScsiClass, "SCSIAdapter", {hardwareId}, "", ""});
        ASSERT_TRUE(standinState_SaveDevices(devices));
    }

    std::string writeFile(const std::string &name, const std::string &text) {
        std::filesystem::create_directories(dir_);
        const std::string path = dir_ + "/" + name;
        std::ofstream(path) << text;
        return path;
    }

    static DevInfoData devInfo() {
        DevInfoData device{};
        device.cbSize = sizeof device;
        return device;
    }

    std::string dir_;
};

TEST_F(StandinTest, DeletingAnElementShiftsTheLaterOnesDown) {
    addDevice("ROOT\\A\\0000", "id-a");
    addDevice("ROOT\\B\\0000", "id-b");
    addDevice("ROOT\\C\\0000", "id-c");
    DevInfoSet set = osSetup_GetClassDevs(&kScsiClass);
    ASSERT_NE(set, nullptr);
    DevInfoData device = devInfo();
    ASSERT_TRUE(osSetup_EnumDeviceInfo(set, 0, &device));
    ASSERT_TRUE(osSetup_DeleteDeviceInfo(set, &device));
    ASSERT_TRUE(osSetup_EnumDeviceInfo(set, 0, &device));
    char hardwareId[256] = {};
    ASSERT_TRUE(osSetup_GetHardwareId(set, &device, hardwareId, sizeof hardwareId));
    EXPECT_STREQ(hardwareId, "id-b");
    ASSERT_TRUE(osSetup_EnumDeviceInfo(set, 1, &device));
    EXPECT_FALSE(osSetup_EnumDeviceInfo(set, 2, &device));
    EXPECT_EQ(osSetup_GetLastError(), KS_ERROR_NO_MORE_ITEMS);
    // Deleting from the set leaves the system's devices alone.
    EXPECT_EQ(standinState_LoadDevices().size(), 3u);
    EXPECT_TRUE(osSetup_DestroyDeviceInfoList(set));
}

TEST_F(StandinTest, HardwareIdIsAMultiStringThatMustFitTheBuffer) {
    addDevice("ROOT\\A\\0000", "root\\qorni");
    DevInfoSet set = osSetup_GetClassDevs(&kScsiClass);
    DevInfoData device = devInfo();
    ASSERT_TRUE(osSetup_EnumDeviceInfo(set, 0, &device));
    char buffer[12];
    EXPECT_FALSE(osSetup_GetHardwareId(set, &device, buffer, 11));
    EXPECT_EQ(osSetup_GetLastError(), KS_ERROR_INSUFFICIENT_BUFFER);
    ASSERT_TRUE(osSetup_GetHardwareId(set, &device, buffer, 12));
    EXPECT_EQ(std::string(buffer, 12), std::string("root\\qorni\0\0", 12));
    DevInfoData wrongSize = device;
    wrongSize.cbSize = 28;
    EXPECT_FALSE(osSetup_GetHardwareId(set, &wrongSize, buffer, sizeof buffer));
    EXPECT_EQ(osSetup_GetLastError(), KS_ERROR_INVALID_USER_BUFFER);
    EXPECT_TRUE(osSetup_DestroyDeviceInfoList(set));
}

TEST_F(StandinTest, CopyOemInfFindsAndNamesStoreCopies) {
    const std::string inf = writeFile("x.inf", "[Version]\nClass=X\n");
    char dest[260];
    char *filePart = nullptr;
    // Not in the store: "replace only" refuses, a plain copy stores it.
    EXPECT_FALSE(osSetup_CopyOemInf(inf.c_str(), kCopyReplaceOnly, dest, sizeof dest, &filePart));
    EXPECT_EQ(osSetup_GetLastError(), KS_ERROR_FILE_NOT_FOUND);
    ASSERT_TRUE(osSetup_CopyOemInf(inf.c_str(), 0, dest, sizeof dest, &filePart));
    EXPECT_STREQ(filePart, "oem0.inf");
    ASSERT_TRUE(osSetup_CopyOemInf(inf.c_str(), kCopyReplaceOnly, dest, sizeof dest, &filePart));
    EXPECT_STREQ(filePart, "oem0.inf");
    EXPECT_FALSE(osSetup_CopyOemInf(inf.c_str(), kCopyNoOverwrite, dest, sizeof dest, &filePart));
    EXPECT_EQ(osSetup_GetLastError(), KS_ERROR_FILE_EXISTS);
    EXPECT_STREQ(filePart, "oem0.inf");
    EXPECT_FALSE(osSetup_CopyOemInf(inf.c_str(), 0, dest, 4, &filePart));
    EXPECT_EQ(osSetup_GetLastError(), KS_ERROR_INSUFFICIENT_BUFFER);
    // A different INF gets the next name.
    const std::string other = writeFile("y.inf", "[Version]\nClass=Y\n");
    ASSERT_TRUE(osSetup_CopyOemInf(other.c_str(), 0, dest, sizeof dest, &filePart));
    EXPECT_STREQ(filePart, "oem1.inf");
    EXPECT_TRUE(osSetup_UninstallOemInf("oem0.inf", 0));
    EXPECT_FALSE(osSetup_UninstallOemInf("oem0.inf", 0));
    EXPECT_EQ(osSetup_GetLastError(), KS_ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(osSetup_UninstallOemInf("../x.inf", kUninstallForceDelete));
    EXPECT_EQ(osSetup_GetLastError(), KS_ERROR_INVALID_NAME);
}

TEST_F(StandinTest, StoreCopyInUseNeedsForceDelete) {
    const std::string inf = writeFile("x.inf", "[Version]\nClass=X\n");
    char dest[260];
    char *filePart = nullptr;
    ASSERT_TRUE(osSetup_CopyOemInf(inf.c_str(), 0, dest, sizeof dest, &filePart));
    std::vector<StandinDevice> devices = {
        {"ROOT\\A\\0000", kScsiClass, "SCSIAdapter", {"id"}, "svc", "oem0.inf"}};
    ASSERT_TRUE(standinState_SaveDevices(devices));
    EXPECT_FALSE(osSetup_UninstallOemInf("oem0.inf", 0));
    EXPECT_EQ(osSetup_GetLastError(), KS_ERROR_INF_IN_USE_BY_DEVICES);
    EXPECT_TRUE(osSetup_UninstallOemInf("oem0.inf", kUninstallForceDelete));
}

TEST_F(StandinTest, InfClassComesFromTheVersionSection) {
    SetupGuid guid{};
    char name[32];
    const std::string good = writeFile(
        "good.inf",
        "[Version]\nClass=SCSIAdapter\nClassGUID={4D36E97B-E325-11CE-BFC1-08002BE10318}\n");
    ASSERT_TRUE(osSetup_GetInfClass(good.c_str(), &guid, name, sizeof name));
    EXPECT_STREQ(name, "SCSIAdapter");
    EXPECT_TRUE(standinGuid_Equal(guid, kScsiClass));
    EXPECT_FALSE(osSetup_GetInfClass(good.c_str(), &guid, name, 11));
    EXPECT_EQ(osSetup_GetLastError(), KS_ERROR_INSUFFICIENT_BUFFER);
    const std::string noClass = writeFile("noclass.inf", "[Version]\nSignature=x\n");
    EXPECT_FALSE(osSetup_GetInfClass(noClass.c_str(), &guid, name, sizeof name));
    EXPECT_EQ(osSetup_GetLastError(), KS_ERROR_NO_ASSOCIATED_CLASS);
    const std::string badGuid = writeFile("badguid.inf", "[Version]\nClass=A\nClassGUID={1234}\n");
    EXPECT_FALSE(osSetup_GetInfClass(badGuid.c_str(), &guid, name, sizeof name));
    EXPECT_EQ(osSetup_GetLastError(), KS_ERROR_INVALID_CLASS);
    EXPECT_FALSE(osSetup_GetInfClass((dir_ + "/missing.inf").c_str(), &guid, name, sizeof name));
    EXPECT_EQ(osSetup_GetLastError(), KS_ERROR_FILE_NOT_FOUND);
}

TEST_F(StandinTest, NewDeviceGetsTheFirstFreeRootInstanceId) {
    addDevice("ROOT\\SCSIADAPTER\\0000", "other");
    DevInfoSet set = osSetup_CreateDeviceInfoList(&kScsiClass);
    DevInfoData device = devInfo();
    ASSERT_TRUE(osSetup_CreateDeviceInfo(set, "SCSIAdapter", &kScsiClass, &device));
    ASSERT_TRUE(osSetup_SetHardwareId(set, &device, "root\\qorni", 11));
    EXPECT_EQ(standinState_LoadDevices().size(), 1u); // not registered yet
    ASSERT_TRUE(osSetup_RegisterDevice(set, &device));
    const std::vector<StandinDevice> devices = standinState_LoadDevices();
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[1].instanceId, "ROOT\\SCSIADAPTER\\0001");
    EXPECT_EQ(devices[1].hardwareIds, (std::vector<std::string>{"root\\qorni"}));
    const SetupGuid otherClass = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    EXPECT_FALSE(osSetup_CreateDeviceInfo(set, "Other", &otherClass, &device));
    EXPECT_EQ(osSetup_GetLastError(), KS_ERROR_CLASS_MISMATCH);
    EXPECT_TRUE(osSetup_DestroyDeviceInfoList(set));
    EXPECT_FALSE(osSetup_DestroyDeviceInfoList(set));
    EXPECT_EQ(osSetup_GetLastError(), KS_ERROR_INVALID_HANDLE);
}

TEST_F(StandinTest, FormatMessageAnswersForWin32AndSetupMessageNumbers) {
    char text[1000];
    ASSERT_GT(osSetup_FormatSystemMessage(0x80070002, text, sizeof text), 0u);
    EXPECT_STREQ(text, "The system cannot find the file specified.\r\n");
    ASSERT_GT(osSetup_FormatSystemMessage(0x800F020B, text, sizeof text), 0u);
    EXPECT_STREQ(text, "The device instance does not exist.\r\n");
    ASSERT_GT(osSetup_FormatSystemMessage(0, text, sizeof text), 0u);
    EXPECT_STREQ(text, "The operation completed successfully.\r\n");
    EXPECT_EQ(osSetup_FormatSystemMessage(0x8007FFFE, text, sizeof text), 0u);
}

TEST_F(StandinTest, MultiByteToWideDecodesUtf8AndCountsTheTerminator) {
    const char *path = "/tmp/\xC3\xA9t\xC3\xA9/\xF0\x9F\x98\x80.inf"; // é, é, U+1F600
    EXPECT_EQ(osSetup_MultiByteToWide(path, nullptr, 0), 16);         // a surrogate pair counts two
    char16_t wide[16];
    ASSERT_EQ(osSetup_MultiByteToWide(path, wide, 16), 16);
    EXPECT_EQ(std::u16string(wide), u"/tmp/\u00e9t\u00e9/\U0001F600.inf");
    EXPECT_EQ(osSetup_MultiByteToWide(path, wide, 15), 0);
    EXPECT_EQ(osSetup_GetLastError(), KS_ERROR_INSUFFICIENT_BUFFER);
    char16_t bad[4];
    ASSERT_EQ(osSetup_MultiByteToWide("\xFF"
                                      "a",
                                      bad, 4),
              3);
    EXPECT_EQ(bad[0], u'\uFFFD');
}

} // namespace
