// The program's one setting: the size limit for fixed drives.
//
// It lives in the system-wide settings of organisation "Orvendal",
// application "Korvalith WIN" (on Linux `Orvendal/Korvalith WIN.conf` in the
// first folder of $XDG_CONFIG_DIRS, /etc/xdg by default), value
// "AcceptFixedDriveSizeMaxMB", in MiB.
#pragma once

// Sets lAcceptFixedDriveSizeMaxMB_g to 4096, then to the stored value when
// it is a number; writes 4096 only when no value is stored and the file can
// be written. Returns True (-1), always.
int LoadSettings();
