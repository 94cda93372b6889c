// Feeds arbitrary key-pair files and passwords to the security layer's
// readers: the authentication key pair (certificate and key, each found
// by its own scan) and a TLS context built from the same file as key pair
// and CA file. Whatever the file holds, a success leaves both halves
// loaded, a failure leaves nothing, and the password is wiped afterwards.
// Input: one byte of password length (taken modulo 40), the password,
// then the file.
#include "mos_auth.h"
#include "mos_security.h"
#include "mos_ssl.h"
#include "os_proc.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool isWiped(const char *pPassword) {
    for (uint32_t i = 0; i < MOS_SECURITY_PASSWORD_SIZE; i++) {
        if (pPassword[i] != '\0') {
            return false;
        }
    }
    return true;
}

void checkAuth(MosAuthConf *pConf) {
    const MOS_RC rc = mosAuth_LoadKeyPair(pConf);
    const bool bBoth = mosAuth_G.cert != nullptr && mosAuth_G.privateKey != nullptr;
    if ((rc == MOS_RC__SUCCESS) != bBoth || !isWiped(mosAuth_G.password)) {
        abort();
    }
    mosAuth_ReleaseConf();
    if (mosAuth_G.cert != nullptr || mosAuth_G.privateKey != nullptr) {
        abort();
    }
}

void checkSsl(MosSecurityConf *pConf) {
    OsslSslCtx *pCtx = nullptr;
    const MOS_RC rc = mosSsl_CreateContext(pConf, &pCtx);
    if ((rc == MOS_RC__SUCCESS) != (pCtx != nullptr) || !isWiped(mosSsl_G.contexts[0].password)) {
        abort();
    }
    if (pCtx != nullptr) {
        mosSecurity_GetFns()->SSL_CTX_free(pCtx);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t size) {
    static const bool bLoaded = mosSecurity_InitIntrn(0) == MOS_RC__SUCCESS;
    // One scratch file per process, removed when the process ends.
    static const struct ScratchFile {
        std::string path =
            "/tmp/mos_fuzz_keypair_" + std::to_string(osProc_GetCurrentProcessId()) + ".pem";
        ~ScratchFile() { (void)remove(path.c_str()); }
    } scratch;
    const std::string &path = scratch.path;
    if (!bLoaded || size == 0) {
        return 0;
    }
    const size_t passwordLen = pData[0] % 40;
    if (size < 1 + passwordLen) {
        return 0;
    }
    FILE *pFile = fopen(path.c_str(), "wb");
    if (pFile == nullptr) {
        return 0;
    }
    fwrite(pData + 1 + passwordLen, 1, size - 1 - passwordLen, pFile);
    fclose(pFile);
    static MosSecurityConf conf;
    conf = MosSecurityConf{};
    // Up to 39 bytes into a 32-byte field: a password without its end
    // must be refused, not read past the field.
    memcpy(conf.auth.privateKeyPassword, pData + 1,
           passwordLen < MOS_SECURITY_PASSWORD_SIZE ? passwordLen : MOS_SECURITY_PASSWORD_SIZE);
    memcpy(conf.ssl.privateKeyPassword, conf.auth.privateKeyPassword, MOS_SECURITY_PASSWORD_SIZE);
    snprintf(conf.auth.keyPairFile, sizeof conf.auth.keyPairFile, "%s", path.c_str());
    snprintf(conf.ssl.keyPairFile, sizeof conf.ssl.keyPairFile, "%s", path.c_str());
    snprintf(conf.ssl.trustCertFile, sizeof conf.ssl.trustCertFile, "%s", path.c_str());
    snprintf(conf.ssl.method, sizeof conf.ssl.method, "TLSv1.2");
    checkAuth(&conf.auth);
    checkSsl(&conf);
    return 0;
}
