// The security layer: TLS and certificate-based authentication over the
// TLS library, which the runtime does not link. When the process-wide
// security configuration enables security, the layer loads libssl and
// libcrypto by file name, binds the functions it needs by name into one
// table (all or nothing), hands the library the process's allocator,
// initialises it, checks its random generator, optionally switches it to
// FIPS mode, then builds the TLS contexts and the authentication keys.
// With the built-in configuration (all zero) it only traces "Security is
// disabled" and loads nothing.
#pragma once

#include "mos_blocking.h"
#include "mos_conf_file.h"
#include "mos_openssl_types.h"
#include "mos_rc.h"

#include <cstddef>
#include <cstdint>

inline constexpr uint32_t MOS_SECURITY_PATH_SIZE = 256;
inline constexpr uint32_t MOS_SECURITY_PASSWORD_SIZE = 32;

struct MosSslConf {
    char trustCertFile[MOS_SECURITY_PATH_SIZE]; // PEM trusted CAs; "" for none
    char keyPairFile[MOS_SECURITY_PATH_SIZE];   // PEM chain and private key; "" for none
    char privateKeyPassword[MOS_SECURITY_PASSWORD_SIZE];
    char cipherList[MOS_SECURITY_PATH_SIZE];
    char method[MOS_SECURITY_PATH_SIZE]; // "TLSv1.2" (any case)
    int64_t contextId;                   // TLS context slot 0..2
    int64_t certVerifyDepth;
    uint32_t bEnable;
    uint32_t bDisableClientAuth;
};

struct MosAuthConf {
    char keyPairFile[MOS_SECURITY_PATH_SIZE]; // PEM certificate and private key
    char trustCertFile[MOS_SECURITY_PATH_SIZE];
    char privateKeyPassword[MOS_SECURITY_PASSWORD_SIZE];
    uint32_t bEnable;
};

struct MosSecurityConf {
    MosSslConf ssl;
    MosAuthConf auth;
    uint32_t bEnable;
    uint32_t bAsynchronousLoad; // run the initialisation on a blocking worker
    uint32_t bAllowUnsecure;    // reported only
    uint32_t bEnableFips;
};

// The bound functions of the TLS library, one member per function, named
// and typed as the library documents it. Valid while the libraries are
// loaded (mosSecurity_IsLibInitialized).
struct MosSecurityFns {
#define MOS_SECURITY_FN(lib, ret, name, params) ret(*name) params;
#include "mos_security_fns.def"
#undef MOS_SECURITY_FN
};

struct MosSecurityLayer {
    uint32_t bInitialized; // the last mosSecurity_Init completed successfully
    MosBlocking initBlocking;
    int32_t bInitBlockingCreated;
    MosBlockingReq initReq;
};
extern MosSecurityLayer mosSecurityLayer_G;

// Layer init (argument ignored): initialises with the default record,
// synchronously or, when it asks for that, on the blocking object
// "MOS_Security_Init_Blocking" (then the result is only traced).
[[nodiscard]] MOS_RC mosSecurityLayer_Load(void *pUnused);
// Waits for an asynchronous initialisation still running, then tears down
// authentication, TLS and the libraries. Tolerates the zero state.
void mosSecurityLayer_Destroy();

// The process-wide default configuration (all zero at start).
MosSecurityConf *mosSecurity_GetDefaultConf();

// The security keys of the configuration file, each over one field of
// *pConf, in the configuration reader's row format.
inline constexpr uint32_t MOS_SECURITY_CONF_KEYS = 17;
void mosSecurity_BuildConfTable(MosSecurityConf *pConf,
                                MosConfEntry pTable[MOS_SECURITY_CONF_KEYS]);

// Reads the security keys ("security_enable", "ssl_key_pair_file", ...)
// from a configuration file into the default record; a key that is absent
// or invalid takes its default. A null path or a missing file leaves every
// default. The environment start-up does not call this.
[[nodiscard]] MOS_RC mosSecurity_ReadConfFile(const char *pPath);

// Brings security up from pConf (null: the default record). Nothing to do
// when security is disabled. On any failure everything built is released
// and the libraries are unloaded again, except that a second
// initialisation while the libraries are loaded fails with
// MOS_RC__ERROR_LOADING_OPENSSL and leaves the earlier one intact.
[[nodiscard]] MOS_RC mosSecurity_Init(MosSecurityConf *pConf);
[[nodiscard]] MOS_RC mosSecurity_InitCK(void *pConf);

// Loads and binds the libraries, initialises them, optionally enables
// FIPS mode. MOS_RC__ERROR_LOADING_OPENSSL, MOS_RC__OPENSSL_VERSION_TOO_OLD
// or MOS_RC__ERROR_ENABLING_FIPS on failure, with the libraries unloaded.
[[nodiscard]] MOS_RC mosSecurity_InitIntrn(uint32_t bEnableFips);

// Binds every function of the table: 1 when all were found, 0 at the first
// miss (traced by name).
uint32_t mosSecurity_LoadFunctions();
void mosSecurity_SetMemFunctions();
// Unloads each loaded library and clears its handle.
void mosSecurity_FreeLibraries();
// Marks the library uninitialised and unloads it.
void mosSecurity_CloseLibraries();
// Traces "ERROR: %s: %s" with pText and the library's oldest error text.
void mosSecurity_PrintLibError(const char *pText);

// The bound table (see MosSecurityFns).
const MosSecurityFns *mosSecurity_GetFns();
// 1 while the libraries are loaded, bound and initialised.
uint32_t mosSecurity_IsLibInitialized();
// 1 when the libraries are loaded (initialised or not).
uint32_t mosSecurity_AreLibrariesOpen();

// Overwrites a secret with zeros in a way the compiler keeps.
void mosSecurity_Wipe(void *pMem, size_t size);

// The length of a password held in a MOS_SECURITY_PASSWORD_SIZE field, or
// MOS_SECURITY_PASSWORD_SIZE when it has no terminating zero there.
size_t mosSecurity_PasswordLen(const char *pPassword);

// Copies a configured password into a key reader's field: 1, or 0 after
// "ERROR: Private key password is too long ..." when it fills its field
// (it is refused rather than cut).
uint32_t mosSecurity_TakePassword(char *pDst, const char *pPassword);

// The password callbacks' common part: writes pPassword into pBuf (size
// bytes, the rest zero) and returns its length, or returns 0 after
// "ERROR: Password buffer is too short (%d < %d)" when it does not fit
// with its terminating zero.
int mosSecurity_PasswordToBuffer(char *pBuf, int size, const char *pPassword);

// A sub-layer's one-worker blocking object: *pbCreated tells whether it
// exists. Creation failure traces "ERROR: Failed to create blocking
// object" and answers MOS_RC__ERROR; the destroy tolerates none.
[[nodiscard]] MOS_RC mosSecurity_CreateBlocking(MosBlocking *pBlocking, const char *pName,
                                                uint32_t *pbCreated);
void mosSecurity_DestroyBlocking(MosBlocking *pBlocking, uint32_t *pbCreated);
