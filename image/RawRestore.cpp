#include "image/RawRestore.h"

#include "drive/CapacityText.h"
#include "image/ImageFormats.h"
#include "image/PosixFile.h"
#include "image/ZeroBlock.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

// Returns a size as the warning line gives it: "3.9 GB".
std::string Size(int64_t bytes)
{
    const ScaledCapacity scaled = ScaleCapacity(bytes);
    char text[48];
    std::snprintf(text, sizeof text, "%.1f %s", scaled.value, scaled.unit);
    return text;
}

std::string Quoted(const std::string& path)
{
    return "'" + path + "'";
}

// Returns what is wrong with a byte that is not zero at image offset `at`
// beyond the drive's end.
std::string DataBeyond(const std::string& path, int64_t at, int64_t driveBytes)
{
    return Quoted(path) + " holds data at byte " + std::to_string(at) + ", beyond the end of the drive (" +
           std::to_string(driveBytes) + " bytes). It is the image of a larger drive: restore it onto a drive of at "
           "least its size.";
}

// Returns the offset of the first byte that is not zero in [from, to) of
// the file open at fd, skipping its holes; -1 when all are zero, -2 when it
// cannot be read.
int64_t FirstDataByte(int fd, int64_t from, int64_t to)
{
    std::vector<uint8_t> buffer(1 << 20);
    int64_t at = from;
    while (at < to) {
        const off_t data = ::lseek(fd, at, SEEK_DATA);
        if (data < 0 || data >= to)
            return -1;  // only a hole is left (or no data at all)
        at = data;
        const auto want = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(buffer.size()), to - at));
        if (::pread(fd, buffer.data(), want, at) != static_cast<ssize_t>(want))
            return -2;
        if (!IsAllZero(buffer.data(), want))
            return at + (std::find_if(buffer.begin(), buffer.end(), [](uint8_t b) { return b != 0; }) - buffer.begin());
        at += static_cast<int64_t>(want);
    }
    return -1;
}

}  // namespace

std::string RawImageWarningLine(const std::string& imagePath, int64_t driveBytes)
{
    const ImageProbe probe = ProbeImage(imagePath);
    if (!probe.IsRaw() || driveBytes < 0)
        return {};
    if (probe.driveBytes < 0)
        return "The image's size is known only once it is read; at most the drive's " + Size(driveBytes) +
               " are written.";
    if (probe.driveBytes > driveBytes)
        return "The image is " + Size(probe.driveBytes) + ", larger than the drive's " + Size(driveBytes) +
               ": it is written only if everything beyond the drive's end is zero.";
    return "The image fills " + Size(probe.driveBytes) + " of the drive's " + Size(driveBytes) + ".";
}

std::string RawImageFitProblem(const std::string& imagePath, int64_t driveBytes)
{
    const ImageProbe probe = ProbeImage(imagePath);
    if (probe.driveBytes <= driveBytes)
        return {};
    if (probe.format != ImageFormat::Raw) {
        if (probe.driveBytes - driveBytes <= driveBytes)
            return {};  // checked while writing
        return Quoted(imagePath) + " expands to " + std::to_string(probe.driveBytes) +
               " bytes, more than twice the drive's " + std::to_string(driveBytes) +
               ". Restore it onto a drive of at least its size.";
    }
    PosixFile file = PosixFile::OpenForReading(imagePath);
    const int64_t data = file.IsOpen() ? FirstDataByte(file.Fd(), driveBytes, probe.driveBytes) : -2;
    if (data == -2)
        return Quoted(imagePath) + " could not be read beyond the drive's end.";
    return data >= 0 ? DataBeyond(imagePath, data, driveBytes) : std::string();
}

BlockFault DriveEndSink::Put(const Block& block)
{
    const auto within = static_cast<size_t>(std::clamp<int64_t>(driveBytes_ - block.offset, 0, static_cast<int64_t>(block.length)));
    if (within > 0)
        if (const BlockFault written = drive_.Put({block.bytes, within, block.offset}); written != BlockFault::None)
            return written;
    if (within == block.length)
        return BlockFault::None;
    const uint8_t* beyond = block.bytes + within;
    const size_t count = block.length - within;
    if (!IsAllZero(beyond, count)) {
        const auto first = std::find_if(beyond, beyond + count, [](uint8_t b) { return b != 0; }) - beyond;
        problem_ = DataBeyond(imagePath_, block.offset + static_cast<int64_t>(within) + first, driveBytes_);
        return BlockFault::BeyondDriveEnd;
    }
    if (streamed_ && block.offset + static_cast<int64_t>(block.length) - driveBytes_ > driveBytes_) {
        problem_ = Quoted(imagePath_) + " expands to more than twice the drive's " + std::to_string(driveBytes_) +
                   " bytes; it is no image of a drive this size. Restore it onto a drive of at least its size.";
        return BlockFault::BeyondDriveEnd;
    }
    return BlockFault::None;
}
