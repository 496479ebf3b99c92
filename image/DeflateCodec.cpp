#include "image/DeflateCodec.h"

#include <libdeflate.h>

namespace {

// libdeflate's compressors and decompressors serve one thread at a time, so
// each coding thread keeps its own, made on first use and freed when the
// thread ends (the pipeline's threads end with their run).
struct ThreadCoders {
    int level = -1;
    libdeflate_compressor* compressor = nullptr;
    libdeflate_decompressor* decompressor = nullptr;

    ~ThreadCoders()
    {
        libdeflate_free_compressor(compressor);
        libdeflate_free_decompressor(decompressor);
    }

    // Returns this thread's compressor for `level`, or nullptr when none
    // could be made.
    libdeflate_compressor* Compressor(int wanted)
    {
        if (level != wanted) {
            libdeflate_free_compressor(compressor);
            compressor = libdeflate_alloc_compressor(wanted);
            level = compressor ? wanted : -1;
        }
        return compressor;
    }

    // Returns this thread's decompressor, or nullptr when none could be made.
    libdeflate_decompressor* Decompressor()
    {
        if (!decompressor)
            decompressor = libdeflate_alloc_decompressor();
        return decompressor;
    }
};

thread_local ThreadCoders coders;

}  // namespace

int64_t DeflateCodec::Deflate(const uint8_t* in, size_t length, uint8_t* out, size_t room) const
{
    libdeflate_compressor* compressor = coders.Compressor(level_);
    if (!compressor)
        return -1;
    const size_t size = container_ == DeflateContainer::Zlib ? libdeflate_zlib_compress(compressor, in, length, out, room)
                                                             : libdeflate_gzip_compress(compressor, in, length, out, room);
    return size > 0 ? static_cast<int64_t>(size) : -1;
}

int64_t DeflateCodec::Compress(const uint8_t* in, size_t length, uint8_t* out, size_t room) const
{
    if (IsAllZero(in, length))
        return zeros_.Stored(length, out, room, [this](const uint8_t* zeros, size_t n, uint8_t* to, size_t space) {
            return Deflate(zeros, n, to, space);
        });
    return Deflate(in, length, out, room);
}

int64_t DeflateCodec::Expand(const uint8_t* in, size_t length, uint8_t* out, size_t room) const
{
    if (const int64_t zeros = zeros_.Expand(in, length, out, room); zeros >= 0)
        return zeros;
    libdeflate_decompressor* decompressor = coders.Decompressor();
    size_t expanded = 0;
    // Like zlib's uncompress, whatever follows the end of the stream is not read.
    if (!decompressor)
        return -1;
    const libdeflate_result result = container_ == DeflateContainer::Zlib
                                         ? libdeflate_zlib_decompress(decompressor, in, length, out, room, &expanded)
                                         : libdeflate_gzip_decompress(decompressor, in, length, out, room, &expanded);
    if (result != LIBDEFLATE_SUCCESS)
        return -1;
    if (expanded > 0 && IsAllZero(out, expanded))
        zeros_.Remember(in, length, expanded);
    return static_cast<int64_t>(expanded);
}
