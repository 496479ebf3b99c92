// A raw disk image inside a compressed stream (gzip, xz, zstd, bzip2) or a
// zip archive, read through libarchive: its raw format with every filter,
// or its zip format for the one image entry the probe chose. libarchive
// checks what the formats carry (CRCs, xz and zstd checksums and indexes);
// what it leaves alone, bytes after the end of a gzip or bzip2 stream, is
// checked here.
#pragma once

#include "image/ImageFormats.h"
#include "image/RawImageReader.h"

struct archive;

class ArchiveImageReader : public RawImageReader {
public:
    // Opens the file at path for reading as `format`; `stated` is the drive
    // bytes the stream states (IMAGE_SIZE_UNKNOWN when none), `entry` the
    // name of the image inside a zip archive. A file the probe found no
    // image in has its `problem` given: the first block fails with it. See
    // IsOpen.
    ArchiveImageReader(const std::string& path, ImageFormat format, int64_t stated, const std::string& entry = {},
                       const std::string& problem = {});
    ~ArchiveImageReader() override;

    // Returns the compressed bytes taken from the file so far.
    int64_t Position() const override;

protected:
    // Expands on; the archive is opened at the first call, on the reader's
    // thread. Fault: StreamDamaged.
    int64_t Pull(uint8_t* out, size_t length) override;

    // Bytes of the file after the end of a compressed stream are damage.
    std::string WhatFollowsTheEnd() override;

private:
    // Returns true once the archive is open at the image's bytes; false
    // after Fail().
    bool Start();
    // Returns the problem line for libarchive's last error, `what` saying
    // what was being done.
    std::string Trouble(const std::string& what) const;

    ImageFormat format_;
    std::string entry_;
    std::string refusal_;  // why the file holds no image to read
    struct archive* archive_ = nullptr;
    bool started_ = false;
};
