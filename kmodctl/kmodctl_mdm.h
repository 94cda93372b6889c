// The MDM commands' front-end half: address lists and the checks of
// add_mdm and mod_mdm_ip.
#pragma once

#include "kmodctl_args.h"
#include "mos_net.h"
#include "mos_rc.h"

#include <cstdint>

// At most this many addresses in one list.
inline constexpr uint32_t KMODCTL_MAX_MDM_ADDRESSES = 16;

// Splits pText in place at commas (empty fields skipped) into at most max
// addresses with the default MDM port; returns their number (0 when the
// text holds none). A surplus, invalid or repeated address ends the run
// with the usage text and exit code 1.
uint32_t parseIpStr(char *pText, NetAddress *pAddresses, uint32_t max);

// The add_mdm and mod_mdm_ip commands after the driver was opened.
[[nodiscard]] MOS_RC addMdm(const KmodctlArgs &args);
[[nodiscard]] MOS_RC modMdmIp(const KmodctlArgs &args);
