// An image file opened for reading, whatever its format: a .kvi with its
// header, or a raw disk image (plain, compressed, or inside a zip), whose
// blocks are the drive's bytes as they are. The restore, the conversion and
// the block check read every format through this face; image/ImageFormats.h
// chooses the reader for a file.
#pragma once

#include "image/BlockStreams.h"
#include "image/ImageHeader.h"
#include "image/Transfer.h"

#include <cstdint>
#include <string>

// The drive bytes of a compressed stream that states no size: known only
// once it has been read to its end.
constexpr int64_t IMAGE_SIZE_UNKNOWN = -1;

class ImageReader : public BlockSource {
public:
    // Returns true when the file could be opened.
    virtual bool IsOpen() const = 0;

    // Returns true once what the image says about itself is read: a .kvi's
    // header into `header`; a raw image has none, leaving `header` alone.
    // False when the header is cut short or unreadable.
    virtual bool ReadHeader(ImageHeader& header) = 0;

    // Returns true for a raw disk image, which has no header, no geometry,
    // and no drive size of its own beyond its length.
    virtual bool IsRaw() const { return false; }

    // Returns true when the drive bytes are the file's own bytes, so that
    // no more can come than the file holds (a plain raw image).
    virtual bool IsPlainFile() const { return false; }

    // Returns the drive bytes the image holds once its header is read: a
    // .kvi's DriveSize, a raw image's length; IMAGE_SIZE_UNKNOWN for a
    // compressed stream whose length is known only at its end.
    virtual int64_t DriveBytes() const = 0;

    // Returns the file offset the next block is read from (for a compressed
    // stream: the compressed bytes taken in so far).
    virtual int64_t Position() const = 0;

    // Returns what is wrong after a fault of this reader, naming the file
    // ("'card.img.xz': the xz data is damaged ..."); "" when the fault says
    // all there is to say.
    virtual std::string Problem() const { return {}; }

    // Returns the total a transfer from this image runs to: a .kvi's drive
    // size; for a raw image the end of its stream, which is read to the
    // last byte so that what its end checks (a stream's closing checksums,
    // a file that changed) is never skipped.
    int64_t TransferTotal() const { return IsRaw() ? TRANSFER_UNTIL_SOURCE_ENDS : DriveBytes(); }
};
