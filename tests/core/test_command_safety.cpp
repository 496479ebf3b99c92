// What the create and restore commands refuse before any question: image
// paths that are no files, a drive's own medium; and the question before a
// drive mounted for writing is imaged.
#include "drive/PhysicalDrive.h"
#include "image/Commands.h"

#include "ImageTestKit.h"
#include "ScriptedMessages.h"
#include "SimulatedDrives.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int64_t kSize = 1 << 20;

TEST(CommandSafety, ImagePathsThatAreNoFilesAreRefusedBeforeAnyQuestion)
{
    struct Case {
        const char* what;
        bool restore;
        std::function<std::string(SimulatedDrives&)> path;  // makes the path to hand over
        std::string says;
    };
    const std::vector<Case> cases = {
        {"a named pipe", false,
         [](SimulatedDrives& d) {
             const std::string p = d.FilePath("pipe.kvi");
             ::mkfifo(p.c_str(), 0600);
             return p;
         },
         "is a named pipe, not a file"},
        {"a device", false, [](SimulatedDrives&) { return std::string("/dev/null"); }, "is a device, not a file"},
        {"a folder", false, [](SimulatedDrives& d) { return d.Dir(); }, "is a folder, not a file"},
        {"another drive's medium", false, [](SimulatedDrives& d) { return d.ImagePath(1); }, "is the medium of a drive"},
        {"a link to another drive's medium", false,
         [](SimulatedDrives& d) {
             const std::string p = d.FilePath("link.kvi");
             std::filesystem::create_symlink(d.ImagePath(1), p);
             return p;
         },
         "is the medium of a drive"},
        {"a link to nothing", false,
         [](SimulatedDrives& d) {
             const std::string p = d.FilePath("dangling.kvi");
             std::filesystem::create_symlink(d.FilePath("gone/elsewhere.kvi"), p);
             return p;
         },
         "is a link that points nowhere"},
        {"a folder that does not exist", false, [](SimulatedDrives& d) { return d.FilePath("missing/card.kvi"); },
         "does not exist"},
        {"restore from a drive's medium", true, [](SimulatedDrives& d) { return d.ImagePath(1); },
         "is the medium of a drive"},
        {"restore from a device", true, [](SimulatedDrives&) { return std::string("/dev/zero"); }, "is a device"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SimulatedDrives drives;
        drives.AddWithBytes(0, PatternBytes(kSize, 1));
        drives.AddWithBytes(1, PatternBytes(kSize, 2));
        const std::string path = c.path(drives);
        ScriptedMessages messages;
        messages.Answer(IDOK);
        ImageHeader header;
        const int32_t result = c.restore ? RestoreImageCommand("PHYSICALDRIVE0", path)
                                         : CreateImageCommand("PHYSICALDRIVE0", path, header);
        EXPECT_EQ(result, COMMAND_REFUSED);
        ASSERT_EQ(messages.Shown().size(), 1u);
        EXPECT_NE(messages.Shown()[0].prompt.find(c.says), std::string::npos) << messages.Shown()[0].prompt;
        EXPECT_EQ(messages.Shown()[0].buttons, MB_ICONEXCLAMATION);
        EXPECT_TRUE(drives.Bytes(0) == PatternBytes(kSize, 1));
        EXPECT_TRUE(drives.Bytes(1) == PatternBytes(kSize, 2));
    }
}

TEST(CommandSafety, ImagingADriveMountedForWritingIsAskedFirst)
{
    SimulatedDrives drives;
    drives.AddWithBytes(0, PatternBytes(kSize, 1), {{"MountedAt", "/media/card"}});
    const std::string image = drives.FilePath("card.kvi");
    ImageHeader header;
    {
        ScriptedMessages messages;
        messages.Answer(IDNO);
        EXPECT_EQ(CreateImageCommand("PHYSICALDRIVE0", image, header), -1);
        ASSERT_EQ(messages.Shown().size(), 1u);
        EXPECT_EQ(messages.Shown()[0].buttons, 308);
        EXPECT_NE(messages.Shown()[0].prompt.find("mounted for writing (/media/card)"), std::string::npos);
        EXPECT_FALSE(std::filesystem::exists(image));
    }
    ScriptedMessages messages;
    messages.Answer(IDYES).Answer(IDOK);
    EXPECT_EQ(CreateImageCommand("PHYSICALDRIVE0", image, header), 1);
    EXPECT_EQ(messages.Shown().back().prompt, "Image successfully created.");
}

TEST(CommandSafety, ABusyFilesystemKeepsTheRestoreOffTheDrive)
{
    SimulatedDrives drives;
    drives.AddWithBytes(0, PatternBytes(kSize, 1));
    drives.AddWithBytes(1, PatternBytes(kSize, 2), {{"MountedAt", "/media/card"}, {"MountBusy", "1"}});
    const std::string image = drives.FilePath("card.kvi");
    ImageHeader header;
    ScriptedMessages messages;
    messages.Answer(IDOK).Answer(IDYES).Answer(IDOK);
    ASSERT_EQ(CreateImageCommand("PHYSICALDRIVE0", image, header), 1);
    EXPECT_EQ(RestoreImageCommand("PHYSICALDRIVE1", image), -3);
    EXPECT_EQ(messages.Shown().back().prompt,
              "Drive or image access failed.\r\n/media/card (on Physical Drive 1) is busy and stays mounted; close "
              "the programs using it (files open there, a terminal inside it) and try again. Nothing was "
              "written.\r\n\r\nAborting image restore.");
    EXPECT_TRUE(drives.Bytes(1) == PatternBytes(kSize, 2));
}

TEST(CommandSafety, AnUnreadableSectorIsStoredAsZerosAndTheRunIsNoSuccess)
{
    constexpr int64_t kDrive = 3 * (1 << 19) + 4096;  // the last block is short
    SimulatedDrives drives;
    const Bytes content = PatternBytes(kDrive, 4);
    drives.AddWithBytes(0, content, {{"FailReadAt", "600000"}});
    drives.Add(1, kDrive);
    const std::string image = drives.FilePath("card.kvi");
    ScriptedMessages messages;
    messages.Answer(IDYES).Answer(IDOK);  // go on past the read error; the outcome
    ImageHeader header;
    EXPECT_EQ(CreateImageCommand("PHYSICALDRIVE0", image, header), 0);
    ASSERT_EQ(messages.Shown().size(), 2u);
    EXPECT_EQ(messages.Shown()[1].prompt,
              "Image created with error.\r\n1 sector (512 bytes) could not be read and is stored as zeros.");
    EXPECT_EQ(UnreadableSectorsOfLastRun().offsets, std::vector<int64_t>{599552});

    messages.Answer(IDYES).Answer(IDOK);
    EXPECT_EQ(RestoreImageCommand("PHYSICALDRIVE1", image), 1);
    Bytes expected = content;
    std::fill(expected.begin() + 599552, expected.begin() + 599552 + 512, 0);
    EXPECT_TRUE(drives.Bytes(1) == expected);
}

}  // namespace
