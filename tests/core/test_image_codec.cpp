// The .kvi codec against zlib, the reference: every block the engine writes
// is a zlib stream that zlib's own uncompress reads back to the drive's
// bytes, and images written by zlib restore byte for byte.
#include "image/CreateImage.h"
#include "image/KviCodec.h"
#include "image/RestoreImage.h"

#include "ImageTestKit.h"
#include "ScriptedMessages.h"
#include "SimulatedDrives.h"

#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <zlib.h>

namespace {

constexpr size_t kBlock = IMAGE_BLOCK_SIZE;

// Returns the drive bytes the blocks of the image file at `path` stand for,
// each block read by zlib's uncompress; fails the test on a block zlib
// refuses.
Bytes ExpandedByZlib(const std::string& path)
{
    const Bytes file = ReadFileBytes(path);
    Bytes drive;
    Bytes room(IMAGE_BLOCK_ROOM);
    for (size_t at = IMAGE_HEADER_SIZE; at + 4 <= file.size();) {
        int32_t length = 0;
        std::memcpy(&length, file.data() + at, 4);  // the test machine is little-endian
        at += 4;
        EXPECT_TRUE(length >= 0 && at + static_cast<size_t>(length) <= file.size()) << "block at " << at - 4;
        if (length < 0 || at + static_cast<size_t>(length) > file.size())
            break;
        uLongf expanded = room.size();
        EXPECT_EQ(uncompress(room.data(), &expanded, file.data() + at, static_cast<uLong>(length)), Z_OK)
            << "block at " << at - 4;
        drive.insert(drive.end(), room.begin(), room.begin() + static_cast<long>(expanded));
        at += static_cast<size_t>(length);
    }
    return drive;
}

// Uses a compression level for new images while it lives.
class LevelFor {
public:
    explicit LevelFor(int level) : previous_(KviLevel()) { SetKviLevel(level); }
    ~LevelFor() { SetKviLevel(previous_); }

private:
    int previous_;
};

TEST(KviCodec, EveryBlockOfANewImageIsReadByZlib)
{
    // Incompressible, zero, text-like blocks, and a short random tail.
    std::mt19937 random(3);
    Bytes data(kBlock);
    for (auto& b : data)
        b = static_cast<uint8_t>(random());
    data.resize(2 * kBlock, 0);
    const Bytes pattern = PatternBytes(kBlock, 4);
    data.insert(data.end(), pattern.begin(), pattern.end());
    for (int i = 0; i < 999; ++i)
        data.push_back(static_cast<uint8_t>(random()));

    for (const int level : {KVI_FASTEST_LEVEL, KVI_DEFAULT_LEVEL, KVI_SMALLEST_LEVEL}) {
        SCOPED_TRACE(level);
        LevelFor chosen(level);
        SimulatedDrives drives;
        drives.AddWithBytes(0, data);
        const std::string image = drives.FilePath("new.kvi");
        ImageHeader header;
        ASSERT_EQ(CreateImage("PHYSICALDRIVE0", image, header), 1);
        EXPECT_EQ(ExpandedByZlib(image), data);
    }
}

TEST(KviCodec, ImagesWrittenByZlibRestoreByteForByte)
{
    // Made by `kvi create` of the engine that stored blocks with zlib's
    // compress2 at level 9: a text block, a zero block and one byte; an
    // incompressible block (stored longer than the block) and a short text.
    for (const char* name : {"zlib-mixed.kvi", "zlib-incompressible.kvi"}) {
        SCOPED_TRACE(name);
        const std::string image = std::string(KORVALITH_FIXTURES) + "/" + name;
        const ParsedImage parsed = ParseImage(image);
        ASSERT_TRUE(parsed.wellFormed);
        const Bytes expected = ExpandedByZlib(image);
        ASSERT_EQ(static_cast<int64_t>(expected.size()), parsed.header.DriveSize);

        SimulatedDrives drives;
        drives.Add(1, parsed.header.DriveSize,
                   {{"Cylinders", std::to_string(parsed.header.Cylinders)},
                    {"TracksPerCylinder", std::to_string(parsed.header.TracksPerCylinder)},
                    {"SectorsPerTrack", std::to_string(parsed.header.SectorsPerTrack)},
                    {"BytesPerSector", std::to_string(parsed.header.BytesPerSector)}});
        ScriptedMessages messages;
        messages.Answer(IDYES);  // the warning; a mismatch question would find no answer
        ASSERT_EQ(RestoreImage("PHYSICALDRIVE1", image), 1);
        EXPECT_EQ(messages.Shown().size(), 1u);
        EXPECT_EQ(drives.Bytes(1), expected);
    }
}

}  // namespace
