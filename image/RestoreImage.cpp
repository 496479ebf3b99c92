#include "image/RestoreImage.h"

#include "drive/PhysicalDrive.h"
#include "image/DriveWriter.h"
#include "image/EngineSteps.h"
#include "image/ImageFormats.h"
#include "image/RawRestore.h"
#include "image/Transfer.h"
#include "ui/Progress.h"
#include "ui/ShowMessage.h"

#include <memory>

namespace {

const std::string kCaption = engine::Caption(" - [Restore image]");

// How a run ends, as the numbers RestoreImage returns: the whole image, an
// early end (the mismatch question declined among them) or the warning
// declined; failures before the first block; failures at a block, reading
// the image, then writing the drive or expanding; a raw image that does not
// fit the drive.
enum class Restored : int32_t {
    Complete = 1, EndedEarly = 0, WarningDeclined = -1,
    NoDriveInformation = -2, OpenFailed = -3, HeaderUnreadable = -4,
    LengthUnreadable = -5, BlockUnreadable = -6,
    WriteFailed = -7, ExpandFailed = -8,
    DoesNotFit = -9,
};

// Returns the reason line shown for a failure.
const char* Reason(Restored result)
{
    switch (result) {
    case Restored::NoDriveInformation: return "Can't read drive information.";
    case Restored::OpenFailed: return "Drive or image access failed.";
    case Restored::HeaderUnreadable: return "Error while reading image header.";
    case Restored::LengthUnreadable:
    case Restored::BlockUnreadable: return "Error while reading image data.";
    case Restored::WriteFailed: return "Error while writing drive data.";
    case Restored::DoesNotFit: return "The image does not fit onto the drive.";
    default: return "Error while uncompressing image data.";
    }
}

// Returns the result a fault that ended the blocks stands for.
Restored ForFault(BlockFault fault)
{
    switch (fault) {
    case BlockFault::LengthCutShort:
    case BlockFault::LengthUnreadable: return Restored::LengthUnreadable;
    case BlockFault::LengthOutOfRange:
    case BlockFault::BlockUnreadable:
    case BlockFault::ImageChanged: return Restored::BlockUnreadable;
    case BlockFault::BeyondDriveEnd: return Restored::DoesNotFit;
    case BlockFault::DriveWriteFailed:
    case BlockFault::FlushFailed: return Restored::WriteFailed;
    default: return Restored::ExpandFailed;
    }
}

// Returns true when the image was taken from a drive of this geometry and size.
bool Fits(const ImageHeader& header, const DISK_GEOMETRY& geometry, int64_t capacity)
{
    return header.Cylinders == geometry.Cylinders &&
           header.TracksPerCylinder == static_cast<uint32_t>(geometry.TracksPerCylinder) &&
           header.SectorsPerTrack == static_cast<uint32_t>(geometry.SectorsPerTrack) &&
           header.BytesPerSector == static_cast<uint32_t>(geometry.BytesPerSector) && header.DriveSize == capacity;
}

// Returns the warning's line about a raw image and the drive's size, led by
// a line break; "" for a .kvi.
std::string RawWarningLine(const std::string& ImagePath, const std::string& DriveName)
{
    const DriveEntry* entry = FindDriveEntry(DriveName);
    const std::string line = RawImageWarningLine(ImagePath, entry ? entry->Record.length.value_or(-1) : -1);
    return line.empty() ? line : vbCrLf + line;
}

struct RestoreRun {
    std::unique_ptr<ImageReader> image;
    std::unique_ptr<platform::DriveHandle> drive;
    std::string problem;  // of a raw image: what is wrong, naming the file
};

// The image's blocks go onto the drive, each at its own offset, until the
// image's size is reached (a raw image: its end, and never past the drive's
// end); a failed write (or the final flush) may be let pass, the block then
// counting as written.
Restored WriteBlocks(RestoreRun& run, int64_t capacity, const std::string& ImagePath)
{
    DriveWriter drive(*run.drive);
    DriveEndSink bounded(drive, capacity, ImagePath);
    const TransferRules rules{"Restoring", "Abort image restore?", kCaption, [](BlockFault fault) {
                                  return (fault == BlockFault::DriveWriteFailed || fault == BlockFault::FlushFailed) &&
                                         engine::AskedYes(std::string("Can't write requested drive data.") + vbCrLf +
                                                              vbCrLf + "Do you want to ignore the write error and continue?",
                                                          kCaption);
                              }};
    const TransferResult written = RunTransfer(*run.image, run.image->IsRaw() ? static_cast<BlockSink&>(bounded) : drive,
                                               run.image->TransferTotal(), rules);
    run.problem = written.fault == BlockFault::BeyondDriveEnd ? bounded.Problem() : run.image->Problem();
    if (written.end == TransferEnd::Complete)
        return Restored::Complete;
    return written.end == TransferEnd::Failed ? ForFault(written.fault) : Restored::EndedEarly;
}

// Returns the result of the run from the geometry check on; the caller
// finishes (closes, reports).
Restored Run(RestoreRun& run, const std::string& DriveName, const std::string& ImagePath, bool& progressOpen)
{
    DISK_GEOMETRY geometry;
    int64_t capacity = 0;
    if (GetDriveGeometry(DriveName, geometry, capacity) != 1)
        return Restored::NoDriveInformation;
    CurrentProgress().Open("Please wait, while restoring the image...");
    progressOpen = true;
    run.image = OpenImageReader(ImagePath);
    if (!run.image->IsOpen())
        return Restored::OpenFailed;
    ImageHeader header;
    if (!run.image->ReadHeader(header))
        return Restored::HeaderUnreadable;
    // A raw image has no geometry: the size rule stands in for the match.
    if (run.image->IsRaw()) {
        run.problem = RawImageFitProblem(ImagePath, capacity);
        if (!run.problem.empty())
            return Restored::DoesNotFit;
    } else if (!Fits(header, geometry, capacity) &&
        !engine::AskedYes(PromptNamingDisk(std::string("The selected image file does not match to the destination drive.") +
                                               vbCrLf +
                                               "If you continue, the drive may report wrong size or even may be unreadable!" +
                                               vbCrLf + vbCrLf + "Do you really want to continue?",
                                           DriveName),
                          kCaption))
        return Restored::EndedEarly;
    // Opening a drive for writing takes its filesystems away, so it waits
    // until the image is readable and the user has said the last word.
    run.drive = OpenPhysicalDrive(DriveName, platform::OpenPurpose::WriteWhole);
    if (!run.drive)
        return Restored::OpenFailed;
    return WriteBlocks(run, capacity, ImagePath);
}

}  // namespace

int32_t RestoreImage(const std::string& DriveName, const std::string& ImagePath)
{
    if (!engine::AskedYes(PromptNamingDisk(std::string("*** WARNING *** WARNING *** WARNING ***") + vbCrLf + vbCrLf +
                                               "You are about to restore an image." + vbCrLf + vbCrLf +
                                               "THIS WILL DESTROY ALL DATA ON THE SELECTED DRIVE!" +
                                               RawWarningLine(ImagePath, DriveName) + vbCrLf + vbCrLf +
                                               "Do you really want to continue?",
                                           DriveName),
                          kCaption))
        return static_cast<int32_t>(Restored::WarningDeclined);

    RestoreRun run;
    bool progressOpen = false;
    const Restored result = Run(run, DriveName, ImagePath, progressOpen);

    run.image.reset();
    run.drive.reset();
    if (progressOpen)
        CurrentProgress().Close();
    if (static_cast<int32_t>(result) <= -2)
        engine::ShowFailure(Reason(result) + (run.problem.empty() ? "" : vbCrLf + run.problem), "Aborting image restore.");
    return static_cast<int32_t>(result);
}
