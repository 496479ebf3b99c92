// The create and restore commands around the engine, shared by the window
// and kvi, and the panel's header texts.
#include "ScriptedMessages.h"
#include "SimulatedDrives.h"
#include "drive/PhysicalDrive.h"
#include "image/FixedText.h"
#include "image/Commands.h"
#include "image/ImageFile.h"
#include "image/ImageSummary.h"

#include <gtest/gtest.h>

namespace {

const std::string kCreate = "Korvalith WIN - [Create image]";
const std::string kRestore = "Korvalith WIN - [Restore image]";

class ImageCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        drives.AddWithBytes(1, PatternBytes(1 << 20));
        drives.Add(2, 1 << 19);
        image = drives.FilePath("card.kvi");
    }
    // Records when afterRun ran: the number of boxes shown by then.
    std::function<void()> AfterRun()
    {
        return [this] { afterRunAt = static_cast<int>(messages.Shown().size()); };
    }
    SimulatedDrives drives;
    ScriptedMessages messages;
    std::string image;
    int afterRunAt = -1;
};

TEST_F(ImageCommands, NoImagePathStopsBeforeTheEngine)
{
    messages.Answer(IDOK).Answer(IDOK);
    ImageHeader header = NewImageHeader("c", "d");
    EXPECT_EQ(CreateImageCommand("PHYSICALDRIVE1", "", header, AfterRun()), COMMAND_REFUSED);
    EXPECT_EQ(RestoreImageCommand("PHYSICALDRIVE2", "", AfterRun()), COMMAND_REFUSED);
    EXPECT_EQ(messages.Shown(), (std::vector<ShownMessage>{{"Please open or create an image file first.", 64, kCreate},
                                                           {"Please open an image file first.", 64, kRestore}}));
    EXPECT_EQ(afterRunAt, -1);
}

TEST_F(ImageCommands, CreateStoresTheTextsCutToWidthAndTellsAfterTheRun)
{
    messages.Answer(IDOK);
    const std::string creator(40, 'c');
    ImageHeader header = NewImageHeader(creator, "one\ntwo\r\nthree");
    EXPECT_EQ(CreateImageCommand("PHYSICALDRIVE1", image, header, AfterRun()), 1);
    EXPECT_EQ(afterRunAt, 0) << "the caller's step runs before the message";
    EXPECT_EQ(messages.Shown(), (std::vector<ShownMessage>{{"Image successfully created.", 64, kCreate}}));
    ImageHeader stored;
    ASSERT_EQ(ReadImageHeader(image, stored), VB_TRUE);
    EXPECT_EQ(CutAtNul(stored.Creator), std::string(32, 'c'));
    EXPECT_EQ(CutAtNul(stored.Description), "one\r\ntwo\r\nthree");
}

TEST_F(ImageCommands, DeclinedFirstQuestionAddsNothing)
{
    WriteFileBytes(image, {1, 2, 3});
    messages.Answer(IDNO);
    ImageHeader header = NewImageHeader("", "");
    EXPECT_EQ(CreateImageCommand("PHYSICALDRIVE1", image, header, AfterRun()), -1);
    EXPECT_EQ(messages.Shown().size(), 1u);
    EXPECT_EQ(afterRunAt, -1);
}

TEST_F(ImageCommands, RestoreRefusesWhatIsNoValidImage)
{
    WriteFileBytes(drives.FilePath("text.kvi"), std::vector<uint8_t>(1000, 'x'));
    for (const std::string& path : {drives.FilePath("text.kvi"), drives.FilePath("missing.kvi")}) {
        ScriptedMessages box;
        box.Answer(IDOK);
        EXPECT_EQ(RestoreImageCommand("PHYSICALDRIVE2", path, AfterRun()), COMMAND_REFUSED);
        EXPECT_EQ(box.Shown(), (std::vector<ShownMessage>{{"Please open an valid image file first.", 64, kRestore}}));
    }
    EXPECT_EQ(afterRunAt, -1);
}

TEST_F(ImageCommands, RestoreEndedEarlyTellsWithError)
{
    // create's outcome, then the restore's warning, mismatch question, outcome
    messages.Answer(IDOK).Answer(IDYES).Answer(IDNO).Answer(IDOK);
    ImageHeader header = NewImageHeader("", "");
    ASSERT_EQ(CreateImageCommand("PHYSICALDRIVE1", image, header), 1);
    EXPECT_EQ(RestoreImageCommand("PHYSICALDRIVE2", image, AfterRun()), 0);
    EXPECT_EQ(afterRunAt, 3);
    EXPECT_EQ(messages.Shown().back(), (ShownMessage{"Image restored with error.", 48, kRestore}));
}

TEST(ImageSummary, CreatedWithAndDriveImageSizeTexts)
{
    ImageHeader header;
    InitImageHeader(header);
    EXPECT_EQ(ImageCreatedWithText(header), "Korvalith WIN, v1.1 [Build 21112005]");
    header.Version = 0x020A;
    EXPECT_EQ(ImageCreatedWithText(header), "Korvalith WIN, v2.10 [Build 21112005]");

    const std::vector<std::pair<int64_t, std::string>> sizes = {
        {2147483648LL, "2.00 GB"}, {1000000000, "953.67 MB"}, {512000, "500.00 kB"},
        {1048576, "1.00 MB"},      {524288, "512.00 kB"},     {1073741824, "1.00 GB"},
    };
    for (const auto& [bytes, text] : sizes)
        EXPECT_EQ(ImageDriveSizeText(bytes), text) << bytes;
    EXPECT_EQ(ImageDriveSizeText(1000000000, ","), "953,67 MB");
}

}  // namespace
