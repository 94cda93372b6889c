#include "mos_security.h"

#include "mos_auth.h"
#include "mos_conf_file.h"
#include "mos_dynamic_lib.h"
#include "mos_fastlock.h"
#include "mos_ssl.h"
#include "mos_trace.h"

#include <cstdlib>
#include <cstring>

MosSecurityLayer mosSecurityLayer_G;

namespace {

MosSecurityConf defaultConf_G;

enum SecurityLib : uint32_t { SECURITY_LIB_SSL = 0, SECURITY_LIB_CRYPTO = 1, SECURITY_LIB_COUNT };

struct SecurityLibRow {
    OsDynLibHandle hLib;
    uint32_t libId;
};

struct SecurityLibState {
    SecurityLibRow libs[SECURITY_LIB_COUNT];
    uint32_t bLibInitialized;
    MosFastlock lock;
};
SecurityLibState libState_G = {
    {{nullptr, MOS_DYNAMIC_LIB_ID__LIBSSL}, {nullptr, MOS_DYNAMIC_LIB_ID__LIBCRYPTO}}, 0, {}};
MosSecurityFns fns_G;

struct FnRow {
    SecurityLib lib;
    const char *pName;
    size_t offset; // of its pointer in MosSecurityFns
};
constexpr FnRow FN_ROWS[] = {
#define MOS_SECURITY_FN(lib, ret, name, params)                                                    \
    {SECURITY_LIB_##lib, #name, offsetof(MosSecurityFns, name)},
#include "mos_security_fns.def"
#undef MOS_SECURITY_FN
};
static_assert(sizeof FN_ROWS / sizeof FN_ROWS[0] == 144);
static_assert(sizeof(MosSecurityFns) == 144 * sizeof(void *));

template <typename Fn> void *fnAddress(Fn pFn) {
    void *pAddr = nullptr;
    static_assert(sizeof pFn == sizeof pAddr);
    memcpy(&pAddr, &pFn, sizeof pAddr);
    return pAddr;
}

template <typename Fn> Fn fnFromAddress(void *pAddr) {
    Fn pFn = nullptr;
    static_assert(sizeof pFn == sizeof pAddr);
    memcpy(&pFn, &pAddr, sizeof pFn);
    return pFn;
}

// Library 3.x renamed three functions of the table. Where the old name is
// gone, the new one (or a small adapter over it) takes its place, so one
// table serves both generations.
typedef int (*IsFipsEnabledFn)(void *pLibCtx);
typedef int (*EnableFipsFn)(void *pLibCtx, int bOn);
typedef void *(*ProviderLoadFn)(void *pLibCtx, const char *pName);
IsFipsEnabledFn pIsFipsEnabled_G;
EnableFipsFn pEnableFips_G;
ProviderLoadFn pProviderLoad_G;

int fipsModeByProperties() {
    return pIsFipsEnabled_G(nullptr);
}

// FIPS mode needs the FIPS provider: without it the switch is refused, as
// the older generation refuses it without its FIPS module.
int fipsModeSetByProperties(int bOn) {
    if (bOn != 0 && pProviderLoad_G(nullptr, "fips") == nullptr) {
        return 0;
    }
    return pEnableFips_G(nullptr, bOn);
}

void *successorOfPeerCert(OsDynLibHandle hLib) {
    return osDynLib_Sym(hLib, "SSL_get1_peer_certificate");
}

void *successorOfFipsMode(OsDynLibHandle hLib) {
    pIsFipsEnabled_G = fnFromAddress<IsFipsEnabledFn>(
        osDynLib_Sym(hLib, "EVP_default_properties_is_fips_enabled"));
    return pIsFipsEnabled_G != nullptr ? fnAddress(&fipsModeByProperties) : nullptr;
}

void *successorOfFipsModeSet(OsDynLibHandle hLib) {
    pEnableFips_G =
        fnFromAddress<EnableFipsFn>(osDynLib_Sym(hLib, "EVP_default_properties_enable_fips"));
    pProviderLoad_G = fnFromAddress<ProviderLoadFn>(osDynLib_Sym(hLib, "OSSL_PROVIDER_load"));
    return pEnableFips_G != nullptr && pProviderLoad_G != nullptr
               ? fnAddress(&fipsModeSetByProperties)
               : nullptr;
}

struct SuccessorRow {
    const char *pName;
    void *(*pResolve)(OsDynLibHandle hLib);
};
constexpr SuccessorRow SUCCESSORS[] = {
    {"SSL_get_peer_certificate", successorOfPeerCert},
    {"FIPS_mode", successorOfFipsMode},
    {"FIPS_mode_set", successorOfFipsModeSet},
};

void *bindOne(const FnRow &row) {
    OsDynLibHandle hLib = libState_G.libs[row.lib].hLib;
    void *pFn = hLib != nullptr ? osDynLib_Sym(hLib, row.pName) : nullptr;
    for (const SuccessorRow &s : SUCCESSORS) {
        if (pFn == nullptr && hLib != nullptr && strcmp(s.pName, row.pName) == 0) {
            pFn = s.pResolve(hLib);
        }
    }
    // Looked up once more through the traced path so that a miss is named.
    return pFn != nullptr ? pFn : mosDynamicLib_Load(hLib, row.pName);
}

void *cryptoMalloc(size_t size, const char * /*pFile*/, int /*line*/) {
    return malloc(size);
}
void *cryptoRealloc(void *pMem, size_t size, const char * /*pFile*/, int /*line*/) {
    return realloc(pMem, size);
}
void cryptoFree(void *pMem, const char * /*pFile*/, int /*line*/) {
    free(pMem);
}

[[nodiscard]] MOS_RC mosSecurity_OpenLibraries() {
    bool bOk = true;
    for (SecurityLibRow &row : libState_G.libs) {
        if (row.hLib != nullptr) {
            // The loaded libraries belong to an earlier, live
            // initialisation: nothing of it is touched.
            MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Library %d is already open",
                      static_cast<int32_t>(row.libId));
            MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to open security dynamic libraries");
            return MOS_RC__ERROR_LOADING_OPENSSL;
        }
    }
    for (SecurityLibRow &row : libState_G.libs) {
        row.hLib = mosDynamicLib_Open(row.libId);
        if (row.hLib == nullptr) {
            bOk = false;
            break;
        }
    }
    if (!bOk) {
        mosSecurity_FreeLibraries();
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to open security dynamic libraries");
        return MOS_RC__ERROR_LOADING_OPENSSL;
    }
    return MOS_RC__SUCCESS;
}

[[nodiscard]] MOS_RC mosSecurity_InitSecurityLib() {
    mosSecurity_SetMemFunctions();
    (void)fns_G.OPENSSL_init_ssl(OSSL_INIT_LOAD_SSL_AND_CRYPTO_STRINGS, nullptr);
    if (fns_G.RAND_status() == 0) {
        MOS_TRACE(MOS_COMP_MOS, 1, "WARNING: Insufficient entropy for PRNG");
        mosSecurity_FreeLibraries();
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to initialize the security libraries");
        return MOS_RC__ERROR_LOADING_OPENSSL;
    }
    mosFastlock_Create(&libState_G.lock);
    libState_G.bLibInitialized = 1;
    return MOS_RC__SUCCESS;
}

[[nodiscard]] MOS_RC mosSecurity_EnableFips(uint32_t bEnableFips) {
    if (bEnableFips == 0 || fns_G.FIPS_mode() != 0) {
        return MOS_RC__SUCCESS;
    }
    if (fns_G.FIPS_mode_set(1) == 1) {
        MOS_TRACE(MOS_COMP_MOS, 1, "Enabled FIPS mode");
        return MOS_RC__SUCCESS;
    }
    mosSecurity_PrintLibError("Failed to enable FIPS mode");
    // Back to "not loaded" as a whole, the library's state included.
    mosSecurity_CloseLibraries();
    MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to enable FIPS mode");
    return MOS_RC__ERROR_ENABLING_FIPS;
}

const char *enabledText(uint32_t bOn) {
    return bOn != 0 ? "Enabled" : "Disabled";
}

bool isEnabled(const MosSecurityConf *pConf) {
    return pConf->bEnable != 0 || pConf->ssl.bEnable != 0 || pConf->auth.bEnable != 0;
}

void mosSecurity_PrintConf(const MosSecurityConf *pConf) {
    MOS_TRACE(MOS_COMP_MOS, 1,
              "The security configuration is:\n\tState: %s\n\tFIPS mode: %s\n\tAccept Unsecured "
              "Connections: %s\n\tAsynchronous Load: %s",
              enabledText(1), enabledText(pConf->bEnableFips), enabledText(pConf->bAllowUnsecure),
              enabledText(pConf->bAsynchronousLoad));
}

// Everything a failed or finished initialisation built, libraries last,
// so that no object of the library outlives its code.
void releaseAll() {
    mosAuth_Destroy();
    mosSsl_Destroy();
    mosSecurity_CloseLibraries();
}

uint32_t initCK(void *pUserData, uint32_t * /*pFlowControl*/) {
    return mosSecurity_InitCK(pUserData);
}

} // namespace

MosSecurityConf *mosSecurity_GetDefaultConf() {
    return &defaultConf_G;
}

void mosSecurity_BuildConfTable(MosSecurityConf *pConf,
                                MosConfEntry pTable[MOS_SECURITY_CONF_KEYS]) {
    MosSecurityConf &F = *pConf;
    const MosConfEntry table[] = {
#define MOS_SECURITY_KEY_BOOL(name, field)                                                         \
    {#name, MOS_CONF_TYPE__BOOL, &F.field, nullptr, 0, 0, 0, 0},
#define MOS_SECURITY_KEY_STR(name, field, def)                                                     \
    {#name, MOS_CONF_TYPE__STRING, F.field, def, sizeof F.field, 0, 0, 0},
#define MOS_SECURITY_KEY_NUM(name, field, def, min, max, step)                                     \
    {#name, MOS_CONF_TYPE__NUMBER, &F.field, nullptr, min, max, step, def},
#include "mos_security_keys.def"
#undef MOS_SECURITY_KEY_BOOL
#undef MOS_SECURITY_KEY_STR
#undef MOS_SECURITY_KEY_NUM
    };
    static_assert(sizeof table / sizeof table[0] == MOS_SECURITY_CONF_KEYS);
    // Numbers land in 64-bit fields, as the reader writes them.
    static_assert(sizeof F.ssl.contextId == sizeof(uint64_t));
    static_assert(sizeof F.ssl.certVerifyDepth == sizeof(uint64_t));
    for (uint32_t i = 0; i < MOS_SECURITY_CONF_KEYS; i++) {
        pTable[i] = table[i];
    }
}

MOS_RC mosSecurity_ReadConfFile(const char *pPath) {
    MosConfEntry table[MOS_SECURITY_CONF_KEYS];
    mosSecurity_BuildConfTable(&defaultConf_G, table);
    MosConfEntry *pTable = table;
    const uint32_t count = MOS_SECURITY_CONF_KEYS;
    return mosConf_ReadTables(pPath, &pTable, &count, 1);
}

MOS_RC mosSecurityLayer_Load(void * /*pUnused*/) {
    MosSecurityConf *pConf = mosSecurity_GetDefaultConf();
    MOS_TRACE(MOS_COMP_MOS, 1, "Loading %ssynchronously using default security configuration",
              pConf->bAsynchronousLoad != 0 ? "a" : "");
    if (pConf->bAsynchronousLoad == 0) {
        return mosSecurity_Init(pConf);
    }
    MosSecurityLayer &g = mosSecurityLayer_G;
    g.bInitialized = 0;
    if (mosBlocking_Create(&g.initBlocking, "MOS_Security_Init_Blocking", 1) != MOS_RC__SUCCESS) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to create blocking object");
        return MOS_RC__ERROR;
    }
    g.bInitBlockingCreated = 1;
    mosBlockingReq_Init(&g.initReq, initCK, pConf, nullptr);
    const MOS_RC rc = mosBlocking_SubmitWaitEx(&g.initBlocking, &g.initReq);
    if (rc == MOS_RC__NO_RESOURCES) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to submit blocking request (%s)", mos_RcName(rc));
        return MOS_RC__ERROR;
    }
    return MOS_RC__SUCCESS;
}

void mosSecurityLayer_Destroy() {
    MosSecurityLayer &g = mosSecurityLayer_G;
    // An asynchronous initialisation may still run: its worker is joined
    // before anything it builds is torn down.
    if (g.bInitBlockingCreated != 0) {
        mosBlocking_Destroy(&g.initBlocking);
    }
    releaseAll();
    g = MosSecurityLayer{};
    MOS_TRACE(MOS_COMP_MOS, 1, "MOS Security library terminated");
}

MOS_RC mosSecurity_InitCK(void *pConf) {
    return mosSecurity_Init(static_cast<MosSecurityConf *>(pConf));
}

MOS_RC mosSecurity_Init(MosSecurityConf *pConf) {
    // An asynchronous start runs this on its worker while others read the
    // flag: it is published with a release store.
    __atomic_store_n(&mosSecurityLayer_G.bInitialized, 0, __ATOMIC_RELEASE);
    if (pConf == nullptr) {
        MOS_TRACE(MOS_COMP_MOS, 1, "Using default security configuration");
        pConf = mosSecurity_GetDefaultConf();
    }
    if (!isEnabled(pConf)) {
        MOS_TRACE(MOS_COMP_MOS, 1, "Security is disabled");
        return MOS_RC__SUCCESS;
    }
    mosSecurity_PrintConf(pConf);
    MOS_RC rc = mosSecurity_InitIntrn(pConf->bEnableFips);
    if (rc != MOS_RC__SUCCESS) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to open security dynamic libraries (%s)",
                  mos_RcName(rc));
        return rc;
    }
    rc = mosSsl_Init(pConf);
    if (rc != MOS_RC__SUCCESS) {
        releaseAll();
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to initialize SSL/TLS");
        return rc;
    }
    rc = mosAuth_Init(&pConf->auth);
    if (rc != MOS_RC__SUCCESS) {
        releaseAll();
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to initialize authentication");
        return rc;
    }
    __atomic_store_n(&mosSecurityLayer_G.bInitialized, 1, __ATOMIC_RELEASE);
    MOS_TRACE(MOS_COMP_MOS, 1, "MOS Security library initialized successfully");
    return MOS_RC__SUCCESS;
}

MOS_RC mosSecurity_InitIntrn(uint32_t bEnableFips) {
    MOS_RC rc = mosSecurity_OpenLibraries();
    if (rc != MOS_RC__SUCCESS) {
        return rc;
    }
    if (mosSecurity_LoadFunctions() == 0) {
        mosSecurity_FreeLibraries();
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to load security functions");
        return MOS_RC__OPENSSL_VERSION_TOO_OLD;
    }
    rc = mosSecurity_InitSecurityLib();
    if (rc != MOS_RC__SUCCESS) {
        return rc;
    }
    return mosSecurity_EnableFips(bEnableFips);
}

uint32_t mosSecurity_LoadFunctions() {
    for (const FnRow &row : FN_ROWS) {
        void *pFn = bindOne(row);
        if (pFn == nullptr) {
            return 0;
        }
        memcpy(reinterpret_cast<char *>(&fns_G) + row.offset, &pFn, sizeof pFn);
    }
    return 1;
}

void mosSecurity_SetMemFunctions() {
    // Refused once the library has allocated (a reload in one process):
    // it then keeps its own allocator, which is harmless.
    (void)fns_G.CRYPTO_set_mem_functions(cryptoMalloc, cryptoRealloc, cryptoFree);
}

void mosSecurity_FreeLibraries() {
    for (SecurityLibRow &row : libState_G.libs) {
        if (row.hLib != nullptr) {
            (void)mosDynamicLib_Close(row.hLib);
            row.hLib = nullptr;
        }
    }
}

void mosSecurity_CloseLibraries() {
    if (libState_G.bLibInitialized != 0) {
        libState_G.bLibInitialized = 0;
        mosFastlockBase_Destroy(&libState_G.lock);
    }
    mosSecurity_FreeLibraries();
}

void mosSecurity_PrintLibError(const char *pText) {
    char text[256] = {};
    fns_G.ERR_error_string_n(fns_G.ERR_get_error(), text, sizeof text);
    MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: %s: %s", pText, text);
}

const MosSecurityFns *mosSecurity_GetFns() {
    return &fns_G;
}

uint32_t mosSecurity_IsLibInitialized() {
    return libState_G.bLibInitialized;
}

uint32_t mosSecurity_AreLibrariesOpen() {
    return libState_G.libs[SECURITY_LIB_SSL].hLib != nullptr ||
                   libState_G.libs[SECURITY_LIB_CRYPTO].hLib != nullptr
               ? 1
               : 0;
}

void mosSecurity_Wipe(void *pMem, size_t size) {
    volatile auto *p = static_cast<volatile unsigned char *>(pMem);
    for (size_t i = 0; i < size; i++) {
        p[i] = 0;
    }
}

size_t mosSecurity_PasswordLen(const char *pPassword) {
    return strnlen(pPassword, MOS_SECURITY_PASSWORD_SIZE);
}

uint32_t mosSecurity_TakePassword(char *pDst, const char *pPassword) {
    const size_t len = mosSecurity_PasswordLen(pPassword);
    if (len >= MOS_SECURITY_PASSWORD_SIZE) {
        // Without room for its end it would be read past its field.
        MOS_TRACE(MOS_COMP_MOS, 1,
                  "ERROR: Private key password is too long (at most %u characters)",
                  MOS_SECURITY_PASSWORD_SIZE - 1);
        return 0;
    }
    memcpy(pDst, pPassword, len + 1);
    return 1;
}

int mosSecurity_PasswordToBuffer(char *pBuf, int size, const char *pPassword) {
    const auto len = static_cast<int>(mosSecurity_PasswordLen(pPassword));
    if (size <= 0 || len >= size) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Password buffer is too short (%d < %d)", size, len);
        return 0;
    }
    memset(pBuf, 0, static_cast<size_t>(size));
    memcpy(pBuf, pPassword, static_cast<size_t>(len));
    return len;
}

MOS_RC mosSecurity_CreateBlocking(MosBlocking *pBlocking, const char *pName, uint32_t *pbCreated) {
    if (mosBlocking_Create(pBlocking, pName, 1) != MOS_RC__SUCCESS) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to create blocking object");
        return MOS_RC__ERROR;
    }
    *pbCreated = 1;
    return MOS_RC__SUCCESS;
}

void mosSecurity_DestroyBlocking(MosBlocking *pBlocking, uint32_t *pbCreated) {
    if (*pbCreated != 0) {
        mosBlocking_Destroy(pBlocking);
        *pbCreated = 0;
    }
}
