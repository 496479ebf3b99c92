// Raw disk images: every writer and reader round trip, the standard tools
// reading what the writers make, the size rule, and bad input.
#include "drive/PhysicalDrive.h"
#include "image/Commands.h"
#include "image/CreateImage.h"
#include "image/EngineThreads.h"
#include "image/ImageFormats.h"
#include "image/ReadBack.h"
#include "image/RestoreImage.h"

#include "ImageTestKit.h"
#include "ScriptedMessages.h"
#include "ShellCommand.h"
#include "SimulatedDrives.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int64_t MiB = 1 << 20;

std::string Quote(const std::string& path)
{
    return "'" + path + "'";
}

// Returns the command that expands an image of this extension to standard
// output with the format's own tool; "" for a format without one.
std::string ToolExpanding(const std::string& extension)
{
    if (extension == ".img.gz")
        return "gzip -dc";
    if (extension == ".img.xz")
        return "xz -dc";
    if (extension == ".img.zst")
        return "zstd -dcq";
    return {};
}

// Returns true when, in each phase of the run (a restore's writing, then
// its check), the bar moved forward only and ended full.
bool BarRanToTheEnd(const RecordingProgress& progress)
{
    std::vector<std::vector<int>> phases(1);
    for (const std::string& event : progress.events) {
        if (event.rfind("info:", 0) == 0)
            phases.emplace_back();
        else if (event.rfind("bar:", 0) == 0)
            phases.back().push_back(std::stoi(event.substr(4)));
    }
    return std::all_of(phases.begin(), phases.end(), [](const std::vector<int>& widths) {
        return !widths.empty() && std::is_sorted(widths.begin(), widths.end()) && widths.back() == PROGRESS_BAR_WIDTH;
    });
}

// Images drive 0 into each of the formats, has the standard tool expand it
// back to the drive's bytes (when `byTool`), restores it onto a fresh drive
// 1 of the same size and compares.
void RoundTrip(SimulatedDrives& drives, int64_t size, const std::vector<std::string>& extensions, bool byTool)
{
    for (const std::string& extension : extensions) {
        SCOPED_TRACE(extension);
        const std::string image = drives.FilePath("card" + extension);
        drives.Add(1, size);
        ScriptedMessages messages;
        messages.Answer(IDYES);  // the restore's warning
        RecordingProgress progress;
        ImageHeader header;
        ASSERT_EQ(CreateImage("PHYSICALDRIVE0", image, header), 1);
        EXPECT_TRUE(BarRanToTheEnd(progress));
        EXPECT_EQ(ProbeImage(image).driveBytes, size) << "the size every writer states";
        if (const std::string tool = ToolExpanding(extension); byTool && !tool.empty()) {
            EXPECT_TRUE(RunCommand(tool + " " + Quote(image) + " | cmp -s - " + Quote(drives.ImagePath(0))).ok);
        }
        if (extension == ".img") {
            struct stat st {};
            ASSERT_EQ(::stat(image.c_str(), &st), 0);
            EXPECT_LT(st.st_blocks * 512, 8 * MiB) << "zero blocks are holes";
        }

        progress.events.clear();
        ASSERT_EQ(RestoreImage("PHYSICALDRIVE1", image), 1);
        EXPECT_EQ(messages.Shown().size(), 1u) << "the warning alone";
        EXPECT_TRUE(BarRanToTheEnd(progress));
        EXPECT_TRUE(SameFileContents(drives.ImagePath(0), drives.ImagePath(1)));
        std::filesystem::remove(image);
    }
}

TEST(RawImages, RoundTripOfADriveOfOddSize)
{
    SimulatedDrives drives;
    drives.AddWithBytes(0, PatternBytes(1048577, 4));
    RoundTrip(drives, 1048577, {".img", ".img.gz", ".img.xz", ".img.zst", ".kvi"}, true);
}

// One format per test, so that they run side by side. The standard tools
// read the files of the small drive above; here, they would spend seconds
// expanding zeros to say nothing new. The .kvi round trip of such a drive is
// ImageRoundTripLarge's.
class RawImagesAboveTwoGiB : public ::testing::TestWithParam<std::string> {};

TEST_P(RawImagesAboveTwoGiB, RoundTripOfASparseDrive)
{
    const int64_t size = (int64_t{2} << 30) + MiB;
    DrivesInMemory inMemory;
    SimulatedDrives drives;
    drives.Add(0, size);
    const Bytes head = PatternBytes(MiB, 5);
    const Bytes tail = PatternBytes(MiB, 6);
    const int fd = ::open(drives.ImagePath(0).c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, head.data(), head.size(), 0), static_cast<ssize_t>(head.size()));
    ASSERT_EQ(::pwrite(fd, tail.data(), tail.size(), size - MiB), static_cast<ssize_t>(tail.size()));
    ::close(fd);
    RoundTrip(drives, size, {GetParam()}, false);
}

INSTANTIATE_TEST_SUITE_P(Formats, RawImagesAboveTwoGiB, ::testing::Values(".img", ".img.gz", ".img.xz", ".img.zst"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param.substr(1);
                             std::replace(name.begin(), name.end(), '.', '_');
                             return name;
                         });

TEST(RawImages, AZipMadeWithZipRestores)
{
    SimulatedDrives drives;
    const Bytes bytes = PatternBytes(1048577, 8);
    const std::string folder = drives.FilePath("zipped");
    std::filesystem::create_directory(folder);
    WriteFileBytes(folder + "/card.img", bytes);
    WriteFileBytes(folder + "/README.txt", {'h', 'i'});
    const std::string zip = drives.FilePath("card.zip");
    ASSERT_TRUE(RunCommand("cd " + Quote(folder) + " && zip -q " + Quote(zip) + " README.txt card.img").ok);
    const ImageProbe probe = ProbeImage(zip);
    EXPECT_EQ(probe.entry, "card.img");
    EXPECT_EQ(RawImageFormatText(probe), "Raw disk image in a zip archive (card.img)");

    drives.Add(1, 1048577);
    ScriptedMessages messages;
    messages.Answer(IDYES).Answer(IDOK);
    EXPECT_EQ(RestoreImageCommand("PHYSICALDRIVE1", zip), 1);
    EXPECT_EQ(drives.Bytes(1), bytes);
}

TEST(RawImages, AStreamThatStatesNoSizeMovesTheBarByItsFileBytes)
{
    SimulatedDrives drives;
    const Bytes bytes = PatternBytes(3 * MiB, 9);
    const std::string plain = drives.FilePath("card.img");
    WriteFileBytes(plain, bytes);
    ASSERT_TRUE(RunCommand("gzip -k " + Quote(plain) + " && bzip2 -k " + Quote(plain)).ok);
    drives.Add(1, 3 * MiB);
    // The check after the restore counts drive bytes; the file's are the
    // writing's alone.
    SetVerifyAfterRestore(false);
    struct VerifyBackOn {
        ~VerifyBackOn() { SetVerifyAfterRestore(true); }
    } verifyBackOn;
    for (const std::string& image : {plain + ".gz", plain + ".bz2"}) {
        SCOPED_TRACE(image);
        EXPECT_EQ(ProbeImage(image).driveBytes, IMAGE_SIZE_UNKNOWN);
        ScriptedMessages messages;
        messages.Answer(IDYES);
        RecordingProgress progress;
        ASSERT_EQ(RestoreImage("PHYSICALDRIVE1", image), 1);
        EXPECT_NE(messages.Shown()[0].prompt.find("The image's size is known only once it is read; at most the "
                                                  "drive's 3.0 MB are written."),
                  std::string::npos);
        EXPECT_TRUE(BarRanToTheEnd(progress));
        EXPECT_EQ(progress.bytes.back(), static_cast<int64_t>(std::filesystem::file_size(image)));
        EXPECT_EQ(drives.Bytes(1), bytes);
    }
}

// ---- the size rule ------------------------------------------------------------

struct SizeCase {
    const char* name;
    std::string compress;  // the tool that makes the image of the raw bytes ("" for a plain .img)
    int64_t imageData;     // bytes of pattern at the image's start
    int64_t imageSize;     // the image's size: zeros after the data
    int32_t result;
    std::string warningLine;
    int64_t written;       // drive bytes that hold the image's afterwards
    std::string problem = {};  // in the error box
};

TEST(RawImages, TheSizeRule)
{
    const int64_t drive = 2 * MiB;
    const std::vector<SizeCase> cases = {
        {"smaller, plain", "", MiB, MiB, 1, "The image fills 1.0 MB of the drive's 2.0 MB.", MiB},
        {"smaller, xz", "xz", MiB, MiB, 1, "The image fills 1.0 MB of the drive's 2.0 MB.", MiB},
        {"larger, zeros beyond, plain", "", MiB, 3 * MiB, 1,
         "The image is 3.0 MB, larger than the drive's 2.0 MB: it is written only if everything beyond the drive's "
         "end is zero.", drive},
        {"larger, zeros beyond, zstd", "zstd", MiB, 3 * MiB, 1, "The image is 3.0 MB, larger", drive},
        {"larger, data beyond, plain: refused before writing", "", 3 * MiB, 3 * MiB, -10, "The image is 3.0 MB", 0,
         "beyond the end of the drive (2097152 bytes). It is the image of a larger drive"},
        {"larger, data beyond, gzip: fails while writing", "gzip", 3 * MiB, 3 * MiB, -10,
         "The image's size is known only once it is read", drive,
         "beyond the end of the drive (2097152 bytes). It is the image of a larger drive"},
        {"larger than twice the drive, zeros beyond, xz", "xz", MiB, 5 * MiB, -10, "The image is 5.0 MB", 0,
         "expands to 5242880 bytes, more than twice the drive's 2097152"},
        {"larger than twice the drive, zeros beyond, plain", "", MiB, 5 * MiB, 1, "The image is 5.0 MB", drive},
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.name);
        SimulatedDrives drives;
        const Bytes old = PatternBytes(static_cast<size_t>(drive), 21);
        drives.AddWithBytes(1, old);
        Bytes content = PatternBytes(static_cast<size_t>(c.imageData), 22);
        content.resize(static_cast<size_t>(c.imageSize), 0);
        std::string image = drives.FilePath("card.img");
        WriteFileBytes(image, content);
        if (!c.compress.empty()) {
            ASSERT_TRUE(RunCommand(c.compress + " -q " + Quote(image)).ok);
            image += c.compress == "gzip" ? ".gz" : c.compress == "xz" ? ".xz" : ".zst";
        }
        ScriptedMessages messages;
        messages.Answer(IDYES);
        EXPECT_EQ(RestoreImage("PHYSICALDRIVE1", image), c.result);
        ASSERT_FALSE(messages.Shown().empty());
        const std::string& warning = messages.Shown()[0].prompt;
        EXPECT_NE(warning.find("THIS WILL DESTROY ALL DATA ON THE SELECTED DRIVE!\r\n" + c.warningLine), std::string::npos)
            << warning;
        Bytes expected = old;
        std::copy(content.begin(), content.begin() + std::min(c.written, c.imageSize), expected.begin());
        EXPECT_EQ(drives.Bytes(1), expected);
        if (!c.problem.empty()) {
            ASSERT_EQ(messages.Shown().size(), 2u);
            const std::string& box = messages.Shown()[1].prompt;
            EXPECT_EQ(box.rfind("The image does not fit onto the drive.\r\n" + Quote(image) + " ", 0), 0u) << box;
            EXPECT_NE(box.find(c.problem), std::string::npos) << box;
        }
    }
}

// ---- bad input ----------------------------------------------------------------

// A raw image's content: several blocks, so that a fault falls after some
// of them were written.
const Bytes& Content()
{
    static const Bytes bytes = PatternBytes(static_cast<size_t>(8 * IMAGE_BLOCK_SIZE), 31);
    return bytes;
}

struct BadCase {
    const char* name;
    std::function<std::string(SimulatedDrives&)> make;  // returns the image's path
    int32_t result;       // of RestoreImageCommand
    std::string problem;  // after the file's quoted name in the last box
    std::function<void(const std::string&)> whileReading = {};
};

// Returns the path of the content compressed with the tool (gzip, xz,
// zstd) and then changed by `damage`.
std::string Compressed(SimulatedDrives& drives, const std::string& tool, const std::function<void(Bytes&)>& damage)
{
    const std::string plain = drives.FilePath("card.img");
    WriteFileBytes(plain, Content());
    EXPECT_TRUE(RunCommand(tool + " -q " + Quote(plain)).ok);
    const std::string path = plain + (tool == "gzip" ? ".gz" : tool == "xz" ? ".xz" : ".zst");
    Bytes file = ReadFileBytes(path);
    damage(file);
    WriteFileBytes(path, file);
    return path;
}

// Returns the path of a zip archive holding these files, made with zip.
std::string Zipped(SimulatedDrives& drives, const std::vector<std::string>& names, bool linkLast = false)
{
    const std::string folder = drives.FilePath("zip-content");
    std::filesystem::create_directory(folder);
    for (size_t i = 0; i < names.size(); ++i)
        if (linkLast && i + 1 == names.size())
            std::filesystem::create_symlink(names[0], folder + "/" + names[i]);
        else
            WriteFileBytes(folder + "/" + names[i], Content());
    std::string list;
    for (const std::string& name : names)
        list += " " + Quote(name);
    const std::string zip = drives.FilePath("card.zip");
    EXPECT_TRUE(RunCommand("cd " + Quote(folder) + " && zip -q -y " + Quote(zip) + list).ok);
    return zip;
}

void CutToHalf(Bytes& b)
{
    b.resize(b.size() / 2);
}
void Garbage(Bytes& b)
{
    const std::string tail = "garbage";
    b.insert(b.end(), tail.begin(), tail.end());
}

// A progress display that runs `once` the first time events are let
// through, that is once the first block is on the drive.
class GrowingFile : public ProgressSink {
public:
    explicit GrowingFile(std::function<void()> once) : once_(std::move(once)) { previous_ = SetProgressSink(this); }
    ~GrowingFile() override { SetProgressSink(previous_); }
    void Open(const std::string&) override {}
    void SetBarWidth(int) override {}
    bool TakeCancelRequest() override { return false; }
    void DoEvents() override
    {
        if (once_)
            std::exchange(once_, {})();
    }
    void Close() override {}

private:
    std::function<void()> once_;
    ProgressSink* previous_ = nullptr;
};

TEST(RawImages, BadInputFailsNamingTheFileAndKeepsOnlyWholeBlocksWritten)
{
    const std::vector<BadCase> cases = {
        {"gzip cut short", [](SimulatedDrives& d) { return Compressed(d, "gzip", CutToHalf); }, -8,
         "the gzip data is damaged, cut short, or followed by other bytes (truncated gzip input)"},
        {"xz cut short", [](SimulatedDrives& d) { return Compressed(d, "xz", CutToHalf); }, -8,
         "the xz data is damaged, cut short, or followed by other bytes"},
        {"zstd cut short", [](SimulatedDrives& d) { return Compressed(d, "zstd", CutToHalf); }, -8,
         "the zstd data is damaged, cut short, or followed by other bytes (Truncated zstd input)"},
        {"xz with a byte changed",
         [](SimulatedDrives& d) { return Compressed(d, "xz", [](Bytes& b) { b[b.size() / 2] ^= 0x40; }); }, -8,
         "the xz data is damaged"},
        {"xz with trailing garbage", [](SimulatedDrives& d) { return Compressed(d, "xz", Garbage); }, -8,
         "the xz data is damaged, cut short, or followed by other bytes"},
        {"zstd with trailing garbage", [](SimulatedDrives& d) { return Compressed(d, "zstd", Garbage); }, -8,
         "the zstd data is damaged, cut short, or followed by other bytes"},
        {"gzip with trailing garbage", [](SimulatedDrives& d) { return Compressed(d, "gzip", Garbage); }, -8,
         "other bytes follow the end of the gzip data"},
        {"zip without an image", [](SimulatedDrives& d) { return Zipped(d, {"notes.txt"}); }, COMMAND_REFUSED,
         "holds no disk image (a file ending in .img, .iso, .raw or .bin), only: notes.txt."},
        {"zip with two images", [](SimulatedDrives& d) { return Zipped(d, {"a.img", "b.iso", "notes.txt"}); },
         COMMAND_REFUSED, "holds more than one disk image: a.img, b.iso. Extract the one to restore and choose it."},
        {"zip whose image is a link", [](SimulatedDrives& d) { return Zipped(d, {"data.bin", "card.img"}, true); },
         COMMAND_REFUSED, "its disk image 'card.img' is a link, not a file."},
        {"a file that grows while it is read",
         [](SimulatedDrives& d) {
             WriteFileBytes(d.FilePath("card.img"), Content());
             return d.FilePath("card.img");
         },
         -6, "changed while it was read.",
         [](const std::string& path) {
             const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
             ASSERT_EQ(::write(fd, "more", 4), 4);
             ::close(fd);
         }},
    };
    // One thread: the reader is then never ahead of the block being written.
    EngineThreadsFor oneThread(ENGINE_SINGLE_THREAD);
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        SimulatedDrives drives;
        drives.Add(1, static_cast<int64_t>(Content().size()));
        const std::string image = c.make(drives);
        ScriptedMessages messages;
        messages.Answer(IDYES).Answer(IDOK);
        GrowingFile grows(c.whileReading ? [&] { c.whileReading(image); } : std::function<void()>{});
        const int32_t result = RestoreImageCommand("PHYSICALDRIVE1", image);
        EXPECT_EQ(result, c.result);
        ASSERT_FALSE(messages.Shown().empty());
        const ShownMessage* last = &messages.Shown().back();
        EXPECT_NE(last->prompt.find(Quote(image)), std::string::npos) << last->prompt;
        EXPECT_NE(last->prompt.find(c.problem), std::string::npos) << last->prompt;

        // The drive holds whole blocks of the image from its start, then the
        // zeros it held: never a block the fault fell in.
        const Bytes now = drives.Bytes(1);
        size_t whole = 0;
        while (whole + IMAGE_BLOCK_SIZE <= now.size() &&
               std::equal(now.begin() + static_cast<long>(whole), now.begin() + static_cast<long>(whole + IMAGE_BLOCK_SIZE),
                          Content().begin() + static_cast<long>(whole)))
            whole += IMAGE_BLOCK_SIZE;
        EXPECT_TRUE(std::all_of(now.begin() + static_cast<long>(whole), now.end(), [](uint8_t b) { return b == 0; }));
    }
}

}  // namespace
