// Deflate streams made and read by libdeflate, each block on its own: zlib
// streams (RFC 1950), the stored form of the blocks of a .kvi image, or
// gzip members (RFC 1952), the blocks of a .img.gz image, which gzip -d
// reads one after the other as one file. Any such stream is read, whichever
// program made it; the zlib streams written are read by zlib's own
// uncompress as well.
#pragma once

#include "image/BlockCodec.h"
#include "image/ZeroBlock.h"

// The wrapping around the deflate data of each block.
enum class DeflateContainer { Zlib, Gzip };

class DeflateCodec : public BlockCodec {
public:
    // A codec compressing at `level`, as libdeflate counts them: 1 fastest
    // ... 12 smallest.
    explicit DeflateCodec(int level, DeflateContainer container = DeflateContainer::Zlib)
        : level_(level), container_(container)
    {
    }

    int Level() const { return level_; }

    // An all-zero block gets the stream this codec made of zeros once.
    int64_t Compress(const uint8_t* in, size_t length, uint8_t* out, size_t room) const override;
    // A remembered zero block's stream is not run through the expander.
    int64_t Expand(const uint8_t* in, size_t length, uint8_t* out, size_t room) const override;

private:
    int64_t Deflate(const uint8_t* in, size_t length, uint8_t* out, size_t room) const;

    int level_;
    DeflateContainer container_;
    mutable ZeroStreams zeros_;
};
