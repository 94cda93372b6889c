// Shared set-up of the security layer's tests: the layers it stands on,
// a clean default configuration and library names per test, trace
// capture of one call, and test certificates and keys made at run time
// with the openssl command in a directory of this process.
#pragma once

#include "../core_layers.h"
#include "../trace_capture.h"
#include "mos_auth.h"
#include "mos_blocking.h"
#include "mos_dynamic_lib.h"
#include "mos_security.h"
#include "mos_ssl.h"
#include "os_proc.h"
#include "os_thread.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace mostest {

// Whether the TLS library loads on this system.
inline bool TlsLibraryLoads() {
    OsDynLibHandle hLib = osDynLib_Open(mosDynamicLib_GetName(MOS_DYNAMIC_LIB_ID__LIBSSL));
    if (hLib == nullptr) {
        return false;
    }
    (void)osDynLib_Close(hLib);
    return true;
}

// Tests that need the real library skip where it may be absent (Windows,
// where it is not shipped) and fail where it must be present.
#define MOSTEST_REQUIRE_TLS_LIBRARY()                                                              \
    do {                                                                                           \
        if (!mostest::TlsLibraryLoads()) {                                                         \
            if (MOSTEST_TLS_LIB_OPTIONAL) {                                                        \
                GTEST_SKIP() << "the TLS library (libssl-1_1-x64.dll) is not installed here";      \
            }                                                                                      \
            FAIL() << "the TLS library must load on this system";                                  \
        }                                                                                          \
    } while (0)

// The test certificates: a CA, a server and a client certificate it
// signed, and a second CA that signed neither.
class TestCerts {
  public:
    static const TestCerts &Get() {
        static TestCerts certs;
        return certs;
    }
    std::string Path(const char *pName) const { return (m_dir / pName).string(); }
    bool Ok() const { return m_bOk; }
    static constexpr const char *PASSWORD = "s3cret-pass";

  private:
    TestCerts() {
        m_dir = std::filesystem::temp_directory_path() /
                ("mos_security_certs_" + std::to_string(osProc_GetCurrentProcessId()));
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
        m_bOk = makeCa("ca") && makeCa("other_ca") && makeLeaf("srv") && makeLeaf("cli") &&
                run("pkey -in " + q("srv.key") + " -aes256 -passout pass:" + PASSWORD + " -out " +
                    q("srv_enc.key"));
        concat("srv_pair.pem", {"srv.pem", "srv.key"});
        concat("cli_pair.pem", {"cli.pem", "cli.key"});
        concat("key_first.pem", {"cli.key", "cli.pem"});
        concat("enc_pair.pem", {"srv.pem", "srv_enc.key"});
        concat("mismatched_pair.pem", {"srv.pem", "cli.key"});
        std::ofstream(m_dir / "garbage.pem")
            << "-----BEGIN CERTIFICATE-----\nnot*base64*at*all\n-----END CERTIFICATE-----\n";
        std::ofstream(m_dir / "empty.pem");
    }
    ~TestCerts() {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    std::string q(const char *pName) const { return "\"" + Path(pName) + "\""; }
    static bool run(const std::string &args) {
        return std::system(("openssl " + args + " >/dev/null 2>&1").c_str()) == 0;
    }
    static std::string ecKey() {
        return " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
    }
    bool makeCa(const std::string &name) const {
        return run("req -x509" + ecKey() + " -keyout " + q((name + ".key").c_str()) + " -out " +
                   q((name + ".pem").c_str()) + " -days 2 -subj /CN=mos-test-" + name);
    }
    bool makeLeaf(const std::string &name) const {
        const std::string key = name + ".key", csr = name + ".csr", pem = name + ".pem";
        return run("req" + ecKey() + " -keyout " + q(key.c_str()) + " -out " + q(csr.c_str()) +
                   " -subj /CN=mos-test-" + name) &&
               run("x509 -req -in " + q(csr.c_str()) + " -CA " + q("ca.pem") + " -CAkey " +
                   q("ca.key") + " -CAcreateserial -days 2 -out " + q(pem.c_str()));
    }
    void concat(const char *pOut, std::initializer_list<const char *> parts) const {
        std::ofstream out(m_dir / pOut, std::ios::binary);
        for (const char *pPart : parts) {
            std::ifstream in(m_dir / pPart, std::ios::binary);
            out << in.rdbuf();
        }
    }

    std::filesystem::path m_dir;
    bool m_bOk = false;
};

class SecurityTest : public testing::Test {
  public:
    using TraceCapture = StdoutCapture;

  protected:
    // The trace layer writes to standard output before any worker starts,
    // and stays up until the workers are gone: the tests' captures take
    // standard output only (TraceCapture below).
    static void SetUpTestSuite() {
        EnsureCoreLayers();
        MosTrcParams params{};
        params.trc_stdout = 1;
        ASSERT_EQ(mosTrcLayer_Create(&params), MOS_RC__SUCCESS);
        ASSERT_EQ(mosBlocking_LayerInit(nullptr), MOS_RC__SUCCESS);
    }
    static void TearDownTestSuite() {
        mosBlocking_LayerDestroy();
        mosTrcLayer_Destroy();
    }
    // Returns once the single worker of pBlocking has run everything
    // queued before: a request of ours, queued last, has run.
    static void WaitForWorker(MosBlocking *pBlocking) {
        static uint32_t bRan;
        static MosBlockingReq req; // the worker still stores its result
        bRan = 0;
        mosBlockingReq_Init(
            &req,
            [](void *pRan, uint32_t *) -> uint32_t {
                __atomic_store_n(static_cast<uint32_t *>(pRan), 1, __ATOMIC_RELEASE);
                return 0;
            },
            &bRan, nullptr);
        ASSERT_EQ(mosBlocking_SubmitWaitEx(pBlocking, &req), MOS_RC__PENDING);
        // A hang guard only: the worker takes the request at once.
        for (int waitedMs = 0; waitedMs < 60000 && __atomic_load_n(&bRan, __ATOMIC_ACQUIRE) == 0;
             waitedMs++) {
            osThread_SleepMs(1);
        }
        ASSERT_EQ(__atomic_load_n(&bRan, __ATOMIC_ACQUIRE), 1u);
    }
    void SetUp() override { *mosSecurity_GetDefaultConf() = MosSecurityConf{}; }
    void TearDown() override {
        mosSecurityLayer_Destroy();
        (void)mosDynamicLib_SetName(MOS_DYNAMIC_LIB_ID__LIBSSL, nullptr);
        (void)mosDynamicLib_SetName(MOS_DYNAMIC_LIB_ID__LIBCRYPTO, nullptr);
        *mosSecurity_GetDefaultConf() = MosSecurityConf{};
    }

    // The certificates; the test fails when they cannot be made.
    static const TestCerts &Certs() {
        const TestCerts &certs = TestCerts::Get();
        EXPECT_TRUE(certs.Ok()) << "the openssl command could not make the test certificates";
        return certs;
    }
    // A configuration with the keys' defaults and TLS on for one slot.
    static MosSecurityConf TlsConf(int64_t contextId, const std::string &keyPair,
                                   const std::string &trust) {
        MosSecurityConf conf{};
        MosConfEntry table[MOS_SECURITY_CONF_KEYS];
        mosSecurity_BuildConfTable(&conf, table);
        for (const MosConfEntry &entry : table) {
            EXPECT_EQ(mosConf_ReadEntry(&entry, nullptr), MOS_RC__SUCCESS);
        }
        conf.ssl.bEnable = 1;
        conf.ssl.contextId = contextId;
        SetText(conf.ssl.keyPairFile, keyPair);
        SetText(conf.ssl.trustCertFile, trust);
        return conf;
    }
    template <size_t N> static void SetText(char (&field)[N], const std::string &text) {
        ASSERT_LT(text.size(), N);
        memset(field, 0, N);
        memcpy(field, text.data(), text.size());
    }

    struct Outcome {
        MOS_RC rc;
        std::string trace;
    };
    static Outcome RunInit(MosSecurityConf *pConf) {
        TraceCapture capture;
        const MOS_RC rc = mosSecurity_Init(pConf);
        return {rc, capture.Stop()};
    }
    static bool Has(const std::string &text, const std::string &part) {
        return text.find(part) != std::string::npos;
    }
};

} // namespace mostest
