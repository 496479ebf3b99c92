// A drive is the disk the user chose, not a position in a list: which drive
// a rebuilt list selects, a disk replaced while a question waits, and the
// disk named in the questions before it is overwritten.
#include "drive/DriveSelection.h"
#include "drive/PhysicalDrive.h"
#include "image/CloneDrive.h"
#include "image/CreateImage.h"
#include "image/RestoreImage.h"

#include "ImageTestKit.h"
#include "ScriptedMessages.h"
#include "SimulatedDrives.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

platform::DriveIdentity Disk(uint64_t device)
{
    platform::DriveIdentity identity;
    identity.device = device;
    identity.size = 1 << 20;
    return identity;
}

TEST(DriveSelection, FollowsTheDiskNotTheNumber)
{
    const auto a = Disk(1), b = Disk(2), c = Disk(3), reader = Disk(4), stick = Disk(5);
    struct Case {
        const char* what;
        std::vector<ListedDrive> now;
        std::vector<platform::DriveIdentity> previous;
        std::optional<platform::DriveIdentity> selected;
        std::vector<std::string> oldTexts;
        int expected;
    };
    const std::vector<Case> cases = {
        {"start-up: the first candidate", {{reader, "Physical Drive 0", false}, {a, "Physical Drive 1", true}, {b, "Physical Drive 2", true}},
         {}, std::nullopt, {}, 1},
        {"a stick sorting first is new: selected",
         {{stick, "Physical Drive 0", true}, {a, "Physical Drive 1", true}, {b, "Physical Drive 2", true}},
         {a, b}, b, {"Physical Drive 0", "Physical Drive 1"}, 0},
        {"an empty reader sorting first: the selected disk under its new number",
         {{reader, "Physical Drive 0", false}, {a, "Physical Drive 1", true}, {b, "Physical Drive 2", true}},
         {a, b}, a, {"Physical Drive 0", "Physical Drive 1"}, 1},
        {"a disk before it removed: the selected disk under its new number",
         {{b, "Physical Drive 0", true}, {c, "Physical Drive 1", true}}, {a, b, c}, c,
         {"Physical Drive 0", "Physical Drive 1", "Physical Drive 2"}, 1},
        {"a selected disk that is no candidate stays selected",
         {{a, "Physical Drive 0", true}, {reader, "Physical Drive 1", false}}, {a, reader, b}, reader,
         {"Physical Drive 0", "Physical Drive 1", "Physical Drive 2"}, 1},
        {"the selected disk gone: the last candidate in place",
         {{a, "Physical Drive 0", true}, {b, "Physical Drive 1", true}, {reader, "Physical Drive 2", false}},
         {a, b, reader, c}, c, {"Physical Drive 0", "Physical Drive 1", "Physical Drive 2", "Physical Drive 3"}, 1},
        {"the selected disk gone: the first candidate not in place",
         {{a, "Physical Drive 0", true}, {b, "Physical Drive 1", true}}, {a, c, b}, c,
         {"Physical Drive 0", "Physical Drive 5", "Physical Drive 1"}, 1},
        {"no candidate: position 0", {{reader, "Physical Drive 0", false}}, {reader, a}, a,
         {"Physical Drive 0", "Physical Drive 1"}, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseDriveSelection(c.now, c.previous, c.selected, c.oldTexts), c.expected) << c.what;
}

// Another file put in place of the drive's file: same name, another disk.
void ReplaceDriveFile(const SimulatedDrives& drives, int n, const Bytes& bytes)
{
    std::filesystem::remove(drives.ImagePath(n));
    WriteFileBytes(drives.ImagePath(n), bytes);
}

TEST(DriveIdentity, ADiskReplacedWhileTheQuestionWaitsIsNotTouched)
{
    constexpr int64_t kSize = 1 << 20;
    const Bytes replacement = PatternBytes(kSize, 5);
    struct Case {
        const char* what;
        bool restore;
    };
    for (const Case& c : {Case{"restore, replaced during the warning", true},
                          Case{"create, replaced during the overwrite question", false}}) {
        SCOPED_TRACE(c.what);
        SimulatedDrives drives;
        drives.AddWithBytes(0, PatternBytes(kSize, 1));
        const std::string image = drives.FilePath("card.kvi");
        ImageHeader header;
        {
            ScriptedMessages quiet;
            ASSERT_EQ(CreateImage("PHYSICALDRIVE0", image, header), 1);
        }
        const Bytes imageBefore = ReadFileBytes(image);
        ScriptedMessages messages;
        messages.Answer(IDYES, [&] { ReplaceDriveFile(drives, 0, replacement); }).Answer(IDOK);
        const int32_t result = c.restore ? RestoreImage("PHYSICALDRIVE0", image) : CreateImage("PHYSICALDRIVE0", image, header);
        EXPECT_EQ(result, -2);
        EXPECT_EQ(messages.Shown().back().prompt,
                  "Can't read drive information.\r\nPhysical Drive 0 is no longer the disk that was chosen (another "
                  "disk or medium took its place); nothing was written to it. Check the drive list and choose "
                  "again.\r\n\r\nAborting image " +
                      std::string(c.restore ? "restore." : "creation."));
        EXPECT_TRUE(drives.Bytes(0) == replacement);
        EXPECT_TRUE(ReadFileBytes(image) == imageBefore);
    }
}

TEST(DriveIdentity, QuestionsBeforeOverwritingNameARealDisk)
{
    SimulatedDrives drives;
    drives.Add(0, 1 << 20);
    drives.Add(1, 1 << 20, {{"SectorsPerTrack", "32"}});
    drives.LookReal();
    const std::string disk = drives.ImagePath(1) + " \xE2\x80\x94 Simulated drive \xE2\x80\x94 1.00 MB";
    const std::string image = drives.FilePath("card.kvi");
    ImageHeader header;
    ScriptedMessages messages;
    ASSERT_EQ(CreateImage("PHYSICALDRIVE0", image, header), 1);
    messages.Answer(IDYES).Answer(IDNO);
    EXPECT_EQ(RestoreImage("PHYSICALDRIVE1", image), 0);
    ASSERT_EQ(messages.Shown().size(), 2u);
    EXPECT_TRUE(messages.Shown()[0].prompt.ends_with("Do you really want to continue?\r\n\r\n" + disk))
        << messages.Shown()[0].prompt;
    EXPECT_TRUE(messages.Shown()[1].prompt.ends_with("Do you really want to continue?\r\n\r\n" + disk))
        << messages.Shown()[1].prompt;
}

TEST(DriveIdentity, ACloneRestoresOntoTheMediumPutInDuringTheSwap)
{
    constexpr int64_t kSize = 1 << 20;
    SimulatedDrives drives;
    const Bytes original = PatternBytes(kSize, 3);
    drives.AddWithBytes(0, original);
    ScriptedMessages messages;
    // A new medium is a new disk: the old record must not be written, the
    // disk now in the drive is.
    messages.Answer(IDOK, [&] { ReplaceDriveFile(drives, 0, Bytes(kSize, 0)); }).Answer(IDYES).Answer(IDOK);
    EXPECT_EQ(CloneDrive("PHYSICALDRIVE0", "Physical Drive 0"), 1);
    EXPECT_EQ(messages.Shown().back().prompt, "Drive successfully cloned.");
    EXPECT_TRUE(drives.Bytes(0) == original);
}

}  // namespace
