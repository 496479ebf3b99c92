#include "settings/Settings.h"

#include "drive/PhysicalDrive.h"

int LoadSettings()
{
    lAcceptFixedDriveSizeMaxMB_g = 4096;
    return VB_TRUE;
}
