#include "runtime_once.h"
#include "sdbg_application.h"
#include "sdbg_exception.h"
#include "sdbg_obj_type_registry.h"

#include "dport_server.h"
#include "mos_loader.h"
#include "mos_net_sock.h"
#include "mos_os_thread.h"
#include "os_proc.h"

#include <gtest/gtest.h>

#include "../free_port.h"
#include "objscope_test_support.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A viewer linked as a data server to the runtime's own debug-port server
// in this process, with redirected input: every display reads a blank as
// its first key and ends after at most one page.
struct LinkedViewerFixture : public ::testing::Test {
    static void SetUpTestSuite() {
        ASSERT_EQ(objscopetest::EnsureRuntime(), MOS_RC__SUCCESS);
        ASSERT_EQ(osNetLayer_Create(), MOS_RC__SUCCESS);
        Sdbg_ObjTypeRegistry::Init();
    }
    static void TearDownTestSuite() { osNetLayer_Destroy(); }
    void SetUp() override {
        conf = {2, mostest::FreeTcpPort(), 0};
        ASSERT_EQ(sdbgServer_Init(&conf), MOS_RC__SUCCESS);
        ASSERT_TRUE(sdbgServer_IsRunning());
    }
    void TearDown() override {
        pApp.reset();
        sdbgServer_Destroy();
    }
    Sdbg_Application &App() {
        pApp = std::make_unique<Sdbg_Application>(std::make_unique<SDbg_FileInput>(none),
                                                  std::make_unique<SDbg_FileOutput>(printed));
        return *pApp;
    }

    SdbgServerConf conf{};
    std::istringstream none;
    std::ostringstream printed;
    std::unique_ptr<Sdbg_Application> pApp;
};

// The worker's own display threads, told apart from the process's other
// threads (which may start or end at any time) by their thread record.
struct DisplayThreadCount {
    const MosOsThrd *pDisplay;
    std::atomic<uint32_t> started{0};
    std::atomic<uint32_t> ended{0};
};

void CountDisplayStart(void *pArg) {
    auto *pCount = static_cast<DisplayThreadCount *>(pArg);
    if (pTlsThrd_G == pCount->pDisplay) {
        pCount->started++;
    }
}

void CountDisplayEnd(void *pArg) {
    auto *pCount = static_cast<DisplayThreadCount *>(pArg);
    if (pTlsThrd_G == pCount->pDisplay) {
        pCount->ended++;
    }
}

TEST_F(LinkedViewerFixture, EachDisplayEndsItsThreadBeforeReturning) {
    Sdbg_Application &app = App();
    app.worker.Link(2, "127.0.0.1", conf.port);
    DisplayThreadCount count{&app.worker.thread};
    MosOsThrdCKs callbacks{{}, CountDisplayStart, CountDisplayEnd, &count};
    mosOsThrd_RegisterCKs(&callbacks);
    for (uint32_t i = 1; i <= 5; ++i) {
        app.Display(0);
        EXPECT_EQ(app.worker.GetState(), SDbg_Worker::kIdle);
        EXPECT_EQ(count.started.load(), i);
        EXPECT_EQ(count.ended.load(), i);
    }
    mosOsThrd_UnRegisterCKs(&callbacks);
    app.worker.Unlink(); // idle again, so unlinking is accepted
    EXPECT_EQ(app.worker.GetServerType(), SDBG_UNDEFINED_ID);
}

// Leaving does not wait out the refresh period: asked to stop while it
// waits out an hour's period after its first page, the display ends.
TEST_F(LinkedViewerFixture, LeavingADisplayDoesNotWaitOutItsPeriod) {
    Sdbg_Application &app = App();
    app.worker.Link(2, "127.0.0.1", conf.port);
    app.worker.StartDisplay(app.view, 0, 3600u * 1000u);
    // The display thread renders under the worker's lock.
    for (bool bShown = false; !bShown;) {
        app.worker.Lock();
        bShown = printed.str().find("Screen: ") != std::string::npos;
        app.worker.Unlock();
        SdbgOs_Sleep(bShown ? 100 : 5); // then let it reach its wait
    }
    app.worker.StopDisplay();
    EXPECT_EQ(app.worker.GetState(), SDbg_Worker::kIdle);
    app.worker.Unlink();
}

// A dump on a stream writes every line of the screen whatever the page
// height; on a window it shows one page.
TEST_F(LinkedViewerFixture, ADumpOnAStreamIsWholeAndOnAWindowOnePage) {
    std::string dumps[2];
    for (const uint32_t pageHeight : {99999u, 2u}) {
        printed.str("");
        Sdbg_Application &app = App();
        app.view.SetPageHeight(pageHeight);
        app.worker.Link(2, "127.0.0.1", conf.port);
        app.worker.DumpScreen(app.view, 0, false);
        app.io.Flush();
        dumps[pageHeight == 2u ? 1 : 0] = printed.str();
        app.worker.Unlink();
        pApp.reset();
    }
    // The objects' values move between the two dumps; their lines do not.
    auto lineCount = [](const std::string &text) {
        return std::count(text.begin(), text.end(), '\n');
    };
    auto lastLine = [](const std::string &text) { return text.substr(text.rfind('\n') + 1); };
    EXPECT_GT(lineCount(dumps[0]), 4);
    EXPECT_EQ(lineCount(dumps[1]), lineCount(dumps[0]));
    EXPECT_EQ(lastLine(dumps[1]), lastLine(dumps[0]));

    auto pOwnedWindow = std::make_unique<objscopetest::RecordingOutput>(300, 2);
    objscopetest::RecordingOutput *pWindow = pOwnedWindow.get();
    pApp = std::make_unique<Sdbg_Application>(std::make_unique<SDbg_FileInput>(none),
                                              std::move(pOwnedWindow));
    pApp->worker.Link(2, "127.0.0.1", conf.port);
    pWindow->calls.clear();
    pApp->worker.DumpScreen(pApp->view, 0, false);
    std::vector<std::string> rows;
    for (const std::string &call : pWindow->calls) {
        if (call.rfind("G(0,", 0) == 0) {
            rows.push_back(call);
        }
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"G(0,0)", "G(0,1)"}));
    pApp->worker.Unlink();
}

TEST_F(LinkedViewerFixture, WorkerStateRules) {
    Sdbg_Application &app = App();
    EXPECT_THROW(app.worker.Unlink(), SDbg_WorkerException);
    app.worker.Link(2, nullptr, conf.port);
    EXPECT_EQ(app.worker.GetServerType(), 2u);
    try {
        app.worker.Link(2, nullptr, conf.port);
        FAIL() << "linked twice";
    } catch (const SDbg_WorkerException &failure) {
        EXPECT_STREQ(failure.GetText(), "Client already linked to a remote server");
    }
    // A dump whose link is gone fails, says why, and leaves the worker
    // idle with the link mended.
    sdbgServer_Destroy();
    ASSERT_EQ(sdbgServer_Init(&conf), MOS_RC__SUCCESS);
    try {
        app.worker.DumpScreen(app.view, 0, false);
        FAIL() << "a dump over a broken link succeeded";
    } catch (const SDbg_WorkerException &failure) {
        EXPECT_EQ(std::string(failure.GetText()).rfind("Error linking to remote server", 0), 0u);
    }
    EXPECT_EQ(app.worker.GetState(), SDbg_Worker::kIdle);
    EXPECT_NO_THROW(app.worker.DumpScreen(app.view, 0, true));
    EXPECT_NE(printed.str().find("<Mos_objects>"), std::string::npos);
    app.worker.Unlink();
}

} // namespace
