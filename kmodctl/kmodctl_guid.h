// Initiator GUID commands of kmodctl: giving the driver a GUID (the one
// given or a new one) and showing the GUID the driver holds.
#pragma once

#include "mos_rc.h"
#include "qorni_protocol.h"

#include <cstddef>
#include <cstdint>

inline constexpr size_t QORNI_GUID_BYTES = 16;
// Every caller formats into a buffer of this size.
inline constexpr size_t KMODCTL_GUID_TEXT_SIZE = 40;

#pragma pack(push, 1)

// SET_INI_GUID and QUERY_GUID.
struct QorniGuidRecord {
    QorniCmdRecordHeader hdr;
    uint8_t guid[QORNI_GUID_BYTES];
    uint32_t magicNumber; // QUERY_GUID reply only
    uint32_t timeStamp;   // QUERY_GUID reply only
};
static_assert(sizeof(QorniGuidRecord) == 32);
static_assert(offsetof(QorniGuidRecord, guid) == 8);
static_assert(offsetof(QorniGuidRecord, magicNumber) == 24);
static_assert(offsetof(QorniGuidRecord, timeStamp) == 28);

// QUERY_GUID_V130 answer.
struct QorniGuidReplyV130 {
    uint8_t guid[QORNI_GUID_BYTES];
    uint32_t magicNumber;
    uint32_t timeStamp;
};
static_assert(sizeof(QorniGuidReplyV130) == 24);
static_assert(offsetof(QorniGuidReplyV130, magicNumber) == 16);

#pragma pack(pop)

// The 16 bytes in storage order as upper-case hexadecimal digits with a
// dash before bytes 4, 6, 8 and 10; returns the characters stored.
int guidToString(const uint8_t *pGuid, char *pText, size_t textSize);

// The --set_guid command: refuses what this platform cannot do (the
// configuration file), parses or generates the GUID and calls the
// SET_GUID handler. A GUID text that does not parse ends the run (exit 1).
[[nodiscard]] MOS_RC setIniGuid(bool bOnlyCfg, bool bFileGiven, const char *pFileName,
                                bool bGuidGiven, const char *pGuidText);

// SET_GUID at v2.00: sends the 16 bytes and reports the outcome.
[[nodiscard]] MOS_RC setUIDV200(const uint8_t *pGuid);

// QUERY_GUID at v1.30 and v2.00: prints the driver's GUID and, with
// extended, its network identification.
[[nodiscard]] MOS_RC queryGuidV130(uint32_t extended);
[[nodiscard]] MOS_RC queryGuidV200(uint32_t extended);

// A new random GUID (CoCreateGuid on Windows). MOS_RC__SUCCESS or
// MOS_RC__ERROR; *pOsError gets the system's error number on failure.
[[nodiscard]] MOS_RC osGuid_Create(uint8_t *pGuid, uint32_t *pOsError);
