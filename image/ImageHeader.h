// The header record of a .kvi image file and the block framing behind it.
//
// File layout: IMAGE_HEADER_SIZE header bytes, then blocks, each a 4-byte
// signed little-endian length L followed by one zlib stream of L bytes that
// expands to at most IMAGE_BLOCK_SIZE drive bytes. No index, no end marker.
#pragma once

#include "platform/DriveBackend.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

constexpr size_t IMAGE_HEADER_SIZE = 384;
constexpr int64_t IMAGE_BLOCK_SIZE = 524288;
// Output room given to the compressor and the expander: no valid block is
// longer than this, compressed or expanded.
constexpr int64_t IMAGE_BLOCK_ROOM = 589823;
constexpr uint16_t IMAGE_SIGNATURE = 0xC50C;

// Identity of this program as written into and checked against headers.
inline constexpr const char* IMAGE_PROGRAM_NAME = "Korvalith WIN";
inline constexpr const char* IMAGE_PROGRAM_BUILD = "21112005";
constexpr int16_t IMAGE_PROGRAM_VERSION = KORVALITH_VERSION_MAJOR * 256 + KORVALITH_VERSION_MINOR;

// Fixed-text members are UTF-8 strings of exactly their width in characters
// (see image/FixedText.h); a fresh record is all NUL and zero.
struct ImageHeader {
    static constexpr size_t ProgramNameWidth = 16;
    static constexpr size_t BuildWidth = 14;
    static constexpr size_t DescriptionWidth = 256;
    static constexpr size_t CreatorWidth = 32;
    static constexpr size_t CreationDateWidth = 16;

    std::string ProgramName = std::string(ProgramNameWidth, '\0');
    int16_t Version = 0;
    std::string Build = std::string(BuildWidth, '\0');
    std::string Description = std::string(DescriptionWidth, '\0');
    std::string Creator = std::string(CreatorWidth, '\0');
    std::string CreationDate = std::string(CreationDateWidth, '\0');
    int32_t Flags = 0;
    int64_t DriveSize = 0;
    int64_t Cylinders = 0;
    uint32_t TracksPerCylinder = 0;
    uint32_t SectorsPerTrack = 0;
    uint32_t BytesPerSector = 0;
    std::array<uint16_t, 8> Reserved{};
};

using ImageHeaderBytes = std::array<uint8_t, IMAGE_HEADER_SIZE>;

// Returns the 384 on-disk bytes of Header, member by member, little-endian.
ImageHeaderBytes PackImageHeader(const ImageHeader& Header);

// Returns the record held by 384 on-disk bytes.
ImageHeader UnpackImageHeader(const ImageHeaderBytes& Bytes);

// Returns the local date of `when` as "DD.MM.YYYY", whatever the locale.
std::string CreationDateText(int64_t when);

// Sets ProgramName, Version, Build, CreationDate (today) and Reserved word 7;
// every other member keeps its value.
void InitImageHeader(ImageHeader& Header);

// Fills the header of a new image of a drive: InitImageHeader, Flags 1, the
// drive's capacity as DriveSize and its geometry (MediaType is not kept).
void FillImageHeaderForDrive(ImageHeader& Header, const DISK_GEOMETRY& geometry, int64_t capacity);

// Returns True (-1) when the header comes from this program or an older
// version of it and bit 0 of Flags is set; False (0) otherwise.
int IsValidImageHeader(const ImageHeader& Header);
