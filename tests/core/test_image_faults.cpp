// Every result code of CreateImage and RestoreImage, with the exact boxes.
#include "drive/PhysicalDrive.h"
#include "image/CreateImage.h"
#include "image/EngineThreads.h"
#include "image/KviCodec.h"
#include "image/RestoreImage.h"

#include "ImageTestKit.h"
#include "ScriptedMessages.h"
#include "SimulatedDrives.h"

#include <csignal>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

const std::string kCreate = "Korvalith WIN - [Create image]";
const std::string kRestore = "Korvalith WIN - [Restore image]";
const std::string kError = "Korvalith WIN - [ERROR]";
const std::string kImage = "%IMAGE%";  // stands for the case's image path

const ShownMessage kOverwrite{"File '" + kImage + "' already exists.\r\n\r\nDo you want to overwrite it?", 308, kCreate};
const ShownMessage kReadError{"Can't read requested drive data.\r\n\r\nDo you want to ignore the read error and continue?",
                              308, kCreate};
const ShownMessage kWarning{"*** WARNING *** WARNING *** WARNING ***\r\n\r\nYou are about to restore an image.\r\n\r\n"
                            "THIS WILL DESTROY ALL DATA ON THE SELECTED DRIVE!\r\n\r\nDo you really want to continue?",
                            308, kRestore};
const ShownMessage kMismatch{"The selected image file does not match to the destination drive.\r\nIf you continue, the "
                             "drive may report wrong size or even may be unreadable!\r\n\r\nDo you really want to continue?",
                             308, kRestore};
const ShownMessage kWriteError{"Can't write requested drive data.\r\n\r\nDo you want to ignore the write error and continue?",
                               308, kRestore};

ShownMessage CreateFailed(const std::string& reason)
{
    return {reason + "\r\n\r\nAborting image creation.", 16, kError};
}
ShownMessage RestoreFailed(const std::string& reason)
{
    return {reason + "\r\n\r\nAborting image restore.", 16, kError};
}

constexpr int64_t MiB = 1 << 20;

struct Scene {
    SimulatedDrives& drives;
    std::string image;  // the path handed to the routine

    // Drive 0 of `size` pattern bytes; an image of it in `image` built from
    // the given blocks (all of drive 0 when none are given).
    Bytes Source(int64_t size, const std::map<std::string, std::string>& ini = {})
    {
        Bytes bytes = PatternBytes(static_cast<size_t>(size), 5);
        drives.AddWithBytes(0, bytes, ini);
        return bytes;
    }
    std::vector<Bytes> BlocksOf(const Bytes& data)
    {
        std::vector<Bytes> blocks;
        for (size_t at = 0; at < data.size(); at += IMAGE_BLOCK_SIZE) {
            const Bytes slice(data.begin() + static_cast<long>(at),
                              data.begin() + static_cast<long>(std::min(data.size(), at + IMAGE_BLOCK_SIZE)));
            const Bytes stream = Deflate(slice);
            blocks.push_back(Framed(static_cast<int32_t>(stream.size()), stream));
        }
        return blocks;
    }
    // An image for drive 1 (a zeroed drive of `size` bytes): header of drive
    // 1 with the given change, then the blocks.
    void ImageForDrive1(int64_t size, const std::vector<Bytes>& blocks, std::function<void(ImageHeader&)> change = {},
                        const std::map<std::string, std::string>& ini = {})
    {
        drives.Add(1, size, ini);
        ImageHeader h = HeaderForDrive(1);
        if (change)
            change(h);
        WriteFileBytes(image, ImageBytes(h, blocks));
    }
    // An image of drive 0 (1 MiB) for a drive 1 of the same size that
    // differs only in SectorsPerTrack.
    void ImageOfDrive0OnOtherGeometry()
    {
        const Bytes source = Source(MiB);
        drives.Add(1, MiB, {{"SectorsPerTrack", "32"}});
        WriteFileBytes(image, ImageBytes(HeaderForDrive(0), BlocksOf(source)));
    }
};

struct FaultCase {
    const char* name;
    bool restore;  // RestoreImage onto PHYSICALDRIVE1, else CreateImage of PHYSICALDRIVE0
    std::function<void(Scene&)> prepare;
    std::vector<int> answers;
    int32_t result;
    std::vector<ShownMessage> boxes;
    std::function<void(Scene&)> check = {};
    rlim_t fileSizeLimit = RLIM_INFINITY;  // for image writes that must fail
    bool compressionFails = false;
};

// Returns the drive bytes expected after a restore of `blocks` source bytes.
Bytes Expected(const Bytes& source, int64_t driveSize, std::initializer_list<std::pair<int64_t, int64_t>> written)
{
    Bytes out(static_cast<size_t>(driveSize), 0);
    for (const auto& [from, to] : written)
        std::copy(source.begin() + from, source.begin() + to, out.begin() + from);
    return out;
}

const Bytes kKeep = {'k', 'e', 'e', 'p'};

std::vector<FaultCase> Cases()
{
    return {
        // ---- CreateImage ----
        {"create: overwrite declined", false,
         [](Scene& s) { s.Source(MiB); WriteFileBytes(s.image, kKeep); }, {IDNO}, -1, {kOverwrite},
         [](Scene& s) { EXPECT_EQ(ReadFileBytes(s.image), kKeep); }},
        {"create: overwrite question not shown (0)", false,
         [](Scene& s) { s.Source(MiB); WriteFileBytes(s.image, kKeep); }, {}, -1, {kOverwrite},
         [](Scene& s) { EXPECT_EQ(ReadFileBytes(s.image), kKeep); }},
        {"create: no medium", false, [](Scene& s) { s.Source(MiB, {{"NoMedium", "1"}}); }, {}, -2,
         {CreateFailed("Can't read drive information.")},
         [](Scene& s) { EXPECT_FALSE(std::filesystem::exists(s.image)); }},
        {"create: drive reports a negative size", false, [](Scene& s) { s.Source(MiB, {{"Capacity", "-1"}}); }, {}, -2,
         {CreateFailed("Can't read drive information.")},
         [](Scene& s) { EXPECT_FALSE(std::filesystem::exists(s.image)); }},
        {"create: drive does not open, existing file kept", false,
         [](Scene& s) { s.Source(MiB, {{"FailOpenForRead", "1"}}); WriteFileBytes(s.image, kKeep); }, {IDYES}, -3,
         {kOverwrite, CreateFailed("Drive or image access failed.")},
         [](Scene& s) { EXPECT_EQ(ReadFileBytes(s.image), kKeep); }},
        {"create: image folder missing", false,
         [](Scene& s) { s.Source(MiB); s.image = s.drives.FilePath("missing/x.kvi"); }, {}, -3,
         {CreateFailed("Drive or image access failed.")}},
        {"create: header write fails", false, [](Scene& s) { s.Source(MiB); WriteFileBytes(s.image, kKeep); }, {IDYES}, -4,
         {kOverwrite, CreateFailed("Error while writing image header.")}, {}, 100},
        {"create: read error not ignored", false,
         [](Scene& s) { s.Source(MiB, {{"FailReadAt", "600000"}}); }, {IDNO}, -5,
         {kReadError, CreateFailed("Error while reading drive data.")},
         [](Scene& s) { EXPECT_EQ(ParseImage(s.image).expandedSizes, std::vector<int64_t>{IMAGE_BLOCK_SIZE}); }},
        {"create: read error ignored, the rest of the drive read on", false,
         [](Scene& s) { s.Source(MiB, {{"FailReadAt", "600000"}}); }, {IDYES}, 0, {kReadError},
         [](Scene& s) {
             EXPECT_EQ(ParseImage(s.image).expandedSizes, (std::vector<int64_t>{IMAGE_BLOCK_SIZE, IMAGE_BLOCK_SIZE}));
         }},
        {"create: medium ends early", false, [](Scene& s) { s.Source(MiB, {{"EndAt", "600000"}}); }, {}, 0, {},
         [](Scene& s) {
             const ParsedImage p = ParseImage(s.image);
             EXPECT_TRUE(p.wellFormed);
             EXPECT_EQ(p.expandedSizes, (std::vector<int64_t>{IMAGE_BLOCK_SIZE, 600000 - IMAGE_BLOCK_SIZE}));
         }},
        {"create: compression fails", false, [](Scene& s) { s.Source(MiB); }, {}, -8,
         {CreateFailed("Error while compressing image data.")},
         [](Scene& s) { EXPECT_EQ(ReadFileBytes(s.image).size(), IMAGE_HEADER_SIZE); }, RLIM_INFINITY, true},
        {"create: length field write fails", false, [](Scene& s) { s.Source(MiB); }, {}, -6,
         {CreateFailed("Error while writing image data.")}, {}, IMAGE_HEADER_SIZE},
        {"create: block write fails", false, [](Scene& s) { s.Source(MiB); }, {}, -7,
         {CreateFailed("Error while writing image data.")}, {}, IMAGE_HEADER_SIZE + 4 + 100},

        // ---- RestoreImage ----
        {"restore: warning declined", true,
         [](Scene& s) { s.ImageForDrive1(MiB, s.BlocksOf(s.Source(MiB))); }, {IDNO}, -1, {kWarning},
         [](Scene& s) { EXPECT_EQ(s.drives.Bytes(1), Bytes(MiB, 0)); }},
        {"restore: warning not shown (0)", true,
         [](Scene& s) { s.ImageForDrive1(MiB, s.BlocksOf(s.Source(MiB))); }, {}, -1, {kWarning},
         [](Scene& s) { EXPECT_EQ(s.drives.Bytes(1), Bytes(MiB, 0)); }},
        {"restore: no medium", true,
         [](Scene& s) { s.ImageForDrive1(MiB, s.BlocksOf(s.Source(MiB)), {}, {{"NoMedium", "1"}}); }, {IDYES}, -2,
         {kWarning, RestoreFailed("Can't read drive information.")}},
        {"restore: image missing", true, [](Scene& s) { s.drives.Add(1, MiB); }, {IDYES}, -3,
         {kWarning, RestoreFailed("Drive or image access failed.")}},
        {"restore: drive does not open", true,
         [](Scene& s) { s.ImageForDrive1(MiB, s.BlocksOf(s.Source(MiB)), {}, {{"FailOpenForWrite", "1"}}); },
         {IDYES}, -3, {kWarning, RestoreFailed("Drive or image access failed.")}},
        {"restore: image shorter than a header", true,
         [](Scene& s) { s.drives.Add(1, MiB); WriteFileBytes(s.image, Bytes(383, 0)); }, {IDYES}, -4,
         {kWarning, RestoreFailed("Error while reading image header.")}},
        {"restore: length field cut short", true,
         [](Scene& s) { s.ImageForDrive1(MiB, {Bytes{0x10, 0x00}}); }, {IDYES}, -5,
         {kWarning, RestoreFailed("Error while reading image data.")}},
        {"restore: negative block length", true,
         [](Scene& s) { s.ImageForDrive1(MiB, {Framed(-1, Bytes(64, 0))}); }, {IDYES}, -6,
         {kWarning, RestoreFailed("Error while reading image data.")}},
        {"restore: block length beyond 589,823", true,
         [](Scene& s) { s.ImageForDrive1(MiB, {Framed(589824, Bytes(589824, 0))}); }, {IDYES}, -6,
         {kWarning, RestoreFailed("Error while reading image data.")},
         [](Scene& s) { EXPECT_EQ(s.drives.Bytes(1), Bytes(MiB, 0)); }},
        {"restore: write error not ignored", true,
         [](Scene& s) { s.ImageForDrive1(MiB, s.BlocksOf(s.Source(MiB)), {}, {{"FailWriteAt", "600000"}}); },
         {IDYES, IDNO}, -7, {kWarning, kWriteError, RestoreFailed("Error while writing drive data.")},
         [](Scene& s) { EXPECT_EQ(s.drives.Bytes(1), Expected(s.drives.Bytes(0), MiB, {{0, IMAGE_BLOCK_SIZE}})); }},
        {"restore: write error ignored, later blocks at their own offsets, not a success", true,
         [](Scene& s) { s.ImageForDrive1(3 * IMAGE_BLOCK_SIZE, s.BlocksOf(s.Source(3 * IMAGE_BLOCK_SIZE)), {},
                                         {{"FailWriteAt", "600000"}}); },
         {IDYES, IDYES}, 0, {kWarning, kWriteError},
         [](Scene& s) {
             EXPECT_EQ(s.drives.Bytes(1), Expected(s.drives.Bytes(0), 3 * IMAGE_BLOCK_SIZE,
                                                   {{0, IMAGE_BLOCK_SIZE}, {2 * IMAGE_BLOCK_SIZE, 3 * IMAGE_BLOCK_SIZE}}));
         }},
        {"restore: corrupt zlib stream", true,
         [](Scene& s) {
             Bytes stream = Deflate(Bytes(1000, 1));
             stream[stream.size() / 2] ^= 0xFF;
             stream.back() ^= 0xFF;
             s.ImageForDrive1(MiB, {Framed(static_cast<int32_t>(stream.size()), stream)});
         },
         {IDYES}, -8, {kWarning, RestoreFailed("Error while uncompressing image data.")}},
        {"restore: block expanding past 589,823", true,
         [](Scene& s) {
             const Bytes stream = Deflate(Bytes(589824, 0));
             s.ImageForDrive1(MiB, {Framed(static_cast<int32_t>(stream.size()), stream)});
         },
         {IDYES}, -8, {kWarning, RestoreFailed("Error while uncompressing image data.")},
         [](Scene& s) { EXPECT_EQ(s.drives.Bytes(1), Bytes(MiB, 0)); }},
        {"restore: block cut short by the end of the file", true,
         [](Scene& s) {
             const Bytes stream = Deflate(PatternBytes(1000));
             s.ImageForDrive1(MiB, {Framed(static_cast<int32_t>(stream.size()) + 10, stream)});
         },
         {IDYES}, -8, {kWarning, RestoreFailed("Error while uncompressing image data.")}},
        {"restore: mismatch declined", true,
         [](Scene& s) { s.ImageOfDrive0OnOtherGeometry(); },
         {IDYES, IDNO}, 0, {kWarning, kMismatch},
         [](Scene& s) { EXPECT_EQ(s.drives.Bytes(1), Bytes(MiB, 0)); }},
        {"restore: mismatch accepted", true,
         [](Scene& s) { s.ImageOfDrive0OnOtherGeometry(); },
         {IDYES, IDYES}, 1, {kWarning, kMismatch},
         [](Scene& s) { EXPECT_EQ(s.drives.Bytes(1), s.drives.Bytes(0)); }},
        {"restore: image truncated after its header", true, [](Scene& s) { s.ImageForDrive1(MiB, {}); }, {IDYES}, 0,
         {kWarning}, [](Scene& s) { EXPECT_EQ(s.drives.Bytes(1), Bytes(MiB, 0)); }},
        {"restore: header only, DriveSize 0", true, [](Scene& s) { s.ImageForDrive1(0, {}); }, {IDYES}, 1, {kWarning}},
        {"restore: DriveSize smaller than the blocks hold", true,
         [](Scene& s) {
             s.ImageForDrive1(2 * MiB, s.BlocksOf(s.Source(3 * IMAGE_BLOCK_SIZE)),
                              [](ImageHeader& h) { h.DriveSize = 600000; });
         },
         {IDYES, IDYES}, 1, {kWarning, kMismatch},
         [](Scene& s) {
             // Two blocks reach 600,000 bytes; the third is not read.
             EXPECT_EQ(s.drives.Bytes(1), Expected(s.drives.Bytes(0), 2 * MiB, {{0, 2 * IMAGE_BLOCK_SIZE}}));
         }},
    };
}

// Limits the size of files this process writes; SIGXFSZ is ignored, so a
// write past the limit fails with EFBIG instead of ending the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit now = old_;
        now.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &now);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

// The .kvi codec with a compressor that always fails, installed while it
// lives; expanding is the real codec's.
class FailingCompression : public BlockCodec {
public:
    explicit FailingCompression(bool fail) : real_(KviCodec())
    {
        if (fail)
            InstallKviCodec(this);
    }
    ~FailingCompression() override { InstallKviCodec(nullptr); }
    int64_t Compress(const uint8_t*, size_t, uint8_t*, size_t) const override { return -1; }
    int64_t Expand(const uint8_t* in, size_t length, uint8_t* out, size_t room) const override
    {
        return real_.Expand(in, length, out, room);
    }

private:
    const BlockCodec& real_;
};

// The same table for one thread, for a pipeline of one coder (the reader
// and the coder run a block apart) and for several coders.
class ImageFaults : public ::testing::TestWithParam<int> {};

TEST_P(ImageFaults, EveryResultCodeWithItsBoxes)
{
    EngineThreadsFor threads(GetParam());
    const int threadsBefore = ThreadCount();
    for (const FaultCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        SimulatedDrives drives;
        Scene setup{drives, drives.FilePath("image.kvi")};
        c.prepare(setup);
        ScriptedMessages messages;
        for (int answer : c.answers)
            messages.Answer(answer);
        RecordingProgress progress;

        int32_t result = 99;
        {
            FileSizeLimit limit(c.fileSizeLimit);
            FailingCompression compression(c.compressionFails);
            ImageHeader header;
            result = c.restore ? RestoreImage("PHYSICALDRIVE1", setup.image) : CreateImage("PHYSICALDRIVE0", setup.image, header);
        }
        EXPECT_EQ(result, c.result);

        std::vector<ShownMessage> expected = c.boxes;
        for (auto& box : expected)
            if (const auto at = box.prompt.find(kImage); at != std::string::npos)
                box.prompt.replace(at, kImage.size(), setup.image);
        EXPECT_EQ(messages.Shown(), expected);
        EXPECT_EQ(messages.Pending(), 0u);

        // The dialog is shown from the drive check on, and gone before an error box.
        const bool beforeDialog = c.result == -1 || c.result == -2;
        EXPECT_EQ(progress.Opened(), !beforeDialog);
        EXPECT_EQ(std::count(progress.events.begin(), progress.events.end(), "close"), beforeDialog ? 0 : 1);
        if (c.result <= -2) {
            ASSERT_FALSE(progress.events.empty());
            EXPECT_EQ(progress.events.back(), "box:16");
            if (!beforeDialog) {
                EXPECT_EQ(progress.events.end()[-2], "close") << "the dialog must be gone before the error box";
            }
        }
        if (c.check)
            c.check(setup);
        EXPECT_TRUE(ThreadsBackTo(threadsBefore)) << "a thread of the run outlived it";
    }
}

INSTANTIATE_TEST_SUITE_P(Threads, ImageFaults, ::testing::Values(ENGINE_SINGLE_THREAD, 1, 4),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == ENGINE_SINGLE_THREAD ? std::string("SingleThread")
                                                                       : std::to_string(info.param) + "Coders";
                         });

}  // namespace
