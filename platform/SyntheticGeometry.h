// The geometry Windows reports for USB media, made from a capacity, so that
// images taken here and there carry the same numbers.
#pragma once

#include "platform/DriveBackend.h"

// Returns 255 tracks per cylinder and 63 sectors per track with
// (capacity / bytesPerSector) / 16065 cylinders; when that is 0, one track of
// one sector per cylinder and a cylinder per sector. MediaType is left 0.
DISK_GEOMETRY SynthesizeGeometry(int64_t capacity, int32_t bytesPerSector);
