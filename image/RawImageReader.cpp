#include "image/RawImageReader.h"

#include <algorithm>

namespace {
// Returns true when the file still is what it was when it was opened.
bool Unchanged(int fd, const struct stat& opened)
{
    struct stat now {};
    return ::fstat(fd, &now) == 0 && now.st_size == opened.st_size && now.st_mtim.tv_sec == opened.st_mtim.tv_sec &&
           now.st_mtim.tv_nsec == opened.st_mtim.tv_nsec;
}
}  // namespace

RawImageReader::RawImageReader(const std::string& path, int64_t stated)
    : file_(PosixFile::OpenForReading(path)), stated_(stated), path_(path)
{
    if (file_.IsOpen() && ::fstat(file_.Fd(), &opened_) == 0)
        fileBytes_ = opened_.st_size;
}

int64_t RawImageReader::Fail(BlockFault fault, const std::string& problem)
{
    fault_ = fault;
    problem_ = problem;
    return -1;
}

bool RawImageReader::Read(BlockSlot& slot)
{
    size_t got = 0;
    int64_t piece = 0;
    while (got < static_cast<size_t>(IMAGE_BLOCK_SIZE) &&
           (piece = Pull(slot.in + got, static_cast<size_t>(IMAGE_BLOCK_SIZE) - got)) > 0)
        got += static_cast<size_t>(piece);
    if (piece == 0 && got == 0) {
        // The end: only now is it known that nothing was added or follows.
        if (!Unchanged(file_.Fd(), opened_))
            Fail(BlockFault::ImageChanged, Quoted() + " changed while it was read. Let the program that writes it "
                                                      "finish, then try again.");
        else if (const std::string after = WhatFollowsTheEnd(); !after.empty())
            Fail(BlockFault::StreamDamaged, after);
    }
    if (piece < 0 || fault_ != BlockFault::None) {
        slot.fault = fault_;
        slot.progress = std::min(stated_ >= 0 ? delivered_ : Position(), ProgressTotal());
        return false;
    }
    slot.inLength = static_cast<int64_t>(got);
    delivered_ += slot.inLength;
    if (got == 0) {
        slot.progress = ProgressTotal();
        return false;
    }
    slot.progress = std::min(stated_ >= 0 ? delivered_ : Position(), ProgressTotal());
    return true;
}
