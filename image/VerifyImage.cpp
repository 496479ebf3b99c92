#include "image/VerifyImage.h"

#include "drive/PhysicalDrive.h"
#include "image/EngineSteps.h"
#include "image/ImageFormats.h"
#include "image/RawRestore.h"
#include "image/ReadBack.h"
#include "image/Transfer.h"
#include "ui/Progress.h"
#include "ui/ShowMessage.h"

#include <memory>

namespace {

const std::string kCaption = engine::Caption(" - [Verify image]");

// Returns the reason line for a fault that ended the comparison.
const char* Reason(BlockFault fault)
{
    switch (fault) {
    case BlockFault::DriveReadFailed: return "Error while reading drive data.";
    case BlockFault::CodingFailed:
    case BlockFault::BlockCutShort:
    case BlockFault::StreamDamaged: return "Error while uncompressing image data.";
    case BlockFault::BeyondDriveEnd: return "The image does not fit onto the drive.";
    default: return "Error while reading image data.";
    }
}

// Returns how the comparison went, with the reason line of a failure.
VerifyResult Compare(const std::string& DriveName, const std::string& ImagePath, std::string& reason)
{
    DISK_GEOMETRY geometry;
    int64_t capacity = 0;
    if (GetDriveGeometry(DriveName, geometry, capacity) != 1) {
        reason = "Can't read drive information.";
        return {};
    }
    CurrentProgress().Open("Please wait, while verifying the drive...");
    const std::unique_ptr<ImageReader> image = OpenImageReader(ImagePath);
    ImageHeader header;
    if (!image->IsOpen()) {
        reason = "Drive or image access failed.";
        return {};
    }
    if (!image->ReadHeader(header)) {
        reason = "Error while reading image header.";
        return {};
    }
    const std::unique_ptr<platform::DriveHandle> drive = OpenPhysicalDrive(DriveName, platform::OpenPurpose::ReadWhole);
    if (!drive) {
        reason = "Drive or image access failed.";
        return {};
    }
    DriveCompare compare(*drive);
    // A raw image larger than the drive matches when all it holds beyond
    // the drive's end is zero, as a restore would have written it.
    DriveEndSink bounded(compare, capacity, ImagePath, !image->IsPlainFile());
    const TransferRules rules{"Verifying", "Abort verification?", kCaption, [](BlockFault) { return false; }};
    const TransferResult compared = RunTransfer(*image, image->IsRaw() ? static_cast<BlockSink&>(bounded) : compare,
                                                image->TransferTotal(), rules);
    switch (compared.end) {
    case TransferEnd::Complete: return {VerifyOutcome::Same, -1};
    case TransferEnd::Aborted: return {VerifyOutcome::Aborted, compared.offset};
    case TransferEnd::EndedEarly: return {VerifyOutcome::ImageEndsEarly, compared.offset};
    case TransferEnd::Failed: break;
    }
    if (compared.fault == BlockFault::VerifyMismatch)
        return {VerifyOutcome::Differs, compare.FirstDifference()};
    const std::string problem = compared.fault == BlockFault::BeyondDriveEnd ? bounded.Problem() : image->Problem();
    reason = Reason(compared.fault) + (problem.empty() ? "" : vbCrLf + problem);
    return {};
}

}  // namespace

VerifyResult VerifyImage(const std::string& DriveName, const std::string& ImagePath)
{
    TakeDriveProblem();  // what an earlier query found is no concern of this run
    std::string reason;
    const VerifyResult result = Compare(DriveName, ImagePath, reason);
    CurrentProgress().Close();
    if (result.outcome == VerifyOutcome::Failed)
        engine::ShowFailure(reason, "Aborting verification.", DriveName);
    return result;
}
