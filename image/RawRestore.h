// What a restore does differently for a raw disk image, which has no
// geometry to compare with the drive's: the size rule. An image no larger
// than the drive is written from the drive's first byte and the rest of the
// drive keeps what it holds; an image larger than the drive is written only
// as far as the drive reaches, and only when every byte beyond is zero:
// checked before writing for an uncompressed file, while writing for a
// compressed stream, whose expansion stops once it passes the drive's end
// by more than the drive's own size (a decompression bomb never runs on).
#pragma once

#include "image/BlockStreams.h"

#include <cstdint>
#include <string>

// Returns the line the restore's warning adds for a raw image about to go
// onto the drive of `driveBytes` bytes (< 0 when not known): "The image
// fills 3.9 GB of the drive's 31.9 GB.", or what happens to a larger image
// or one whose size is not known yet. "" for anything but a raw image.
std::string RawImageWarningLine(const std::string& imagePath, int64_t driveBytes);

// Returns "" when the raw image at imagePath may be written onto a drive of
// `driveBytes` bytes as far as can be told before writing; otherwise what
// is wrong, naming the file.
std::string RawImageFitProblem(const std::string& imagePath, int64_t driveBytes);

// The drive as a raw image's blocks reach it: what lies within the drive
// goes on to the drive's own sink; what lies beyond must be zero. A
// stream whose expansion is not bounded by a file's size (`streamed`) may
// pass the drive's end by no more than the drive's own size.
class DriveEndSink : public BlockSink {
public:
    DriveEndSink(BlockSink& drive, int64_t driveBytes, const std::string& imagePath, bool streamed)
        : drive_(drive), driveBytes_(driveBytes), imagePath_(imagePath), streamed_(streamed)
    {
    }

    // Faults: those of the drive's sink; BeyondDriveEnd for a byte that is
    // not zero beyond the drive's end, or a stream passing the end by more
    // than the drive's size (Problem() then says which).
    BlockFault Put(const Block& block) override;

    BlockFault Finish() override { return drive_.Finish(); }

    // Returns what is wrong after a BeyondDriveEnd fault, naming the file.
    const std::string& Problem() const { return problem_; }

private:
    BlockSink& drive_;
    int64_t driveBytes_;
    std::string imagePath_;
    bool streamed_;
    std::string problem_;
};
