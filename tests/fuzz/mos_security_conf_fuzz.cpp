// Feeds arbitrary configuration files to the security keys: each value
// must land inside its field and within its bounds.
#include "mos_conf_file.h"
#include "mos_security.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void checkText(const char *pField, size_t size) {
    if (memchr(pField, '\0', size) == nullptr) {
        abort(); // a text must end inside its field
    }
}

void checkConf(const MosSecurityConf &c) {
    checkText(c.ssl.trustCertFile, sizeof c.ssl.trustCertFile);
    checkText(c.ssl.keyPairFile, sizeof c.ssl.keyPairFile);
    checkText(c.ssl.privateKeyPassword, sizeof c.ssl.privateKeyPassword);
    checkText(c.ssl.cipherList, sizeof c.ssl.cipherList);
    checkText(c.ssl.method, sizeof c.ssl.method);
    checkText(c.auth.keyPairFile, sizeof c.auth.keyPairFile);
    checkText(c.auth.trustCertFile, sizeof c.auth.trustCertFile);
    checkText(c.auth.privateKeyPassword, sizeof c.auth.privateKeyPassword);
    if (c.ssl.contextId < 0 || c.ssl.contextId > 2 || c.ssl.certVerifyDepth < 1 ||
        c.ssl.certVerifyDepth > 100) {
        abort();
    }
    // Flags take any value: a negative number is stored as read, cut to
    // 32 bits, as every boolean key of the configuration file is.
    if (mosSecurity_PasswordLen(c.ssl.privateKeyPassword) >= MOS_SECURITY_PASSWORD_SIZE) {
        abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t size) {
    static MosSecurityConf conf;
    static MosConfEntry table[MOS_SECURITY_CONF_KEYS];
    memset(&conf, 0xA5, sizeof conf); // stale bytes must not survive a read
    mosSecurity_BuildConfTable(&conf, table);
    FILE *pFile = tmpfile();
    if (pFile == nullptr) {
        return 0;
    }
    fwrite(pData, 1, size, pFile);
    for (const MosConfEntry &entry : table) {
        if (mosConf_ReadEntry(&entry, pFile) != MOS_RC__SUCCESS) {
            abort();
        }
    }
    fclose(pFile);
    checkConf(conf);
    return 0;
}
