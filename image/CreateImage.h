// Image creation: a whole drive into an image file: a .kvi, or a raw disk
// image when the name ends in .img, .img.gz, .img.xz or .img.zst.
#pragma once

#include "image/ImageHeader.h"

#include <cstdint>
#include <string>
#include <vector>

// Images drive DriveName ("PHYSICALDRIVE" + n) into ImagePath, asking before
// an existing file is overwritten. Header carries Creator and Description in;
// every other member is filled in. A read error answered with Yes goes on to
// the end of the drive, with the sectors that cannot be read stored as
// zeros. Shows its own error box for codes -2..-8.
// Returns 1 complete, 0 ended early (abort confirmed, drive ended) or
// complete with unreadable sectors stored as zeros, -1 overwrite declined,
// -2 drive information unreadable, -3 drive or image open failed, -4 header
// write failed, -5 read error not ignored, -6 length write failed, -7 block
// write or final flush failed, -8 compression failed.
int32_t CreateImage(const std::string& DriveName, const std::string& ImagePath, ImageHeader& Header);

struct UnreadableSectors {
    std::vector<int64_t> offsets;  // drive offsets, first ones first
    int32_t sectorSize = 512;
};

// Returns the sectors the last CreateImage stored as zeros because they
// could not be read (none after an abort, whose file is gone).
const UnreadableSectors& UnreadableSectorsOfLastRun();
