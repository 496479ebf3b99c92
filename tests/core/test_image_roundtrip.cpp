#include "drive/PhysicalDrive.h"
#include "image/CreateImage.h"
#include "image/FixedText.h"
#include "image/ImageFile.h"
#include "image/RestoreImage.h"

#include "ImageTestKit.h"
#include "ScriptedMessages.h"
#include "SimulatedDrives.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// Creates an image of drive 0, checks its blocks against its drive bytes,
// restores it onto drive 1 (same size, zeros) and compares the drives.
void RoundTrip(SimulatedDrives& drives, int64_t size)
{
    const std::string image = drives.FilePath("round.kvi");
    ScriptedMessages messages;
    messages.Answer(IDYES);  // the restore warning
    RecordingProgress progress;

    ImageHeader header;
    header.Creator = FixedText("Tester", ImageHeader::CreatorWidth);
    ASSERT_EQ(CreateImage("PHYSICALDRIVE0", image, header), 1);
    EXPECT_EQ(header.DriveSize, size);

    const ParsedImage parsed = ParseImage(image);
    ASSERT_TRUE(parsed.wellFormed);
    EXPECT_EQ(IsValidImageHeader(parsed.header), VB_TRUE);
    EXPECT_EQ(CutAtNul(parsed.header.Creator), "Tester");
    EXPECT_EQ(parsed.header.DriveSize, size);
    const int64_t blocks = (size + IMAGE_BLOCK_SIZE - 1) / IMAGE_BLOCK_SIZE;
    ASSERT_EQ(static_cast<int64_t>(parsed.expandedSizes.size()), blocks);
    for (int64_t i = 0; i < blocks; ++i) {
        const int64_t expect = i + 1 < blocks ? IMAGE_BLOCK_SIZE : size - i * IMAGE_BLOCK_SIZE;
        ASSERT_EQ(parsed.expandedSizes[static_cast<size_t>(i)], expect) << "block " << i;
    }
    if (size > 0 && size < (16 << 20)) {
        // The stored streams are exactly what the codec makes of each block on its own.
        const Bytes source = drives.Bytes(0);
        for (int64_t i = 0; i < blocks; ++i) {
            const auto from = source.begin() + i * IMAGE_BLOCK_SIZE;
            const Bytes slice(from, from + parsed.expandedSizes[static_cast<size_t>(i)]);
            EXPECT_EQ(parsed.streams[static_cast<size_t>(i)], Stored(slice)) << "block " << i;
        }
    }
    EXPECT_EQ(progress.events.front(), "open:Please wait, while creating the image...");
    EXPECT_EQ(progress.events.back(), "close");
    EXPECT_EQ(progress.widths.empty() ? -1 : progress.widths.back(), size > 0 ? PROGRESS_BAR_WIDTH : -1);

    progress.events.clear();
    progress.widths.clear();
    ASSERT_EQ(RestoreImage("PHYSICALDRIVE1", image), 1);
    EXPECT_EQ(messages.Shown().size(), 1u);  // the warning, no mismatch question
    EXPECT_EQ(progress.events.front(), "box:308");
    EXPECT_EQ(progress.events[1], "open:Please wait, while restoring the image...");
    EXPECT_EQ(progress.widths.empty() ? -1 : progress.widths.back(), size > 0 ? PROGRESS_BAR_WIDTH : -1);
    EXPECT_TRUE(SameFileContents(drives.ImagePath(0), drives.ImagePath(1)));
}

class ImageRoundTrip : public ::testing::TestWithParam<int64_t> {};

TEST_P(ImageRoundTrip, RestoresTheSameBytes)
{
    SimulatedDrives drives;
    drives.AddWithBytes(0, PatternBytes(static_cast<size_t>(GetParam()), 7));
    drives.Add(1, GetParam());
    RoundTrip(drives, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Sizes, ImageRoundTrip, ::testing::Values(0, 1000000, 1048576, 1048577));

TEST(ImageRoundTripLarge, DriveAboveTwoGiBWithDataInItsLastMegabyte)
{
    const int64_t size = (int64_t{2} << 30) + (int64_t{1} << 20);
    DrivesInMemory inMemory;
    SimulatedDrives drives;
    drives.Add(0, size);
    drives.Add(1, size);
    const Bytes tail = PatternBytes(1 << 20, 3);
    const int fd = ::open(drives.ImagePath(0).c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, tail.data(), tail.size(), size - static_cast<int64_t>(tail.size())),
              static_cast<ssize_t>(tail.size()));
    ::close(fd);
    RoundTrip(drives, size);
}

}  // namespace
