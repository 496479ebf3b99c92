// Checking what went onto a drive by reading it back from the medium.
//
// While a restore writes, a strong hash of every block written is kept
// (XXH3-128: a block is hashed far faster than any card reads it, and the
// check guards against failing or counterfeit media, not against anyone who
// chooses the bytes). Afterwards the drive is read back past every cache,
// block by block through the same loop, and each block's hash is compared:
// the reading runs at the drive's speed, without expanding the image again.
// Only when a block differs is its part of the image read once more, to
// name the first byte that differs.
//
// Before anything is written, a few probes at spread offsets tell a card
// that is smaller than it claims: such cards wrap writes around and lose
// the start of the image.
#pragma once

#include "image/BlockStreams.h"
#include "platform/DriveBackend.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// The blocks a run wrote: where each lies and the hash of its bytes.
struct WrittenBlock {
    int64_t offset = 0;
    int64_t length = 0;
    std::array<uint64_t, 2> hash{};
};

// Returns the XXH3-128 hash of `length` bytes.
std::array<uint64_t, 2> BlockHash(const uint8_t* bytes, size_t length);

// A sink that passes every block on to `inner` and notes the blocks written
// (those whose Put succeeded).
class RecordingSink : public BlockSink {
public:
    explicit RecordingSink(BlockSink& inner) : inner_(inner) {}
    BlockFault Put(const Block& block) override;
    BlockFault Finish() override { return inner_.Finish(); }
    const BlockCodec* Codec() const override { return inner_.Codec(); }

    const std::vector<WrittenBlock>& Written() const { return written_; }

private:
    BlockSink& inner_;
    std::vector<WrittenBlock> written_;
};

// The written blocks read back from the drive past every cache, one after
// the other. A read that fails is the fault DriveReadFailed; a medium that
// ends early gives a short block.
class ReadBackSource : public BlockSource {
public:
    ReadBackSource(platform::DriveHandle& drive, const std::vector<WrittenBlock>& blocks)
        : drive_(drive), blocks_(blocks)
    {
    }
    bool Read(BlockSlot& slot) override;

private:
    platform::DriveHandle& drive_;
    const std::vector<WrittenBlock>& blocks_;
    size_t next_ = 0;
};

// A sink that checks the read-back blocks against the hashes kept while
// writing. The first block that differs is the fault VerifyMismatch; its
// offset is noted.
class HashCheck : public BlockSink {
public:
    explicit HashCheck(const std::vector<WrittenBlock>& blocks) : blocks_(blocks) {}
    BlockFault Put(const Block& block) override;
    BlockFault Finish() override { return BlockFault::None; }

    // Returns the drive offset of the block that differed, or -1.
    int64_t DifferingBlock() const { return differing_; }

private:
    const std::vector<WrittenBlock>& blocks_;
    size_t next_ = 0;
    int64_t differing_ = -1;
};

// A sink that compares the image's blocks with the drive's bytes at the
// same offsets, read past every cache. The first difference is the fault
// VerifyMismatch, a drive that cannot be read DriveReadFailed; the offset of
// the first differing byte is noted.
class DriveCompare : public BlockSink {
public:
    explicit DriveCompare(platform::DriveHandle& drive) : drive_(drive) {}
    BlockFault Put(const Block& block) override;
    BlockFault Finish() override { return BlockFault::None; }

    // Returns the drive offset of the first differing byte, or -1.
    int64_t FirstDifference() const { return first_; }

private:
    platform::DriveHandle& drive_;
    std::vector<uint8_t> buffer_;
    int64_t first_ = -1;
};

// Returns the offset of the first byte from `from` on where the drive
// differs from the image that `image` reads (the blocks before `from` are
// read and skipped); the end of the image's bytes from `from` on when none
// differs there, or -1 when the image or the drive could not be read.
int64_t FirstDifferingByte(BlockSource& image, platform::DriveHandle& drive, int64_t from);

// Returns true when the drive holds what it claims: distinct probes written
// at each sixteenth of its size and into its last 4 KiB read back each as
// written, or when a probe cannot be written or read (which says nothing
// about the size). What the probes overwrote is put back in every case.
// The drive is opened for writing.
bool HoldsItsClaimedSize(platform::DriveHandle& drive, int64_t size);

// Whether restores read the drive back afterwards (the default) or not.
void SetVerifyAfterRestore(bool verify);
bool VerifyAfterRestore();
