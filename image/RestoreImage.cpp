#include "image/RestoreImage.h"

#include "drive/PhysicalDrive.h"
#include "image/BlockCodec.h"
#include "image/BlockPipeline.h"
#include "image/EngineSteps.h"
#include "image/EngineThreads.h"
#include "image/ImageBlocks.h"
#include "image/ImageHeader.h"
#include "image/PosixFile.h"
#include "ui/Progress.h"
#include "ui/ShowMessage.h"

namespace {

const std::string kCaption = engine::Caption(" - [Restore image]");

struct RestoreRun {
    PosixFile image;
    std::unique_ptr<platform::DriveHandle> drive;
    bool abort = false;
};

// Returns the reason line shown for a failure code.
const char* Reason(int32_t result)
{
    switch (result) {
    case -2: return "Can't read drive information.";
    case -3: return "Drive or image access failed.";
    case -4: return "Error while reading image header.";
    case -5:
    case -6: return "Error while reading image data.";
    case -7: return "Error while writing drive data.";
    default: return "Error while uncompressing image data.";
    }
}

// Returns true when the user chose to ignore a failed drive write.
bool AskIgnoreWriteError()
{
    return engine::AskedYes(std::string("Can't write requested drive data.") + vbCrLf + vbCrLf +
                                "Do you want to ignore the write error and continue?",
                            kCaption);
}

// Returns true when the image was taken from a drive of this geometry and size.
bool Fits(const ImageHeader& header, const DISK_GEOMETRY& geometry, int64_t capacity)
{
    return header.Cylinders == geometry.Cylinders &&
           header.TracksPerCylinder == static_cast<uint32_t>(geometry.TracksPerCylinder) &&
           header.SectorsPerTrack == static_cast<uint32_t>(geometry.SectorsPerTrack) &&
           header.BytesPerSector == static_cast<uint32_t>(geometry.BytesPerSector) && header.DriveSize == capacity;
}

// Reads the next stored block of the image for the pipeline; the outcome is
// ReadStoredImageBlock's status. Returns true while more blocks may follow.
bool ReadStoredBlock(PosixFile& image, BlockSlot& slot)
{
    const ImageBlock block = ReadStoredImageBlock(image, slot.in, static_cast<size_t>(IMAGE_BLOCK_ROOM));
    slot.outcome = block.status;
    slot.inLength = block.stored;
    slot.needsCoding = block.status == 1;
    return block.status == 1;
}

// Returns nothing; `coded` is the expanded size, or -1 for a damaged block
// or one expanding past its room.
void ExpandSlot(BlockSlot& slot)
{
    slot.coded = ExpandBlock(slot.in, static_cast<size_t>(slot.inLength), slot.out, static_cast<size_t>(IMAGE_BLOCK_ROOM));
}

// The block loop: takes the expanded blocks in image order from the pipeline
// and writes each at its own drive offset, one question, bar move, Cancel
// poll and event round per block; flushes the drive once the image's size is
// reached. Returns 1 whole image written, 0 ended early, -5/-6/-8 as
// ReadStoredImageBlock, -8 block damaged, -7 write or flush failed and not ignored.
int32_t WriteBlocks(RestoreRun& run, int64_t total)
{
    BlockPipeline blocks([&](BlockSlot& slot) { return ReadStoredBlock(run.image, slot); }, ExpandSlot,
                         EngineCodingThreads());
    engine::ProgressBar bar;
    int64_t bytesDone = 0;
    bool done = false;
    for (;;) {
        const BlockSlot* block = blocks.Next();
        if (!block)
            break;
        const int64_t read = block->outcome;
        if (read < 0)
            return static_cast<int32_t>(read);
        if (read == 1 && block->coded < 0)
            return -8;
        const int64_t expanded = read == 1 ? block->coded : 0;
        if (expanded > 0 && !run.drive->WriteAt(block->out, static_cast<size_t>(expanded), bytesDone) &&
            !AskIgnoreWriteError())
            return -7;
        bytesDone += expanded;
        done = total <= bytesDone;
        if (done && !run.drive->Flush() && !AskIgnoreWriteError())
            return -7;
        bar.Update(bytesDone, total);
        run.abort = engine::AbortConfirmed("Abort image restore?", kCaption);
        CurrentProgress().DoEvents();
        if (read == 0 || run.abort || done)
            break;
    }
    return done ? 1 : 0;
}

// Returns the result of the run from the geometry check on; the caller
// finishes (closes, reports).
int32_t Run(RestoreRun& run, const std::string& DriveName, const std::string& ImagePath, bool& progressOpen)
{
    DISK_GEOMETRY geometry;
    int64_t capacity = 0;
    if (GetDriveGeometry(DriveName, geometry, capacity) != 1)
        return -2;
    CurrentProgress().Open("Please wait, while restoring the image...");
    progressOpen = true;
    run.image = PosixFile::OpenForReading(ImagePath);
    if (!run.image.IsOpen())
        return -3;
    ImageHeaderBytes bytes{};
    if (run.image.ReadFull(bytes.data(), bytes.size()) != static_cast<int64_t>(bytes.size()))
        return -4;
    const ImageHeader header = UnpackImageHeader(bytes);
    if (!Fits(header, geometry, capacity) &&
        !engine::AskedYes(PromptNamingDisk(std::string("The selected image file does not match to the destination drive.") +
                                               vbCrLf +
                                               "If you continue, the drive may report wrong size or even may be unreadable!" +
                                               vbCrLf + vbCrLf + "Do you really want to continue?",
                                           DriveName),
                          kCaption))
        return 0;
    // Opening a drive for writing takes its filesystems away, so it waits
    // until the image is readable and the user has said the last word.
    run.drive = OpenPhysicalDrive(DriveName, platform::OpenPurpose::WriteWhole);
    if (!run.drive)
        return -3;
    return WriteBlocks(run, header.DriveSize);
}

}  // namespace

int32_t RestoreImage(const std::string& DriveName, const std::string& ImagePath)
{
    if (!engine::AskedYes(PromptNamingDisk(std::string("*** WARNING *** WARNING *** WARNING ***") + vbCrLf + vbCrLf +
                                               "You are about to restore an image." + vbCrLf + vbCrLf +
                                               "THIS WILL DESTROY ALL DATA ON THE SELECTED DRIVE!" + vbCrLf + vbCrLf +
                                               "Do you really want to continue?",
                                           DriveName),
                          kCaption))
        return -1;

    RestoreRun run;
    bool progressOpen = false;
    const int32_t result = Run(run, DriveName, ImagePath, progressOpen);

    run.image.Close();
    run.drive.reset();
    if (progressOpen)
        CurrentProgress().Close();
    if (result <= -2)
        engine::ShowFailure(Reason(result), "Aborting image restore.");
    return result;
}
