#include "image/ImageHeader.h"

#include "drive/PhysicalDrive.h"
#include "image/FixedText.h"

#include <cstdio>
#include <ctime>

namespace {

// Writes members one after another into the 384 bytes, little-endian,
// fixed text in Windows-1252.
class Packer {
public:
    explicit Packer(ImageHeaderBytes& bytes) : bytes_(bytes) {}
    void Number(uint64_t value, size_t size)
    {
        for (size_t i = 0; i < size; ++i)
            bytes_[at_++] = static_cast<uint8_t>(value >> (8 * i));
    }
    void Text(const std::string& text, size_t width)
    {
        const std::string encoded = EncodeCp1252(text, width);
        for (const char c : encoded)
            bytes_[at_++] = static_cast<uint8_t>(c);
    }

private:
    ImageHeaderBytes& bytes_;
    size_t at_ = 0;
};

// Reads members one after another from the 384 bytes; the counterpart of
// Packer.
class Unpacker {
public:
    explicit Unpacker(const ImageHeaderBytes& bytes) : bytes_(bytes) {}
    uint64_t Number(size_t size)
    {
        uint64_t value = 0;
        for (size_t i = 0; i < size; ++i)
            value |= static_cast<uint64_t>(bytes_[at_++]) << (8 * i);
        return value;
    }
    std::string Text(size_t width)
    {
        const std::string raw(reinterpret_cast<const char*>(bytes_.data()) + at_, width);
        at_ += width;
        return DecodeCp1252(raw);
    }

private:
    const ImageHeaderBytes& bytes_;
    size_t at_ = 0;
};

}  // namespace

ImageHeaderBytes PackImageHeader(const ImageHeader& Header)
{
    ImageHeaderBytes bytes{};
    Packer p(bytes);
    p.Text(Header.ProgramName, ImageHeader::ProgramNameWidth);
    p.Number(static_cast<uint16_t>(Header.Version), 2);
    p.Text(Header.Build, ImageHeader::BuildWidth);
    p.Text(Header.Description, ImageHeader::DescriptionWidth);
    p.Text(Header.Creator, ImageHeader::CreatorWidth);
    p.Text(Header.CreationDate, ImageHeader::CreationDateWidth);
    p.Number(static_cast<uint32_t>(Header.Flags), 4);
    p.Number(static_cast<uint64_t>(Header.DriveSize), 8);
    p.Number(static_cast<uint64_t>(Header.Cylinders), 8);
    p.Number(Header.TracksPerCylinder, 4);
    p.Number(Header.SectorsPerTrack, 4);
    p.Number(Header.BytesPerSector, 4);
    for (const uint16_t word : Header.Reserved)
        p.Number(word, 2);
    return bytes;
}

ImageHeader UnpackImageHeader(const ImageHeaderBytes& Bytes)
{
    ImageHeader h;
    Unpacker u(Bytes);
    h.ProgramName = u.Text(ImageHeader::ProgramNameWidth);
    h.Version = static_cast<int16_t>(u.Number(2));
    h.Build = u.Text(ImageHeader::BuildWidth);
    h.Description = u.Text(ImageHeader::DescriptionWidth);
    h.Creator = u.Text(ImageHeader::CreatorWidth);
    h.CreationDate = u.Text(ImageHeader::CreationDateWidth);
    h.Flags = static_cast<int32_t>(u.Number(4));
    h.DriveSize = static_cast<int64_t>(u.Number(8));
    h.Cylinders = static_cast<int64_t>(u.Number(8));
    h.TracksPerCylinder = static_cast<uint32_t>(u.Number(4));
    h.SectorsPerTrack = static_cast<uint32_t>(u.Number(4));
    h.BytesPerSector = static_cast<uint32_t>(u.Number(4));
    for (uint16_t& word : h.Reserved)
        word = static_cast<uint16_t>(u.Number(2));
    return h;
}

std::string CreationDateText(int64_t when)
{
    const std::time_t t = static_cast<std::time_t>(when);
    std::tm local{};
    if (!::localtime_r(&t, &local))
        return {};
    char text[32];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d", local.tm_mday, local.tm_mon + 1, local.tm_year + 1900);
    return text;
}

void InitImageHeader(ImageHeader& Header)
{
    Header.ProgramName = FixedText(IMAGE_PROGRAM_NAME, ImageHeader::ProgramNameWidth);
    Header.Version = IMAGE_PROGRAM_VERSION;
    Header.Build = FixedText(IMAGE_PROGRAM_BUILD, ImageHeader::BuildWidth);
    Header.CreationDate = FixedText(CreationDateText(std::time(nullptr)), ImageHeader::CreationDateWidth);
    Header.Reserved[7] = IMAGE_SIGNATURE;
}

int IsValidImageHeader(const ImageHeader& Header)
{
    ImageHeader reference;
    InitImageHeader(reference);
    const bool valid = Header.ProgramName == reference.ProgramName && Header.Version <= reference.Version &&
                       (Header.Flags & 1) != 0;
    return valid ? VB_TRUE : VB_FALSE;
}

void FillImageHeaderForDrive(ImageHeader& Header, const DISK_GEOMETRY& geometry, int64_t capacity)
{
    InitImageHeader(Header);
    Header.Flags = 1;
    Header.DriveSize = capacity;
    Header.Cylinders = geometry.Cylinders;
    Header.TracksPerCylinder = static_cast<uint32_t>(geometry.TracksPerCylinder);
    Header.SectorsPerTrack = static_cast<uint32_t>(geometry.SectorsPerTrack);
    Header.BytesPerSector = static_cast<uint32_t>(geometry.BytesPerSector);
}
