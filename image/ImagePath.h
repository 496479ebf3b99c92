// Where an image may be written or read from: a regular file, or a new name
// in an existing folder. Never a device, a pipe or a socket (a link to
// /dev/sdc named card.kvi would otherwise be written raw), never a drive's
// own medium, and never a file stored on the drive being imaged or
// overwritten.
#pragma once

#include "platform/DriveBackend.h"

#include <string>

enum class ImageUse {
    Write,  // a new image of the drive (create, the clone's temporary image)
    Read,   // the image to restore onto the drive
};

// Returns "" when `path` may serve for `use` with `drive`; otherwise one
// sentence saying what is wrong and what to do.
std::string ImagePathProblem(const std::string& path, ImageUse use, const platform::DriveRecord& drive);
