#include "image/ConvertImage.h"

#include "drive/PhysicalDrive.h"
#include "image/Commands.h"
#include "image/EngineSteps.h"
#include "image/ImageFile.h"
#include "image/ImageFormats.h"
#include "image/KviWriter.h"
#include "image/Transfer.h"
#include "platform/SyntheticGeometry.h"
#include "ui/Progress.h"
#include "ui/ShowMessage.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string kCaption = engine::Caption(" - [Convert image]");

// How a run ends, as the numbers ConvertImage returns.
enum class Converted : int32_t {
    Complete = 1, EndedEarly = 0, OverwriteDeclined = -1,
    NotAnImage = -2, OpenFailed = -3, HeaderFailed = -4,
    ReadFailed = -6, WriteFailed = -7, CodingFailed = -8,
};

// Returns the reason line shown for a failure.
const char* Reason(Converted result)
{
    switch (result) {
    case Converted::NotAnImage: return "The file is no image this program reads.";
    case Converted::OpenFailed: return "Image access failed.";
    case Converted::HeaderFailed: return "Error while reading or writing an image header.";
    case Converted::ReadFailed: return "Error while reading image data.";
    case Converted::WriteFailed: return "Error while writing image data.";
    default: return "Error while uncompressing or compressing image data.";
    }
}

// Returns the result a fault that ended the blocks stands for.
Converted ForFault(BlockFault fault)
{
    switch (fault) {
    case BlockFault::LengthCutShort:
    case BlockFault::LengthUnreadable:
    case BlockFault::LengthOutOfRange:
    case BlockFault::BlockUnreadable:
    case BlockFault::ImageChanged: return Converted::ReadFailed;
    case BlockFault::LengthWriteFailed:
    case BlockFault::DataWriteFailed: return Converted::WriteFailed;
    default: return Converted::CodingFailed;
    }
}

// Returns true when both paths name one existing file.
bool SameFile(const std::string& a, const std::string& b)
{
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// Returns the header of a new .kvi of `driveBytes` bytes: the source's
// geometry when it has one, else a Linux drive's of that size.
ImageHeader NewHeader(const ImageHeader& source, bool sourceIsKvi, int64_t driveBytes, const std::string& creator,
                      const std::string& description)
{
    ImageHeader header = NewImageHeader(creator, description);
    DISK_GEOMETRY geometry = SynthesizeGeometry(driveBytes, 512);
    if (sourceIsKvi) {
        geometry.Cylinders = source.Cylinders;
        geometry.TracksPerCylinder = static_cast<int32_t>(source.TracksPerCylinder);
        geometry.SectorsPerTrack = static_cast<int32_t>(source.SectorsPerTrack);
        geometry.BytesPerSector = static_cast<int32_t>(source.BytesPerSector);
    }
    FillImageHeaderForDrive(header, geometry, driveBytes);
    return header;
}

struct ConvertRun {
    std::unique_ptr<ImageReader> source;
    std::unique_ptr<ImageWriter> target;
    std::string problem;  // what is wrong, naming the file, when there is more to say
    bool aborted = false;
};

// Returns the result from the opening of the files on; the caller finishes.
Converted Run(ConvertRun& run, const std::string& inPath, const std::string& outPath, const std::string& creator,
              const std::string& description)
{
    run.source = OpenImageReader(inPath);
    ImageHeader sourceHeader;
    if (!run.source->IsOpen())
        return Converted::OpenFailed;
    if (!run.source->ReadHeader(sourceHeader))
        return Converted::HeaderFailed;
    const int64_t driveBytes = run.source->DriveBytes();
    run.target = OpenImageWriter(outPath, driveBytes);
    if (!run.target->IsOpen())
        return Converted::OpenFailed;
    ImageHeader header = NewHeader(sourceHeader, !run.source->IsRaw(), std::max<int64_t>(driveBytes, 0), creator, description);
    if (!run.target->WriteHeader(header))
        return Converted::HeaderFailed;

    const TransferRules rules{"Converting", "Abort image conversion?", kCaption, [](BlockFault) { return false; }};
    const TransferResult copied = RunTransfer(*run.source, *run.target, run.source->TransferTotal(), rules);
    run.aborted = copied.end == TransferEnd::Aborted;
    run.problem = run.source->Problem();
    if (copied.end == TransferEnd::Failed)
        return ForFault(copied.fault);
    if (copied.end != TransferEnd::Complete)
        return Converted::EndedEarly;
    // A stream that stated no size: the new .kvi's header learns it now.
    if (driveBytes < 0 && !run.target->IsRaw()) {
        header = NewHeader(sourceHeader, false, copied.offset, creator, description);
        auto* kvi = static_cast<KviWriter*>(run.target.get());
        if (!kvi->RewriteHeader(header) || kvi->Finish() != BlockFault::None)
            return Converted::HeaderFailed;
    }
    return Converted::Complete;
}

}  // namespace

int32_t ConvertImage(const std::string& inPath, const std::string& outPath, const std::string& creator,
                     const std::string& description)
{
    const ImageProbe probe = ProbeImage(inPath);
    Converted result = Converted::Complete;
    ConvertRun run;
    bool progressOpen = false;
    if (probe.format == ImageFormat::Unknown || !probe.problem.empty()) {
        result = Converted::NotAnImage;
        run.problem = probe.problem.empty() ? "'" + inPath + "' is neither a .kvi image nor a raw disk image." : probe.problem;
    } else if (SameFile(inPath, outPath)) {
        result = Converted::OpenFailed;
        run.problem = "'" + outPath + "' is the image being read. Choose another name for the new image.";
    } else if (FileExists(outPath) == VB_TRUE &&
               !engine::AskedYes("File '" + outPath + "' already exists." + vbCrLf + vbCrLf + "Do you want to overwrite it?",
                                 kCaption)) {
        return static_cast<int32_t>(Converted::OverwriteDeclined);
    } else {
        CurrentProgress().Open("Please wait, while converting the image...");
        progressOpen = true;
        result = Run(run, inPath, outPath, creator, description);
    }

    run.source.reset();
    run.target.reset();
    if (progressOpen)
        CurrentProgress().Close();
    if (run.aborted)
        ::unlink(outPath.c_str());
    if (static_cast<int32_t>(result) <= -2)
        engine::ShowFailure(Reason(result) + (run.problem.empty() ? "" : vbCrLf + run.problem), "Aborting image conversion.");
    return static_cast<int32_t>(result);
}
