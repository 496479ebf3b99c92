// The drive bytes a compressed raw image holds, where its format states
// them before the data: the index of an xz file, the content sizes in the
// frame headers of a zstd file, the size field this program puts into the
// first member of the gzip files it writes. Read from the file's own
// metadata without expanding anything; a damaged or missing statement gives
// "not known", and the stream is then measured by its compressed bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A size that is not stated.
constexpr int64_t STREAM_SIZE_UNKNOWN = -1;

// Returns the uncompressed size of all xz streams of the file (of
// `fileBytes` bytes) open at fd, from their indexes; STREAM_SIZE_UNKNOWN
// when an index cannot be read.
int64_t XzStatedSize(int fd, int64_t fileBytes);

// Returns the sum of the content sizes of every zstd frame of the file,
// walking the frames by their block headers; STREAM_SIZE_UNKNOWN when a
// frame does not state its size or the frames do not end with the file.
int64_t ZstdStatedSize(int fd, int64_t fileBytes);

// Returns the total this program stated in the size field of a gzip file's
// first member; STREAM_SIZE_UNKNOWN when there is none (a file written by
// another program: the ISIZE at its end counts only its last member, modulo
// 4 GiB, and so says nothing sure about an image).
int64_t GzipStatedSize(int fd);

// Returns the gzip member `member` (of `length` bytes, as a compressor makes
// it, without extra fields) with a size field stating `total` put into its
// header; gzip -d skips the field.
std::vector<uint8_t> GzipMemberStatingSize(const uint8_t* member, size_t length, int64_t total);
