// Writing compressed raw disk images, each a stream the standard tool reads
// back to the drive's bytes: .img.gz (gzip -d), .img.xz (xz -d), .img.zst
// (zstd -d).
//
// A .img.gz is made of one gzip member per block, compressed in parallel on
// the engine's coding threads like the blocks of a .kvi; the first member
// carries the drive's size in an extra field, which gzip skips and this
// program's reader takes for its progress. xz and zstd compress with their
// libraries' own threads, one per core, while the engine hands them the
// blocks in order; a zstd frame states the drive's size in its header, an
// xz file in its index. xz is slow on long stretches of zeros (some 200 MB/s
// whatever the preset), so such a stretch ends the xz stream and is written
// as streams of one zero block each, made once: an .img.xz may be several
// xz streams one after the other, as xz -d reads them.
//
// A run that ends early leaves an xz or zstd stream unfinished: the tools
// then report the image cut short, which it is.
#pragma once

#include "image/RawFileWriter.h"

#include <functional>
#include <lzma.h>
#include <vector>

typedef struct ZSTD_CCtx_s ZSTD_CCtx;

// What the stream writers share: a buffer of compressed bytes appended to
// the file as the library hands them out.
class StreamImageWriter : public RawImageWriter {
public:
    // Brings the image onto the storage. Fault: DataWriteFailed.
    BlockFault Finish() override;

protected:
    explicit StreamImageWriter(const std::string& path) : RawImageWriter(path), buffer_(1 << 17) {}

    // One step of a compressing library: fills up to `room` bytes at out and
    // returns how many, or -1 when the library failed; sets `more` while it
    // has more to give for what it was handed.
    using Step = std::function<int64_t(uint8_t* out, size_t room, bool& more)>;

    // Runs `step` until it has no more to give, appending what it gives.
    // Faults: CodingFailed, DataWriteFailed.
    BlockFault Pump(const Step& step);

    // Ends the stream (the library's last bytes). Fault: CodingFailed,
    // DataWriteFailed.
    virtual BlockFault End() = 0;

private:
    std::vector<uint8_t> buffer_;
};

class GzipImageWriter : public RawImageWriter {
public:
    // `driveBytes` is stated in the first member when known (>= 0).
    GzipImageWriter(const std::string& path, int64_t driveBytes) : RawImageWriter(path), driveBytes_(driveBytes) {}

    // Appends the block's gzip member. Fault: DataWriteFailed.
    BlockFault Put(const Block& block) override;
    // Brings the image onto the storage; an empty drive gets one empty
    // member, as no file of no bytes is a gzip file. Fault: DataWriteFailed.
    BlockFault Finish() override;
    // Returns the codec that makes each block a gzip member.
    const BlockCodec* Codec() const override;

private:
    int64_t driveBytes_;
    bool anyMember_ = false;
};

class XzImageWriter : public StreamImageWriter {
public:
    // xz streams at `preset` (0..9), one thread per core.
    XzImageWriter(const std::string& path, int preset);
    ~XzImageWriter() override;

    // Compresses on; zero blocks are held back until it is known whether
    // their stretch is long. Faults: CodingFailed, DataWriteFailed.
    BlockFault Put(const Block& block) override;

protected:
    BlockFault End() override;

private:
    // Each returns BlockFault::None, CodingFailed or DataWriteFailed.
    // Compresses `length` bytes into the open stream, opening one first.
    BlockFault Compress(const uint8_t* bytes, size_t length);
    // Ends the open stream.
    BlockFault CloseStream();
    // Writes the zeros held back: into the open stream, or as zero streams.
    BlockFault WriteZeros();

    int preset_;
    lzma_stream stream_ = LZMA_STREAM_INIT;
    bool open_ = false;       // a stream takes data now
    bool anyStream_ = false;  // a stream was begun or written
    int64_t zeros_ = 0;       // zero bytes held back
    std::vector<uint8_t> zeroBlockStream_;  // an xz stream of IMAGE_BLOCK_SIZE zeros
};

class ZstdImageWriter : public StreamImageWriter {
public:
    // A zstd frame at `level`, stating `driveBytes` when known (>= 0), one
    // worker thread per core.
    ZstdImageWriter(const std::string& path, int64_t driveBytes, int level);
    ~ZstdImageWriter() override;

    // Compresses on. Faults: CodingFailed, DataWriteFailed.
    BlockFault Put(const Block& block) override;

protected:
    BlockFault End() override;

private:
    ZSTD_CCtx* context_ = nullptr;
};
