// A drive read from its first byte as a block source: blocks of
// IMAGE_BLOCK_SIZE bytes, the last one the remainder of the drive's size.
//
// A read call that fails does not end the source: the block is read again
// sector by sector, and the sectors that still fail are delivered as zeros
// (the block's fault says so, and the routine asks whether to go on). The
// drive's position after a failed call is unknown, so from then on every
// read says where it reads.
#pragma once

#include "image/BlockStreams.h"
#include "platform/DriveBackend.h"

#include <cstdint>
#include <vector>

class DriveReader : public BlockSource {
public:
    // Reads `size` bytes of `drive` (opened for reading, not owned), whose
    // sectors are `sectorSize` bytes (512 when unknown).
    DriveReader(platform::DriveHandle& drive, int64_t size, int32_t sectorSize = 512)
        : drive_(drive), size_(size), sectorSize_(sectorSize > 0 ? sectorSize : 512)
    {
    }

    // Reads the next block, never past the drive's size; short read calls
    // are continued until the block is full or the medium ends. A block with
    // unreadable sectors has the fault SectorsUnreadable and zeros for them;
    // a medium that ends early gives a shorter block, then the end. Returns
    // true while more blocks may follow.
    bool Read(BlockSlot& slot) override;

    // Returns the drive offsets of the sectors delivered as zeros, in order.
    // Read it once the transfer has ended (the reader thread has stopped).
    const std::vector<int64_t>& UnreadableSectors() const { return unreadable_; }
    int32_t SectorSize() const { return sectorSize_; }

private:
    // Returns the bytes read by sequential calls into `into`, or -1 when a
    // call failed.
    int64_t ReadOn(uint8_t* into, size_t want);
    // Returns the bytes read at `start` sector by sector, unreadable sectors
    // as zeros (and noted); fewer than `want` only where the medium ends.
    int64_t ReadBySectors(uint8_t* into, int64_t start, size_t want);

    platform::DriveHandle& drive_;
    int64_t size_;
    int32_t sectorSize_;
    int64_t readSoFar_ = 0;
    bool positioned_ = false;
    std::vector<int64_t> unreadable_;
};
