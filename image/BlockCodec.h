// One image block in and out of its zlib form. Works on caller-given buffers
// only, so several blocks may be coded at once on different threads.
#pragma once

#include <cstddef>
#include <cstdint>

// Compresses `length` bytes at level 9 into `room` bytes at out, the very
// bytes compress2 makes (an all-zero block's stream is taken from
// image/ZeroBlock.h). Returns the compressed size, or -1 when zlib failed or
// the result does not fit.
int64_t CompressBlock(const uint8_t* in, size_t length, uint8_t* out, size_t room);

// The call behind CompressBlock, zlib's compress2 unless replaced: a failing
// one lets the handling of a failed compression be exercised, which zlib
// itself never gives with this room. Returns the one replaced.
using Compress2Function = int (*)(uint8_t* dest, unsigned long* destLength, const uint8_t* source,
                                  unsigned long sourceLength, int level);
Compress2Function SetCompress2(Compress2Function compress);

// Expands one zlib stream of `length` bytes into `room` bytes at out (a zero
// block's stream is recognised and not inflated). Returns the expanded size,
// or -1 when the stream is damaged, cut short, or expands to more than
// `room` bytes.
int64_t ExpandBlock(const uint8_t* in, size_t length, uint8_t* out, size_t room);
