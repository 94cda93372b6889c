// Authentication keys: the certificate and private key of a PEM key-pair
// file (in either order, plain or encrypted), the trusted store, and the
// failures of bad files, bad encodings and bad passwords.
#include "security_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using mostest::SecurityTest;
using mostest::TestCerts;
using TraceCapture = mostest::SecurityTest::TraceCapture;

struct AuthCase {
    const char *pName;
    const char *pKeyPair; // in the certificate directory; "" none
    const char *pTrust;
    const char *pPassword;
    MOS_RC rc;
    std::vector<const char *> traces;
};

const AuthCase AUTH_CASES[] = {
    {"CertificateThenKey",
     "cli_pair.pem",
     "ca.pem",
     "",
     MOS_RC__SUCCESS,
     {"Authentication initialized successfully", "Applied configuration successfully"}},
    {"KeyThenCertificate",
     "key_first.pem",
     "ca.pem",
     "",
     MOS_RC__SUCCESS,
     {"Authentication initialized successfully"}},
    {"EncryptedKey",
     "enc_pair.pem",
     "",
     TestCerts::PASSWORD,
     MOS_RC__SUCCESS,
     {"No certificates file"}},
    {"NoFilesAtAll", "", "", "", MOS_RC__SUCCESS, {"No key-pair file", "No certificates file"}},
    {"WrongPassword",
     "enc_pair.pem",
     "",
     "wrong",
     MOS_RC__ERROR_LOADING_AUTH_KEY_PAIR,
     {"ERROR: Failed to read private key from ", "ERROR: Failed to load key-pair"}},
    {"PasswordFillingItsField",
     "enc_pair.pem",
     "",
     "0123456789abcdef0123456789abcdef",
     MOS_RC__ERROR_LOADING_AUTH_KEY_PAIR,
     {"ERROR: Private key password is too long"}},
    {"MissingKeyPairFile",
     "no-such.pem",
     "",
     "pw",
     MOS_RC__ERROR_LOADING_AUTH_KEY_PAIR,
     {"ERROR: Failed to open file "}},
    {"BadlyEncodedCertificate",
     "garbage.pem",
     "",
     "",
     MOS_RC__ERROR_LOADING_AUTH_KEY_PAIR,
     {"ERROR: Failed to read certificate from "}},
    {"EmptyKeyPairFile",
     "empty.pem",
     "",
     "",
     MOS_RC__ERROR_LOADING_AUTH_KEY_PAIR,
     {"ERROR: Failed to read certificate from "}},
    {"CertificateWithoutKey",
     "srv.pem",
     "",
     "",
     MOS_RC__ERROR_LOADING_AUTH_KEY_PAIR,
     {"ERROR: Failed to read private key from "}},
    {"MissingTrustFile",
     "cli_pair.pem",
     "no-such-ca.pem",
     "",
     MOS_RC__ERROR_LOADING_AUTH_TRUST,
     {"Failed to load certificates", "ERROR: Failed to load certificates"}},
    {"BadlyEncodedTrustFile",
     "",
     "garbage.pem",
     "",
     MOS_RC__ERROR_LOADING_AUTH_TRUST,
     {"ERROR: Failed to load certificates"}},
};

class AuthTest : public SecurityTest, public testing::WithParamInterface<AuthCase> {};

TEST_P(AuthTest, LoadsTheKeysOrFailsWithItsCode) {
    MOSTEST_REQUIRE_TLS_LIBRARY();
    const AuthCase &c = GetParam();
    const TestCerts &certs = Certs();
    // TLS comes first and succeeds, so an authentication failure must
    // also take the TLS context down before the libraries go.
    MosSecurityConf conf = TlsConf(0, "", "");
    conf.auth.bEnable = 1;
    SetText(conf.auth.keyPairFile, c.pKeyPair[0] != '\0' ? certs.Path(c.pKeyPair) : "");
    SetText(conf.auth.trustCertFile, c.pTrust[0] != '\0' ? certs.Path(c.pTrust) : "");
    memcpy(conf.auth.privateKeyPassword, c.pPassword,
           std::min(strlen(c.pPassword), sizeof conf.auth.privateKeyPassword));
    const Outcome out = RunInit(&conf);
    EXPECT_EQ(out.rc, c.rc) << out.trace;
    for (const char *pText : c.traces) {
        EXPECT_TRUE(Has(out.trace, pText)) << pText << "\n" << out.trace;
    }
    // The password is gone once the key was read, whatever the outcome.
    const char zeros[MOS_SECURITY_PASSWORD_SIZE] = {};
    EXPECT_EQ(memcmp(mosAuth_G.password, zeros, sizeof zeros), 0);
    if (c.rc == MOS_RC__SUCCESS) {
        EXPECT_EQ(mosAuth_G.bEnabled, 1u);
        EXPECT_EQ(mosAuth_G.cert != nullptr, c.pKeyPair[0] != '\0');
        EXPECT_EQ(mosAuth_G.privateKey != nullptr, c.pKeyPair[0] != '\0');
        EXPECT_NE(mosAuth_G.digestCtx, nullptr);
        EXPECT_NE(mosAuth_G.trustedStore, nullptr);
        EXPECT_NE(mosAuth_G.storeCtx, nullptr);
    } else {
        EXPECT_TRUE(Has(out.trace, "ERROR: Failed to initialize authentication")) << out.trace;
        EXPECT_EQ(mosAuth_G.cert, nullptr);
        EXPECT_EQ(mosAuth_G.digestCtx, nullptr);
        EXPECT_EQ(mosSsl_GetContext(0), nullptr);
        EXPECT_EQ(mosSecurity_AreLibrariesOpen(), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, AuthTest, testing::ValuesIn(AUTH_CASES),
                         [](const testing::TestParamInfo<AuthCase> &caseInfo) {
                             return std::string(caseInfo.param.pName);
                         });

class AuthKeysTest : public SecurityTest {};

TEST_F(AuthKeysTest, TheKeyMatchesItsCertificateAndVerifiesAgainstTheStore) {
    MOSTEST_REQUIRE_TLS_LIBRARY();
    const TestCerts &certs = Certs();
    MosSecurityConf conf{};
    conf.auth.bEnable = 1;
    SetText(conf.auth.keyPairFile, certs.Path("key_first.pem"));
    SetText(conf.auth.trustCertFile, certs.Path("ca.pem"));
    ASSERT_EQ(RunInit(&conf).rc, MOS_RC__SUCCESS);
    const MosSecurityFns *f = mosSecurity_GetFns();
    // Sign with the private key, verify with the certificate's public key.
    const unsigned char msg[] = "block 42";
    unsigned char sig[256];
    size_t sigLen = sizeof sig;
    OsslEvpMdCtx *pMd = mosAuth_G.digestCtx;
    ASSERT_EQ(f->EVP_DigestSignInit(pMd, nullptr, f->EVP_sha256(), nullptr, mosAuth_G.privateKey),
              1);
    ASSERT_EQ(f->EVP_DigestUpdate(pMd, msg, sizeof msg), 1);
    ASSERT_EQ(f->EVP_DigestSignFinal(pMd, sig, &sigLen), 1);
    OsslEvpPkey *pPub = f->X509_get_pubkey(mosAuth_G.cert);
    ASSERT_EQ(f->EVP_MD_CTX_reset(pMd), 1);
    ASSERT_EQ(f->EVP_DigestVerifyInit(pMd, nullptr, f->EVP_sha256(), nullptr, pPub), 1);
    ASSERT_EQ(f->EVP_DigestUpdate(pMd, msg, sizeof msg), 1);
    EXPECT_EQ(f->EVP_DigestVerifyFinal(pMd, sig, sigLen), 1);
    f->EVP_PKEY_free(pPub);
    // The certificate chains to the trusted CA.
    ASSERT_EQ(
        f->X509_STORE_CTX_init(mosAuth_G.storeCtx, mosAuth_G.trustedStore, mosAuth_G.cert, nullptr),
        1);
    EXPECT_EQ(f->X509_verify_cert(mosAuth_G.storeCtx), 1);
    f->X509_STORE_CTX_cleanup(mosAuth_G.storeCtx);
}

TEST_F(AuthKeysTest, ThePasswordIsWipedAsSoonAsTheKeyFileWasRead) {
    MOSTEST_REQUIRE_TLS_LIBRARY();
    const TestCerts &certs = Certs();
    MosSecurityConf loaded{};
    loaded.bEnable = 1;
    ASSERT_EQ(RunInit(&loaded).rc, MOS_RC__SUCCESS);
    struct Case {
        const char *pFile;
        const char *pPassword;
        MOS_RC rc;
    };
    const char zeros[MOS_SECURITY_PASSWORD_SIZE] = {};
    for (const Case &c :
         {Case{"no-such.pem", "pw", MOS_RC__ERROR}, Case{"enc_pair.pem", "wrong", MOS_RC__ERROR},
          Case{"enc_pair.pem", TestCerts::PASSWORD, MOS_RC__SUCCESS}}) {
        MosAuthConf conf{};
        SetText(conf.keyPairFile, certs.Path(c.pFile));
        SetText(conf.privateKeyPassword, c.pPassword);
        TraceCapture capture;
        EXPECT_EQ(mosAuth_LoadKeyPair(&conf), c.rc) << c.pFile << " " << c.pPassword;
        (void)capture.Stop();
        EXPECT_EQ(memcmp(mosAuth_G.password, zeros, sizeof zeros), 0) << c.pFile;
        mosAuth_ReleaseConf();
    }
}

TEST_F(AuthKeysTest, ReleaseAndNullConfigurationAreSafe) {
    TraceCapture capture;
    EXPECT_EQ(mosAuth_ApplyConf(nullptr), MOS_RC__ERROR);
    EXPECT_EQ(mosAuth_LoadKeyPair(nullptr), MOS_RC__SUCCESS);
    mosAuth_ReleaseConf();
    const std::string trace = capture.Stop();
    EXPECT_TRUE(Has(trace, "WARNING: Invalid authentication configuration"));
    EXPECT_TRUE(Has(trace, "No key-pair file"));
    EXPECT_EQ(mosAuth_G.bEnabled, 0u);
}

TEST_F(AuthKeysTest, SubjectFieldTableKeepsItsRows) {
    EXPECT_STREQ(mosAuth_SubjectFields[0].pShortName, "GN");
    EXPECT_STREQ(mosAuth_SubjectFields[4].pDefault, "US");
    EXPECT_EQ(mosAuth_SubjectFields[4].maxLen, 2u);
    EXPECT_STREQ(mosAuth_SubjectFields[7].pShortName, "emailAddress");
    EXPECT_EQ(mosAuth_SubjectFields[7].maxLen, 255u);
}

} // namespace
