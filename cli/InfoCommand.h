// `kvi info IMAGE [--check]`.
#pragma once

#include "image/BlockFault.h"

#include <cstdint>
#include <string>

namespace cli {

// Prints the header of the image (and with `check` the result of reading
// every block) on standard output; for a raw disk image its format, sizes
// and date (and with `check` the result of reading the whole stream).
// Returns the exit status: 0 for a valid header or a usable raw image (with
// `check`: and a complete, intact image), 1 when Ctrl-C stopped the check,
// 4 otherwise.
int RunInfo(const std::string& imagePath, bool check);

struct BlockCheck {
    int64_t blocks = 0;          // blocks read intact
    int64_t expandedTotal = 0;   // the bytes they expand to
    bool unreadable = false;     // the file could not be read up to its first block
    BlockFault damage = BlockFault::None;  // what is wrong with the first bad block
    int64_t damagedIndex = -1;   // its number, counted from 0
    int64_t damagedOffset = -1;  // the file offset of its length field
    std::string problem;         // a raw image's: what is wrong, naming the file
    bool stopped = false;        // Ctrl-C ended the walk
};

// Walks the blocks behind the header (a raw image: its whole stream) with
// the image reader the restore uses, expanding each, showing progress.
// Returns what it found.
BlockCheck CheckImageBlocks(const std::string& imagePath);

}  // namespace cli
