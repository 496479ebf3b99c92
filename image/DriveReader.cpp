#include "image/DriveReader.h"

#include "image/ImageHeader.h"

#include <algorithm>
#include <cstring>

int64_t DriveReader::ReadOn(uint8_t* into, size_t want)
{
    size_t got = 0;
    while (got < want) {
        const int64_t piece = drive_.Read(into + got, want - got);
        if (piece < 0)
            return -1;
        if (piece == 0)
            break;
        got += static_cast<size_t>(piece);
    }
    return static_cast<int64_t>(got);
}

int64_t DriveReader::ReadBySectors(uint8_t* into, int64_t start, size_t want)
{
    size_t got = 0;
    while (got < want) {
        const size_t piece = std::min(static_cast<size_t>(sectorSize_), want - got);
        const int64_t read = drive_.ReadAt(into + got, piece, start + static_cast<int64_t>(got));
        if (read < 0) {
            std::memset(into + got, 0, piece);
            unreadable_.push_back(start + static_cast<int64_t>(got));
        } else if (static_cast<size_t>(read) < piece) {
            return static_cast<int64_t>(got) + read;  // the medium ends here
        }
        got += piece;
    }
    return static_cast<int64_t>(got);
}

bool DriveReader::Read(BlockSlot& slot)
{
    const auto want = static_cast<size_t>(std::min(IMAGE_BLOCK_SIZE, size_ - readSoFar_));
    int64_t got = positioned_ ? drive_.ReadAt(slot.in, want, readSoFar_) : ReadOn(slot.in, want);
    if (got < 0) {
        positioned_ = true;
        const size_t before = unreadable_.size();
        got = ReadBySectors(slot.in, readSoFar_, want);
        if (unreadable_.size() > before)
            slot.fault = BlockFault::SectorsUnreadable;
    }
    slot.inLength = got;
    readSoFar_ += slot.inLength;
    return got > 0 && readSoFar_ < size_;
}
