#include "image/ArchiveImageReader.h"

#include <archive.h>
#include <archive_entry.h>

namespace {
// libarchive reads the file in pieces of this size.
constexpr size_t kReadPiece = 1 << 20;
}  // namespace

ArchiveImageReader::ArchiveImageReader(const std::string& path, ImageFormat format, int64_t stated,
                                       const std::string& entry, const std::string& problem)
    : RawImageReader(path, stated), format_(format), entry_(entry), refusal_(problem)
{
}

ArchiveImageReader::~ArchiveImageReader()
{
    if (archive_)
        archive_read_free(archive_);
}

int64_t ArchiveImageReader::Position() const
{
    return archive_ ? archive_filter_bytes(archive_, -1) : 0;
}

std::string ArchiveImageReader::Trouble(const std::string& what) const
{
    const char* said = archive_ ? archive_error_string(archive_) : nullptr;
    return Quoted() + ": " + what + (said ? std::string(" (") + said + ")" : std::string()) +
           ". Copy or download the file again.";
}

bool ArchiveImageReader::Start()
{
    started_ = true;
    if (!refusal_.empty()) {
        Fail(BlockFault::StreamDamaged, refusal_);
        return false;
    }
    archive_ = archive_read_new();
    if (!archive_) {
        Fail(BlockFault::StreamDamaged, Quoted() + ": no memory to read it.");
        return false;
    }
    if (format_ == ImageFormat::Zip) {
        archive_read_support_format_zip(archive_);
    } else {
        archive_read_support_filter_all(archive_);
        archive_read_support_format_raw(archive_);
    }
    const std::string kind = ImageFormatName(format_);
    struct archive_entry* entry = nullptr;
    if (archive_read_open_fd(archive_, file_.Fd(), kReadPiece) == ARCHIVE_OK) {
        int r = ARCHIVE_OK;
        while ((r = archive_read_next_header(archive_, &entry)) == ARCHIVE_OK || r == ARCHIVE_WARN)
            if (const char* name = archive_entry_pathname(entry); format_ != ImageFormat::Zip || (name && entry_ == name))
                return true;
    }
    Fail(BlockFault::StreamDamaged, Trouble(format_ == ImageFormat::Zip && entry
                                                ? "the entry '" + entry_ + "' cannot be found in the zip archive"
                                                : "the " + kind + " data cannot be read"));
    return false;
}

int64_t ArchiveImageReader::Pull(uint8_t* out, size_t length)
{
    if (!started_ && !Start())
        return -1;
    if (!archive_)
        return -1;
    const la_ssize_t got = archive_read_data(archive_, out, length);
    if (got >= 0)
        return got;
    return Fail(BlockFault::StreamDamaged,
                Trouble(format_ == ImageFormat::Zip ? "the entry '" + entry_ + "' of the zip archive is damaged or cut short"
                                                    : "the " + std::string(ImageFormatName(format_)) +
                                                          " data is damaged, cut short, or followed by other bytes"));
}

std::string ArchiveImageReader::WhatFollowsTheEnd()
{
    if (format_ == ImageFormat::Zip || Position() >= fileBytes_)
        return {};
    const std::string kind = ImageFormatName(format_);
    return Quoted() + ": other bytes follow the end of the " + kind + " data (at byte " + std::to_string(Position()) +
           " of " + std::to_string(fileBytes_) + "). The file is damaged, or holds something else after the image.";
}
