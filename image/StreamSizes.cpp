#include "image/StreamSizes.h"

#include "platform/FullIo.h"

#include <cstring>
#include <lzma.h>
#define ZSTD_STATIC_LINKING_ONLY  // ZSTD_getFrameHeader, part of the shared library's exports
#include <zstd.h>

namespace {

// The gzip extra subfield this program writes: 'K' 'V', 8 bytes, the
// uncompressed total, little-endian.
constexpr uint8_t kFieldId[2] = {'K', 'V'};
constexpr size_t kGzipFixedHeader = 10;
constexpr uint8_t kGzipFlagExtra = 0x04;
// The index of an xz file is small; a larger one is damage or a trick.
constexpr uint64_t kXzIndexMemory = 64u << 20;

// Reads a file at arbitrary offsets through a window, so that walking small
// headers close to one another costs few system calls.
class WindowedFile {
public:
    explicit WindowedFile(int fd) : fd_(fd), window_(1 << 16) {}

    // Returns true with `length` bytes at `offset` copied to out.
    bool ReadAt(int64_t offset, uint8_t* out, size_t length)
    {
        if (offset < start_ || offset + static_cast<int64_t>(length) > start_ + filled_) {
            const int64_t got = ReadAllAt(fd_, window_.data(), window_.size(), offset);
            if (got < 0)
                return false;
            start_ = offset;
            filled_ = got;
        }
        if (offset + static_cast<int64_t>(length) > start_ + filled_)
            return false;
        std::memcpy(out, window_.data() + (offset - start_), length);
        return true;
    }

private:
    int fd_;
    std::vector<uint8_t> window_;
    int64_t start_ = 0;
    int64_t filled_ = 0;
};

uint64_t LittleEndian(const uint8_t* bytes, int count)
{
    uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | bytes[i];
    return value;
}

// Returns the offset just past the blocks of the zstd frame whose blocks
// begin at `at` (its checksum not included), or -1 when a block header is
// damaged or lies beyond the file.
int64_t PastBlocks(WindowedFile& file, int64_t at, int64_t fileBytes)
{
    for (;;) {
        uint8_t header[3];
        if (at + 3 > fileBytes || !file.ReadAt(at, header, sizeof header))
            return -1;
        const uint32_t h = static_cast<uint32_t>(LittleEndian(header, 3));
        const uint32_t type = (h >> 1) & 3;
        if (type == 3)
            return -1;  // reserved
        // An RLE block stores one byte, whatever size it stands for.
        at += 3 + (type == 1 ? 1 : static_cast<int64_t>(h >> 3));
        if (h & 1)
            return at;
    }
}

}  // namespace

int64_t XzStatedSize(int fd, int64_t fileBytes)
{
    lzma_stream stream = LZMA_STREAM_INIT;
    lzma_index* index = nullptr;
    if (fileBytes <= 0 || lzma_file_info_decoder(&stream, &index, kXzIndexMemory, static_cast<uint64_t>(fileBytes)) != LZMA_OK)
        return STREAM_SIZE_UNKNOWN;
    std::vector<uint8_t> buffer(1 << 16);
    int64_t at = 0;
    int64_t size = STREAM_SIZE_UNKNOWN;
    for (;;) {
        if (stream.avail_in == 0) {
            const int64_t got = ReadAllAt(fd, buffer.data(), buffer.size(), at);
            if (got <= 0)
                break;
            stream.next_in = buffer.data();
            stream.avail_in = static_cast<size_t>(got);
            at += got;
        }
        const lzma_ret ret = lzma_code(&stream, LZMA_RUN);
        if (ret == LZMA_SEEK_NEEDED) {
            at = static_cast<int64_t>(stream.seek_pos);
            stream.avail_in = 0;
        } else if (ret == LZMA_STREAM_END) {
            const lzma_vli total = lzma_index_uncompressed_size(index);
            if (total <= static_cast<lzma_vli>(INT64_MAX))
                size = static_cast<int64_t>(total);
            break;
        } else if (ret != LZMA_OK) {
            break;
        }
    }
    if (index)
        lzma_index_end(index, nullptr);
    lzma_end(&stream);
    return size;
}

int64_t ZstdStatedSize(int fd, int64_t fileBytes)
{
    WindowedFile file(fd);
    int64_t at = 0;
    uint64_t total = 0;
    while (at < fileBytes) {
        uint8_t head[ZSTD_FRAMEHEADERSIZE_MAX];
        const size_t have = static_cast<size_t>(std::min<int64_t>(sizeof head, fileBytes - at));
        ZSTD_frameHeader frame{};
        if (!file.ReadAt(at, head, have) || ZSTD_getFrameHeader(&frame, head, have) != 0)
            return STREAM_SIZE_UNKNOWN;
        if (frame.frameType == ZSTD_skippableFrame) {
            at += ZSTD_SKIPPABLEHEADERSIZE + static_cast<int64_t>(frame.frameContentSize);
            continue;
        }
        if (frame.frameContentSize == ZSTD_CONTENTSIZE_UNKNOWN || frame.frameContentSize > static_cast<uint64_t>(INT64_MAX) - total)
            return STREAM_SIZE_UNKNOWN;
        total += frame.frameContentSize;
        at = PastBlocks(file, at + frame.headerSize, fileBytes);
        if (at < 0)
            return STREAM_SIZE_UNKNOWN;
        at += frame.checksumFlag ? 4 : 0;
    }
    return at == fileBytes ? static_cast<int64_t>(total) : STREAM_SIZE_UNKNOWN;
}

int64_t GzipStatedSize(int fd)
{
    uint8_t head[kGzipFixedHeader + 2 + 4 + 8];
    if (ReadAllAt(fd, head, sizeof head, 0) != static_cast<int64_t>(sizeof head) || head[0] != 0x1f || head[1] != 0x8b ||
        !(head[3] & kGzipFlagExtra))
        return STREAM_SIZE_UNKNOWN;
    const uint8_t* field = head + kGzipFixedHeader + 2;
    if (field[0] != kFieldId[0] || field[1] != kFieldId[1] || LittleEndian(field + 2, 2) != 8)
        return STREAM_SIZE_UNKNOWN;
    const uint64_t total = LittleEndian(field + 4, 8);
    return total <= static_cast<uint64_t>(INT64_MAX) ? static_cast<int64_t>(total) : STREAM_SIZE_UNKNOWN;
}

std::vector<uint8_t> GzipMemberStatingSize(const uint8_t* member, size_t length, int64_t total)
{
    std::vector<uint8_t> out(member, member + kGzipFixedHeader);
    out[3] |= kGzipFlagExtra;
    const uint8_t field[] = {12, 0, kFieldId[0], kFieldId[1], 8, 0};
    out.insert(out.end(), field, field + sizeof field);
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<uint8_t>(static_cast<uint64_t>(total) >> (8 * i)));
    out.insert(out.end(), member + kGzipFixedHeader, member + length);
    return out;
}
