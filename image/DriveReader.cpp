#include "image/DriveReader.h"

#include "image/ImageHeader.h"

#include <algorithm>

bool DriveReader::Read(BlockSlot& slot)
{
    const auto want = static_cast<size_t>(std::min(IMAGE_BLOCK_SIZE, size_ - readSoFar_));
    size_t got = 0;
    while (got < want) {
        const int64_t piece = drive_.Read(slot.in + got, want - got);
        if (piece < 0) {
            slot.fault = BlockFault::DriveReadFailed;
            return false;
        }
        if (piece == 0)
            break;
        got += static_cast<size_t>(piece);
    }
    slot.inLength = static_cast<int64_t>(got);
    readSoFar_ += slot.inLength;
    return got > 0 && readSoFar_ < size_;
}
