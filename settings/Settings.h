// The program's settings: the size limit for fixed drives, and whether the
// window reads a drive back after restoring it.
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

// Returns whether restores are read back afterwards, as stored in
// "VerifyAfterRestore" (1 or 0); true when nothing usable is stored.
bool ReadVerifyAfterRestore();

// Stores whether restores are read back afterwards, where the settings file
// may be written. Returns true when it was stored.
bool WriteVerifyAfterRestore(bool verify);
