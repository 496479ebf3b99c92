#include "image/ImageBlocks.h"

#include "image/BlockCodec.h"

ImageBlock ReadStoredImageBlock(PosixFile& image, uint8_t* stored, size_t storedRoom)
{
    uint8_t field[4];
    const int64_t fieldBytes = image.ReadFull(field, sizeof field);
    if (fieldBytes == 0)
        return {0, 0, false};
    if (fieldBytes != static_cast<int64_t>(sizeof field))
        return {-5, 0, fieldBytes > 0};
    const auto length = static_cast<int32_t>(static_cast<uint32_t>(field[0]) | static_cast<uint32_t>(field[1]) << 8 |
                                             static_cast<uint32_t>(field[2]) << 16 |
                                             static_cast<uint32_t>(field[3]) << 24);
    if (length < 0 || static_cast<uint64_t>(length) > storedRoom)
        return {-6, 0, false};
    const int64_t got = image.ReadFull(stored, static_cast<size_t>(length));
    if (got < 0)
        return {-6, 0, false};
    if (got < length)
        return {-8, 0, true};
    if (got == 0)
        return {0, 0, false};
    return {1, 0, false, got};
}

ImageBlock ReadImageBlock(PosixFile& image, const ImageBlockBuffers& buffers)
{
    ImageBlock block = ReadStoredImageBlock(image, buffers.stored, buffers.storedRoom);
    if (block.status != 1)
        return block;
    block.expanded = ExpandBlock(buffers.stored, static_cast<size_t>(block.stored), buffers.expanded, buffers.expandedRoom);
    if (block.expanded < 0)
        return {-8, 0, false};
    return block;
}
