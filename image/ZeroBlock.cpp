#include "image/ZeroBlock.h"

#include "image/ImageHeader.h"

#include <algorithm>
#include <cstring>

bool IsAllZero(const uint8_t* data, size_t length)
{
    // Comparing the bytes with themselves shifted by one runs at memory speed
    // and stops at the first byte that differs from its neighbour.
    return length == 0 || (data[0] == 0 && std::memcmp(data, data + 1, length - 1) == 0);
}

int64_t ZeroStreams::Stored(size_t length, uint8_t* out, size_t room, const Make& make)
{
    std::lock_guard<std::mutex> hold(lock_);
    Stream& stream = length == static_cast<size_t>(IMAGE_BLOCK_SIZE) ? fullBlock_ : otherLength_;
    if (stream.bytes.empty() || stream.zeros != length) {
        const std::vector<uint8_t> zeros(length, 0);
        std::vector<uint8_t> made(static_cast<size_t>(IMAGE_BLOCK_ROOM));
        const int64_t size = make(zeros.data(), length, made.data(), made.size());
        if (size <= 0)
            return -1;
        made.resize(static_cast<size_t>(size));
        stream = {length, std::move(made)};
    }
    if (stream.bytes.size() > room)
        return -1;
    std::memcpy(out, stream.bytes.data(), stream.bytes.size());
    return static_cast<int64_t>(stream.bytes.size());
}

int64_t ZeroStreams::Expand(const uint8_t* in, size_t length, uint8_t* out, size_t room)
{
    size_t zeros = 0;
    bool known = false;
    {
        std::lock_guard<std::mutex> hold(lock_);
        for (const Stream& stream : seen_)
            if (!stream.bytes.empty() && stream.bytes.size() == length &&
                std::memcmp(stream.bytes.data(), in, length) == 0) {
                zeros = stream.zeros;
                known = true;
                break;
            }
    }
    if (!known || zeros > room)
        return -1;
    std::memset(out, 0, zeros);
    return static_cast<int64_t>(zeros);
}

void ZeroStreams::Remember(const uint8_t* in, size_t length, size_t zeros)
{
    std::lock_guard<std::mutex> hold(lock_);
    for (const Stream& stream : seen_)
        if (stream.bytes.size() == length && std::memcmp(stream.bytes.data(), in, length) == 0)
            return;
    seen_[nextSeen_] = {zeros, std::vector<uint8_t>(in, in + length)};
    nextSeen_ = (nextSeen_ + 1) % kRemembered;
}
