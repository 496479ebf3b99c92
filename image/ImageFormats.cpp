#include "image/ImageFormats.h"

#include "drive/PhysicalDrive.h"
#include "image/ArchiveImageReader.h"
#include "image/CompressedImageWriters.h"
#include "image/ImageFile.h"
#include "image/KviReader.h"
#include "image/KviWriter.h"
#include "image/PlainImageReader.h"
#include "image/PosixFile.h"
#include "image/RawFileWriter.h"
#include "image/StreamSizes.h"

#include <algorithm>
#include <archive.h>
#include <archive_entry.h>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The extensions of uncompressed raw disk images, in files and in zip archives.
const char* const kRawExtensions[] = {".img", ".iso", ".raw", ".bin"};
// Names of a zip's entries a problem lists at most.
constexpr size_t kNamesListed = 8;

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool HasRawExtension(const std::string& name)
{
    const std::string lower = Lower(name);
    return std::any_of(std::begin(kRawExtensions), std::end(kRawExtensions),
                       [&](const char* ext) { return EndsWith(lower, ext); });
}

// Returns the compressed or archived format the first bytes mark; Unknown
// for none.
ImageFormat FormatOfMagic(const uint8_t* b, size_t n)
{
    auto starts = [&](std::initializer_list<uint8_t> magic) {
        return n >= magic.size() && std::equal(magic.begin(), magic.end(), b);
    };
    if (starts({0x1f, 0x8b}))
        return ImageFormat::Gzip;
    if (starts({0xfd, '7', 'z', 'X', 'Z', 0x00}))
        return ImageFormat::Xz;
    // A zstd frame, or the skippable frame some writers put first.
    if (starts({0x28, 0xb5, 0x2f, 0xfd}) || (n >= 4 && (b[0] & 0xf0) == 0x50 && b[1] == 0x2a && b[2] == 0x4d && b[3] == 0x18))
        return ImageFormat::Zstd;
    if (starts({'B', 'Z', 'h'}) && n >= 4 && b[3] >= '1' && b[3] <= '9')
        return ImageFormat::Bzip2;
    if (starts({'P', 'K', 0x03, 0x04}) || starts({'P', 'K', 0x05, 0x06}))
        return ImageFormat::Zip;
    return ImageFormat::Unknown;
}

// Returns the names joined with ", ", at most kNamesListed of them.
std::string NameList(const std::vector<std::string>& names)
{
    std::string list;
    for (size_t i = 0; i < names.size() && i < kNamesListed; ++i)
        list += (i ? ", " : "") + names[i];
    if (names.size() > kNamesListed)
        list += " and " + std::to_string(names.size() - kNamesListed) + " more";
    return list;
}

// Chooses the image inside the zip archive open at fd: the one entry whose
// name ends in a raw image's extension. Fills probe.entry and driveBytes,
// or probe.problem.
void ChooseZipEntry(int fd, const std::string& quoted, ImageProbe& probe)
{
    struct archive* zip = archive_read_new();
    archive_read_support_format_zip(zip);
    std::vector<std::string> images;
    std::vector<std::string> others;
    std::string link;
    struct archive_entry* entry = nullptr;
    int r = archive_read_open_fd(zip, fd, 1 << 16);
    while (r == ARCHIVE_OK && ((r = archive_read_next_header(zip, &entry)) == ARCHIVE_OK || r == ARCHIVE_WARN)) {
        r = ARCHIVE_OK;
        const std::string name = archive_entry_pathname(entry) ? archive_entry_pathname(entry) : "";
        if (archive_entry_filetype(entry) == AE_IFDIR)
            continue;
        if (!HasRawExtension(name)) {
            others.push_back(name);
            continue;
        }
        if (archive_entry_filetype(entry) != AE_IFREG && link.empty())
            link = name;
        images.push_back(name);
        probe.entry = name;
        probe.driveBytes = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : IMAGE_SIZE_UNKNOWN;
    }
    if (r != ARCHIVE_EOF)
        probe.problem = quoted + " cannot be read as a zip archive (" +
                        (archive_error_string(zip) ? archive_error_string(zip) : "damaged") +
                        "). Copy or download the file again.";
    else if (!link.empty())
        probe.problem = quoted + ": its disk image '" + link + "' is a link, not a file. Choose the file it points to.";
    else if (images.size() > 1)
        probe.problem = quoted + " holds more than one disk image: " + NameList(images) +
                        ". Extract the one to restore and choose it.";
    else if (images.empty())
        probe.problem = quoted + " holds no disk image (a file ending in .img, .iso, .raw or .bin)" +
                        (others.empty() ? std::string(".") : ", only: " + NameList(others) + ".");
    archive_read_free(zip);
}

// Returns the drive bytes a compressed stream of this format states, when
// it does.
int64_t StatedSize(ImageFormat format, int fd, int64_t fileBytes)
{
    switch (format) {
    case ImageFormat::Gzip: return GzipStatedSize(fd);
    case ImageFormat::Xz: return XzStatedSize(fd, fileBytes);
    case ImageFormat::Zstd: return ZstdStatedSize(fd, fileBytes);
    default: return IMAGE_SIZE_UNKNOWN;
    }
}

}  // namespace

const char* ImageFormatName(ImageFormat format)
{
    switch (format) {
    case ImageFormat::Gzip: return "gzip";
    case ImageFormat::Xz: return "xz";
    case ImageFormat::Zstd: return "zstd";
    case ImageFormat::Bzip2: return "bzip2";
    case ImageFormat::Zip: return "zip";
    default: return "";
    }
}

ImageProbe ProbeImage(const std::string& path)
{
    ImageProbe probe;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return probe;
    probe.fileBytes = st.st_size;
    probe.modified = st.st_mtim.tv_sec;
    ImageHeader header;
    if (ReadImageHeader(path, header) == VB_TRUE && IsValidImageHeader(header) == VB_TRUE) {
        probe.format = ImageFormat::Kvi;
        probe.driveBytes = header.DriveSize;
        return probe;
    }
    PosixFile file = PosixFile::OpenForReading(path);
    uint8_t first[8] = {};
    const int64_t got = file.IsOpen() ? file.ReadFull(first, sizeof first) : -1;
    if (got < 0)
        return probe;
    probe.format = FormatOfMagic(first, static_cast<size_t>(got));
    if (probe.format == ImageFormat::Zip && ::lseek(file.Fd(), 0, SEEK_SET) == 0)
        ChooseZipEntry(file.Fd(), "'" + path + "'", probe);
    else if (probe.format != ImageFormat::Unknown)
        probe.driveBytes = StatedSize(probe.format, file.Fd(), probe.fileBytes);
    else if (HasRawExtension(path)) {
        probe.format = ImageFormat::Raw;
        probe.driveBytes = probe.fileBytes;
    }
    return probe;
}

std::string RawImageFormatText(const ImageProbe& probe)
{
    return RawImageFormatText(probe.format, probe.entry);
}

std::string RawImageFormatText(ImageFormat format, const std::string& entry)
{
    if (format == ImageFormat::Zip)
        return "Raw disk image in a zip archive" + (entry.empty() ? std::string() : " (" + entry + ")");
    if (format == ImageFormat::Raw || format == ImageFormat::Kvi || format == ImageFormat::Unknown)
        return "Raw disk image";
    return std::string("Raw disk image, ") + ImageFormatName(format) + " compressed";
}

std::unique_ptr<ImageReader> OpenImageReader(const std::string& path)
{
    const ImageProbe probe = ProbeImage(path);
    if (probe.format == ImageFormat::Raw)
        return std::make_unique<PlainImageReader>(path);
    if (probe.IsRaw())
        return std::make_unique<ArchiveImageReader>(path, probe.format, probe.driveBytes, probe.entry, probe.problem);
    return std::make_unique<KviReader>(path);
}

ImageFormat WriterFormatFor(const std::string& path)
{
    const std::string lower = Lower(path);
    if (EndsWith(lower, ".img"))
        return ImageFormat::Raw;
    if (EndsWith(lower, ".img.gz"))
        return ImageFormat::Gzip;
    if (EndsWith(lower, ".img.xz"))
        return ImageFormat::Xz;
    if (EndsWith(lower, ".img.zst"))
        return ImageFormat::Zstd;
    return ImageFormat::Kvi;
}

std::unique_ptr<ImageWriter> OpenImageWriter(const std::string& path, int64_t driveBytes)
{
    switch (WriterFormatFor(path)) {
    case ImageFormat::Raw: return std::make_unique<RawFileWriter>(path);
    case ImageFormat::Gzip: return std::make_unique<GzipImageWriter>(path, driveBytes);
    case ImageFormat::Xz: return std::make_unique<XzImageWriter>(path, RAW_XZ_PRESET);
    case ImageFormat::Zstd: return std::make_unique<ZstdImageWriter>(path, driveBytes, RAW_ZSTD_LEVEL);
    default: return std::make_unique<KviWriter>(path);
    }
}
