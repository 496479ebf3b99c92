// An uncompressed raw disk image (.img, .iso, .raw, .bin): the file holds
// the drive's bytes as they are, and its size is the image's.
#pragma once

#include "image/RawImageReader.h"

class PlainImageReader : public RawImageReader {
public:
    // Opens the file at path for reading; see IsOpen.
    explicit PlainImageReader(const std::string& path);

    int64_t Position() const override { return read_; }
    bool IsPlainFile() const override { return true; }

protected:
    // Reads on up to the size the file had when it was opened. Faults:
    // BlockUnreadable, ImageChanged (the file ends before that size).
    int64_t Pull(uint8_t* out, size_t length) override;

private:
    int64_t read_ = 0;
};
