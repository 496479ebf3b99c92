// How the blocks of an image file are stored: a codec turns a block of drive
// bytes into its stored form and back. The reader or writer of a format
// chooses its codec; the block loop runs it on the pipeline's threads, so a
// codec works on caller-given buffers only and is safe to call from several
// threads at once.
#pragma once

#include <cstddef>
#include <cstdint>

class BlockCodec {
public:
    virtual ~BlockCodec() = default;

    // Stores `length` drive bytes into `room` bytes at out. Returns the
    // stored size, or -1 when coding failed or the result does not fit.
    virtual int64_t Compress(const uint8_t* in, size_t length, uint8_t* out, size_t room) const = 0;

    // Turns one stored block of `length` bytes back into drive bytes within
    // `room` bytes at out. Returns the expanded size, or -1 when the block
    // is damaged, cut short, or expands to more than `room` bytes.
    virtual int64_t Expand(const uint8_t* in, size_t length, uint8_t* out, size_t room) const = 0;
};
