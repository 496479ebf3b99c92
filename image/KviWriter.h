// Writing a .kvi image: the header, then each block as its 4-byte
// little-endian stored length and the stored bytes, compressed with the
// .kvi codec. The only place that knows how the blocks are framed when
// written.
#pragma once

#include "image/ImageWriter.h"
#include "image/PosixFile.h"

#include <string>

class KviWriter : public ImageWriter {
public:
    // Creates the image file at path anew (an existing one is emptied); see IsOpen.
    explicit KviWriter(const std::string& path);

    bool IsOpen() const override { return file_.IsOpen(); }
    int Fd() const override { return file_.Fd(); }
    bool IsRaw() const override { return false; }
    void Close() { file_.Close(); }

    // Returns true once the 384 header bytes are written.
    bool WriteHeader(const ImageHeader& header) override;

    // Returns true once the header at the start of the file is replaced by
    // this one (a conversion learns the drive's size at the stream's end).
    bool RewriteHeader(const ImageHeader& header);

    // Appends one stored block. Faults: LengthWriteFailed, DataWriteFailed.
    BlockFault Put(const Block& block) override;

    // Brings the image onto the storage. Fault: DataWriteFailed.
    BlockFault Finish() override;

    // Returns the codec of .kvi blocks, at the level chosen for new images.
    const BlockCodec* Codec() const override { return codec_; }

private:
    PosixFile file_;
    const BlockCodec* codec_;
};
