// Cancel between blocks, and what a confirmed abort leaves behind.
#include "image/CreateImage.h"
#include "image/RestoreImage.h"

#include "ImageTestKit.h"
#include "ScriptedMessages.h"
#include "SimulatedDrives.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

const ShownMessage kAbortCreate{"Abort image creation?", 292, "Korvalith WIN - [Create image]"};
const ShownMessage kAbortRestore{"Abort image restore?", 292, "Korvalith WIN - [Restore image]"};
constexpr int64_t kThreeBlocks = 3 * IMAGE_BLOCK_SIZE;

struct CancelCase {
    const char* name;
    int pollPressed;  // Cancel pressed (twice) just before this poll
    int answer;
    int32_t result;
    size_t blocksInImage;  // 0 with keptFile false: the file is gone
    bool keptFile;
};

TEST(ImageCancel, CreateAsksOncePerPollAndDeletesOnlyAnUnfinishedImage)
{
    const CancelCase cases[] = {
        {"declined: the run goes on", 0, IDNO, 1, 3, true},
        {"confirmed after the first block", 0, IDYES, 0, 0, false},
        {"confirmed with the last block: the complete image wins", 2, IDYES, 1, 3, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SimulatedDrives drives;
        drives.AddWithBytes(0, PatternBytes(kThreeBlocks));
        const std::string image = drives.FilePath("cancel.kvi");
        ScriptedMessages messages;
        messages.Answer(c.answer);
        RecordingProgress progress;
        progress.PressCancelBeforePoll(c.pollPressed, 2);

        ImageHeader header;
        EXPECT_EQ(CreateImage("PHYSICALDRIVE0", image, header), c.result);
        EXPECT_EQ(messages.Shown(), std::vector<ShownMessage>{kAbortCreate});  // two presses, one question
        EXPECT_EQ(std::filesystem::exists(image), c.keptFile);
        if (c.keptFile) {
            EXPECT_EQ(ParseImage(image).expandedSizes.size(), c.blocksInImage);
        }
        const int passes = c.result == 1 ? 3 : c.pollPressed + 1;
        EXPECT_EQ(progress.polls, passes);
        EXPECT_EQ(progress.doEvents, passes);
        EXPECT_EQ(progress.bytes.size(), static_cast<size_t>(passes));
    }
}

TEST(ImageCancel, BarMovesOncePerBlockToItsFullWidth)
{
    SimulatedDrives drives;
    drives.AddWithBytes(0, PatternBytes(kThreeBlocks));
    RecordingProgress progress;
    ImageHeader header;
    ASSERT_EQ(CreateImage("PHYSICALDRIVE0", drives.FilePath("bar.kvi"), header), 1);
    // 247/3 = 82.3333, 164.6667, 247: rounded down to whole pixels.
    EXPECT_EQ(progress.widths, (std::vector<int>{82, 164, 247}));
    EXPECT_EQ(progress.bytes, (std::vector<int64_t>{IMAGE_BLOCK_SIZE, 2 * IMAGE_BLOCK_SIZE, kThreeBlocks}));
}

TEST(ImageCancel, AbortRemovesNothingButTheFileThisRunCreated)
{
    SimulatedDrives drives;
    drives.AddWithBytes(0, PatternBytes(kThreeBlocks));
    const std::string image = drives.FilePath("moved.kvi");
    const Bytes other = {'o', 't', 'h', 'e', 'r'};
    ScriptedMessages messages;
    // While the question is open, someone puts another file at the path.
    messages.Answer(IDYES, [&] {
        std::filesystem::rename(image, drives.FilePath("elsewhere.kvi"));
        WriteFileBytes(image, other);
    });
    RecordingProgress progress;
    progress.PressCancelBeforePoll(0);
    ImageHeader header;
    EXPECT_EQ(CreateImage("PHYSICALDRIVE0", image, header), 0);
    EXPECT_EQ(ReadFileBytes(image), other);
}

TEST(ImageCancel, RestoreStopsAfterTheCurrentBlock)
{
    SimulatedDrives drives;
    const Bytes source = PatternBytes(kThreeBlocks);
    drives.AddWithBytes(0, source);
    drives.Add(1, kThreeBlocks);
    const std::string image = drives.FilePath("restore.kvi");
    ImageHeader header;
    ASSERT_EQ(CreateImage("PHYSICALDRIVE0", image, header), 1);

    ScriptedMessages messages;
    messages.Answer(IDYES).Answer(IDYES);
    RecordingProgress progress;
    progress.PressCancelBeforePoll(0, 2);
    EXPECT_EQ(RestoreImage("PHYSICALDRIVE1", image), 0);
    ASSERT_EQ(messages.Shown().size(), 2u);
    EXPECT_EQ(messages.Shown()[1], kAbortRestore);
    Bytes expected(kThreeBlocks, 0);
    std::copy(source.begin(), source.begin() + IMAGE_BLOCK_SIZE, expected.begin());
    EXPECT_EQ(drives.Bytes(1), expected);
    EXPECT_TRUE(std::filesystem::exists(image));  // a restore never deletes
}

}  // namespace
