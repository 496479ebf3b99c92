// Image restore: an image file back onto a whole drive: a .kvi, or a raw
// disk image (plain, compressed, or in a zip archive).
#pragma once

#include <cstdint>
#include <string>

// Writes the image at ImagePath onto drive DriveName ("PHYSICALDRIVE" + n)
// from its first byte, after a warning and, for a .kvi whose geometry or
// size differ, a second question; a raw image goes on only when it fits
// (image/RawRestore.h). Before the first block, probes tell a drive that
// holds less than it claims, and afterwards (unless turned off,
// image/ReadBack.h) the drive is read back and compared with what was
// written. Shows its own error box for codes -2..-11.
// Returns 1 blocks expanding to the image's DriveSize all processed and the
// drive flushed, 0 ended early (mismatch declined, abort confirmed, image
// ended first) or a write error ignored, -1 warning declined, -2 drive information unreadable, -3
// image or drive open failed, -4 header unreadable, -5 length field
// unreadable or cut short, -6 block length out of range or block unreadable
// (a raw image: unreadable, or changed while it was read),
// -7 drive write or flush failed and not ignored, -8 block damaged, cut short
// or expanding past its room (a raw image: its compressed stream damaged,
// cut short or followed by other bytes), -9 the read-back differs or fails
// (an abort during the check ends with 0), -10 a raw image larger than the
// drive with data beyond the drive's end, -11 the drive holds less than it
// claims (found by probes before the first block; nothing restored).
int32_t RestoreImage(const std::string& DriveName, const std::string& ImagePath);

// RestoreImage's result when the drive, written, does not hold the image.
constexpr int32_t RESTORE_NOT_VERIFIED = -9;

// The check of the last restore: the drive bytes read back and compared,
// and the seconds that took; no bytes when no check ran.
struct ReadBackMeasure {
    int64_t bytes = 0;
    double seconds = 0;
};
const ReadBackMeasure& ReadBackOfLastRestore();
