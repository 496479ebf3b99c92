#include "image/KviReader.h"

#include "image/KviCodec.h"

KviReader::KviReader(const std::string& path) : file_(PosixFile::OpenForReading(path)) {}

bool KviReader::ReadHeader(ImageHeader& header)
{
    ImageHeaderBytes bytes{};
    if (file_.ReadFull(bytes.data(), bytes.size()) != static_cast<int64_t>(bytes.size()))
        return false;
    header = UnpackImageHeader(bytes);
    driveSize_ = header.DriveSize;
    position_ = static_cast<int64_t>(bytes.size());
    return true;
}

bool KviReader::Read(BlockSlot& slot)
{
    uint8_t field[4];
    const int64_t fieldBytes = file_.ReadFull(field, sizeof field);
    if (fieldBytes == 0)
        return false;
    if (fieldBytes != static_cast<int64_t>(sizeof field)) {
        slot.fault = fieldBytes < 0 ? BlockFault::LengthUnreadable : BlockFault::LengthCutShort;
        return false;
    }
    const auto length = static_cast<int32_t>(static_cast<uint32_t>(field[0]) | static_cast<uint32_t>(field[1]) << 8 |
                                             static_cast<uint32_t>(field[2]) << 16 |
                                             static_cast<uint32_t>(field[3]) << 24);
    // A writer may make up to IMAGE_BLOCK_ROOM bytes of an incompressible
    // block; anything longer is damage, and is never read past the room.
    if (length < 0 || length > IMAGE_BLOCK_ROOM) {
        slot.fault = BlockFault::LengthOutOfRange;
        return false;
    }
    const int64_t got = file_.ReadFull(slot.in, static_cast<size_t>(length));
    if (got < 0) {
        slot.fault = BlockFault::BlockUnreadable;
        return false;
    }
    if (got < length) {
        slot.fault = BlockFault::BlockCutShort;
        return false;
    }
    position_ += static_cast<int64_t>(sizeof field) + got;
    slot.inLength = got;
    return got > 0;
}

const BlockCodec* KviReader::Codec() const
{
    return &KviCodec();
}
