#include "image/ImageSummary.h"

#include "drive/CapacityText.h"
#include "image/FixedText.h"

std::string ImageCreatedWithText(const ImageHeader& header)
{
    const auto version = static_cast<uint16_t>(header.Version);
    return CutAtNul(header.ProgramName) + ", v" + std::to_string(version / 256) + "." + std::to_string(version & 255) +
           " [Build " + CutAtNul(header.Build) + "]";
}

std::string ImageDriveSizeText(int64_t driveSize, const std::string& decimalPoint)
{
    return FormatCapacity(ScaleCapacity(driveSize), decimalPoint);
}
