// The block pipeline: the same image file and the same run, block for block,
// as on one thread; and the zero-block shortcut.
#include "image/BlockPipeline.h"
#include "image/CreateImage.h"
#include "image/DeflateCodec.h"
#include "image/EngineThreads.h"
#include "image/KviCodec.h"
#include "image/RestoreImage.h"
#include "image/ZeroBlock.h"

#include "ImageTestKit.h"
#include "ScriptedMessages.h"
#include "SimulatedDrives.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <libdeflate.h>
#include <random>
#include <thread>

namespace {

constexpr size_t kBlock = IMAGE_BLOCK_SIZE;

Bytes RandomBytes(size_t size)
{
    std::mt19937 random(42);
    Bytes bytes(size);
    for (auto& b : bytes)
        b = static_cast<uint8_t>(random());
    return bytes;
}

// Random, zero, compressible and zero blocks, then a short random tail.
Bytes MixedBytes()
{
    Bytes bytes = RandomBytes(kBlock);
    bytes.resize(2 * kBlock, 0);
    const Bytes pattern = PatternBytes(kBlock);
    bytes.insert(bytes.end(), pattern.begin(), pattern.end());
    bytes.resize(4 * kBlock, 0);
    const Bytes tail = RandomBytes(4321);
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    return bytes;
}

// What one create-and-restore run left behind and did on the way.
struct RunRecord {
    Bytes blocks;  // the image file after its header (the header holds the date)
    std::vector<std::string> createEvents, restoreEvents;
    std::vector<int64_t> createBytes, restoreBytes;
    int createPolls = 0, restorePolls = 0, createRounds = 0, restoreRounds = 0;
    Bytes restored;
};

RunRecord CreateAndRestore(const Bytes& data, int threads)
{
    EngineThreadsFor engine(threads);
    SimulatedDrives drives;
    drives.AddWithBytes(0, data);
    drives.Add(1, static_cast<int64_t>(data.size()));
    const std::string image = drives.FilePath("pipeline.kvi");
    RunRecord run;
    {
        RecordingProgress progress;
        ImageHeader header;
        EXPECT_EQ(CreateImage("PHYSICALDRIVE0", image, header), 1);
        run.createEvents = progress.events;
        run.createBytes = progress.bytes;
        run.createPolls = progress.polls;
        run.createRounds = progress.doEvents;
    }
    const Bytes file = ReadFileBytes(image);
    run.blocks.assign(file.begin() + IMAGE_HEADER_SIZE, file.end());
    {
        ScriptedMessages messages;
        messages.Answer(IDYES);
        RecordingProgress progress;
        EXPECT_EQ(RestoreImage("PHYSICALDRIVE1", image), 1);
        run.restoreEvents = progress.events;
        run.restoreBytes = progress.bytes;
        run.restorePolls = progress.polls;
        run.restoreRounds = progress.doEvents;
    }
    run.restored = drives.Bytes(1);
    return run;
}

struct DataCase {
    const char* name;
    std::function<Bytes()> make;
};

TEST(ImagePipeline, SameImageAndSameRunAsOneThread)
{
    const DataCase cases[] = {
        {"random, not a multiple of the block", [] { return RandomBytes(2 * kBlock + 1000); }},
        {"compressible", [] { return PatternBytes(3 * kBlock, 11); }},
        {"all zero, not a multiple of the block", [] { return Bytes(2 * kBlock + 77, 0); }},
        {"mixed", MixedBytes},
    };
    for (const DataCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes data = c.make();
        const RunRecord single = CreateAndRestore(data, ENGINE_SINGLE_THREAD);

        // The stored streams are what the codec makes of each block on its own.
        const ParsedImage parsed = [&] {
            SimulatedDrives scratch;
            const ImageHeaderBytes head = PackImageHeader(ImageHeader{});
            Bytes file(head.begin(), head.end());
            file.insert(file.end(), single.blocks.begin(), single.blocks.end());
            WriteFileBytes(scratch.FilePath("single.kvi"), file);
            return ParseImage(scratch.FilePath("single.kvi"));
        }();
        ASSERT_TRUE(parsed.wellFormed);
        ASSERT_EQ(parsed.streams.size(), (data.size() + kBlock - 1) / kBlock);
        for (size_t i = 0; i < parsed.streams.size(); ++i) {
            const Bytes slice(data.begin() + static_cast<long>(i * kBlock),
                              data.begin() + static_cast<long>(std::min(data.size(), (i + 1) * kBlock)));
            EXPECT_EQ(parsed.streams[i], Stored(slice)) << "block " << i;
        }
        EXPECT_EQ(single.restored, data);

        for (const int coders : {1, 3}) {
            SCOPED_TRACE(std::to_string(coders) + " coders");
            const RunRecord piped = CreateAndRestore(data, coders);
            EXPECT_EQ(piped.blocks, single.blocks);
            EXPECT_EQ(piped.restored, data);
            EXPECT_EQ(piped.createEvents, single.createEvents);
            EXPECT_EQ(piped.restoreEvents, single.restoreEvents);
            EXPECT_EQ(piped.createBytes, single.createBytes);
            EXPECT_EQ(piped.restoreBytes, single.restoreBytes);
            EXPECT_EQ(piped.createPolls, single.createPolls);
            EXPECT_EQ(piped.restorePolls, single.restorePolls);
            EXPECT_EQ(piped.createRounds, single.createRounds);
            EXPECT_EQ(piped.restoreRounds, single.restoreRounds);
        }
    }
}

// Returns what libdeflate itself makes of `data` at `level`.
Bytes LibdeflateStream(const Bytes& data, int level)
{
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(level);
    Bytes out(IMAGE_BLOCK_ROOM);
    out.resize(libdeflate_zlib_compress(compressor, data.data(), data.size(), out.data(), out.size()));
    libdeflate_free_compressor(compressor);
    return out;
}

TEST(ZeroBlock, SameBytesAsTheCodecAndBackForFullAndPartialBlocks)
{
    for (const int level : {1, KVI_DEFAULT_LEVEL, 12}) {
        const DeflateCodec codec(level);
        // Alternating lengths: each is made on first use and taken again later.
        for (const size_t length : {kBlock, size_t{475712}, kBlock, size_t{1}, size_t{475712}}) {
            SCOPED_TRACE(std::to_string(level) + " " + std::to_string(length));
            const Bytes zeros(length, 0);
            Bytes out(IMAGE_BLOCK_ROOM);
            const int64_t size = codec.Compress(zeros.data(), zeros.size(), out.data(), out.size());
            ASSERT_GT(size, 0);
            out.resize(static_cast<size_t>(size));
            EXPECT_EQ(out, LibdeflateStream(zeros, level));

            Bytes back(IMAGE_BLOCK_ROOM, 0xAA);
            ASSERT_EQ(codec.Expand(out.data(), out.size(), back.data(), back.size()), static_cast<int64_t>(length));
            EXPECT_TRUE(IsAllZero(back.data(), length));
            EXPECT_EQ(back[length], 0xAA) << "nothing written past the block";
            if (length > 1) {
                EXPECT_EQ(codec.Expand(out.data(), out.size(), back.data(), length - 1), -1) << "room one byte short";
            }
        }
        Bytes tooSmall(8);
        EXPECT_EQ(codec.Compress(Bytes(kBlock, 0).data(), kBlock, tooSmall.data(), tooSmall.size()), -1);
    }
}

TEST(ZeroBlock, ZlibsZeroStreamIsRecognisedOnceSeen)
{
    const DeflateCodec codec(KVI_DEFAULT_LEVEL);
    const Bytes stream = Deflate(Bytes(kBlock, 0));
    Bytes back(IMAGE_BLOCK_ROOM, 0xAA);
    for (int seen = 0; seen < 2; ++seen) {
        SCOPED_TRACE(seen);
        std::fill(back.begin(), back.end(), 0xAA);
        ASSERT_EQ(codec.Expand(stream.data(), stream.size(), back.data(), back.size()), static_cast<int64_t>(kBlock));
        EXPECT_TRUE(IsAllZero(back.data(), kBlock));
        EXPECT_EQ(back[kBlock], 0xAA);
        EXPECT_EQ(codec.Expand(stream.data(), stream.size(), back.data(), kBlock - 1), -1) << "room one byte short";
    }
    // Another length's stream is no remembered one: it expands to its own size.
    const Bytes other = Deflate(Bytes(kBlock - 1, 0));
    EXPECT_EQ(codec.Expand(other.data(), other.size(), back.data(), back.size()), static_cast<int64_t>(kBlock - 1));
}

TEST(ZeroBlock, ScanSeesASingleSetByteAnywhere)
{
    Bytes block(kBlock, 0);
    EXPECT_TRUE(IsAllZero(block.data(), block.size()));
    EXPECT_TRUE(IsAllZero(block.data(), 0));
    for (const size_t at : {size_t{0}, size_t{1}, kBlock / 2, kBlock - 1}) {
        block[at] = 0x80;
        EXPECT_FALSE(IsAllZero(block.data(), block.size())) << at;
        block[at] = 0;
    }
}

TEST(BlockPipeline, HandsBlocksOverInReadOrderWithFewInFlight)
{
    constexpr int kCount = 200;
    for (const int coders : {0, 1, 3}) {
        SCOPED_TRACE(coders);
        std::atomic<int> handed{0};
        int produced = 0;
        int mostAhead = 0;
        BlockPipeline pipeline(
            [&](BlockSlot& slot) {
                mostAhead = std::max(mostAhead, produced - handed.load());
                slot.outcome = produced;
                slot.inLength = produced;
                slot.needsCoding = produced % 5 != 0;  // some blocks pass uncoded
                return ++produced < kCount;
            },
            [](BlockSlot& slot) {
                // Uneven work, so coders finish out of order.
                std::this_thread::sleep_for(std::chrono::microseconds(slot.inLength % 3 * 200));
                slot.coded = slot.inLength * 2;
            },
            coders);
        for (int i = 0; i < kCount; ++i) {
            const BlockSlot* block = pipeline.Next();
            ASSERT_NE(block, nullptr);
            EXPECT_EQ(block->outcome, i);
            EXPECT_EQ(block->coded, i % 5 != 0 ? 2 * i : 0);
            ++handed;
        }
        EXPECT_EQ(pipeline.Next(), nullptr);
        EXPECT_LT(mostAhead, 2 * coders + 2);
    }
}

TEST(BlockPipeline, EndingEarlyStopsAndJoinsEveryThread)
{
    const int before = ThreadCount();
    {
        BlockPipeline pipeline(
            [](BlockSlot& slot) {
                slot.needsCoding = true;
                return true;  // an endless stream: the reader waits for free slots
            },
            [](BlockSlot& slot) { slot.coded = 1; }, 3);
        ASSERT_NE(pipeline.Next(), nullptr);
        EXPECT_EQ(ThreadCount(), before + 4);
    }
    EXPECT_TRUE(ThreadsBackTo(before));
}

}  // namespace
