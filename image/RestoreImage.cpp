#include "image/RestoreImage.h"

#include "drive/PhysicalDrive.h"
#include "image/DriveWriter.h"
#include "image/EngineSteps.h"
#include "image/KviReader.h"
#include "image/Transfer.h"
#include "ui/Progress.h"
#include "ui/ShowMessage.h"

#include <memory>

namespace {

const std::string kCaption = engine::Caption(" - [Restore image]");

// How a run ends, as the numbers RestoreImage returns: the whole image, an
// early end (the mismatch question declined among them) or the warning
// declined; failures before the first block; failures at a block, reading
// the image, then writing the drive or expanding.
enum class Restored : int32_t {
    Complete = 1, EndedEarly = 0, WarningDeclined = -1,
    NoDriveInformation = -2, OpenFailed = -3, HeaderUnreadable = -4,
    LengthUnreadable = -5, BlockUnreadable = -6,
    WriteFailed = -7, ExpandFailed = -8,
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
    case BlockFault::BlockUnreadable: return Restored::BlockUnreadable;
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

struct RestoreRun {
    std::unique_ptr<KviReader> image;
    std::unique_ptr<platform::DriveHandle> drive;
};

// The image's blocks go onto the drive, each at its own offset, until the
// image's size is reached; a failed write (or the final flush) may be let
// pass, the block then counting as written.
Restored WriteBlocks(RestoreRun& run, int64_t driveSize)
{
    DriveWriter drive(*run.drive);
    const TransferRules rules{"Restoring", "Abort image restore?", kCaption, [](BlockFault fault) {
                                  return (fault == BlockFault::DriveWriteFailed || fault == BlockFault::FlushFailed) &&
                                         engine::AskedYes(std::string("Can't write requested drive data.") + vbCrLf +
                                                              vbCrLf + "Do you want to ignore the write error and continue?",
                                                          kCaption, MessageKind::IgnoreError);
                              }};
    const TransferResult written = RunTransfer(*run.image, drive, driveSize, rules);
    // Blocks whose write failed count as written, but the drive does not
    // hold the image: not a success.
    if (written.end == TransferEnd::Complete)
        return written.faultsLetPass ? Restored::EndedEarly : Restored::Complete;
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
    run.image = std::make_unique<KviReader>(ImagePath);
    if (!run.image->IsOpen())
        return Restored::OpenFailed;
    ImageHeader header;
    if (!run.image->ReadHeader(header))
        return Restored::HeaderUnreadable;
    if (!Fits(header, geometry, capacity) &&
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
    return WriteBlocks(run, header.DriveSize);
}

}  // namespace

int32_t RestoreImage(const std::string& DriveName, const std::string& ImagePath)
{
    TakeDriveProblem();  // what an earlier query found is no concern of this run
    if (!engine::AskedYes(PromptNamingDisk(std::string("*** WARNING *** WARNING *** WARNING ***") + vbCrLf + vbCrLf +
                                               "You are about to restore an image." + vbCrLf + vbCrLf +
                                               "THIS WILL DESTROY ALL DATA ON THE SELECTED DRIVE!" + vbCrLf + vbCrLf +
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
        engine::ShowFailure(Reason(result), "Aborting image restore.", DriveName);
    return static_cast<int32_t>(result);
}
