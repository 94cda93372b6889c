// TLS contexts: building them from key-pair and CA files, their failures,
// the password callback, and a real handshake over loopback between a
// server and a client context.
#include "../test_support.h"
#include "os_net.h"
#include "security_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>

namespace {

using mostest::SecurityTest;
using mostest::TestCerts;
using TraceCapture = mostest::SecurityTest::TraceCapture;

class SslTest : public SecurityTest {};

// --- The password callback (no library needed) ---

TEST_F(SslTest, PasswordCallbackNeedsRoomForTheTerminatingZero) {
    struct Case {
        const char *pPassword;
        int bufSize;
        int expected; // characters written, 0 when refused
    };
    const Case cases[] = {
        {"12345678", 8, 0}, {"12345678", 9, 8}, {"", 1, 0}, {"abc", 0, 0}, {"abc", -4, 0},
    };
    for (const Case &c : cases) {
        mosSsl_G = MosSslLayer{};
        strcpy(mosSsl_G.contexts[2].password, c.pPassword);
        char buf[16];
        memset(buf, 'x', sizeof buf);
        TraceCapture capture;
        const int written = mosSsl_PasswordCB(buf, c.bufSize, 0, reinterpret_cast<void *>(2));
        const std::string trace = capture.Stop();
        EXPECT_EQ(written, c.expected) << c.pPassword << " " << c.bufSize;
        const bool bRefused = c.expected == 0 && strlen(c.pPassword) != 0;
        EXPECT_EQ(Has(trace, "ERROR: Password buffer is too short"), bRefused || c.bufSize <= 0)
            << trace;
        if (c.expected > 0) {
            EXPECT_EQ(std::string(buf, static_cast<size_t>(c.bufSize)),
                      std::string(c.pPassword) + std::string(c.bufSize - c.expected, '\0'));
        }
    }
    EXPECT_TRUE(Has(
        [] {
            strcpy(mosSsl_G.contexts[0].password, "12345678");
            char buf[8];
            TraceCapture capture;
            (void)mosSsl_PasswordCB(buf, 8, 0, nullptr);
            return capture.Stop();
        }(),
        "ERROR: Password buffer is too short (8 < 8)"));
    mosSsl_G = MosSslLayer{};
}

TEST(SslDeathTest, PasswordCallbackForASlotBeyondTheLastIsFatal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    char buf[8];
    EXPECT_DEATH(
        {
            mostest::StdoutToStderr();
            (void)mosSsl_PasswordCB(buf, 8, 0, reinterpret_cast<void *>(3));
        },
        "\\(\\(contextId\\) < MOS_SSL_CONTEXT_ID__LAST\\)");
}

TEST_F(SslTest, MethodNamesOtherThanTls12AreWarnedAbout) {
    struct Case {
        const char *pMethod;
        bool bWarned;
    };
    for (const Case &c :
         {Case{"TLSv1.2", false}, Case{"tlsv1.2", false}, Case{"TLSv1.1", true}, Case{"", true}}) {
        TraceCapture capture;
        EXPECT_EQ(mosSsl_GetMethodType(c.pMethod), 0u);
        const std::string trace = capture.Stop();
        EXPECT_EQ(
            Has(trace, "WARNING: Invalid method (" + std::string(c.pMethod) + ") - using default"),
            c.bWarned);
        EXPECT_EQ(Has(trace, "ERROR: DEBUG ASSERT"), c.bWarned);
    }
}

// --- Contexts from files ---

struct ContextCase {
    const char *pName;
    const char *pKeyPair; // names in the certificate directory; "" none
    const char *pTrust;
    const char *pPassword;
    int64_t contextId;
    const char *pCiphers; // null: the default list
    MOS_RC rc;
    const char *pTrace; // expected, with %s for the directory
};

const ContextCase CONTEXT_CASES[] = {
    {"NoFiles", "", "", "", 0, nullptr, MOS_RC__SUCCESS, "SSL initialized successfully"},
    {"KeyPairAndTrust", "srv_pair.pem", "ca.pem", "", 1, nullptr, MOS_RC__SUCCESS,
     "Key Pair File: %s/srv_pair.pem"},
    {"EncryptedKey", "enc_pair.pem", "", TestCerts::PASSWORD, 2, nullptr, MOS_RC__SUCCESS,
     "SSL initialized successfully"},
    {"WrongPassword", "enc_pair.pem", "", "not-the-password", 0, nullptr,
     MOS_RC__ERROR_LOADING_SSL_KEY_PAIR, "ERROR: Failed to read key file (%s/enc_pair.pem)"},
    {"PasswordFillingItsField", "enc_pair.pem", "", "0123456789abcdef0123456789abcdef", 0, nullptr,
     MOS_RC__ERROR_LOADING_SSL_KEY_PAIR, "ERROR: Private key password is too long"},
    {"MissingKeyPairFile", "no-such.pem", "", "", 0, nullptr, MOS_RC__ERROR_LOADING_SSL_KEY_PAIR,
     "ERROR: Failed to read certificate file (%s/no-such.pem)"},
    {"BadlyEncodedCertificate", "garbage.pem", "", "", 0, nullptr,
     MOS_RC__ERROR_LOADING_SSL_KEY_PAIR, "ERROR: Failed to read certificate file"},
    {"CertificateWithoutKey", "srv.pem", "", "", 0, nullptr, MOS_RC__ERROR_LOADING_SSL_KEY_PAIR,
     "ERROR: Failed to read key file"},
    {"KeyOfAnotherCertificate", "mismatched_pair.pem", "", "", 0, nullptr,
     MOS_RC__ERROR_LOADING_SSL_KEY_PAIR, "ERROR: Failed to read key file"},
    {"MissingCaFile", "", "no-such-ca.pem", "", 0, nullptr, MOS_RC__ERROR_LOADING_SSL_TRUST,
     "ERROR: Failed to load CAs file (%s/no-such-ca.pem)"},
    {"BadlyEncodedCaFile", "", "garbage.pem", "", 0, nullptr, MOS_RC__ERROR_LOADING_SSL_TRUST,
     "ERROR: Failed to load CAs file"},
    {"RefusedCipherList", "", "", "", 0, "NO-SUCH-CIPHER", MOS_RC__INVALID_SSL_CIPHERS,
     "ERROR: Failed to set ciphers list (NO-SUCH-CIPHER)"},
    {"ContextIdBeyondTheSlots", "", "", "", 3, nullptr, MOS_RC__ERROR,
     "ERROR: Invalid SSL context ID (3)"},
    {"NegativeContextId", "", "", "", -1, nullptr, MOS_RC__ERROR,
     "ERROR: Invalid SSL context ID (-1)"},
};

class SslContextTest : public SecurityTest, public testing::WithParamInterface<ContextCase> {};

std::string withDir(const char *pText, const std::string &dir) {
    std::string text = pText;
    const size_t at = text.find("%s");
    return at == std::string::npos ? text : text.replace(at, 2, dir);
}

TEST_P(SslContextTest, BuildsTheSlotOrFailsWithItsCode) {
    MOSTEST_REQUIRE_TLS_LIBRARY();
    const ContextCase &c = GetParam();
    const TestCerts &certs = Certs();
    const std::string dir = certs.Path("");
    const std::string dirNoSlash = dir.substr(0, dir.size() - 1);
    MosSecurityConf conf = TlsConf(c.contextId, c.pKeyPair[0] != '\0' ? certs.Path(c.pKeyPair) : "",
                                   c.pTrust[0] != '\0' ? certs.Path(c.pTrust) : "");
    memcpy(conf.ssl.privateKeyPassword, c.pPassword,
           std::min(strlen(c.pPassword), sizeof conf.ssl.privateKeyPassword));
    if (c.pCiphers != nullptr) {
        SetText(conf.ssl.cipherList, c.pCiphers);
    }
    const Outcome out = RunInit(&conf);
    EXPECT_EQ(out.rc, c.rc) << out.trace;
    EXPECT_TRUE(Has(out.trace, withDir(c.pTrace, dirNoSlash))) << out.trace;
    if (c.rc == MOS_RC__SUCCESS) {
        EXPECT_NE(mosSsl_GetContext(static_cast<uint32_t>(c.contextId)), nullptr);
        // The password has served its purpose and is gone.
        const char zeros[MOS_SECURITY_PASSWORD_SIZE] = {};
        EXPECT_EQ(memcmp(mosSsl_G.contexts[c.contextId].password, zeros, sizeof zeros), 0);
        EXPECT_EQ(mosSecurityLayer_G.bInitialized, 1u);
    } else {
        EXPECT_TRUE(Has(out.trace, "ERROR: Failed to initialize SSL/TLS")) << out.trace;
        EXPECT_EQ(mosSecurity_AreLibrariesOpen(), 0u);
        EXPECT_EQ(mosSsl_GetContext(0), nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SslContextTest, testing::ValuesIn(CONTEXT_CASES),
                         [](const testing::TestParamInfo<ContextCase> &caseInfo) {
                             return std::string(caseInfo.param.pName);
                         });

TEST_F(SslTest, TlsConfigurationIsPrintedWithItsDefaults) {
    MOSTEST_REQUIRE_TLS_LIBRARY();
    MosSecurityConf conf = TlsConf(0, "", "");
    conf.ssl.bDisableClientAuth = 1;
    const Outcome out = RunInit(&conf);
    ASSERT_EQ(out.rc, MOS_RC__SUCCESS) << out.trace;
    EXPECT_TRUE(Has(out.trace, "The SSL configuration is: \n\tState: Enabled\n\tContext ID: "
                               "0\n\tTrusted Cert File: \n\tKey Pair File: \n\tMethod: TLSv1.2 "
                               "(0)\n\tClient Authentication: Disabled\n\tCiphers: ECDH+AESGCM:"))
        << out.trace;
    EXPECT_TRUE(Has(out.trace, "\n\tCert verification depth: 4\n")) << out.trace;
    EXPECT_EQ(mosSsl_G.contexts[0].bDisableClientAuth, 1u);
    EXPECT_EQ(mosSsl_G.bEnabled, 1u);
}

TEST_F(SslTest, ApplyingASecondConfigurationToASlotReplacesItsContext) {
    MOSTEST_REQUIRE_TLS_LIBRARY();
    MosSecurityConf conf = TlsConf(1, "", "");
    ASSERT_EQ(RunInit(&conf).rc, MOS_RC__SUCCESS);
    OsslSslCtx *pFirst = mosSsl_GetContext(1);
    ASSERT_NE(pFirst, nullptr);
    // The first context is released (the leak checker sees it otherwise).
    ASSERT_EQ(mosSsl_ApplyConf(&conf), MOS_RC__SUCCESS);
    EXPECT_NE(mosSsl_GetContext(1), nullptr);
    TraceCapture capture;
    EXPECT_EQ(mosSsl_ApplyConf(nullptr), MOS_RC__ERROR);
    EXPECT_TRUE(Has(capture.Stop(), "WARNING: Invalid SSL configuration"));
}

TEST_F(SslTest, AFailedBuildLeavesNoPasswordBehind) {
    MOSTEST_REQUIRE_TLS_LIBRARY();
    const TestCerts &certs = Certs();
    MosSecurityConf loaded{};
    loaded.bEnable = 1;
    ASSERT_EQ(RunInit(&loaded).rc, MOS_RC__SUCCESS);
    MosSecurityConf conf = TlsConf(1, certs.Path("enc_pair.pem"), "");
    SetText(conf.ssl.privateKeyPassword, "wrong");
    OsslSslCtx *pCtx = nullptr;
    TraceCapture capture;
    EXPECT_EQ(mosSsl_CreateContext(&conf, &pCtx), MOS_RC__ERROR_LOADING_SSL_KEY_PAIR);
    (void)capture.Stop();
    EXPECT_EQ(pCtx, nullptr);
    const char zeros[MOS_SECURITY_PASSWORD_SIZE] = {};
    EXPECT_EQ(memcmp(mosSsl_G.contexts[1].password, zeros, sizeof zeros), 0);
}

// --- A handshake over loopback ---

struct HandshakeResult {
    bool bServerOk = false;
    bool bClientOk = false;
    long serverVerify = -1;
    long clientVerify = -1;
    std::string received;
};

MosSocket listenOnLoopback(uint16_t *pPort) {
    MosSocket listener = MOS_INVALID_SOCKET;
    EXPECT_EQ(osNetSys_Socket(2, &listener), 0u);
    const uint8_t addr[16] = {2, 0, 0, 0, 127, 0, 0, 1}; // Windows layout, any port
    EXPECT_EQ(osNetSys_Bind(listener, addr, sizeof addr), 0u);
    EXPECT_EQ(osNetSys_Listen(listener, 1), 0u);
    EXPECT_EQ(osNetSys_GetLocalPort(listener, pPort), 0u);
    return listener;
}

// One side of the connection: TLS over the socket, peer verification on.
bool runSide(OsslSslCtx *pCtx, MosSocket sock, bool bServer, long *pVerify, std::string *pData) {
    const MosSecurityFns *f = mosSecurity_GetFns();
    OsslSsl *pSsl = f->SSL_new(pCtx);
    OsslBio *pBio = f->BIO_new_socket(static_cast<int>(sock), OSSL_BIO_NOCLOSE);
    f->SSL_set_bio(pSsl, pBio, pBio);
    f->SSL_set_verify(pSsl, OSSL_VERIFY_PEER | (bServer ? OSSL_VERIFY_FAIL_IF_NO_PEER_CERT : 0),
                      nullptr);
    const bool bOk = (bServer ? f->SSL_accept(pSsl) : f->SSL_connect(pSsl)) == 1;
    *pVerify = f->SSL_get_verify_result(pSsl);
    if (bOk && bServer) {
        char buf[64] = {};
        const int got = f->SSL_read(pSsl, buf, sizeof buf - 1);
        *pData = got > 0 ? std::string(buf, static_cast<size_t>(got)) : "";
        OsslX509 *pPeer = f->SSL_get_peer_certificate(pSsl);
        char name[128] = {};
        if (pPeer != nullptr) {
            f->X509_NAME_oneline(f->X509_get_subject_name(pPeer), name, sizeof name);
            f->X509_free(pPeer);
        }
        *pData += std::string(" from ") + name;
    } else if (bOk) {
        (void)f->SSL_write(pSsl, "ping", 4);
    }
    if (bOk) {
        (void)f->SSL_shutdown(pSsl);
    }
    f->SSL_free(pSsl);
    (void)osNetSys_Close(sock);
    return bOk;
}

HandshakeResult handshake(OsslSslCtx *pServerCtx, OsslSslCtx *pClientCtx) {
    HandshakeResult r;
    uint16_t port = 0;
    MosSocket listener = listenOnLoopback(&port);
    std::thread server([&] {
        MosSocket conn = MOS_INVALID_SOCKET;
        if (osNetSys_Accept(listener, &conn) == 0) {
            r.bServerOk = runSide(pServerCtx, conn, true, &r.serverVerify, &r.received);
        }
    });
    MosSocket client = MOS_INVALID_SOCKET;
    EXPECT_EQ(osNetSys_Socket(2, &client), 0u);
    const uint8_t addr[16] = {
        2, 0, static_cast<uint8_t>(port >> 8), static_cast<uint8_t>(port), 127, 0, 0, 1};
    EXPECT_EQ(osNetSys_Connect(client, addr, sizeof addr), 0u);
    std::string unused;
    r.bClientOk = runSide(pClientCtx, client, false, &r.clientVerify, &unused);
    server.join();
    (void)osNetSys_Close(listener);
    return r;
}

struct HandshakeCase {
    const char *pName;
    const char *pClientKeyPair;
    const char *pClientTrust;
    bool bOk;
};

const HandshakeCase HANDSHAKE_CASES[] = {
    {"BothSidesTrustTheirCa", "cli_pair.pem", "ca.pem", true},
    {"ClientTrustsAnotherCa", "cli_pair.pem", "other_ca.pem", false},
    {"ClientWithoutCertificate", "", "ca.pem", false},
    {"ClientKeyStoredBeforeItsCertificate", "key_first.pem", "ca.pem", true},
};

class SslHandshakeTest : public SecurityTest, public testing::WithParamInterface<HandshakeCase> {};

TEST_P(SslHandshakeTest, PeersVerifyEachOther) {
    MOSTEST_REQUIRE_TLS_LIBRARY();
    const HandshakeCase &c = GetParam();
    const TestCerts &certs = Certs();
    MosSecurityConf server = TlsConf(0, certs.Path("srv_pair.pem"), certs.Path("ca.pem"));
    ASSERT_EQ(RunInit(&server).rc, MOS_RC__SUCCESS);
    MosSecurityConf client =
        TlsConf(1, c.pClientKeyPair[0] != '\0' ? certs.Path(c.pClientKeyPair) : "",
                certs.Path(c.pClientTrust));
    ASSERT_EQ(mosSsl_ApplyConf(&client), MOS_RC__SUCCESS);
    const HandshakeResult r = handshake(mosSsl_GetContext(0), mosSsl_GetContext(1));
    EXPECT_EQ(r.bClientOk, c.bOk);
    EXPECT_EQ(r.bServerOk, c.bOk);
    if (c.bOk) {
        EXPECT_EQ(r.clientVerify, OSSL_X509_V_OK);
        EXPECT_EQ(r.serverVerify, OSSL_X509_V_OK);
        EXPECT_EQ(r.received, "ping from /CN=mos-test-cli");
    } else {
        EXPECT_TRUE(r.clientVerify != OSSL_X509_V_OK || !r.bServerOk);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SslHandshakeTest, testing::ValuesIn(HANDSHAKE_CASES),
                         [](const testing::TestParamInfo<HandshakeCase> &caseInfo) {
                             return std::string(caseInfo.param.pName);
                         });

} // namespace
