// Reading a .kvi image: the 384-byte header, then block after block, each a
// 4-byte little-endian length L and one zlib stream of L bytes. The only
// place that knows how the blocks are framed when read; the restore and the
// block check of `kvi info --check` both walk images through it.
#pragma once

#include "image/ImageReader.h"
#include "image/PosixFile.h"

#include <string>

class KviReader : public ImageReader {
public:
    // Opens the image at path for reading; see IsOpen.
    explicit KviReader(const std::string& path);

    bool IsOpen() const override { return file_.IsOpen(); }
    void Close() { file_.Close(); }

    // Returns true with the header read and unpacked into `header`; false
    // when the file is shorter than a header or unreadable.
    bool ReadHeader(ImageHeader& header) override;

    // Returns the header's DriveSize once it is read.
    int64_t DriveBytes() const override { return driveSize_; }

    // Reads the stored block at the file's position. The end of the image
    // (no length field, or L = 0) is a slot with no bytes. Faults: the
    // length field cut short or unreadable, L negative or beyond
    // IMAGE_BLOCK_ROOM, the block unreadable or cut short by the end of the
    // file. Returns true while more blocks may follow.
    bool Read(BlockSlot& slot) override;

    // The file offset of the next block's length field.
    int64_t Position() const override { return position_; }

    // Returns the codec of .kvi blocks.
    const BlockCodec* Codec() const override;

private:
    PosixFile file_;
    int64_t position_ = 0;
    int64_t driveSize_ = 0;
};
