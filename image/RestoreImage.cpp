#include "image/RestoreImage.h"

#include "drive/CapacityText.h"
#include "drive/PhysicalDrive.h"
#include "image/DriveWriter.h"
#include "image/EngineSteps.h"
#include "image/ImageFormats.h"
#include "image/RawRestore.h"
#include "image/ReadBack.h"
#include "image/Transfer.h"
#include "ui/Progress.h"
#include "ui/ShowMessage.h"

#include <chrono>
#include <memory>

namespace {

const std::string kCaption = engine::Caption(" - [Restore image]");

// How a run ends, as the numbers RestoreImage returns: the whole image, an
// early end (the mismatch question declined among them) or the warning
// declined; failures before the first block; failures at a block, reading
// the image, then writing the drive or expanding; a drive that does not
// hold what was written (read-back); a raw image that does not fit the
// drive; a drive that holds less than it claims (nothing written).
enum class Restored : int32_t {
    Complete = 1, EndedEarly = 0, WarningDeclined = -1,
    NoDriveInformation = -2, OpenFailed = -3, HeaderUnreadable = -4,
    LengthUnreadable = -5, BlockUnreadable = -6,
    WriteFailed = -7, ExpandFailed = -8,
    VerifyFailed = -9, DoesNotFit = -10, HoldsLessThanClaimed = -11,
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
    case Restored::HoldsLessThanClaimed:
        return "The drive does not hold what its size claims; it may be a counterfeit card. Nothing was restored.";
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

ReadBackMeasure lastReadBack;

struct RestoreRun {
    std::string imagePath;
    std::unique_ptr<ImageReader> image;
    std::unique_ptr<platform::DriveHandle> drive;
    std::string verifyReason;  // with VerifyFailed: the reason line
    std::string problem;       // of a raw image: what is wrong, naming the file
};

// Reads the written blocks back from the drive and compares them with what
// was written. Returns Complete when every block matches, EndedEarly when
// the user aborted the check, VerifyFailed (with the reason) when a block
// differs or the drive cannot be read back.
Restored Verify(RestoreRun& run, const std::vector<WrittenBlock>& written)
{
    CurrentProgress().ChangeInfo("Please wait, while verifying the drive...");
    ReadBackSource readBack(*run.drive, written);
    HashCheck check(written);
    int64_t total = 0;
    for (const WrittenBlock& block : written)
        total += block.length;
    const TransferRules rules{"Verifying", "Abort verification?", kCaption, [](BlockFault) { return false; }};
    const auto started = std::chrono::steady_clock::now();
    const TransferResult verified = RunTransfer(readBack, check, total, rules);
    lastReadBack = {verified.offset, std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count()};
    if (verified.end == TransferEnd::Complete)
        return Restored::Complete;
    if (verified.end == TransferEnd::Aborted)
        return Restored::EndedEarly;
    if (verified.fault == BlockFault::VerifyMismatch || verified.end == TransferEnd::EndedEarly) {
        // Only the differing block's part of the image is expanded again.
        const std::unique_ptr<ImageReader> image = OpenImageReader(run.imagePath);
        ImageHeader header;
        const int64_t from = check.DifferingBlock() >= 0 ? check.DifferingBlock() : verified.offset;
        const int64_t at = image->ReadHeader(header) ? FirstDifferingByte(*image, *run.drive, from) : -1;
        run.verifyReason = "Verification failed: the drive differs from the image at byte " +
                           GroupedNumber(at >= 0 ? at : from) + ".";
    } else {
        run.verifyReason =
            "Verification failed: the drive could not be read back at byte " + GroupedNumber(verified.offset) + ".";
    }
    return Restored::VerifyFailed;
}

// The image's blocks go onto the drive, each at its own offset, until the
// image's size is reached (a raw image: its end, and never past the drive's
// end); a failed write (or the final flush) may be let pass, the block then
// counting as written.
Restored WriteBlocks(RestoreRun& run, int64_t capacity, const std::string& ImagePath)
{
    DriveWriter drive(*run.drive);
    RecordingSink recorded(drive);
    DriveEndSink bounded(recorded, capacity, ImagePath, !run.image->IsPlainFile());
    const TransferRules rules{"Restoring", "Abort image restore?", kCaption, [](BlockFault fault) {
                                  return (fault == BlockFault::DriveWriteFailed || fault == BlockFault::FlushFailed) &&
                                         engine::AskedYes(std::string("Can't write requested drive data.") + vbCrLf +
                                                              vbCrLf + "Do you want to ignore the write error and continue?",
                                                          kCaption, MessageKind::IgnoreError);
                              }};
    const TransferResult written = RunTransfer(*run.image, run.image->IsRaw() ? static_cast<BlockSink&>(bounded) : recorded,
                                               run.image->TransferTotal(), rules);
    run.problem = written.fault == BlockFault::BeyondDriveEnd ? bounded.Problem() : run.image->Problem();
    // Blocks whose write failed count as written, but the drive does not
    // hold the image: not a success.
    if (written.end == TransferEnd::Complete && written.faultsLetPass)
        return Restored::EndedEarly;
    if (written.end == TransferEnd::Complete)
        return VerifyAfterRestore() ? Verify(run, recorded.Written()) : Restored::Complete;
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
    run.imagePath = ImagePath;
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
    // A card that claims more than it holds would lose the image's start.
    if (!HoldsItsClaimedSize(*run.drive, capacity))
        return Restored::HoldsLessThanClaimed;
    return WriteBlocks(run, capacity, ImagePath);
}

}  // namespace

int32_t RestoreImage(const std::string& DriveName, const std::string& ImagePath)
{
    TakeDriveProblem();  // what an earlier query found is no concern of this run
    lastReadBack = {};
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
        engine::ShowFailure(result == Restored::VerifyFailed ? run.verifyReason
                                                             : Reason(result) + (run.problem.empty() ? "" : vbCrLf + run.problem),
                            "Aborting image restore.", DriveName);
    return static_cast<int32_t>(result);
}

const ReadBackMeasure& ReadBackOfLastRestore()
{
    return lastReadBack;
}
