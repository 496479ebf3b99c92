// Writing raw disk images: what every raw image writer shares (a new file,
// no header), and the uncompressed .img, which is sparse: a block of zeros
// becomes a hole, so an image of a card that is mostly empty takes little
// room, and the file still reads as the drive's bytes, zeros and all.
#pragma once

#include "image/ImageWriter.h"
#include "image/PosixFile.h"

#include <string>

class RawImageWriter : public ImageWriter {
public:
    bool IsOpen() const override { return file_.IsOpen() && ready_; }
    int Fd() const override { return file_.Fd(); }

    // A raw image has no header: returns true, writing nothing.
    bool WriteHeader(const ImageHeader&) override { return true; }

    // Brings the image onto the storage. Fault: DataWriteFailed.
    BlockFault Finish() override;

protected:
    // Creates the file at path anew (an existing one is emptied).
    explicit RawImageWriter(const std::string& path) : file_(PosixFile::CreateForWriting(path)) {}

    PosixFile file_;
    bool ready_ = true;  // false when what writes into the file could not be set up
};

class RawFileWriter : public RawImageWriter {
public:
    explicit RawFileWriter(const std::string& path) : RawImageWriter(path) {}

    // Writes the block's bytes at its drive offset; a block of zeros only
    // makes the file that long. Fault: DataWriteFailed.
    BlockFault Put(const Block& block) override;

private:
    int64_t size_ = 0;  // the file's length so far
};
