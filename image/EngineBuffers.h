// The two block buffers of the image engine, allocated once for the life of
// the program. Only one engine run uses them at a time, and only when it runs
// on one thread: a run with coding threads brings a slot of buffers for each
// block in flight (image/BlockPipeline.h).
#pragma once

#include "image/ImageHeader.h"

#include <array>
#include <cstdint>

// Block buffers start on a page, so that drive reads past the page cache
// (O_DIRECT) can land in them without a copy.
constexpr size_t ENGINE_BUFFER_ALIGNMENT = 4096;

// Drive data when creating (up to IMAGE_BLOCK_SIZE), a compressed block when
// restoring (up to IMAGE_BLOCK_ROOM): sized for the larger of the two.
extern std::array<uint8_t, IMAGE_BLOCK_ROOM> abReadBuffer_g;
// A compressed block when creating, drive data when restoring.
extern std::array<uint8_t, 589825> abWriteBuffer_g;
