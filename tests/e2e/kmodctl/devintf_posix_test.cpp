// The Linux device stand-in's client side against a scripted device:
// discovery in a class directory, and replies that break the framing.
#include "os_devintf.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char *kClassDir = "/{CC9BA7B0-6D22-4016-81C5-3369F0A163C4}";

int listenAt(const std::string &path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    strncpy(addr.sun_path, path.c_str(), sizeof(addr.sun_path) - 1);
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)), 0);
    EXPECT_EQ(listen(fd, 1), 0);
    return fd;
}

void sendWords(int fd, std::vector<uint32_t> words, size_t extraBytes = 0) {
    std::vector<uint8_t> bytes(words.size() * 4 + extraBytes, 0xAB);
    memcpy(bytes.data(), words.data(), words.size() * 4);
    ASSERT_EQ(send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(bytes.size()));
}

// Reads one request frame of a known input size.
void readRequest(int fd, size_t inSize) {
    std::vector<uint8_t> buf(12 + inSize);
    size_t got = 0;
    while (got < buf.size()) {
        ssize_t n = recv(fd, buf.data() + got, buf.size() - got, 0);
        ASSERT_GT(n, 0);
        got += static_cast<size_t>(n);
    }
}

class DevIntfPosixTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/devintf-test-XXXXXX";
        m_root = mkdtemp(tmpl);
        m_dir = m_root + kClassDir;
        mkdir(m_dir.c_str(), 0755);
        setenv("MOS_DEVINTF_ROOT", m_root.c_str(), 1);
    }
    void TearDown() override {
        std::string cmd = "rm -rf '" + m_root + "'";
        EXPECT_EQ(system(cmd.c_str()), 0);
    }
    std::string m_root;
    std::string m_dir;
};

TEST_F(DevIntfPosixTest, EnumeratesTheSocketsOfTheClassInNameOrder) {
    int b = listenAt(m_dir + "/b");
    int a = listenAt(m_dir + "/a");
    close(open((m_dir + "/not-a-socket").c_str(), O_CREAT | O_WRONLY, 0644));
    OsDevIntfList *pList = nullptr;
    ASSERT_EQ(osDevIntf_GetClassDevs(QORNI_INTERFACE_GUID, &pList), OS_ERR_SUCCESS);
    size_t size = 0;
    EXPECT_EQ(osDevIntf_GetPath(pList, 0, nullptr, 0, &size), OS_ERR_INSUFFICIENT_BUFFER);
    std::vector<char> path(size);
    ASSERT_EQ(osDevIntf_GetPath(pList, 0, path.data(), path.size(), &size), OS_ERR_SUCCESS);
    EXPECT_EQ(std::string(path.data()), m_dir + "/a");
    EXPECT_EQ(osDevIntf_Enum(pList, 1), OS_ERR_SUCCESS);
    EXPECT_EQ(osDevIntf_Enum(pList, 2), OS_ERR_NO_MORE_ITEMS);
    osDevIntf_Destroy(pList);
    close(a);
    close(b);
}

TEST_F(DevIntfPosixTest, ClassWithoutDirectoryHasNoInterfaces) {
    setenv("MOS_DEVINTF_ROOT", (m_root + "/missing").c_str(), 1);
    OsDevIntfList *pList = nullptr;
    ASSERT_EQ(osDevIntf_GetClassDevs(QORNI_INTERFACE_GUID, &pList), OS_ERR_SUCCESS);
    EXPECT_EQ(osDevIntf_Enum(pList, 0), OS_ERR_NO_MORE_ITEMS);
    osDevIntf_Destroy(pList);
}

TEST_F(DevIntfPosixTest, ReplyBeyondTheOutputBufferIsRefusedAndTheStreamStaysInStep) {
    int listenFd = listenAt(m_dir + "/dev");
    std::thread device([listenFd] {
        int fd = accept(listenFd, nullptr, nullptr);
        sendWords(fd, {0});
        readRequest(fd, 8);
        sendWords(fd, {0, 64}, 64); // 64 bytes for a 16-byte buffer
        readRequest(fd, 8);
        sendWords(fd, {31, 0}); // a failed call
        readRequest(fd, 8);
        sendWords(fd, {0, 16}); // the reply header, then the peer is gone
        close(fd);
    });
    OsDev *pDev = nullptr;
    ASSERT_EQ(osDev_Open((m_dir + "/dev").c_str(), &pDev), OS_ERR_SUCCESS);
    uint8_t buf[16] = {};
    uint32_t returned = 99;
    EXPECT_EQ(osDev_Ioctl(pDev, 0x4D038, buf, 8, buf, 16, &returned), OS_ERR_INVALID_DATA);
    EXPECT_EQ(returned, 0u);
    EXPECT_EQ(osDev_Ioctl(pDev, 0x4D038, buf, 8, buf, 16, &returned), OS_ERR_GEN_FAILURE);
    EXPECT_EQ(osDev_Ioctl(pDev, 0x4D038, buf, 8, buf, 16, &returned), OS_ERR_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(returned, 0u);
    osDev_Close(pDev);
    device.join();
    close(listenFd);
}

} // namespace
