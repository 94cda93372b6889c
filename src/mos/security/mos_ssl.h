// The TLS sub-layer of the security layer: three TLS 1.2 context slots
// indexed by context id. Applying a TLS configuration builds one context
// with the key pair, the trusted CAs, the cipher list and the verification
// depth it names and stores it in the configuration's slot. Runs only
// while the TLS library is loaded and bound.
#pragma once

#include "mos_blocking.h"
#include "mos_fastlock.h"
#include "mos_rc.h"
#include "mos_security.h"

#include <cstdint>

inline constexpr uint32_t MOS_SSL_CONTEXT_ID__LAST = 3;

struct MosSslContextData {
    char password[MOS_SECURITY_PASSWORD_SIZE]; // only while the context is built
    OsslSslCtx *ctx;
    uint32_t refCount; // users of the context; must be 0 at teardown
    MosFastlock lock;
    uint32_t bDisableClientAuth;
};

struct MosSslLayer {
    MosSslContextData contexts[MOS_SSL_CONTEXT_ID__LAST];
    MosBlocking blocking; // "MOS_SSL_Blocking"
    int32_t exDataIndex;  // application-data index "MOS SSL Data"
    uint32_t bEnabled;
};
extern MosSslLayer mosSsl_G;

// Creates the blocking object, the data index and the slots, then applies
// pConf. On failure nothing stays built but the slots' locks.
[[nodiscard]] MOS_RC mosSsl_Init(MosSecurityConf *pConf);
// Builds and stores the context of pConf->ssl (nothing when TLS is off). A
// context already in the slot is released first.
[[nodiscard]] MOS_RC mosSsl_ApplyConf(MosSecurityConf *pConf);
// Builds a TLS 1.2 context from pConf->ssl into *ppCtx; on failure none.
[[nodiscard]] MOS_RC mosSsl_CreateContext(MosSecurityConf *pConf, OsslSslCtx **ppCtx);
// Method type of a method name: always 0 (TLS 1.2); another name than
// "TLSv1.2" (any case) is warned about.
uint32_t mosSsl_GetMethodType(const char *pMethod);
// The library's password callback; pUserData carries the context id.
int mosSsl_PasswordCB(char *pBuf, int size, int rwflag, void *pUserData);
// The context in slot contextId, or null.
OsslSslCtx *mosSsl_GetContext(uint32_t contextId);
// Frees the contexts, the locks and the blocking object. Tolerates the
// zero state.
void mosSsl_Destroy();
