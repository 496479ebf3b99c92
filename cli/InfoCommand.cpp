#include "cli/InfoCommand.h"

#include "cli/ExitStatus.h"
#include "cli/PrintableText.h"
#include "cli/StatusLine.h"
#include "drive/PhysicalDrive.h"
#include "image/EngineBuffers.h"
#include "image/FixedText.h"
#include "image/ImageFile.h"
#include "image/ImageFormats.h"
#include "image/ImageSummary.h"
#include "ui/Progress.h"

#include <cstdio>
#include <functional>
#include <sys/stat.h>

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
    switch (check.damage) {
    case BlockFault::LengthCutShort:
    case BlockFault::BlockCutShort:
        return "cut short by the end of the file";
    case BlockFault::LengthUnreadable:
    case BlockFault::LengthOutOfRange:
    case BlockFault::BlockUnreadable:
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

// Prints what the probe found of a raw disk image. Returns true when it may
// serve as an image.
bool PrintRaw(const ImageProbe& probe)
{
    Field("Created with", RawImageFormatText(probe));
    Field("Drive image size", probe.driveBytes >= 0 ? ImageDriveSizeText(probe.driveBytes) : "unknown");
    Field("Creation date", CreationDateText(probe.modified) + " (the file's modification date)");
    Field("File size", std::to_string(probe.fileBytes) + " bytes");
    Field("Drive size", probe.driveBytes >= 0 ? std::to_string(probe.driveBytes) + " bytes"
                                              : "unknown: the stream states no size (--check reads it)");
    if (!probe.problem.empty())
        Field("Image", probe.problem);
    return probe.problem.empty();
}

// Prints the check's lines for a raw image. Returns true for an intact
// stream that holds the size it states.
bool PrintRawCheck(const BlockCheck& check, int64_t stated)
{
    Field("Expanded total", std::to_string(check.expandedTotal) + " bytes");
    if (check.stopped) {
        Field("Check", "stopped by Ctrl-C");
        return false;
    }
    if (check.unreadable || check.damage != BlockFault::None) {
        Field("Check", check.problem.empty() ? std::string("the image could not be read") : check.problem);
        return false;
    }
    if (stated >= 0 && check.expandedTotal != stated) {
        Field("Check", "the stream holds " + std::to_string(check.expandedTotal) + " bytes, not the " +
                           std::to_string(stated) + " it states");
        return false;
    }
    Field("Check", "complete and intact");
    return true;
}

// Prints the check's lines. Returns true for a complete, intact image.
bool PrintCheck(const BlockCheck& check, int64_t driveSize)
{
    Field("Blocks", std::to_string(check.blocks) + (check.damage == BlockFault::None ? "" : " intact"));
    Field("Expanded total", std::to_string(check.expandedTotal) + " bytes of " + std::to_string(driveSize) +
                                " (drive size)");
    if (check.stopped) {
        Field("Check", "stopped by Ctrl-C");
        return false;
    }
    if (check.unreadable) {
        Field("Check", "the image could not be read");
        return false;
    }
    if (check.damage != BlockFault::None) {
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
    const std::unique_ptr<ImageReader> reader = OpenImageReader(imagePath);
    ImageReader& image = *reader;
    ImageHeader header;
    if (!image.IsOpen() || !image.ReadHeader(header)) {
        check.unreadable = true;
        return check;
    }
    const int64_t fileSize = FileSize(imagePath);
    // The check runs beside no engine run, so it may use the engine's buffers.
    BlockSlot slot;
    slot.in = abReadBuffer_g.data();
    ProgressSink& progress = CurrentProgress();
    progress.Open("Checking the image blocks...");
    ProgressMeter meter;
    meter.Start("Checking", fileSize);
    while (true) {
        const int64_t offset = image.Position();
        slot.inLength = 0;
        slot.fault = BlockFault::None;
        image.Read(slot);
        if (slot.fault == BlockFault::None && slot.inLength == 0)
            break;
        const BlockCodec* codec = image.Codec();
        int64_t expanded = -1;
        if (slot.fault == BlockFault::None)
            expanded = codec ? codec->Expand(slot.in, static_cast<size_t>(slot.inLength), abWriteBuffer_g.data(),
                                             static_cast<size_t>(IMAGE_BLOCK_ROOM))
                             : slot.inLength;
        if (expanded < 0) {
            check.damage = slot.fault == BlockFault::None ? BlockFault::CodingFailed : slot.fault;
            check.problem = image.Problem();
            check.damagedIndex = check.blocks;
            check.damagedOffset = offset;
            break;
        }
        ++check.blocks;
        check.expandedTotal += expanded;
        progress.SetReading(meter.Update(image.Position()));
        if (progress.TakeCancelRequest()) {
            check.stopped = true;
            break;
        }
    }
    progress.Close();
    return check;
}

namespace {
// Runs the block check when `check` is set, printing its lines with
// `print`, which returns whether the image is intact. Returns the exit
// status: 1 when Ctrl-C stopped the check, 0 when `usable` and the image is
// intact, 4 otherwise.
int CheckedStatus(const std::string& imagePath, bool check, bool usable,
                  const std::function<bool(const BlockCheck&)>& print)
{
    bool intact = true;
    if (check) {
        std::fflush(stdout);
        const BlockCheck result = CheckImageBlocks(imagePath);
        intact = print(result);
        if (result.stopped) {
            std::fflush(stdout);
            return EXIT_ENDED_EARLY;
        }
    }
    std::fflush(stdout);
    return usable && intact ? EXIT_COMPLETED : EXIT_FAILED;
}
}  // namespace

int RunInfo(const std::string& imagePath, bool check)
{
    ImageHeader header;
    const bool read = ReadImageHeader(imagePath, header) == VB_TRUE;
    if (!read || IsValidImageHeader(header) != VB_TRUE)
        if (const ImageProbe probe = ProbeImage(imagePath); probe.IsRaw()) {
            const bool usable = PrintRaw(probe);
            return CheckedStatus(imagePath, check && usable, usable,
                                 [&](const BlockCheck& found) { return PrintRawCheck(found, probe.driveBytes); });
        }
    if (!read) {
        statusline::WriteError("kvi: " + terminal::Printable(imagePath) + ": no image header (missing, unreadable or shorter than " +
                               std::to_string(IMAGE_HEADER_SIZE) + " bytes)\n");
        return EXIT_FAILED;
    }
    const bool valid = IsValidImageHeader(header) == VB_TRUE;
    PrintHeader(header, valid);
    return CheckedStatus(imagePath, check, valid,
                         [&](const BlockCheck& found) { return PrintCheck(found, header.DriveSize); });
}

}  // namespace cli
