// Cloning a drive: image it into a temporary file, let the user swap the
// medium, restore the image onto the new medium.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// The temporary image's file name, inside PrivateTempFolder().
inline constexpr const char* CLONE_TEMP_NAME = "~Korvalith WIN~.tmp";

// Runs the clone of the drive `deviceName` ("PHYSICALDRIVE" + n), named
// `displayName` in the swap prompt. `onCloned` runs once the restore has
// completed, before the success message. Shows "Drive could not be cloned."
// on any failure and always deletes the temporary file.
// Returns 1 when the drive was cloned; otherwise the result of the stage
// that ended it: the image creation's or the restore's, -1 when the swap
// prompt was cancelled, -3 when there is no private folder for the image.
int32_t CloneDrive(const std::string& deviceName, const std::string& displayName,
                   const std::function<void()>& onCloned = {});
