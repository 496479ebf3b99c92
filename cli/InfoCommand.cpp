#include "cli/InfoCommand.h"

#include "cli/ExitStatus.h"
#include "cli/PrintableText.h"
#include "cli/StatusLine.h"
#include "drive/PhysicalDrive.h"
#include "image/EngineBuffers.h"
#include "image/FixedText.h"
#include "image/ImageBlocks.h"
#include "image/ImageFile.h"
#include "image/ImageSummary.h"
#include "image/PosixFile.h"
#include "ui/Progress.h"

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace cli {

namespace {
constexpr int kLabelWidth = 19;

void Field(const std::string& label, const std::string& value)
{
    // Lines of a multi-line value line up under the first one; whatever
    // else the header holds is shown, never obeyed by the terminal.
    std::string text;
    for (char c : terminal::Printable(terminal::WithoutCarriageReturns(value))) {
        text += c;
        if (c == '\n')
            text += std::string(kLabelWidth, ' ');
    }
    std::printf("%-*s%s\n", kLabelWidth, (label + ":").c_str(), text.c_str());
}

int64_t FileSize(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

const char* DamageText(const BlockCheck& check)
{
    if (check.cutShort)
        return "cut short by the end of the file";
    switch (check.damage) {
    case -6:
        return "length out of range or unreadable";
    default:
        return "damaged: it does not expand";
    }
}

void PrintHeader(const ImageHeader& header, bool valid)
{
    Field("Created with", ImageCreatedWithText(header));
    Field("Drive image size", ImageDriveSizeText(header.DriveSize));
    Field("Creation date", CutAtNul(header.CreationDate));
    Field("Created by", CutAtNul(header.Creator));
    Field("Description", CutAtNul(header.Description));
    Field("Geometry", "Cylinders: " + std::to_string(header.Cylinders) +
                          ", Tracks/Cylinder: " + std::to_string(header.TracksPerCylinder) +
                          ", Sectors/Track: " + std::to_string(header.SectorsPerTrack) +
                          ", Bytes/Sector: " + std::to_string(header.BytesPerSector));
    Field("Drive size", std::to_string(header.DriveSize) + " bytes");
    Field("Header", valid ? "valid" : "not valid (not an image of this program or a newer version)");
}

// Prints the check's lines. Returns true for a complete, intact image.
bool PrintCheck(const BlockCheck& check, int64_t driveSize)
{
    Field("Blocks", std::to_string(check.blocks) + (check.damage == 1 ? "" : " intact"));
    Field("Expanded total", std::to_string(check.expandedTotal) + " bytes of " + std::to_string(driveSize) +
                                " (drive size)");
    if (check.stopped) {
        Field("Check", "stopped by Ctrl-C");
        return false;
    }
    if (check.damage != 1 && check.damagedIndex < 0) {
        Field("Check", "the image could not be read");
        return false;
    }
    if (check.damage != 1) {
        Field("Check", "block " + std::to_string(check.damagedIndex) + " at file offset " +
                           std::to_string(check.damagedOffset) + " is " + DamageText(check));
        return false;
    }
    if (check.expandedTotal != driveSize) {
        Field("Check", check.expandedTotal < driveSize ? "incomplete: the blocks end before the drive size"
                                                       : "the blocks hold more than the drive size");
        return false;
    }
    Field("Check", "complete and intact");
    return true;
}
}  // namespace

BlockCheck CheckImageBlocks(const std::string& imagePath)
{
    BlockCheck check;
    PosixFile image = PosixFile::OpenForReading(imagePath);
    ImageHeaderBytes skipped{};
    if (!image.IsOpen() || image.ReadFull(skipped.data(), skipped.size()) != static_cast<int64_t>(skipped.size())) {
        check.damage = -4;
        return check;
    }
    const int64_t fileSize = FileSize(imagePath);
    // The check runs beside no engine run, so it may use the engine's buffers.
    const ImageBlockBuffers buffers{abReadBuffer_g.data(), abReadBuffer_g.size(), abWriteBuffer_g.data(),
                                    static_cast<size_t>(IMAGE_BLOCK_ROOM)};
    ProgressSink& progress = CurrentProgress();
    progress.Open("Checking the image blocks...");
    int64_t offset = static_cast<int64_t>(IMAGE_HEADER_SIZE);
    while (true) {
        const ImageBlock block = ReadImageBlock(image, buffers);
        if (block.status < 0) {
            check.damage = block.status;
            check.damagedIndex = check.blocks;
            check.damagedOffset = offset;
            check.cutShort = block.cutShort;
            break;
        }
        if (block.status == 0)
            break;
        ++check.blocks;
        check.expandedTotal += block.expanded;
        offset = static_cast<int64_t>(::lseek(image.Fd(), 0, SEEK_CUR));
        progress.SetBytes(offset, fileSize);
        if (progress.TakeCancelRequest()) {
            check.stopped = true;
            break;
        }
    }
    progress.Close();
    return check;
}

int RunInfo(const std::string& imagePath, bool check)
{
    ImageHeader header;
    if (ReadImageHeader(imagePath, header) != VB_TRUE) {
        statusline::WriteError("kvi: " + terminal::Printable(imagePath) + ": no image header (missing, unreadable or shorter than " +
                               std::to_string(IMAGE_HEADER_SIZE) + " bytes)\n");
        return EXIT_FAILED;
    }
    const bool valid = IsValidImageHeader(header) == VB_TRUE;
    PrintHeader(header, valid);
    bool intact = true;
    if (check) {
        std::fflush(stdout);
        const BlockCheck result = CheckImageBlocks(imagePath);
        intact = PrintCheck(result, header.DriveSize);
        if (result.stopped) {
            std::fflush(stdout);
            return EXIT_ENDED_EARLY;
        }
    }
    std::fflush(stdout);
    return valid && intact ? EXIT_COMPLETED : EXIT_FAILED;
}

}  // namespace cli
