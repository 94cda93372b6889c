// The security layer: its start and stop (alone and in the loader), the
// loading and binding of the TLS library, and its failures.
#include "mos_loader.h"
#include "os_thread.h"
#include "security_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using mostest::SecurityTest;
using TraceCapture = mostest::SecurityTest::TraceCapture;

class SecurityLayerTest : public SecurityTest {};

TEST_F(SecurityLayerTest, DefaultConfigurationLoadsNothing) {
    for (uint32_t bAsync : {0u, 1u}) {
        mosSecurity_GetDefaultConf()->bAsynchronousLoad = bAsync;
        TraceCapture capture;
        EXPECT_EQ(mosSecurityLayer_Load(nullptr), MOS_RC__SUCCESS);
        EXPECT_EQ(mosSecurityLayer_G.bInitBlockingCreated, static_cast<int32_t>(bAsync));
        if (bAsync != 0) {
            WaitForWorker(&mosSecurityLayer_G.initBlocking);
        }
        mosSecurityLayer_Destroy();
        const std::string trace = capture.Stop();
        EXPECT_TRUE(Has(trace, bAsync != 0 ? "Loading asynchronously using default security"
                                           : "Loading synchronously using default security"))
            << trace;
        EXPECT_TRUE(Has(trace, "Security is disabled")) << trace;
        EXPECT_TRUE(Has(trace, "MOS Security library terminated")) << trace;
        EXPECT_FALSE(Has(trace, "ERROR")) << trace;
        EXPECT_EQ(mosSecurity_AreLibrariesOpen(), 0u);
        EXPECT_EQ(mosSecurityLayer_G.bInitialized, 0u);
    }
}

TEST_F(SecurityLayerTest, DestroyWithoutInitIsHarmless) {
    mosSecurityLayer_Destroy();
    // Destroyed before its worker took the request: the run is dropped.
    mosSecurity_GetDefaultConf()->bAsynchronousLoad = 1;
    EXPECT_EQ(mosSecurityLayer_Load(nullptr), MOS_RC__SUCCESS);
    mosSecurityLayer_Destroy();
    EXPECT_EQ(mosSecurity_AreLibrariesOpen(), 0u);
}

TEST_F(SecurityLayerTest, NullConfigurationTakesTheDefault) {
    const Outcome out = RunInit(nullptr);
    EXPECT_EQ(out.rc, MOS_RC__SUCCESS);
    EXPECT_TRUE(Has(out.trace, "Using default security configuration"));
    EXPECT_TRUE(Has(out.trace, "Security is disabled"));
}

TEST_F(SecurityLayerTest, SecurityKeysOfAConfigurationFileLandInTheDefaultRecord) {
    const std::string path =
        (std::filesystem::temp_directory_path() /
         ("mos_security_keys_" + std::to_string(osProc_GetCurrentProcessId()) + ".conf"))
            .string();
    {
        std::ofstream out(path);
        out << "# security\nSSL_ENABLE 1\nssl_context_id=2\nssl_cert_verify_depth 101\n"
               "ssl_key_pair_file\t/keys/pair with blank.pem\nauth_enable 1\n"
               "auth_private_key_password 0123456789abcdef0123456789abcdef\n"
               "ssl_private_key_password short\n";
    }
    ASSERT_EQ(mosSecurity_ReadConfFile(path.c_str()), MOS_RC__SUCCESS);
    std::filesystem::remove(path);
    const MosSecurityConf &c = *mosSecurity_GetDefaultConf();
    EXPECT_EQ(c.ssl.bEnable, 1u);
    EXPECT_EQ(c.ssl.contextId, 2);
    EXPECT_EQ(c.ssl.certVerifyDepth, 4); // out of bounds: the default
    EXPECT_STREQ(c.ssl.keyPairFile, "/keys/pair with blank.pem");
    EXPECT_STREQ(c.ssl.method, "TLSv1.2");
    EXPECT_EQ(std::string(c.ssl.cipherList).rfind("ECDH+AESGCM:DH+AESGCM:", 0), 0u);
    EXPECT_STREQ(c.ssl.privateKeyPassword, "short");
    // A password that does not fit its field is not cut: the default.
    EXPECT_STREQ(c.auth.privateKeyPassword, "");
    EXPECT_EQ(c.auth.bEnable, 1u);
    EXPECT_EQ(c.bEnable, 0u);
    // Without a file every key takes its default.
    ASSERT_EQ(mosSecurity_ReadConfFile(nullptr), MOS_RC__SUCCESS);
    EXPECT_EQ(c.ssl.bEnable, 0u);
    EXPECT_EQ(c.ssl.certVerifyDepth, 4);
}

MOS_RC failingInit(void * /*pArg*/) {
    return MOS_RC__NO_RESOURCES;
}

TEST_F(SecurityLayerTest, LoaderUnwindsTheLayerWhenALaterOneFails) {
    MosLoaderEntry table[] = {
        {mosSecurityLayer_Load, nullptr, mosSecurityLayer_Destroy},
        {failingInit, nullptr, nullptr},
    };
    TraceCapture capture;
    EXPECT_EQ(mosLoader_Load(table, 2), MOS_RC__NO_RESOURCES);
    const std::string trace = capture.Stop();
    EXPECT_TRUE(Has(trace, "Security is disabled"));
    EXPECT_TRUE(Has(trace, "MOS Security library terminated"));
}

void startRuntimeAndReport() {
    const MOS_RC rc = mos_Init(nullptr);
    fprintf(stderr, "rc=%u layers=%u libs=%u\n", rc, mos_MainLayerCount(),
            mosSecurity_AreLibrariesOpen());
    std::_Exit(0);
}

TEST(SecurityLoaderDeathTest, RuntimeStartRunsTheLayerWithSecurityOff) {
    EXPECT_EXIT(startRuntimeAndReport(), testing::ExitedWithCode(0), "rc=65 layers=30 libs=0");
}

// Failures of the library's loading, each with its code and traces; every
// one leaves the libraries unloaded.
struct InitFailureCase {
    const char *pName;
    bool bNeedsTlsLibrary;
    std::function<void(MosSecurityConf *)> setUp;
    MOS_RC rc;
    std::vector<const char *> traces;
    std::vector<const char *> absent;
};

const InitFailureCase INIT_FAILURES[] = {
    {"MissingLibssl",
     false,
     [](MosSecurityConf *) {
         (void)mosDynamicLib_SetName(MOS_DYNAMIC_LIB_ID__LIBSSL, "mos-no-such-library.dll");
     },
     MOS_RC__ERROR_LOADING_OPENSSL,
     {"ERROR: Failed to open library mos-no-such-library.dll",
      "ERROR: Failed to open security dynamic libraries",
      "ERROR: Failed to open security dynamic libraries (ERROR_LOADING_OPENSSL)"},
     {"libcrypto"}},
    {"MissingLibcrypto",
     true,
     [](MosSecurityConf *) {
         (void)mosDynamicLib_SetName(MOS_DYNAMIC_LIB_ID__LIBCRYPTO, "mos-no-such-crypto.dll");
     },
     MOS_RC__ERROR_LOADING_OPENSSL,
     {"ERROR: Failed to open library mos-no-such-crypto.dll"},
     {"Failed to load function"}},
    {"LibraryWithoutTheFunctions",
     false,
     [](MosSecurityConf *) {
         (void)mosDynamicLib_SetName(MOS_DYNAMIC_LIB_ID__LIBSSL, MOSTEST_SYSTEM_LIB);
         (void)mosDynamicLib_SetName(MOS_DYNAMIC_LIB_ID__LIBCRYPTO, MOSTEST_SYSTEM_LIB);
     },
     MOS_RC__OPENSSL_VERSION_TOO_OLD,
     {"ERROR: Failed to load function OPENSSL_init_ssl", "ERROR: Failed to load security functions",
      "(OPENSSL_VERSION_TOO_OLD)"},
     {}},
    {"LibcryptoInPlaceOfLibssl",
     true,
     [](MosSecurityConf *) {
         (void)mosDynamicLib_SetName(MOS_DYNAMIC_LIB_ID__LIBSSL, "libcrypto-1_1-x64.dll");
     },
     MOS_RC__OPENSSL_VERSION_TOO_OLD,
     {"ERROR: Failed to load function OPENSSL_init_ssl"},
     {}},
    {"LibsslInPlaceOfLibcrypto",
     true,
     [](MosSecurityConf *) {
         (void)mosDynamicLib_SetName(MOS_DYNAMIC_LIB_ID__LIBCRYPTO, "libssl-1_1-x64.dll");
     },
     MOS_RC__OPENSSL_VERSION_TOO_OLD,
     {"ERROR: Failed to load function RAND_status"},
     {}},
};

class SecurityInitFailureTest : public SecurityTest,
                                public testing::WithParamInterface<InitFailureCase> {};

TEST_P(SecurityInitFailureTest, FailsWithItsCodeAndUnloadsTheLibraries) {
    const InitFailureCase &c = GetParam();
    if (c.bNeedsTlsLibrary) {
        MOSTEST_REQUIRE_TLS_LIBRARY();
    }
    MosSecurityConf conf{};
    conf.bEnable = 1;
    c.setUp(&conf);
    const Outcome out = RunInit(&conf);
    EXPECT_EQ(out.rc, c.rc) << out.trace;
    for (const char *pText : c.traces) {
        EXPECT_TRUE(Has(out.trace, pText)) << pText << "\n" << out.trace;
    }
    for (const char *pText : c.absent) {
        EXPECT_FALSE(Has(out.trace, pText)) << pText << "\n" << out.trace;
    }
    EXPECT_EQ(mosSecurity_AreLibrariesOpen(), 0u);
    EXPECT_EQ(mosSecurity_IsLibInitialized(), 0u);
    EXPECT_EQ(mosSecurityLayer_G.bInitialized, 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, SecurityInitFailureTest, testing::ValuesIn(INIT_FAILURES),
                         [](const testing::TestParamInfo<InitFailureCase> &caseInfo) {
                             return std::string(caseInfo.param.pName);
                         });

TEST_F(SecurityLayerTest, WithoutTheLibraryTheLayerFailsTheStart) {
    // The built-in name: present on Linux, not shipped for Windows.
    mosSecurity_GetDefaultConf()->bEnable = 1;
    TraceCapture capture;
    const MOS_RC rc = mosSecurityLayer_Load(nullptr);
    const std::string trace = capture.Stop();
    if (mostest::TlsLibraryLoads()) {
        EXPECT_EQ(rc, MOS_RC__SUCCESS) << trace;
        EXPECT_TRUE(Has(trace, "MOS Security library initialized successfully"));
        EXPECT_EQ(mosSecurity_IsLibInitialized(), 1u);
    } else {
        EXPECT_EQ(rc, MOS_RC__ERROR_LOADING_OPENSSL) << trace;
        EXPECT_TRUE(Has(trace, "ERROR: Failed to open library libssl-1_1-x64.dll")) << trace;
        EXPECT_EQ(mosSecurity_AreLibrariesOpen(), 0u);
    }
}

TEST_F(SecurityLayerTest, EnabledSecurityBindsEveryFunctionAndPrintsTheConfiguration) {
    MOSTEST_REQUIRE_TLS_LIBRARY();
    MosSecurityConf conf{};
    conf.bEnable = 1;
    conf.bAllowUnsecure = 1;
    const Outcome out = RunInit(&conf);
    ASSERT_EQ(out.rc, MOS_RC__SUCCESS) << out.trace;
    EXPECT_TRUE(Has(out.trace, "The security configuration is:\n\tState: Enabled\n\tFIPS mode: "
                               "Disabled\n\tAccept Unsecured Connections: Enabled\n\tAsynchronous "
                               "Load: Disabled"))
        << out.trace;
    EXPECT_TRUE(Has(out.trace, "SSL is disabled"));
    EXPECT_TRUE(Has(out.trace, "Auth is disabled"));
    EXPECT_EQ(mosSecurityLayer_G.bInitialized, 1u);
    const MosSecurityFns *f = mosSecurity_GetFns();
    const void *const *ppFns = reinterpret_cast<const void *const *>(f);
    for (size_t i = 0; i < sizeof(MosSecurityFns) / sizeof(void *); i++) {
        EXPECT_NE(ppFns[i], nullptr) << "function " << i + 1;
    }
    EXPECT_EQ(f->RAND_status(), 1);
    EXPECT_EQ(f->FIPS_mode(), 0);
    EXPECT_GE(f->OpenSSL_version_num(), 0x10100000ul);
}

TEST_F(SecurityLayerTest, ASecondInitLeavesTheFirstOneIntact) {
    MOSTEST_REQUIRE_TLS_LIBRARY();
    MosSecurityConf conf = TlsConf(0, "", "");
    ASSERT_EQ(RunInit(&conf).rc, MOS_RC__SUCCESS);
    OsslSslCtx *pCtx = mosSsl_GetContext(0);
    ASSERT_NE(pCtx, nullptr);
    const Outcome out = RunInit(&conf);
    EXPECT_EQ(out.rc, MOS_RC__ERROR_LOADING_OPENSSL);
    EXPECT_TRUE(Has(out.trace, "ERROR: Library 100 is already open")) << out.trace;
    // Still loaded and usable: the earlier context was not pulled away.
    EXPECT_EQ(mosSecurity_IsLibInitialized(), 1u);
    EXPECT_EQ(mosSsl_GetContext(0), pCtx);
    OsslSsl *pSsl = mosSecurity_GetFns()->SSL_new(pCtx);
    EXPECT_NE(pSsl, nullptr);
    mosSecurity_GetFns()->SSL_free(pSsl);
}

TEST_F(SecurityLayerTest, FipsModeIsEnabledOrRefusedAsAWhole) {
    MOSTEST_REQUIRE_TLS_LIBRARY();
    MosSecurityConf conf{};
    conf.bEnable = 1;
    conf.bEnableFips = 1;
    const Outcome out = RunInit(&conf);
    if (out.rc == MOS_RC__SUCCESS) {
        EXPECT_TRUE(Has(out.trace, "Enabled FIPS mode"));
        EXPECT_NE(mosSecurity_GetFns()->FIPS_mode(), 0);
    } else {
        // No FIPS module installed: refused, and nothing stays loaded.
        EXPECT_EQ(out.rc, MOS_RC__ERROR_ENABLING_FIPS) << out.trace;
        EXPECT_TRUE(Has(out.trace, "ERROR: Failed to enable FIPS mode: ")) << out.trace;
        EXPECT_TRUE(Has(out.trace, "(ERROR_ENABLING_FIPS)"));
        EXPECT_EQ(mosSecurity_AreLibrariesOpen(), 0u);
        EXPECT_EQ(mosSecurity_IsLibInitialized(), 0u);
    }
}

TEST_F(SecurityLayerTest, AsynchronousLoadReportsSuccessAndInitialisesOnTheWorker) {
    MOSTEST_REQUIRE_TLS_LIBRARY();
    MosSecurityConf *pConf = mosSecurity_GetDefaultConf();
    pConf->bEnable = 1;
    pConf->bAsynchronousLoad = 1;
    TraceCapture capture;
    EXPECT_EQ(mosSecurityLayer_Load(nullptr), MOS_RC__SUCCESS);
    for (int waitedMs = 0;
         __atomic_load_n(&mosSecurityLayer_G.bInitialized, __ATOMIC_ACQUIRE) == 0 &&
         waitedMs < 10000;
         waitedMs++) {
        osThread_SleepMs(1);
    }
    EXPECT_EQ(mosSecurityLayer_G.bInitialized, 1u);
    mosSecurityLayer_Destroy();
    const std::string trace = capture.Stop();
    EXPECT_TRUE(Has(trace, "MOS Security library initialized successfully")) << trace;
    EXPECT_EQ(mosSecurity_AreLibrariesOpen(), 0u);
}

} // namespace
