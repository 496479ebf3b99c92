// A drive read from its first byte as a block source: blocks of
// IMAGE_BLOCK_SIZE bytes, the last one the remainder of the drive's size.
#pragma once

#include "image/BlockStreams.h"
#include "platform/DriveBackend.h"

class DriveReader : public BlockSource {
public:
    // Reads `size` bytes of `drive` (opened for reading, not owned).
    DriveReader(platform::DriveHandle& drive, int64_t size) : drive_(drive), size_(size) {}

    // Reads the next block, never past the drive's size; short read calls
    // are continued until the block is full or the medium ends. A read call
    // that fails is the fault DriveReadFailed; a medium that ends early
    // gives a shorter block, then the end. Returns true while more blocks
    // may follow.
    bool Read(BlockSlot& slot) override;

private:
    platform::DriveHandle& drive_;
    int64_t size_;
    int64_t readSoFar_ = 0;
};
