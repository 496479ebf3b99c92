#include "image/BlockCodec.h"

#include "image/ZeroBlock.h"

#include <atomic>
#include <zlib.h>

namespace {
std::atomic<Compress2Function> compressor{&compress2};
}  // namespace

Compress2Function SetCompress2(Compress2Function compress)
{
    return compressor.exchange(compress ? compress : &compress2);
}

int64_t CompressBlock(const uint8_t* in, size_t length, uint8_t* out, size_t room)
{
    if (IsAllZero(in, length))
        return CompressZeroBlock(length, out, room);
    uLongf outLength = static_cast<uLongf>(room);
    if (compressor.load()(out, &outLength, in, static_cast<uLong>(length), 9) != Z_OK)
        return -1;
    return static_cast<int64_t>(outLength);
}

int64_t ExpandBlock(const uint8_t* in, size_t length, uint8_t* out, size_t room)
{
    if (const int64_t zeros = ExpandZeroStream(in, length, out, room); zeros >= 0)
        return zeros;
    uLongf outLength = static_cast<uLongf>(room);
    if (uncompress(out, &outLength, in, static_cast<uLong>(length)) != Z_OK)
        return -1;
    return static_cast<int64_t>(outLength);
}
