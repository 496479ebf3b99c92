// A raw disk image read as a block source: the file (or the stream it
// holds) is the drive's bytes, cut into blocks of IMAGE_BLOCK_SIZE and
// closed by an empty slot at its clean end. The end is checked before it is
// given as one: a file that changed while it was read, or a stream followed
// by bytes of something else, fails there instead. The ways of getting the
// bytes (a plain file, a compressed stream, a zip entry) are the subclasses'.
#pragma once

#include "image/ImageReader.h"
#include "image/PosixFile.h"

#include <string>
#include <sys/stat.h>

class RawImageReader : public ImageReader {
public:
    bool IsOpen() const override { return file_.IsOpen(); }
    bool IsRaw() const override { return true; }

    // A raw image has no header: returns true, reading nothing.
    bool ReadHeader(ImageHeader&) override { return true; }

    // Returns the drive bytes the image holds, or IMAGE_SIZE_UNKNOWN.
    int64_t DriveBytes() const override { return stated_; }

    // Fills the slot with the next IMAGE_BLOCK_SIZE bytes of the stream (the
    // last block the rest), or gives the empty slot of a clean end. Faults:
    // BlockUnreadable (a read call failed), StreamDamaged (the compressed
    // data is damaged, cut short, or followed by other bytes), ImageChanged
    // (the file changed while it was read); Problem() then says which.
    // Returns true while more blocks may follow.
    bool Read(BlockSlot& slot) override;

    // Progress counts the drive bytes against their total where it is
    // known, else the bytes taken from the file against its size.
    int64_t ProgressTotal() const override { return stated_ >= 0 ? stated_ : fileBytes_; }

    std::string Problem() const override { return problem_; }

protected:
    // Opens the file at path; `stated` is the drive bytes the image holds
    // when known before reading (IMAGE_SIZE_UNKNOWN otherwise).
    RawImageReader(const std::string& path, int64_t stated);

    // Copies up to `length` further bytes of the stream to out. Returns the
    // bytes copied, 0 at the stream's end, -1 with Fail() called.
    virtual int64_t Pull(uint8_t* out, size_t length) = 0;

    // Returns "" when nothing follows the stream's end in the file, else what
    // is wrong, naming the file.
    virtual std::string WhatFollowsTheEnd() { return {}; }

    // Notes what went wrong; returns -1 for Pull to return.
    int64_t Fail(BlockFault fault, const std::string& problem);

    // Returns the file's name as the problems quote it: 'card.img.xz'.
    std::string Quoted() const { return "'" + path_ + "'"; }

    PosixFile file_;
    int64_t fileBytes_ = 0;  // the file's size when it was opened
    int64_t stated_;

private:
    std::string path_;
    int64_t delivered_ = 0;
    struct stat opened_ {};
    BlockFault fault_ = BlockFault::None;
    std::string problem_;
};
