#include "image/ZeroBlock.h"

#include "image/ImageHeader.h"

#include <cstring>
#include <mutex>
#include <vector>
#include <zlib.h>

namespace {

struct ZeroStream {
    size_t length = 0;
    std::vector<uint8_t> bytes;
    bool made = false;
};

// Returns true with the level-9 stream of `length` zero bytes in `stream`.
bool MakeZeroStream(size_t length, ZeroStream& stream)
{
    const std::vector<uint8_t> zeros(length, 0);
    stream.bytes.resize(compressBound(static_cast<uLong>(length)));
    uLongf outLength = static_cast<uLongf>(stream.bytes.size());
    if (compress2(stream.bytes.data(), &outLength, zeros.data(), static_cast<uLong>(length), 9) != Z_OK)
        return false;
    stream.bytes.resize(outLength);
    stream.length = length;
    stream.made = true;
    return true;
}

std::mutex cacheLock;
ZeroStream fullBlock;    // the one nearly every zero block uses
ZeroStream otherLength;  // the last short block seen (a drive's tail)

}  // namespace

bool IsAllZero(const uint8_t* data, size_t length)
{
    // Comparing the bytes with themselves shifted by one runs at memory speed
    // and stops at the first byte that differs from its neighbour.
    return length == 0 || (data[0] == 0 && std::memcmp(data, data + 1, length - 1) == 0);
}

int64_t CompressZeroBlock(size_t length, uint8_t* out, size_t room)
{
    std::lock_guard<std::mutex> hold(cacheLock);
    ZeroStream& stream = length == static_cast<size_t>(IMAGE_BLOCK_SIZE) ? fullBlock : otherLength;
    if ((!stream.made || stream.length != length) && !MakeZeroStream(length, stream)) {
        stream.made = false;
        return -1;
    }
    if (stream.bytes.size() > room)
        return -1;
    std::memcpy(out, stream.bytes.data(), stream.bytes.size());
    return static_cast<int64_t>(stream.bytes.size());
}

int64_t ExpandZeroStream(const uint8_t* in, size_t length, uint8_t* out, size_t room)
{
    size_t zeros = 0;
    {
        std::lock_guard<std::mutex> hold(cacheLock);
        if (!fullBlock.made)
            MakeZeroStream(static_cast<size_t>(IMAGE_BLOCK_SIZE), fullBlock);
        for (const ZeroStream* stream : {&fullBlock, &otherLength})
            if (stream->made && stream->bytes.size() == length && std::memcmp(stream->bytes.data(), in, length) == 0)
                zeros = stream->length;
    }
    if (zeros == 0 || zeros > room)
        return -1;
    std::memset(out, 0, zeros);
    return static_cast<int64_t>(zeros);
}
