// A drive written from its first byte as a block sink: each block at its
// own drive offset, so a block whose write failed (and was let pass) leaves
// the ones after it in their places.
#pragma once

#include "image/BlockStreams.h"
#include "platform/DriveBackend.h"

class DriveWriter : public BlockSink {
public:
    // Writes onto `drive` (opened for writing, not owned).
    explicit DriveWriter(platform::DriveHandle& drive) : drive_(drive) {}

    // Fault: DriveWriteFailed.
    BlockFault Put(const Block& block) override
    {
        return drive_.WriteAt(block.bytes, block.length, block.offset) ? BlockFault::None : BlockFault::DriveWriteFailed;
    }

    // Fault: FlushFailed.
    BlockFault Finish() override { return drive_.Flush() ? BlockFault::None : BlockFault::FlushFailed; }

private:
    platform::DriveHandle& drive_;
};
