// Blocks of nothing but zero bytes: common on cards (space never written),
// and always stored as the same few hundred bytes. Recognising one takes a
// scan; compressing it would take milliseconds, and expanding it runs the
// expander over half a megabyte of matches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

// Returns true when all `length` bytes at data are zero (also for length 0).
bool IsAllZero(const uint8_t* data, size_t length);

// The stored forms of zero blocks for one codec. Writing, each length's
// stream is made once by the codec itself, so a shortcut block is the very
// bytes the codec makes. Reading, a stream that expanded to zeros once is
// remembered, so the streams of any writer (this program at any level, or
// zlib) are recognised after their first appearance. Safe to use from
// several threads.
class ZeroStreams {
public:
    // Stores `length` zero bytes into `room` bytes at out; returns the
    // stored size or -1.
    using Make = std::function<int64_t(const uint8_t* zeros, size_t length, uint8_t* out, size_t room)>;

    // Copies the stored stream of `length` zero bytes into `room` bytes at
    // out, made with `make` on first use of that length (the full block's
    // stream is kept for good, other lengths one at a time). Returns its
    // size, or -1 when `make` failed or the stream does not fit.
    int64_t Stored(size_t length, uint8_t* out, size_t room, const Make& make);

    // Writes the zeros of a remembered zero stream into `room` bytes at out.
    // Returns the expanded size, or -1 when `in` is no remembered stream or
    // its zeros do not fit, for the caller to expand it the ordinary way.
    int64_t Expand(const uint8_t* in, size_t length, uint8_t* out, size_t room);

    // Remembers that the stream of `length` bytes at in expands to `zeros`
    // zero bytes. Returns nothing.
    void Remember(const uint8_t* in, size_t length, size_t zeros);

private:
    struct Stream {
        size_t zeros = 0;
        std::vector<uint8_t> bytes;
    };

    std::mutex lock_;
    Stream fullBlock_;    // the one nearly every zero block uses
    Stream otherLength_;  // the last short block made (a drive's tail)
    static constexpr size_t kRemembered = 4;
    Stream seen_[kRemembered];  // streams read that expanded to zeros
    size_t nextSeen_ = 0;
};
