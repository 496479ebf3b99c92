// `kvi create`, `restore`, `clone` and `info` on simulated drives.
#include "RunKvi.h"
#include "SimulatedDrives.h"

#include "drive/PhysicalDrive.h"
#include "image/FixedText.h"
#include "image/ImageFile.h"
#include "image/ImageHeader.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

constexpr int64_t MiB = 1024 * 1024;

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// Returns the file offset of every block's length field.
std::vector<int64_t> BlockOffsets(const std::vector<uint8_t>& image)
{
    std::vector<int64_t> offsets;
    size_t at = IMAGE_HEADER_SIZE;
    while (at + 4 <= image.size()) {
        offsets.push_back(static_cast<int64_t>(at));
        const uint32_t length = image[at] | image[at + 1] << 8 | image[at + 2] << 16 | static_cast<uint32_t>(image[at + 3]) << 24;
        at += 4 + length;
    }
    return offsets;
}

class KviImages : public ::testing::Test {
protected:
    void SetUp() override
    {
        drives.AddWithBytes(1, PatternBytes(3 * MiB));
        drives.Add(2, 3 * MiB);
        drives.Add(3, 8192 * MiB, {{"MediaType", "12"}});
        drives.Add(4, 4 * MiB);
        image = drives.FilePath("card.kvi");
    }

    // Creates the image of drive 1 at `image`.
    void CreateImageOfDrive1()
    {
        const KviRun run = RunKvi({"create", "1", image, "--creator", "me", "--description", "two\\nlines"}, drives.Dir());
        ASSERT_EQ(run.status, 0) << run.err;
    }

    KviRun Run(const std::vector<std::string>& args, const std::string& input = "")
    {
        return RunKvi(args, drives.Dir(), input);
    }

    SimulatedDrives drives;
    std::string image;
};

TEST_F(KviImages, CreateInfoRestoreRoundTrip)
{
    const KviRun create = Run({"create", "PHYSICALDRIVE1", image, "--creator", "me", "--description", "two\\nlines"});
    EXPECT_EQ(create.status, 0);
    EXPECT_EQ(create.err, "Korvalith WIN - [Create image]\nImage successfully created.\n\n") << "no progress without a terminal";

    ImageHeader header;
    ASSERT_EQ(ReadImageHeader(image, header), VB_TRUE);
    EXPECT_EQ(CutAtNul(header.Creator), "me");
    EXPECT_EQ(CutAtNul(header.Description), "two\r\nlines");

    const KviRun info = Run({"info", image, "--check"});
    EXPECT_EQ(info.status, 0) << info.out;
    for (const char* line : {"Created with:      Korvalith WIN, v1.1 [Build 21112005]\n",
                             "Drive image size:  3.00 MB\n", "Created by:        me\n",
                             "Description:       two\n                   lines\n",
                             "Geometry:          Cylinders: 6144, Tracks/Cylinder: 1, Sectors/Track: 1, Bytes/Sector: 512\n",
                             "Header:            valid\n", "Blocks:            6\n",
                             "Expanded total:    3145728 bytes of 3145728 (drive size)\n",
                             "Check:             complete and intact\n"})
        EXPECT_TRUE(Has(info.out, line)) << line << "\n" << info.out;

    const KviRun restore = Run({"restore", image, "2"}, "y\n");
    EXPECT_EQ(restore.status, 0) << restore.err;
    EXPECT_TRUE(Has(restore.err, "*** WARNING ***"));
    EXPECT_TRUE(Has(restore.err, "[y/N] y\n"));
    EXPECT_TRUE(Has(restore.err, "Korvalith WIN - [Restore image]\nImage successfully restored.\n"));
    EXPECT_EQ(drives.Bytes(2), drives.Bytes(1));
}

TEST_F(KviImages, CreateAtTheChosenLevel)
{
    std::vector<int64_t> sizes;
    for (const char* level : {"1", "12"}) {
        const std::string path = drives.FilePath(std::string("level") + level + ".kvi");
        const KviRun create = Run({"create", "1", path, "--level", level});
        ASSERT_EQ(create.status, 0) << create.err;
        sizes.push_back(static_cast<int64_t>(ReadFileBytes(path).size()));
        EXPECT_EQ(Run({"info", path, "--check"}).status, 0) << level;
        ASSERT_EQ(Run({"restore", path, "2", "--yes"}).status, 0) << level;
        EXPECT_EQ(drives.Bytes(2), drives.Bytes(1)) << level;
    }
    EXPECT_GT(sizes[0], sizes[1]) << "level 12 stores the drive in fewer bytes than level 1";
}

struct StatusCase {
    const char* what;
    std::vector<std::string> args;  // "IMAGE" is the image of drive 1; other *.kvi files go beside it
    std::string input;
    int status;
    std::string errPart;
};

TEST_F(KviImages, ExitStatusPerOutcome)
{
    CreateImageOfDrive1();
    const std::string text = drives.FilePath("notes.txt");
    WriteFileBytes(text, std::vector<uint8_t>(1000, 'x'));
    drives.Add(5, 3 * MiB, {{"FailOpenForRead", "1"}});
    drives.Add(6, 3 * MiB, {{"EndAt", std::to_string(MiB)}});
    drives.Add(7, 3 * MiB, {{"FailWriteAt", std::to_string(MiB + 5)}});
    drives.AddWithBytes(8, PatternBytes(3 * MiB), {{"FailReadAt", "600000"}});
    const std::vector<StatusCase> cases = {
        {"overwrite declined", {"create", "1", "IMAGE"}, "n\n", 3, "Do you want to overwrite it?"},
        {"overwrite at end of input", {"create", "1", "IMAGE"}, "", 3, "(end of input)"},
        {"fixed drive above the limit", {"create", "3", "IMAGE", "--yes"}, "", 4, "a fixed drive larger than 4096 MB"},
        {"drive not listed", {"create", "9", "IMAGE", "--yes"}, "", 4, "9 is not a listed drive"},
        {"drive does not open", {"create", "5", "new.kvi", "--yes"}, "", 4, "- [ERROR]"},
        {"medium ends early", {"create", "6", "short.kvi"}, "", 1, "Image created with error."},
        {"warning declined", {"restore", "IMAGE", "2"}, "n\n", 3, "THIS WILL DESTROY ALL DATA"},
        {"warning at end of input", {"restore", "IMAGE", "2"}, "", 3, "(end of input)"},
        {"not an image", {"restore", text, "2", "--yes"}, "", 4,
         "Korvalith WIN - [Restore image]\nPlease open an valid image file first.\n"},
        {"missing image", {"restore", "missing.kvi", "2", "--yes"}, "", 4, "Please open an valid image file first."},
        {"other drive, mismatch declined", {"restore", "IMAGE", "4"}, "y\nn\n", 1, "Image restored with error."},
        {"other drive, --yes", {"restore", "IMAGE", "4", "--yes"}, "", 0, "Image successfully restored."},
        // --yes does not go on past errors; --ignore-errors does, and the run
        // still is no success.
        {"write error, --yes", {"restore", "IMAGE", "7", "--yes"}, "", 4, "--yes does not ignore errors"},
        {"write error, --ignore-errors", {"restore", "IMAGE", "7", "--yes", "--ignore-errors"}, "", 1,
         "Image restored with error."},
        {"read error, --yes", {"create", "8", "r.kvi", "--yes"}, "", 4, "Error while reading drive data."},
        {"read error, --ignore-errors", {"create", "8", "r.kvi", "--yes", "--ignore-errors"}, "", 1,
         "kvi: 1 sector (512 bytes) could not be read and is stored as zeros. Sectors at bytes 599,552\n"},
    };
    for (StatusCase c : cases) {
        for (std::string& a : c.args)
            a = a == "IMAGE" ? image : a.ends_with(".kvi") ? drives.FilePath(a) : a;
        const KviRun run = Run(c.args, c.input);
        EXPECT_EQ(run.status, c.status) << c.what << "\n" << run.err;
        EXPECT_TRUE(Has(run.err, c.errPart)) << c.what << "\n" << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(drives.FilePath("new.kvi")));
}

TEST_F(KviImages, ADriveReplacedWhileTheWarningWaitsIsRefused)
{
    CreateImageOfDrive1();
    const std::vector<uint8_t> replacement = PatternBytes(3 * MiB, 9);
    const KviRun run = RunKviStepwise({"restore", image, "2"}, drives.Dir(),
                                      {{"[y/N]",
                                        [&] {
                                            std::filesystem::remove(drives.ImagePath(2));
                                            WriteFileBytes(drives.ImagePath(2), replacement);
                                        },
                                        "y"}});
    EXPECT_EQ(run.status, 4) << run.err;
    EXPECT_TRUE(Has(run.err, "Physical Drive 2 is no longer the disk that was chosen")) << run.err;
    EXPECT_TRUE(drives.Bytes(2) == replacement);
}

struct CheckCase {
    const char* what;
    std::function<void(std::vector<uint8_t>&, const std::vector<int64_t>&)> damage;
    std::string checkLine;  // with the offset of block 2 as {2}
};

TEST_F(KviImages, CheckFindsTheFirstDamagedBlock)
{
    CreateImageOfDrive1();
    const std::vector<uint8_t> intact = ReadFileBytes(image);
    const std::vector<int64_t> offsets = BlockOffsets(intact);
    ASSERT_EQ(offsets.size(), 6u);
    const std::vector<CheckCase> cases = {
        {"cut inside block 2", [](auto& b, auto& o) { b.resize(o[2] + 100); },
         "Check:             block 2 at file offset {2} is cut short by the end of the file\n"},
        {"cut inside the length field of block 2", [](auto& b, auto& o) { b.resize(o[2] + 2); },
         "Check:             block 2 at file offset {2} is cut short by the end of the file\n"},
        {"cut behind block 1", [](auto& b, auto& o) { b.resize(o[2]); },
         "Check:             incomplete: the blocks end before the drive size\n"},
        {"bytes of block 2 overwritten", [](auto& b, auto& o) { std::fill_n(b.begin() + o[2] + 40, 64, 0x55); },
         "Check:             block 2 at file offset {2} is damaged: it does not expand\n"},
        {"length of block 2 out of range", [](auto& b, auto& o) { b[o[2] + 3] = 0x7f; },
         "Check:             block 2 at file offset {2} is length out of range or unreadable\n"},
    };
    for (const CheckCase& c : cases) {
        std::vector<uint8_t> bytes = intact;
        c.damage(bytes, offsets);
        WriteFileBytes(image, bytes);
        std::string line = c.checkLine;
        if (const auto at = line.find("{2}"); at != std::string::npos)
            line.replace(at, 3, std::to_string(offsets[2]));
        const KviRun run = Run({"info", image, "--check"});
        EXPECT_EQ(run.status, 4) << c.what;
        EXPECT_TRUE(Has(run.out, line)) << c.what << "\n" << run.out;
        EXPECT_TRUE(Has(run.out, "Header:            valid\n")) << c.what;
    }
}

TEST_F(KviImages, InfoWithoutCheckAndOnFilesThatAreNoImage)
{
    CreateImageOfDrive1();
    std::vector<uint8_t> cut = ReadFileBytes(image);
    cut.resize(IMAGE_HEADER_SIZE + 10);
    WriteFileBytes(image, cut);
    EXPECT_EQ(Run({"info", image}).status, 0) << "without --check only the header counts";

    const std::string text = drives.FilePath("notes.txt");
    WriteFileBytes(text, std::vector<uint8_t>(1000, 'x'));
    const KviRun notImage = Run({"info", text});
    EXPECT_EQ(notImage.status, 4);
    EXPECT_TRUE(Has(notImage.out, "Header:            not valid"));

    const KviRun missing = Run({"info", drives.FilePath("missing.kvi")});
    EXPECT_EQ(missing.status, 4);
    EXPECT_TRUE(Has(missing.err, "no image header"));
}

TEST_F(KviImages, InfoShowsControlCharactersOfTheHeaderWithoutObeyingThem)
{
    const std::string forged = "ok\r\x1b]0;owned\x07" "Check:             complete and intact\x1b[2K";
    const KviRun made = RunKvi({"create", "1", image, "--creator", "\x1b[31mred", "--description", forged}, drives.Dir());
    ASSERT_EQ(made.status, 0) << made.err;
    const KviRun run = Run({"info", image});
    EXPECT_EQ(run.status, 0);
    for (const char raw : {'\r', '\x1b', '\x07'})
        EXPECT_EQ(run.out.find(raw), std::string::npos) << static_cast<int>(raw) << "\n" << run.out;
    EXPECT_TRUE(Has(run.out, "Created by:        \\x1b[31mred\n")) << run.out;
    EXPECT_TRUE(Has(run.out, "ok\\x0d\\x1b]0;owned\\x07Check:")) << run.out;
}

TEST_F(KviImages, YesAnswersConfirmationsButNotImagingAMountedDrive)
{
    drives.AddWithBytes(5, PatternBytes(MiB), {{"MountedAt", "/media/card"}});
    const KviRun yes = Run({"create", "5", drives.FilePath("m.kvi"), "--yes"});
    EXPECT_EQ(yes.status, 3) << yes.err;
    EXPECT_TRUE(Has(yes.err, "no (--yes does not image a drive mounted for writing; add --mounted-ok for that)")) << yes.err;
    EXPECT_FALSE(std::filesystem::exists(drives.FilePath("m.kvi")));
    const KviRun ok = Run({"create", "5", drives.FilePath("m.kvi"), "--yes", "--mounted-ok"});
    EXPECT_EQ(ok.status, 0) << ok.err;

    drives.AddWithBytes(6, PatternBytes(MiB, 3), {{"MountedAt", "/media/busy"}, {"MountBusy", "1"}});
    const KviRun busy = Run({"restore", drives.FilePath("m.kvi"), "6", "--yes"});
    EXPECT_EQ(busy.status, 4);
    EXPECT_TRUE(Has(busy.err, "/media/busy (on Physical Drive 6) is busy and stays mounted; close the programs")) << busy.err;
    EXPECT_EQ(drives.Bytes(6), PatternBytes(MiB, 3));
}

TEST_F(KviImages, RestoresAreVerifiedAndVerifyComparesWithoutWriting)
{
    CreateImageOfDrive1();
    drives.Add(5, 3 * MiB, {{"SilentCorruptAt", "2000000"}});
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string part;  // in standard error, or with "out:" in standard output
    };
    const std::vector<Case> cases = {
        {{"restore", image, "2", "--yes"}, 0, "kvi: verified: the drive was read back and holds the image (3.00 MB in "},
        {{"restore", image, "5", "--yes"}, 4, "Verification failed: the drive differs from the image at byte 2,000,000."},
        {{"restore", image, "5", "--yes", "--no-verify"}, 0, "Image successfully restored."},
        {{"verify", image, "2"}, 0, "out:The drive holds the image: every byte matches."},
        {{"verify", image, "5"}, 1, "out:The drive differs from the image at byte 2,000,000."},
        {{"verify", drives.FilePath("missing.kvi"), "2"}, 4, "Please open an valid image file first."},
        {{"verify", drives.ImagePath(4), "2"}, 4, "is the medium of a drive"},
    };
    for (const Case& c : cases) {
        const KviRun run = Run(c.args);
        EXPECT_EQ(run.status, c.status) << c.args[0] << " " << c.args[2] << "\n" << run.err;
        const bool inOut = c.part.rfind("out:", 0) == 0;
        EXPECT_TRUE(Has(inOut ? run.out : run.err, inOut ? c.part.substr(4) : c.part)) << run.out << run.err;
    }
    EXPECT_FALSE(Has(Run({"restore", image, "4", "--yes", "--no-verify"}).err, "verified"));
}

TEST_F(KviImages, CloneSwapsThroughTheTemporaryImage)
{
    struct CloneCase {
        std::string input;
        int status;
        std::string errPart;
    };
    const std::vector<CloneCase> cases = {
        {"\ny\n", 0, "Korvalith WIN - [Clone drive]\nDrive successfully cloned.\n"},
        // Cancelling the swap, end of input there, and declining the
        // restore's warning are all a declined question.
        {"c\n", 3, "Korvalith WIN - [Clone drive]\nDrive could not be cloned.\n"},
        {"", 3, "Drive could not be cloned."},
        {"\nn\n", 3, "Drive could not be cloned."},
    };
    for (const CloneCase& c : cases) {
        const KviRun run = Run({"clone", "1"}, c.input);
        EXPECT_EQ(run.status, c.status) << c.input << "\n" << run.err;
        EXPECT_TRUE(Has(run.err, "and insert a new media then press <OK> to continue.\n[OK/cancel]")) << run.err;
        EXPECT_TRUE(Has(run.err, c.errPart)) << run.err;
    }
    EXPECT_EQ(drives.Bytes(1), PatternBytes(3 * MiB));
    for (const auto& entry : std::filesystem::recursive_directory_iterator(drives.Dir()))
        EXPECT_NE(entry.path().filename(), "~Korvalith WIN~.tmp") << "the temporary image is always deleted";
}

}  // namespace
