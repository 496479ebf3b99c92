// The eject command as the user meets it: the question, the eject, the
// outcome message. Shared by the window's eject button and `kvi eject`.
#pragma once

#include "drive/PhysicalDrive.h"

#include <cstdint>
#include <functional>

constexpr int32_t EJECT_DONE = 1;
constexpr int32_t EJECT_FAILED = 0;
constexpr int32_t EJECT_DECLINED = -1;

// Asks "Eject media in '<display name>'?" (No preselected); on Yes ejects
// the medium, runs `onEjected` (the window refreshes its drive panel there)
// and tells the user the outcome.
// Returns EJECT_DONE, EJECT_FAILED (the drive refused or could not be
// opened) or EJECT_DECLINED (the question was not answered Yes).
int32_t EjectMediaCommand(const DriveEntry& entry, const std::function<void()>& onEjected = {});
