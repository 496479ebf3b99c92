#include "image/CompressedImageWriters.h"

#include "image/EngineThreads.h"
#include "image/KviCodec.h"
#include "image/StreamSizes.h"
#include "image/ZeroBlock.h"

#include <algorithm>
#include <zstd.h>

namespace {
// Zeros from this many bytes on in a row end the xz stream: a shorter
// stretch is cheaper to compress than to start a new stream after it.
constexpr int64_t kLongZeroStretch = 16 * IMAGE_BLOCK_SIZE;
}  // namespace

BlockFault StreamImageWriter::Finish()
{
    if (const BlockFault ended = End(); ended != BlockFault::None)
        return ended;
    return RawImageWriter::Finish();
}

BlockFault StreamImageWriter::Pump(const Step& step)
{
    bool more = true;
    while (more) {
        const int64_t made = step(buffer_.data(), buffer_.size(), more);
        if (made < 0)
            return BlockFault::CodingFailed;
        if (made > 0 && !file_.WriteFull(buffer_.data(), static_cast<size_t>(made)))
            return BlockFault::DataWriteFailed;
    }
    return BlockFault::None;
}

BlockFault GzipImageWriter::Put(const Block& block)
{
    anyMember_ = true;
    if (block.offset == 0 && driveBytes_ >= 0) {
        const std::vector<uint8_t> first = GzipMemberStatingSize(block.bytes, block.length, driveBytes_);
        return file_.WriteFull(first.data(), first.size()) ? BlockFault::None : BlockFault::DataWriteFailed;
    }
    return file_.WriteFull(block.bytes, block.length) ? BlockFault::None : BlockFault::DataWriteFailed;
}

BlockFault GzipImageWriter::Finish()
{
    // Header (deflate, no flags, no time, Unix), an empty final block, CRC and size 0.
    static const uint8_t kEmptyMember[] = {0x1f, 0x8b, 8, 0, 0, 0, 0, 0, 0, 3, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    if (!anyMember_ && !file_.WriteFull(kEmptyMember, sizeof kEmptyMember))
        return BlockFault::DataWriteFailed;
    return RawImageWriter::Finish();
}

const BlockCodec* GzipImageWriter::Codec() const
{
    return &GzipMemberCodec();
}

XzImageWriter::XzImageWriter(const std::string& path, int preset) : StreamImageWriter(path), preset_(preset) {}

XzImageWriter::~XzImageWriter()
{
    lzma_end(&stream_);
}

BlockFault XzImageWriter::Compress(const uint8_t* bytes, size_t length)
{
    if (!open_) {
        lzma_mt options{};
        options.threads = static_cast<uint32_t>(std::max(1, EngineCodingThreads()));
        options.preset = static_cast<uint32_t>(preset_);
        options.check = LZMA_CHECK_CRC64;
        if (lzma_stream_encoder_mt(&stream_, &options) != LZMA_OK)
            return BlockFault::CodingFailed;
        open_ = anyStream_ = true;
    }
    stream_.next_in = bytes;
    stream_.avail_in = length;
    return Pump([this](uint8_t* out, size_t room, bool& more) -> int64_t {
        stream_.next_out = out;
        stream_.avail_out = room;
        if (lzma_code(&stream_, LZMA_RUN) != LZMA_OK)
            return -1;
        more = stream_.avail_in > 0;
        return static_cast<int64_t>(room - stream_.avail_out);
    });
}

BlockFault XzImageWriter::CloseStream()
{
    if (!open_)
        return BlockFault::None;
    open_ = false;
    return Pump([this](uint8_t* out, size_t room, bool& more) -> int64_t {
        stream_.next_out = out;
        stream_.avail_out = room;
        const lzma_ret ret = lzma_code(&stream_, LZMA_FINISH);
        if (ret != LZMA_OK && ret != LZMA_STREAM_END)
            return -1;
        more = ret != LZMA_STREAM_END;
        return static_cast<int64_t>(room - stream_.avail_out);
    });
}

BlockFault XzImageWriter::WriteZeros()
{
    const std::vector<uint8_t> zeros(static_cast<size_t>(std::min(zeros_, IMAGE_BLOCK_SIZE)), 0);
    while (zeros_ > 0) {
        const auto length = static_cast<size_t>(std::min(zeros_, IMAGE_BLOCK_SIZE));
        zeros_ -= static_cast<int64_t>(length);
        if (open_) {
            if (const BlockFault fault = Compress(zeros.data(), length); fault != BlockFault::None)
                return fault;
            continue;
        }
        const bool full = length == static_cast<size_t>(IMAGE_BLOCK_SIZE);
        std::vector<uint8_t> made;
        std::vector<uint8_t>& stream = full ? zeroBlockStream_ : made;
        if (stream.empty()) {
            stream.resize(lzma_stream_buffer_bound(length));
            size_t size = 0;
            if (lzma_easy_buffer_encode(static_cast<uint32_t>(preset_), LZMA_CHECK_CRC64, nullptr, zeros.data(), length,
                                        stream.data(), &size, stream.size()) != LZMA_OK) {
                stream.clear();
                return BlockFault::CodingFailed;
            }
            stream.resize(size);
        }
        anyStream_ = true;
        if (!file_.WriteFull(stream.data(), stream.size()))
            return BlockFault::DataWriteFailed;
    }
    return BlockFault::None;
}

BlockFault XzImageWriter::Put(const Block& block)
{
    if (IsAllZero(block.bytes, block.length)) {
        zeros_ += static_cast<int64_t>(block.length);
        return zeros_ >= kLongZeroStretch ? CloseStream() : BlockFault::None;
    }
    if (const BlockFault fault = WriteZeros(); fault != BlockFault::None)
        return fault;
    return Compress(block.bytes, block.length);
}

BlockFault XzImageWriter::End()
{
    if (const BlockFault fault = WriteZeros(); fault != BlockFault::None)
        return fault;
    // An empty drive still makes one (empty) stream: a file of no bytes is no xz file.
    if (!anyStream_)
        if (const BlockFault fault = Compress(nullptr, 0); fault != BlockFault::None)
            return fault;
    return CloseStream();
}

ZstdImageWriter::ZstdImageWriter(const std::string& path, int64_t driveBytes, int level)
    : StreamImageWriter(path), context_(ZSTD_createCCtx())
{
    ready_ = context_ && !ZSTD_isError(ZSTD_CCtx_setParameter(context_, ZSTD_c_compressionLevel, level)) &&
             !ZSTD_isError(ZSTD_CCtx_setParameter(context_, ZSTD_c_checksumFlag, 1)) &&
             !ZSTD_isError(ZSTD_CCtx_setParameter(context_, ZSTD_c_nbWorkers, EngineCodingThreads())) &&
             (driveBytes < 0 ||
              !ZSTD_isError(ZSTD_CCtx_setPledgedSrcSize(context_, static_cast<unsigned long long>(driveBytes))));
}

ZstdImageWriter::~ZstdImageWriter()
{
    ZSTD_freeCCtx(context_);
}

BlockFault ZstdImageWriter::Put(const Block& block)
{
    ZSTD_inBuffer in{block.bytes, block.length, 0};
    return Pump([&](uint8_t* out, size_t room, bool& more) -> int64_t {
        ZSTD_outBuffer made{out, room, 0};
        if (ZSTD_isError(ZSTD_compressStream2(context_, &made, &in, ZSTD_e_continue)))
            return -1;
        more = in.pos < in.size;
        return static_cast<int64_t>(made.pos);
    });
}

BlockFault ZstdImageWriter::End()
{
    ZSTD_inBuffer none{nullptr, 0, 0};
    return Pump([&](uint8_t* out, size_t room, bool& more) -> int64_t {
        ZSTD_outBuffer made{out, room, 0};
        const size_t left = ZSTD_compressStream2(context_, &made, &none, ZSTD_e_end);
        if (ZSTD_isError(left))
            return -1;
        more = left != 0;
        return static_cast<int64_t>(made.pos);
    });
}
