// Walking the blocks of an image file: each a 4-byte little-endian length L
// and one zlib stream of L bytes. Shared by the restore loop and the image
// check, so its results are the restore's codes.
#pragma once

#include "image/PosixFile.h"

#include <cstddef>
#include <cstdint>

struct ImageBlockBuffers {
    uint8_t* stored;  // room for the stored block: IMAGE_BLOCK_ROOM bytes
    size_t storedRoom;
    uint8_t* expanded;  // room for the expanded block: IMAGE_BLOCK_ROOM bytes
    size_t expandedRoom;
};

struct ImageBlock {
    // 1 a block was read, 0 the end of the image (no length field, or L = 0),
    // -5 length field cut short, -6 L negative or beyond the stored room or
    // the block unreadable, -8 block cut short by the end of the file,
    // damaged, or expanding past its room.
    int32_t status = 0;
    int64_t expanded = 0;   // the block's expanded size when status is 1
    bool cutShort = false;  // the file ended inside the length field or the block
    int64_t stored = 0;     // the length of its zlib stream when status is 1
};

// Returns the block at the file's position read into `storedRoom` bytes at
// `stored` but not expanded (status 1, 0, -5, -6, or -8 only when cut short);
// the file's position is then behind it. The restore pipeline expands on
// other threads.
ImageBlock ReadStoredImageBlock(PosixFile& image, uint8_t* stored, size_t storedRoom);

// Returns the block at the file's position, expanded into buffers.expanded;
// the file's position is then behind it.
ImageBlock ReadImageBlock(PosixFile& image, const ImageBlockBuffers& buffers);
