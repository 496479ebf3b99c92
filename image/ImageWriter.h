// A new image file being written, whatever its format: a .kvi with its
// header, or a raw disk image (plain and sparse, or compressed). Image
// creation and conversion write every format through this face;
// image/ImageFormats.h chooses the writer for a name.
#pragma once

#include "image/BlockStreams.h"
#include "image/ImageHeader.h"

class ImageWriter : public BlockSink {
public:
    // Returns true when the file was created.
    virtual bool IsOpen() const = 0;

    // Returns the descriptor of the file written, -1 when none is open.
    virtual int Fd() const = 0;

    // Returns true once the image's header is written; a raw image has
    // none and writes nothing.
    virtual bool WriteHeader(const ImageHeader& header) = 0;

    // Returns true for a raw image, which keeps no header texts (creator,
    // description, date) and no geometry.
    virtual bool IsRaw() const { return true; }
};
