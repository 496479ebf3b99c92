// The texts the image information panel shows for a header, shared by the
// window and `kvi info`.
#pragma once

#include "image/ImageHeader.h"

#include <string>

// Returns "<program name>, v<major>.<minor> [Build <build>]", e.g.
// "Korvalith WIN, v1.1 [Build 21112005]".
std::string ImageCreatedWithText(const ImageHeader& header);

// Returns the drive size as "0.00" + " " + GB, MB or kB, with the given
// decimal separator: "2.00 GB", "953.67 MB".
std::string ImageDriveSizeText(int64_t driveSize, const std::string& decimalPoint = ".");
