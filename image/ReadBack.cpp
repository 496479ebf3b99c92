#include "image/ReadBack.h"

#include "image/ImageHeader.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <xxhash.h>

namespace {
std::atomic<bool> verifyAfterRestore{true};
constexpr size_t kProbe = 4096;

// Returns the bytes a probe at `offset` carries: its offset and this run's
// tag first, then a stream drawn from both, so no two probes (of this run or
// an earlier one) look alike.
std::vector<uint8_t> ProbeBytes(int64_t offset, uint64_t tag)
{
    std::vector<uint8_t> bytes(kProbe);
    std::memcpy(bytes.data(), &offset, sizeof offset);
    std::memcpy(bytes.data() + 8, &tag, sizeof tag);
    uint64_t x = tag ^ (static_cast<uint64_t>(offset) * 0x9E3779B97F4A7C15ull) ^ 0x2545F4914F6CDD1Dull;
    for (size_t i = 16; i < kProbe; ++i) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        bytes[i] = static_cast<uint8_t>(x);
    }
    return bytes;
}
}  // namespace

std::array<uint64_t, 2> BlockHash(const uint8_t* bytes, size_t length)
{
    const XXH128_hash_t hash = XXH3_128bits(bytes, length);
    return {hash.low64, hash.high64};
}

BlockFault RecordingSink::Put(const Block& block)
{
    const BlockFault fault = inner_.Put(block);
    if (fault == BlockFault::None)
        written_.push_back({block.offset, static_cast<int64_t>(block.length), BlockHash(block.bytes, block.length)});
    return fault;
}

bool ReadBackSource::Read(BlockSlot& slot)
{
    if (next_ >= blocks_.size())
        return false;
    const WrittenBlock& block = blocks_[next_++];
    const int64_t got = drive_.ReadBackAt(slot.in, static_cast<size_t>(block.length), block.offset);
    if (got < 0) {
        slot.fault = BlockFault::DriveReadFailed;
        slot.outcome = block.offset;  // where the read failed
        return false;
    }
    slot.inLength = got;
    return got == block.length && next_ < blocks_.size();
}

BlockFault HashCheck::Put(const Block& block)
{
    if (next_ >= blocks_.size())
        return BlockFault::VerifyMismatch;
    const WrittenBlock& written = blocks_[next_++];
    if (static_cast<int64_t>(block.length) != written.length || BlockHash(block.bytes, block.length) != written.hash) {
        differing_ = written.offset;
        return BlockFault::VerifyMismatch;
    }
    return BlockFault::None;
}

BlockFault DriveCompare::Put(const Block& block)
{
    buffer_.resize(block.length);
    const int64_t got = drive_.ReadBackAt(buffer_.data(), block.length, block.offset);
    if (got < 0) {
        first_ = block.offset;
        return BlockFault::DriveReadFailed;
    }
    const auto same = static_cast<size_t>(
        std::mismatch(block.bytes, block.bytes + got, buffer_.data()).first - block.bytes);
    if (same < block.length) {  // a byte differs, or the drive ends first
        first_ = block.offset + static_cast<int64_t>(same);
        return BlockFault::VerifyMismatch;
    }
    return BlockFault::None;
}

int64_t FirstDifferingByte(BlockSource& image, platform::DriveHandle& drive, int64_t from)
{
    const auto room = static_cast<size_t>(IMAGE_BLOCK_ROOM);
    std::vector<uint8_t> stored(room), plain(room);
    DriveCompare compare(drive);
    int64_t offset = 0;
    for (;;) {
        BlockSlot slot;
        slot.in = stored.data();
        const bool more = image.Read(slot);
        if (!CarriesData(slot.fault))
            return -1;
        const uint8_t* bytes = stored.data();
        int64_t length = slot.inLength;
        if (const BlockCodec* codec = image.Codec(); codec && length > 0) {
            length = codec->Expand(stored.data(), static_cast<size_t>(length), plain.data(), room);
            bytes = plain.data();
        }
        if (length < 0)
            return -1;
        if (offset + length > from) {
            const BlockFault fault = compare.Put({bytes, static_cast<size_t>(length), offset});
            if (fault == BlockFault::VerifyMismatch && compare.FirstDifference() >= from)
                return compare.FirstDifference();
            if (fault == BlockFault::DriveReadFailed)
                return -1;
        }
        offset += length;
        if (!more || length == 0)
            return offset;
    }
}

bool HoldsItsClaimedSize(platform::DriveHandle& drive, int64_t size)
{
    // A card that claims more than it holds wraps writes around, mostly at a
    // power of two: probes at each sixteenth then land on one another.
    if (size < static_cast<int64_t>(32 * kProbe))
        return true;
    std::vector<int64_t> offsets;
    for (int k = 0; k < 16; ++k)
        offsets.push_back(size / 16 * k / static_cast<int64_t>(kProbe) * static_cast<int64_t>(kProbe));
    offsets.push_back((size - static_cast<int64_t>(kProbe)) / static_cast<int64_t>(kProbe) * static_cast<int64_t>(kProbe));
    const uint64_t tag = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());

    std::vector<std::vector<uint8_t>> originals;
    for (const int64_t offset : offsets) {
        originals.emplace_back(kProbe);
        // A drive that cannot be read or written here tells nothing about
        // its size; the restore's own questions deal with it.
        if (drive.ReadBackAt(originals.back().data(), kProbe, offset) != static_cast<int64_t>(kProbe))
            return true;
    }
    // Only probes that were written and read back, and came back changed,
    // say the drive holds less; a failed call says nothing about its size.
    bool written = true;
    for (const int64_t offset : offsets)
        written = drive.WriteAt(ProbeBytes(offset, tag).data(), kProbe, offset) && written;
    written = drive.Flush() && written;
    bool holds = true;
    std::vector<uint8_t> back(kProbe);
    for (const int64_t offset : offsets)
        if (written && holds && drive.ReadBackAt(back.data(), kProbe, offset) == static_cast<int64_t>(kProbe))
            holds = back == ProbeBytes(offset, tag);
    // Put back in reverse: where writes wrapped around, the older bytes win.
    for (size_t i = offsets.size(); i-- > 0;)
        drive.WriteAt(originals[i].data(), kProbe, offsets[i]);
    drive.Flush();
    return holds;
}

void SetVerifyAfterRestore(bool verify)
{
    verifyAfterRestore = verify;
}

bool VerifyAfterRestore()
{
    return verifyAfterRestore;
}
