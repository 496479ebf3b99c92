#include "image/KviWriter.h"

#include "image/KviCodec.h"

KviWriter::KviWriter(const std::string& path) : file_(PosixFile::CreateForWriting(path)), codec_(&KviCodec()) {}

bool KviWriter::WriteHeader(const ImageHeader& header)
{
    const ImageHeaderBytes bytes = PackImageHeader(header);
    return file_.WriteFull(bytes.data(), bytes.size());
}

bool KviWriter::RewriteHeader(const ImageHeader& header)
{
    const ImageHeaderBytes bytes = PackImageHeader(header);
    return file_.WriteFullAt(bytes.data(), bytes.size(), 0);
}

BlockFault KviWriter::Put(const Block& block)
{
    uint8_t field[4];
    for (int i = 0; i < 4; ++i)
        field[i] = static_cast<uint8_t>(static_cast<uint32_t>(block.length) >> (8 * i));
    if (!file_.WriteFull(field, sizeof field))
        return BlockFault::LengthWriteFailed;
    return file_.WriteFull(block.bytes, block.length) ? BlockFault::None : BlockFault::DataWriteFailed;
}

BlockFault KviWriter::Finish()
{
    // "Successfully created" must mean the image is on the storage.
    return file_.Sync() ? BlockFault::None : BlockFault::DataWriteFailed;
}
