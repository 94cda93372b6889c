// The usage text of kmodctl: the head, the default wait of boot_wait in
// seconds, the tail.
#pragma once

extern const char *const kmodctl_UsageHead;
extern const char *const kmodctl_UsageTail;
