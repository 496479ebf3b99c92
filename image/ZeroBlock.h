// Blocks of nothing but zero bytes: common on cards (space never written),
// and always compressed to the same few hundred bytes. Recognising them
// takes a scan; compressing them at level 9 would take milliseconds.
#pragma once

#include <cstddef>
#include <cstdint>

// Returns true when all `length` bytes at data are zero (also for length 0).
bool IsAllZero(const uint8_t* data, size_t length);

// Copies the level-9 compress2 stream of `length` zero bytes into `room`
// bytes at out; each length is compressed once, on first use, and the
// full-size block's stream is kept for the life of the program. Returns the
// stream's size, or -1 when zlib failed or the stream does not fit.
int64_t CompressZeroBlock(size_t length, uint8_t* out, size_t room);

// Recognises the stored stream of a zero block (the full-size one, or the
// last short length seen) and writes its zero bytes into `room` bytes at
// out, without running the expander: inflating long runs of zeros is byte
// by byte. Returns the expanded size, or -1 when `in` is not such a stream
// (or does not fit), for the caller to expand it the ordinary way.
int64_t ExpandZeroStream(const uint8_t* in, size_t length, uint8_t* out, size_t room);
