// The TLS library's types as its callers see them: opaque records and the
// callback shapes of its documented interface, plus the few constants the
// runtime passes. The library is loaded at run time, so none of its
// headers is included anywhere in the runtime.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>

struct OsslSslMethod;
struct OsslSslCtx;
struct OsslSsl;
struct OsslX509;
struct OsslX509Name;
struct OsslX509Req;
struct OsslX509Store;
struct OsslX509StoreCtx;
struct OsslX509Object;
struct OsslAsn1String; // ASN1_STRING, ASN1_TIME and ASN1_INTEGER alike
struct OsslBio;
struct OsslBioMethod;
struct OsslEvpMd;
struct OsslEvpMdCtx;
struct OsslEvpCipher;
struct OsslEvpCipherCtx;
struct OsslEvpPkey;
struct OsslEvpPkeyCtx;
struct OsslEngine;
struct OsslRsa;
struct OsslStack;
struct OsslInitSettings;
struct OsslX509v3Ctx;
struct OsslExData;

// pem_password_cb: fills buf (size bytes) with the password, returns its
// length or 0 to refuse.
typedef int (*OsslPemPasswordCb)(char *pBuf, int size, int rwflag, void *pUserData);
typedef int (*OsslVerifyCb)(int preverifyOk, OsslX509StoreCtx *pStoreCtx);
typedef int (*OsslExNewCb)(void *pParent, void *pData, OsslExData *pAd, int idx, long argl,
                           void *pArgp);
typedef void (*OsslExFreeCb)(void *pParent, void *pData, OsslExData *pAd, int idx, long argl,
                             void *pArgp);
typedef int (*OsslExDupCb)(OsslExData *pTo, const OsslExData *pFrom, void *pFromData, int idx,
                           long argl, void *pArgp);
typedef void *(*OsslMallocFn)(size_t size, const char *pFile, int line);
typedef void *(*OsslReallocFn)(void *pMem, size_t size, const char *pFile, int line);
typedef void (*OsslFreeFn)(void *pMem, const char *pFile, int line);
typedef void (*OsslRsaGenCb)(int p, int n, void *pArg);

// Constants of the documented interface.
inline constexpr uint64_t OSSL_INIT_LOAD_SSL_AND_CRYPTO_STRINGS = 0x200002;
inline constexpr int OSSL_FILETYPE_PEM = 1;
inline constexpr int OSSL_CRYPTO_EX_INDEX_SSL = 0;
inline constexpr int OSSL_VERIFY_NONE = 0;
inline constexpr int OSSL_VERIFY_PEER = 1;
inline constexpr int OSSL_VERIFY_FAIL_IF_NO_PEER_CERT = 2;
inline constexpr int OSSL_BIO_NOCLOSE = 0;
inline constexpr long OSSL_X509_V_OK = 0;
