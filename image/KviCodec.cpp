#include "image/KviCodec.h"

#include "image/DeflateCodec.h"

#include <atomic>
#include <memory>
#include <vector>

namespace {

std::atomic<int> level{KVI_DEFAULT_LEVEL};
std::atomic<const BlockCodec*> installed{nullptr};

// Returns the libdeflate codec of `wanted` in `container`; one object per
// level, so the zero-block streams it made stay with the level they were
// made at.
const DeflateCodec& CodecAt(int wanted, DeflateContainer container)
{
    static const auto codecs = [] {
        std::vector<std::unique_ptr<DeflateCodec>> made;
        for (const DeflateContainer c : {DeflateContainer::Zlib, DeflateContainer::Gzip})
            for (int l = KVI_FASTEST_LEVEL; l <= KVI_SMALLEST_LEVEL; ++l)
                made.push_back(std::make_unique<DeflateCodec>(l, c));
        return made;
    }();
    const int levels = KVI_SMALLEST_LEVEL - KVI_FASTEST_LEVEL + 1;
    return *codecs[(container == DeflateContainer::Gzip ? levels : 0) + wanted - KVI_FASTEST_LEVEL];
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
    return CodecAt(level, DeflateContainer::Zlib);
}

const BlockCodec* InstallKviCodec(const BlockCodec* codec)
{
    return installed.exchange(codec);
}

const BlockCodec& GzipMemberCodec()
{
    return CodecAt(level, DeflateContainer::Gzip);
}
