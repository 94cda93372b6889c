// The authentication sub-layer of the security layer: one certificate and
// its private key from a PEM key-pair file, a message-digest context, and
// a store of trusted certificates from a PEM file. Runs only while the TLS
// library is loaded and bound.
#pragma once

#include "mos_blocking.h"
#include "mos_fastlock.h"
#include "mos_rc.h"
#include "mos_security.h"

#include <cstdint>

struct MosAuthLayer {
    char password[MOS_SECURITY_PASSWORD_SIZE]; // only while the key pair is read
    OsslX509 *cert;
    OsslEvpPkey *privateKey;
    OsslEvpMdCtx *digestCtx;
    OsslX509Store *trustedStore;
    OsslX509StoreCtx *storeCtx;
    MosBlocking blocking; // "MOS_Auth_Blocking"
    MosFastlock lock;
    uint32_t bEnabled;
};
extern MosAuthLayer mosAuth_G;

// One row of the certificate subject-field table.
struct MosAuthSubjectField {
    const char *pShortName;
    const char *pId;
    uint32_t maxLen;
    const char *pDefault;
};
extern const MosAuthSubjectField mosAuth_SubjectFields[8];

[[nodiscard]] MOS_RC mosAuth_Init(MosAuthConf *pConf);
[[nodiscard]] MOS_RC mosAuth_ApplyConf(MosAuthConf *pConf);
// Reads the certificate and the private key, each by its own scan from the
// start of the file. Success without a file name (nothing loaded).
[[nodiscard]] MOS_RC mosAuth_LoadKeyPair(MosAuthConf *pConf);
int mosAuth_PasswordCB(char *pBuf, int size, int rwflag, void *pUserData);
void mosAuth_FreeCert(OsslX509 *pCert);
// Frees the authentication objects and clears bEnabled.
void mosAuth_ReleaseConf();
// Tolerates the zero state.
void mosAuth_Destroy();
