// kvi on raw disk images: convert between the formats, info, and how a bad
// image ends a restore.
#include "RunKvi.h"
#include "ShellCommand.h"
#include "SimulatedDrives.h"

#include "drive/PhysicalDrive.h"
#include "image/FixedText.h"
#include "image/ImageFile.h"
#include "image/ImageHeader.h"

#include <gtest/gtest.h>

namespace {

constexpr int64_t MiB = 1024 * 1024;

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class KviRawImages : public ::testing::Test {
protected:
    void SetUp() override
    {
        drives.AddWithBytes(1, PatternBytes(3 * MiB + 5));
        drives.Add(2, 3 * MiB + 5);
    }
    KviRun Run(const std::vector<std::string>& args) { return RunKvi(args, drives.Dir()); }

    SimulatedDrives drives;
};

TEST_F(KviRawImages, ConvertRoundTripsKviXzImg)
{
    const std::string kvi = drives.FilePath("card.kvi");
    const std::string xz = drives.FilePath("card.img.xz");
    const std::string img = drives.FilePath("card.img");
    const std::string again = drives.FilePath("again.kvi");
    ASSERT_EQ(Run({"create", "1", kvi}).status, 0);
    const std::vector<std::vector<std::string>> steps = {
        {"convert", kvi, xz}, {"convert", xz, img}, {"convert", img, again, "--creator", "conv"}};
    for (const std::vector<std::string>& step : steps) {
        const KviRun convert = Run(step);
        ASSERT_EQ(convert.status, 0) << step[1] << " -> " << step[2] << "\n" << convert.err;
        EXPECT_TRUE(Has(convert.err, "Korvalith WIN - [Convert image]\nImage successfully converted.\n"));
    }
    EXPECT_TRUE(RunCommand("xz -dc '" + xz + "' | cmp -s - '" + drives.ImagePath(1) + "'").ok);
    EXPECT_EQ(ReadFileBytes(img), drives.Bytes(1));

    ImageHeader header;
    ASSERT_EQ(ReadImageHeader(again, header), VB_TRUE);
    EXPECT_EQ(CutAtNul(header.Creator), "conv");
    EXPECT_EQ(header.DriveSize, 3 * MiB + 5);
    // A raw image has no geometry: a Linux drive of that size's (6144
    // sectors of 512 bytes and a bit: fewer than one 255 x 63 cylinder).
    EXPECT_EQ(header.SectorsPerTrack, 1u);
    EXPECT_EQ(header.BytesPerSector, 512u);
    ASSERT_EQ(Run({"restore", again, "2", "--yes"}).status, 0);
    EXPECT_EQ(drives.Bytes(2), drives.Bytes(1));
}

TEST_F(KviRawImages, ConvertRefusals)
{
    const std::string img = drives.FilePath("card.img");
    WriteFileBytes(img, PatternBytes(MiB));
    const std::string text = drives.FilePath("notes.txt");
    WriteFileBytes(text, std::vector<uint8_t>(100, 'x'));
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string errPart;
    };
    const std::vector<Case> cases = {
        {{"convert", text, drives.FilePath("n.img")}, 4, "is neither a .kvi image nor a raw disk image."},
        {{"convert", img, img, "--yes"}, 4, "is the image being read. Choose another name for the new image."},
        {{"convert", img, drives.FilePath("x.img.zst"), "--description", "d"}, 2,
         "--creator and --description are kept in .kvi images only"},
        {{"create", "1", drives.FilePath("x.img.gz"), "--creator", "me"}, 2, "is written as a raw disk image"},
    };
    for (const Case& c : cases) {
        const KviRun run = Run(c.args);
        EXPECT_EQ(run.status, c.status) << c.errPart << "\n" << run.err;
        EXPECT_TRUE(Has(run.err, c.errPart)) << run.err;
    }
    EXPECT_EQ(ReadFileBytes(img), PatternBytes(MiB));
}

TEST_F(KviRawImages, InfoOfARawImage)
{
    const std::string zst = drives.FilePath("card.img.zst");
    ASSERT_EQ(Run({"create", "1", zst}).status, 0);
    const KviRun info = Run({"info", zst, "--check"});
    EXPECT_EQ(info.status, 0) << info.out;
    for (const char* line : {"Created with:      Raw disk image, zstd compressed\n", "Drive image size:  3.00 MB\n",
                             "Drive size:        3145733 bytes\n", "Expanded total:    3145733 bytes\n",
                             "Check:             complete and intact\n"})
        EXPECT_TRUE(Has(info.out, line)) << line << "\n" << info.out;

    std::vector<uint8_t> cut = ReadFileBytes(zst);
    cut.resize(cut.size() / 2);
    WriteFileBytes(zst, cut);
    EXPECT_EQ(Run({"info", zst}).status, 0) << "without --check only what the file states counts";
    const KviRun check = Run({"info", zst, "--check"});
    EXPECT_EQ(check.status, 4);
    EXPECT_TRUE(Has(check.out, "Check:             '" + zst + "': the zstd data is damaged, cut short")) << check.out;
}

TEST_F(KviRawImages, ABadImageEndsTheRestoreWithStatus4)
{
    const std::string xz = drives.FilePath("card.img.xz");
    ASSERT_EQ(Run({"create", "1", xz}).status, 0);
    std::vector<uint8_t> bytes = ReadFileBytes(xz);
    bytes.resize(bytes.size() - 100);
    WriteFileBytes(xz, bytes);
    const KviRun restore = Run({"restore", xz, "2", "--yes"});
    EXPECT_EQ(restore.status, 4);
    EXPECT_TRUE(Has(restore.err, "Error while uncompressing image data.\n'" + xz + "': the xz data is damaged")) << restore.err;
    EXPECT_FALSE(Has(restore.err, "successfully"));
}

}  // namespace
