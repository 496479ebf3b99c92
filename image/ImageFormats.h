// Which image formats this program reads and writes, and the one place that
// chooses the reader for a file and the writer for a name.
//
// Reading, a file is recognised by its content: a .kvi by its valid header,
// a compressed stream or a zip archive by its first bytes (whatever its
// name), and an uncompressed raw disk image by its extension (.img, .iso,
// .raw, .bin), the only formats without a mark of their own. Writing, the
// name's extension chooses: .img, .img.gz, .img.xz, .img.zst write raw disk
// images, any other name a .kvi as always.
#pragma once

#include "image/ImageReader.h"
#include "image/ImageWriter.h"

#include <cstdint>
#include <memory>
#include <string>

enum class ImageFormat {
    Unknown,  // missing, unreadable, or nothing this program reads
    Kvi,
    Raw,      // an uncompressed raw disk image
    Gzip,     // a raw disk image in a gzip stream (possibly of several members)
    Xz,
    Zstd,
    Bzip2,
    Zip,      // a zip archive holding one raw disk image
};

// Returns "gzip", "xz", "zstd", "bzip2", "zip"; "" for the other formats.
const char* ImageFormatName(ImageFormat format);

// What a file is, as far as can be told without reading its data.
struct ImageProbe {
    ImageFormat format = ImageFormat::Unknown;
    // A raw image's drive bytes when known before reading (its size, or the
    // size its stream states); IMAGE_SIZE_UNKNOWN otherwise. Unset for .kvi.
    int64_t driveBytes = IMAGE_SIZE_UNKNOWN;
    int64_t fileBytes = 0;
    int64_t modified = 0;  // the file's modification time, seconds since 1970
    std::string entry;     // Zip: the image's name inside the archive
    // A file recognised as a raw image that cannot serve as one (a zip
    // holding no image or several, or a link): what is wrong, naming the
    // file, and what to do. "" when the file may serve.
    std::string problem;

    // Returns true for a raw disk image in any of its forms.
    bool IsRaw() const { return format != ImageFormat::Unknown && format != ImageFormat::Kvi; }
};

// Returns what the file at path is.
ImageProbe ProbeImage(const std::string& path);

// Returns how the image information panel names the format of a raw image:
// "Raw disk image", "Raw disk image, xz compressed", "Raw disk image in a
// zip archive (card.img)".
std::string RawImageFormatText(const ImageProbe& probe);
std::string RawImageFormatText(ImageFormat format, const std::string& entry = {});

// Returns the reader for the file at path: a raw image's reader when the
// file is one (even one with a problem, whose first block then fails), the
// .kvi reader for anything else, which finds out itself whether it is one.
std::unique_ptr<ImageReader> OpenImageReader(const std::string& path);

// Returns the format a new image at path is written in, by its extension
// (case ignored): Raw, Gzip, Xz or Zstd for .img, .img.gz, .img.xz,
// .img.zst; Kvi for any other name.
ImageFormat WriterFormatFor(const std::string& path);

// Creates the image file at path in the format its name chooses, for a
// drive of `driveBytes` bytes (IMAGE_SIZE_UNKNOWN when not known before the
// end: a compressed stream then states no size). See IsOpen.
std::unique_ptr<ImageWriter> OpenImageWriter(const std::string& path, int64_t driveBytes);

// The zstd level of new .img.zst images: see bench/results.md.
constexpr int RAW_ZSTD_LEVEL = 9;
// The xz preset of new .img.xz images: xz's own default.
constexpr int RAW_XZ_PRESET = 6;
