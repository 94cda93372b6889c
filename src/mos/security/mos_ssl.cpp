#include "mos_ssl.h"

#include "mos_debug.h"
#include "mos_trace.h"

#include <cinttypes>
#include <cstring>
#include <strings.h>

MosSslLayer mosSsl_G;

namespace {

uint32_t bBlockingCreated_G;

void mosSsl_CreateContextData(MosSslContextData *pSlot) {
    *pSlot = MosSslContextData{};
    mosFastlock_Create(&pSlot->lock);
}

void mosSsl_PrintConf(const MosSslConf &c) {
    MOS_TRACE(MOS_COMP_MOS, 1,
              "The SSL configuration is: \n\tState: %s\n\tContext ID: %" PRId64
              "\n\tTrusted Cert File: %s\n\tKey Pair File: %s\n\tMethod: %s (%d)\n\tClient "
              "Authentication: %s\n\tCiphers: %s\n\tCert verification depth: %" PRId64 "\n",
              c.bEnable != 0 ? "Enabled" : "Disabled", c.contextId, c.trustCertFile, c.keyPairFile,
              c.method, static_cast<int32_t>(mosSsl_GetMethodType(c.method)),
              c.bDisableClientAuth == 0 ? "Enabled" : "Disabled", c.cipherList, c.certVerifyDepth);
}

[[nodiscard]] MOS_RC mosSsl_SetContextOptions(OsslSslCtx *pCtx, const MosSslConf &c) {
    const MosSecurityFns *f = mosSecurity_GetFns();
    if (f->SSL_CTX_set_cipher_list(pCtx, c.cipherList) == 0) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to set ciphers list (%s)", c.cipherList);
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to set SSL context options");
        f->SSL_CTX_free(pCtx);
        return MOS_RC__INVALID_SSL_CIPHERS;
    }
    f->SSL_CTX_set_verify_depth(pCtx, static_cast<int>(c.certVerifyDepth));
    return MOS_RC__SUCCESS;
}

// The key pair of the configuration, read with the slot's password.
[[nodiscard]] MOS_RC loadKeyPair(OsslSslCtx *pCtx, const MosSslConf &c, uint32_t contextId) {
    const MosSecurityFns *f = mosSecurity_GetFns();
    MosSslContextData &slot = mosSsl_G.contexts[contextId];
    if (mosSecurity_TakePassword(slot.password, c.privateKeyPassword) == 0) {
        return MOS_RC__ERROR_LOADING_SSL_KEY_PAIR;
    }
    f->SSL_CTX_set_default_passwd_cb(pCtx, mosSsl_PasswordCB);
    f->SSL_CTX_set_default_passwd_cb_userdata(pCtx, reinterpret_cast<void *>(uintptr_t{contextId}));
    MOS_RC rc = MOS_RC__SUCCESS;
    if (f->SSL_CTX_use_certificate_chain_file(pCtx, c.keyPairFile) == 0) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to read certificate file (%s)", c.keyPairFile);
        rc = MOS_RC__ERROR_LOADING_SSL_KEY_PAIR;
    } else if (f->SSL_CTX_use_PrivateKey_file(pCtx, c.keyPairFile, OSSL_FILETYPE_PEM) == 0) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to read key file (%s)", c.keyPairFile);
        rc = MOS_RC__ERROR_LOADING_SSL_KEY_PAIR;
    }
    // The password is needed only by the reads above.
    mosSecurity_Wipe(slot.password, sizeof slot.password);
    return rc;
}

[[nodiscard]] MOS_RC loadTrust(OsslSslCtx *pCtx, const MosSslConf &c) {
    if (mosSecurity_GetFns()->SSL_CTX_load_verify_locations(pCtx, c.trustCertFile, nullptr) == 0) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to load CAs file (%s)", c.trustCertFile);
        return MOS_RC__ERROR_LOADING_SSL_TRUST;
    }
    return MOS_RC__SUCCESS;
}

void mosSsl_DestroyContextData() {
    for (MosSslContextData &slot : mosSsl_G.contexts) {
        if (slot.ctx == nullptr) {
            continue;
        }
        if (slot.refCount != 0) {
            MOS_TRACE(MOS_COMP_MOS, 1, "WARNING: Reference count for context %p is not zero (%u)",
                      static_cast<void *>(slot.ctx), slot.refCount);
        }
        mosSecurity_GetFns()->SSL_CTX_free(slot.ctx);
    }
    for (MosSslContextData &slot : mosSsl_G.contexts) {
        mosFastlockBase_Destroy(&slot.lock);
        mosSecurity_Wipe(&slot, sizeof slot);
    }
}

} // namespace

MOS_RC mosSsl_Init(MosSecurityConf *pConf) {
    mosSsl_G = MosSslLayer{};
    if (mosSecurity_CreateBlocking(&mosSsl_G.blocking, "MOS_SSL_Blocking", &bBlockingCreated_G) !=
        MOS_RC__SUCCESS) {
        return MOS_RC__ERROR;
    }
    static char exDataName[] = "MOS SSL Data";
    mosSsl_G.exDataIndex = mosSecurity_GetFns()->CRYPTO_get_ex_new_index(
        OSSL_CRYPTO_EX_INDEX_SSL, 0, exDataName, nullptr, nullptr, nullptr);
    for (MosSslContextData &slot : mosSsl_G.contexts) {
        mosSsl_CreateContextData(&slot);
    }
    const MOS_RC rc = mosSsl_ApplyConf(pConf);
    if (rc != MOS_RC__SUCCESS) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to apply configuration (%s)", mos_RcName(rc));
        mosSecurity_DestroyBlocking(&mosSsl_G.blocking, &bBlockingCreated_G);
        return rc;
    }
    MOS_TRACE(MOS_COMP_MOS, 1, "SSL initialized successfully");
    return MOS_RC__SUCCESS;
}

MOS_RC mosSsl_ApplyConf(MosSecurityConf *pConf) {
    if (pConf == nullptr) {
        MOS_TRACE(MOS_COMP_MOS, 1, "WARNING: Invalid SSL configuration");
        return MOS_RC__ERROR;
    }
    const MosSslConf &c = pConf->ssl;
    mosSsl_G.bEnabled = c.bEnable;
    if (c.bEnable == 0) {
        MOS_TRACE(MOS_COMP_MOS, 1, "SSL is disabled");
        return MOS_RC__SUCCESS;
    }
    mosSsl_PrintConf(c);
    if (c.contextId < 0 || c.contextId >= MOS_SSL_CONTEXT_ID__LAST) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Invalid SSL context ID (%d)",
                  static_cast<int32_t>(c.contextId));
        return MOS_RC__ERROR;
    }
    OsslSslCtx *pCtx = nullptr;
    MOS_RC rc = mosSsl_CreateContext(pConf, &pCtx);
    if (rc != MOS_RC__SUCCESS) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to create SSL context (%s)", mos_RcName(rc));
        return rc;
    }
    rc = mosSsl_SetContextOptions(pCtx, c);
    if (rc != MOS_RC__SUCCESS) {
        return rc;
    }
    MosSslContextData &slot = mosSsl_G.contexts[c.contextId];
    if (slot.ctx != nullptr) {
        // Replaced: the library keeps it alive for connections still using it.
        mosSecurity_GetFns()->SSL_CTX_free(slot.ctx);
    }
    slot.ctx = pCtx;
    mosSecurity_Wipe(slot.password, sizeof slot.password);
    slot.bDisableClientAuth = c.bDisableClientAuth;
    return MOS_RC__SUCCESS;
}

MOS_RC mosSsl_CreateContext(MosSecurityConf *pConf, OsslSslCtx **ppCtx) {
    const MosSecurityFns *f = mosSecurity_GetFns();
    const MosSslConf &c = pConf->ssl;
    *ppCtx = nullptr;
    (void)mosSsl_GetMethodType(c.method);
    const OsslSslMethod *pMethod = f->TLSv1_2_method();
    if (pMethod == nullptr) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to get method");
        return MOS_RC__ERROR;
    }
    OsslSslCtx *pCtx = f->SSL_CTX_new(pMethod);
    if (pCtx == nullptr) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to create context");
        return MOS_RC__ERROR;
    }
    MOS_RC rc = MOS_RC__SUCCESS;
    if (c.keyPairFile[0] != '\0') {
        rc = loadKeyPair(pCtx, c, static_cast<uint32_t>(c.contextId));
    }
    if (rc == MOS_RC__SUCCESS && c.trustCertFile[0] != '\0') {
        rc = loadTrust(pCtx, c);
    }
    if (rc != MOS_RC__SUCCESS) {
        f->SSL_CTX_free(pCtx);
        return rc;
    }
    *ppCtx = pCtx;
    return MOS_RC__SUCCESS;
}

uint32_t mosSsl_GetMethodType(const char *pMethod) {
    if (strcasecmp(pMethod, "TLSv1.2") != 0) {
        MOS_TRACE(MOS_COMP_MOS, 1, "WARNING: Invalid method (%s) - using default", pMethod);
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: DEBUG ASSERT");
    }
    return 0;
}

int mosSsl_PasswordCB(char *pBuf, int size, int /*rwflag*/, void *pUserData) {
    const auto contextId = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pUserData));
    MOS_ASSERT(((contextId) < MOS_SSL_CONTEXT_ID__LAST));
    return mosSecurity_PasswordToBuffer(pBuf, size, mosSsl_G.contexts[contextId].password);
}

OsslSslCtx *mosSsl_GetContext(uint32_t contextId) {
    return contextId < MOS_SSL_CONTEXT_ID__LAST ? mosSsl_G.contexts[contextId].ctx : nullptr;
}

void mosSsl_Destroy() {
    mosSsl_DestroyContextData();
    mosSecurity_DestroyBlocking(&mosSsl_G.blocking, &bBlockingCreated_G);
    mosSsl_G = MosSslLayer{};
}
