#include "image/RawFileWriter.h"

#include "image/ZeroBlock.h"

#include <algorithm>
#include <unistd.h>

BlockFault RawFileWriter::Put(const Block& block)
{
    const int64_t end = block.offset + static_cast<int64_t>(block.length);
    if (IsAllZero(block.bytes, block.length)) {
        // Growing the file leaves a hole, which reads as zeros.
        if (end > size_ && ::ftruncate(file_.Fd(), end) != 0)
            return BlockFault::DataWriteFailed;
    } else if (!file_.WriteFullAt(block.bytes, block.length, block.offset)) {
        return BlockFault::DataWriteFailed;
    }
    size_ = std::max(size_, end);
    return BlockFault::None;
}

BlockFault RawImageWriter::Finish()
{
    return file_.Sync() ? BlockFault::None : BlockFault::DataWriteFailed;
}
