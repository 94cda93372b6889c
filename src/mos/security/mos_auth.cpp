#include "mos_auth.h"

#include "mos_trace.h"

#include <cstdio>
#include <cstring>

MosAuthLayer mosAuth_G;

const MosAuthSubjectField mosAuth_SubjectFields[8] = {
    {"GN", "GIVEN_NAME", 16, ""},        {"CN", "COMMON_NAME", 64, ""},
    {"L", "LOCALITY", 128, "Brennmoor"}, {"ST", "STATE", 128, "Vardenholm"},
    {"C", "COUNTRY", 2, "US"},           {"O", "ORG", 64, "Qen"},
    {"OU", "ORG_UNIT", 64, "KZW"},       {"emailAddress", "EMAIL_ADDRESS", 255, ""},
};

namespace {

uint32_t bBlockingCreated_G;

// The trusted store and its verification context, each only when set.
void freeTrust() {
    const MosSecurityFns *f = mosSecurity_GetFns();
    if (mosAuth_G.trustedStore != nullptr) {
        f->X509_STORE_free(mosAuth_G.trustedStore);
        mosAuth_G.trustedStore = nullptr;
    }
    if (mosAuth_G.storeCtx != nullptr) {
        f->X509_STORE_CTX_free(mosAuth_G.storeCtx);
        mosAuth_G.storeCtx = nullptr;
    }
}

[[nodiscard]] MOS_RC readKeyPair(FILE *pFile, const char *pPath) {
    const MosSecurityFns *f = mosSecurity_GetFns();
    mosAuth_G.cert = f->PEM_read_X509(pFile, nullptr, mosAuth_PasswordCB, nullptr);
    if (mosAuth_G.cert == nullptr) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to read certificate from %s", pPath);
        return MOS_RC__ERROR;
    }
    // The key may stand before the certificate: its scan starts over.
    rewind(pFile);
    mosAuth_G.privateKey = f->PEM_read_PrivateKey(pFile, nullptr, mosAuth_PasswordCB, nullptr);
    if (mosAuth_G.privateKey == nullptr) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to read private key from %s", pPath);
        return MOS_RC__ERROR;
    }
    return MOS_RC__SUCCESS;
}

[[nodiscard]] MOS_RC mosAuth_LoadTrustedCerts(const MosAuthConf &c) {
    const MosSecurityFns *f = mosSecurity_GetFns();
    bool bOk = true;
    mosAuth_G.storeCtx = f->X509_STORE_CTX_new();
    if (mosAuth_G.storeCtx == nullptr) {
        MOS_TRACE(MOS_COMP_MOS, 2, "Failed to create cert store context");
        bOk = false;
    }
    if (bOk && (mosAuth_G.trustedStore = f->X509_STORE_new()) == nullptr) {
        MOS_TRACE(MOS_COMP_MOS, 2, "Failed to create cert store");
        bOk = false;
    } else if (bOk && c.trustCertFile[0] == '\0') {
        MOS_TRACE(MOS_COMP_MOS, 2, "No certificates file");
    } else if (bOk && f->X509_STORE_load_locations(mosAuth_G.trustedStore, c.trustCertFile,
                                                   nullptr) != 1) {
        MOS_TRACE(MOS_COMP_MOS, 2, "Failed to load certificates");
        bOk = false;
    }
    if (bOk) {
        return MOS_RC__SUCCESS;
    }
    freeTrust();
    MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to load certificates");
    return MOS_RC__ERROR_LOADING_AUTH_TRUST;
}

void mosAuth_PrintConf(const MosAuthConf &c) {
    MOS_TRACE(MOS_COMP_MOS, 1,
              "The authentication configuration is:\n\tState: %s\n\tKey Pair File: %s\n\tTrusted "
              "Certificates File: %s\n",
              "Enabled", c.keyPairFile, c.trustCertFile);
}

} // namespace

MOS_RC mosAuth_Init(MosAuthConf *pConf) {
    mosAuth_G = MosAuthLayer{};
    if (mosSecurity_CreateBlocking(&mosAuth_G.blocking, "MOS_Auth_Blocking", &bBlockingCreated_G) !=
        MOS_RC__SUCCESS) {
        return MOS_RC__ERROR;
    }
    mosFastlock_Create(&mosAuth_G.lock);
    const MOS_RC rc = mosAuth_ApplyConf(pConf);
    if (rc != MOS_RC__SUCCESS) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to apply configuration (%s)", mos_RcName(rc));
        mosSecurity_DestroyBlocking(&mosAuth_G.blocking, &bBlockingCreated_G);
        return rc;
    }
    MOS_TRACE(MOS_COMP_MOS, 1, "Authentication initialized successfully");
    return MOS_RC__SUCCESS;
}

MOS_RC mosAuth_ApplyConf(MosAuthConf *pConf) {
    if (pConf == nullptr) {
        MOS_TRACE(MOS_COMP_MOS, 1, "WARNING: Invalid authentication configuration");
        return MOS_RC__ERROR;
    }
    if (pConf->bEnable == 0) {
        mosAuth_G.bEnabled = 0;
        MOS_TRACE(MOS_COMP_MOS, 1, "Auth is disabled");
        return MOS_RC__SUCCESS;
    }
    mosAuth_PrintConf(*pConf);
    mosAuth_G.digestCtx = mosSecurity_GetFns()->EVP_MD_CTX_new();
    if (mosAuth_G.digestCtx == nullptr) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to create context");
        return MOS_RC__ERROR;
    }
    if (mosAuth_LoadKeyPair(pConf) != MOS_RC__SUCCESS) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to load key-pair");
        return MOS_RC__ERROR_LOADING_AUTH_KEY_PAIR;
    }
    const MOS_RC rc = mosAuth_LoadTrustedCerts(*pConf);
    if (rc != MOS_RC__SUCCESS) {
        return rc;
    }
    mosAuth_G.bEnabled = 1;
    MOS_TRACE(MOS_COMP_MOS, 2, "Applied configuration successfully");
    return MOS_RC__SUCCESS;
}

MOS_RC mosAuth_LoadKeyPair(MosAuthConf *pConf) {
    if (pConf == nullptr || pConf->keyPairFile[0] == '\0') {
        MOS_TRACE(MOS_COMP_MOS, 2, "No key-pair file");
        return MOS_RC__SUCCESS;
    }
    if (mosSecurity_TakePassword(mosAuth_G.password, pConf->privateKeyPassword) == 0) {
        return MOS_RC__ERROR;
    }
    FILE *pFile = fopen(pConf->keyPairFile, "r");
    if (pFile == nullptr) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to open file %s", pConf->keyPairFile);
        mosSecurity_Wipe(mosAuth_G.password, sizeof mosAuth_G.password);
        return MOS_RC__ERROR;
    }
    const MOS_RC rc = readKeyPair(pFile, pConf->keyPairFile);
    // The password is needed only by the reads above.
    mosSecurity_Wipe(mosAuth_G.password, sizeof mosAuth_G.password);
    fclose(pFile);
    return rc;
}

int mosAuth_PasswordCB(char *pBuf, int size, int /*rwflag*/, void * /*pUserData*/) {
    return mosSecurity_PasswordToBuffer(pBuf, size, mosAuth_G.password);
}

void mosAuth_FreeCert(OsslX509 *pCert) {
    mosSecurity_GetFns()->X509_free(pCert);
}

void mosAuth_ReleaseConf() {
    const MosSecurityFns *f = mosSecurity_GetFns();
    if (mosAuth_G.digestCtx != nullptr) {
        f->EVP_MD_CTX_free(mosAuth_G.digestCtx);
        mosAuth_G.digestCtx = nullptr;
    }
    if (mosAuth_G.cert != nullptr) {
        mosAuth_FreeCert(mosAuth_G.cert);
        mosAuth_G.cert = nullptr;
    }
    if (mosAuth_G.privateKey != nullptr) {
        f->EVP_PKEY_free(mosAuth_G.privateKey);
        mosAuth_G.privateKey = nullptr;
    }
    freeTrust();
    mosAuth_G.bEnabled = 0;
}

void mosAuth_Destroy() {
    mosAuth_ReleaseConf();
    mosFastlockBase_Destroy(&mosAuth_G.lock);
    mosSecurity_DestroyBlocking(&mosAuth_G.blocking, &bBlockingCreated_G);
    mosSecurity_Wipe(mosAuth_G.password, sizeof mosAuth_G.password);
    mosAuth_G = MosAuthLayer{};
}
