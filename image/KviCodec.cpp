#include "image/KviCodec.h"

#include "image/DeflateCodec.h"

#include <atomic>

namespace {

std::atomic<int> level{KVI_DEFAULT_LEVEL};
std::atomic<const BlockCodec*> installed{nullptr};

// Returns the libdeflate codec of `wanted`; one object per level, so the
// zero-block streams it made stay with the level they were made at.
const DeflateCodec& CodecAt(int wanted)
{
    static const DeflateCodec codecs[] = {DeflateCodec(1), DeflateCodec(2),  DeflateCodec(3),  DeflateCodec(4),
                                          DeflateCodec(5), DeflateCodec(6),  DeflateCodec(7),  DeflateCodec(8),
                                          DeflateCodec(9), DeflateCodec(10), DeflateCodec(11), DeflateCodec(12)};
    static_assert(sizeof codecs / sizeof codecs[0] == KVI_SMALLEST_LEVEL - KVI_FASTEST_LEVEL + 1);
    return codecs[wanted - KVI_FASTEST_LEVEL];
}

}  // namespace

bool SetKviLevel(int wanted)
{
    if (wanted < KVI_FASTEST_LEVEL || wanted > KVI_SMALLEST_LEVEL)
        return false;
    level = wanted;
    return true;
}

int KviLevel()
{
    return level;
}

const BlockCodec& KviCodec()
{
    if (const BlockCodec* codec = installed.load())
        return *codec;
    return CodecAt(level);
}

const BlockCodec* InstallKviCodec(const BlockCodec* codec)
{
    return installed.exchange(codec);
}
