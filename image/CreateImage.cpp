#include "image/CreateImage.h"

#include "drive/PhysicalDrive.h"
#include "image/BlockCodec.h"
#include "image/BlockPipeline.h"
#include "image/EngineThreads.h"
#include "image/EngineSteps.h"
#include "image/ImageFile.h"
#include "image/PosixFile.h"
#include "ui/Progress.h"
#include "ui/ShowMessage.h"

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string kCaption = engine::Caption(" - [Create image]");

struct CreateRun {
    std::unique_ptr<platform::DriveHandle> drive;
    PosixFile image;
    struct stat created {};  // identity of the file this run created
    bool abort = false;
};

// Returns the reason line shown for a failure code.
const char* Reason(int32_t result)
{
    switch (result) {
    case -2: return "Can't read drive information.";
    case -3: return "Drive or image access failed.";
    case -4: return "Error while writing image header.";
    case -5: return "Error while reading drive data.";
    case -6:
    case -7: return "Error while writing image data.";
    default: return "Error while compressing image data.";
    }
}

// Returns 1 when the drive was opened and the file created, else -3. The
// file is created only once the drive is open: a busy drive must not cost
// the user the file that was at the path.
int32_t OpenBoth(CreateRun& run, const std::string& DriveName, const std::string& ImagePath)
{
    run.drive = OpenPhysicalDrive(DriveName, platform::OpenPurpose::ReadWhole);
    if (!run.drive)
        return -3;
    run.image = PosixFile::CreateForWriting(ImagePath);
    if (!run.image.IsOpen())
        return -3;
    if (::fstat(run.image.Fd(), &run.created) != 0)
        run.created = {};
    return 1;
}

// Reads the drive for the pipeline: one block per call, never past the
// drive's size. The outcome is the bytes read, or -1 for a failed read.
// Returns true while more blocks may follow: the reader stops at the last
// block, a failed read, or one that delivered nothing.
bool ReadBlock(platform::DriveHandle& drive, int64_t total, int64_t& readSoFar, BlockSlot& slot)
{
    const int64_t want = std::min(IMAGE_BLOCK_SIZE, total - readSoFar);
    slot.outcome = engine::ReadDriveFully(drive, slot.in, static_cast<size_t>(want));
    slot.inLength = std::max<int64_t>(slot.outcome, 0);
    slot.needsCoding = slot.inLength > 0;
    readSoFar += slot.inLength;
    return slot.inLength > 0 && readSoFar < total;
}

// Returns nothing; `coded` is the compressed size, or -1.
void CompressSlot(BlockSlot& slot)
{
    slot.coded = CompressBlock(slot.in, static_cast<size_t>(slot.inLength), slot.out, static_cast<size_t>(IMAGE_BLOCK_ROOM));
}

// Appends one compressed block: length field, then the compressed bytes.
// Returns 1 written, -6 length write failed, -7 data write failed, -8
// compression failed.
int32_t AppendBlock(PosixFile& image, const BlockSlot& slot)
{
    if (slot.coded < 0)
        return -8;
    uint8_t field[4];
    for (int i = 0; i < 4; ++i)
        field[i] = static_cast<uint8_t>(static_cast<uint32_t>(slot.coded) >> (8 * i));
    if (!image.WriteFull(field, sizeof field))
        return -6;
    return image.WriteFull(slot.out, static_cast<size_t>(slot.coded)) ? 1 : -7;
}

// The block loop: takes the blocks in drive order from the pipeline and
// appends them, one question, bar move, Cancel poll and event round per
// block. Returns 1 whole drive imaged (also when an abort came with the last
// block), 0 ended early, -5 read error not ignored, -6/-7/-8 as AppendBlock.
int32_t CopyBlocks(CreateRun& run, int64_t total)
{
    int64_t readSoFar = 0;
    BlockPipeline blocks([&](BlockSlot& slot) { return ReadBlock(*run.drive, total, readSoFar, slot); },
                         CompressSlot, EngineCodingThreads());
    engine::ProgressBar bar;
    int64_t bytesDone = 0;
    bool done = false;
    for (;;) {
        const BlockSlot* block = blocks.Next();
        if (!block)
            break;
        int64_t got = block->outcome;
        if (got < 0) {
            if (!engine::AskedYes(std::string("Can't read requested drive data.") + vbCrLf + vbCrLf +
                                      "Do you want to ignore the read error and continue?",
                                  kCaption))
                return -5;
            got = 0;
        }
        if (got > 0) {
            const int32_t appended = AppendBlock(run.image, *block);
            if (appended != 1)
                return appended;
        }
        bytesDone += got;
        bar.Update(bytesDone, total);
        done = total <= bytesDone;
        run.abort = engine::AbortConfirmed("Abort image creation?", kCaption);
        CurrentProgress().DoEvents();
        if (got == 0 || run.abort || done)
            break;
    }
    return done ? 1 : 0;
}

// Returns the result of the run from the geometry check on; the caller
// finishes (closes, deletes, reports).
int32_t Run(CreateRun& run, const std::string& DriveName, const std::string& ImagePath, ImageHeader& Header,
            bool& progressOpen)
{
    DISK_GEOMETRY geometry;
    int64_t capacity = 0;
    // A negative size is no size: nothing sensible can be read against it.
    if (GetDriveGeometry(DriveName, geometry, capacity) != 1 || capacity < 0)
        return -2;
    CurrentProgress().Open("Please wait, while creating the image...");
    progressOpen = true;
    if (OpenBoth(run, DriveName, ImagePath) != 1)
        return -3;

    FillImageHeaderForDrive(Header, geometry, capacity);
    const ImageHeaderBytes bytes = PackImageHeader(Header);
    if (!run.image.WriteFull(bytes.data(), bytes.size()))
        return -4;

    const int32_t result = CopyBlocks(run, capacity);
    // "Successfully created" must mean the image is on the storage.
    if (result == 1 && !run.image.Sync())
        return -7;
    return result;
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

int32_t CreateImage(const std::string& DriveName, const std::string& ImagePath, ImageHeader& Header)
{
    if (FileExists(ImagePath) == VB_TRUE &&
        !engine::AskedYes("File '" + ImagePath + "' already exists." + vbCrLf + vbCrLf + "Do you want to overwrite it?",
                          kCaption))
        return -1;

    CreateRun run;
    bool progressOpen = false;
    const int32_t result = Run(run, DriveName, ImagePath, Header, progressOpen);

    run.drive.reset();
    run.image.Close();
    if (progressOpen)
        CurrentProgress().Close();
    if (run.abort && result != 1)
        DeleteCreatedFile(run, ImagePath);
    if (result <= -2)
        engine::ShowFailure(Reason(result), "Aborting image creation.");
    return result;
}
