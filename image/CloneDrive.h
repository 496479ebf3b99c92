// Cloning a drive: image it into a temporary file, let the user swap the
// medium, restore the image onto the new medium.
#pragma once

#include <functional>
#include <string>

// The temporary image's file name, inside PrivateTempFolder().
inline constexpr const char* CLONE_TEMP_NAME = "~Korvalith WIN~.tmp";

// Runs the clone of the drive `deviceName` ("PHYSICALDRIVE" + n), named
// `displayName` in the swap prompt. `onCloned` runs once the restore has
// completed, before the success message. Shows "Drive could not be cloned."
// on any failure and always deletes the temporary file.
// Returns true when the drive was cloned.
bool CloneDrive(const std::string& deviceName, const std::string& displayName,
                const std::function<void()>& onCloned = {});
