// The program's one setting: the size limit for fixed drives.
#pragma once

// Reads the size limit into lAcceptFixedDriveSizeMaxMB_g. Returns True (-1).
int LoadSettings();
