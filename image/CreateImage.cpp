#include "image/CreateImage.h"

#include "drive/PhysicalDrive.h"
#include "image/DriveReader.h"
#include "image/EngineSteps.h"
#include "image/ImageFile.h"
#include "image/ImageFormats.h"
#include "image/Transfer.h"
#include "ui/Progress.h"
#include "ui/ShowMessage.h"

#include <memory>
#include <vector>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string kCaption = engine::Caption(" - [Create image]");

// How a run ends, as the numbers CreateImage returns: the whole drive, an
// early end or the overwrite declined; failures before the first block;
// failures at a block.
enum class Created : int32_t {
    Complete = 1, EndedEarly = 0, OverwriteDeclined = -1,
    NoDriveInformation = -2, OpenFailed = -3, HeaderWriteFailed = -4,
    ReadFailed = -5, LengthWriteFailed = -6, DataWriteFailed = -7, CompressFailed = -8,
};

// Returns the reason line shown for a failure.
const char* Reason(Created result)
{
    switch (result) {
    case Created::NoDriveInformation: return "Can't read drive information.";
    case Created::OpenFailed: return "Drive or image access failed.";
    case Created::HeaderWriteFailed: return "Error while writing image header.";
    case Created::ReadFailed: return "Error while reading drive data.";
    case Created::LengthWriteFailed:
    case Created::DataWriteFailed: return "Error while writing image data.";
    default: return "Error while compressing image data.";
    }
}

// Returns the result a fault that ended the blocks stands for.
Created ForFault(BlockFault fault)
{
    switch (fault) {
    case BlockFault::DriveReadFailed:
    case BlockFault::SectorsUnreadable: return Created::ReadFailed;
    case BlockFault::LengthWriteFailed: return Created::LengthWriteFailed;
    case BlockFault::DataWriteFailed: return Created::DataWriteFailed;
    default: return Created::CompressFailed;
    }
}

struct CreateRun {
    std::unique_ptr<platform::DriveHandle> drive;
    std::unique_ptr<ImageWriter> image;
    struct stat created {};  // identity of the file this run created
    bool aborted = false;
    std::vector<int64_t> unreadable;  // drive offsets of the sectors stored as zeros
    int32_t sectorSize = 512;
};

UnreadableSectors lastUnreadable;

// The drive's bytes go block after block into the image. When a read
// fails, the user is asked once whether to go on: the block is then read
// sector by sector and what cannot be read is stored as zeros, here and in
// every later block, so the image keeps every block; such a run is not a
// success.
Created CopyBlocks(CreateRun& run, int64_t capacity, int32_t sectorSize)
{
    DriveReader drive(*run.drive, capacity, sectorSize);
    bool asked = false;
    bool goOn = false;
    const TransferRules rules{"Creating", "Abort image creation?", kCaption, [&](BlockFault fault) {
                                  if (fault != BlockFault::SectorsUnreadable && fault != BlockFault::DriveReadFailed)
                                      return false;
                                  if (!asked)
                                      goOn = engine::AskedYes(std::string("Can't read requested drive data.") + vbCrLf +
                                                                  vbCrLf +
                                                                  "Do you want to ignore the read error and continue?",
                                                              kCaption, MessageKind::IgnoreError);
                                  asked = true;
                                  return goOn;
                              }};
    const TransferResult copied = RunTransfer(drive, *run.image, capacity, rules);
    run.aborted = copied.end == TransferEnd::Aborted;
    for (const int64_t offset : drive.UnreadableSectors())
        if (offset < copied.offset)
            run.unreadable.push_back(offset);
    run.sectorSize = drive.SectorSize();
    switch (copied.end) {
    case TransferEnd::Complete: return copied.faultsLetPass ? Created::EndedEarly : Created::Complete;
    case TransferEnd::Failed: return ForFault(copied.fault);
    default: return Created::EndedEarly;
    }
}

// Returns the result of the run from the geometry check on; the caller
// finishes (closes, deletes, reports).
Created Run(CreateRun& run, const std::string& DriveName, const std::string& ImagePath, ImageHeader& Header,
            bool& progressOpen)
{
    DISK_GEOMETRY geometry;
    int64_t capacity = 0;
    // A negative size is no size: nothing sensible can be read against it.
    if (GetDriveGeometry(DriveName, geometry, capacity) != 1 || capacity < 0)
        return Created::NoDriveInformation;
    CurrentProgress().Open("Please wait, while creating the image...");
    progressOpen = true;
    // The file is created only once the drive is open: a busy drive must
    // not cost the user the file that was at the path.
    run.drive = OpenPhysicalDrive(DriveName, platform::OpenPurpose::ReadWhole);
    if (!run.drive)
        return Created::OpenFailed;
    run.image = OpenImageWriter(ImagePath, capacity);
    if (!run.image->IsOpen())
        return Created::OpenFailed;
    if (::fstat(run.image->Fd(), &run.created) != 0)
        run.created = {};

    FillImageHeaderForDrive(Header, geometry, capacity);
    if (!run.image->WriteHeader(Header))
        return Created::HeaderWriteFailed;
    return CopyBlocks(run, capacity, geometry.BytesPerSector);
}

// Removes the image after a confirmed abort, but only when the path still
// names the regular file this run created.
void DeleteCreatedFile(const CreateRun& run, const std::string& ImagePath)
{
    struct stat now {};
    if (::lstat(ImagePath.c_str(), &now) != 0 || !S_ISREG(now.st_mode) || !S_ISREG(run.created.st_mode) ||
        now.st_dev != run.created.st_dev || now.st_ino != run.created.st_ino)
        return;
    ::unlink(ImagePath.c_str());
}

}  // namespace

const UnreadableSectors& UnreadableSectorsOfLastRun()
{
    return lastUnreadable;
}

int32_t CreateImage(const std::string& DriveName, const std::string& ImagePath, ImageHeader& Header)
{
    lastUnreadable = {};
    TakeDriveProblem();  // what an earlier query found is no concern of this run
    if (FileExists(ImagePath) == VB_TRUE &&
        !engine::AskedYes("File '" + ImagePath + "' already exists." + vbCrLf + vbCrLf + "Do you want to overwrite it?",
                          kCaption))
        return static_cast<int32_t>(Created::OverwriteDeclined);

    CreateRun run;
    bool progressOpen = false;
    const Created result = Run(run, DriveName, ImagePath, Header, progressOpen);

    run.drive.reset();
    run.image.reset();
    if (progressOpen)
        CurrentProgress().Close();
    if (run.aborted)
        DeleteCreatedFile(run, ImagePath);
    else
        lastUnreadable = {std::move(run.unreadable), run.sectorSize};
    if (static_cast<int32_t>(result) <= -2)
        engine::ShowFailure(Reason(result), "Aborting image creation.", DriveName);
    return static_cast<int32_t>(result);
}
