// The operating-system side of physical drive access.
//
// The drive routines (drive/PhysicalDrive.h) and the image engine speak of
// drives only through this interface: open a device path for a purpose, ask
// for geometry and length, eject, read and write. Two backends provide it:
// real block devices (LinuxDriveBackend) and files that stand in for drives
// (SimulatedDriveBackend, chosen by KORVALITH_SIMULATED_DRIVES).
//
// Device paths are "\\.\PHYSICALDRIVE" + n, n from 0 to 127; each backend
// maps them to what it has. Anything else fails to open.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// The geometry record of a drive, with the members and media type values of
// the Windows record that the image format stores.
struct DISK_GEOMETRY {
    int64_t Cylinders = 0;
    int32_t MediaType = 0;
    int32_t TracksPerCylinder = 0;
    int32_t SectorsPerTrack = 0;
    int32_t BytesPerSector = 0;
};

constexpr int32_t MEDIA_TYPE_REMOVABLE = 11;
constexpr int32_t MEDIA_TYPE_FIXED = 12;

namespace platform {

enum class OpenPurpose {
    Query,       // geometry, length, counting, enumeration
    Eject,       // the eject request
    ReadWhole,   // reading a whole drive into an image
    WriteWhole,  // writing an image onto a whole drive
};

// An open drive. Closed when destroyed.
class DriveHandle {
public:
    virtual ~DriveHandle() = default;

    // Returns true with the drive's geometry; false when the drive has none
    // to give (no medium). `out` is left alone on failure.
    virtual bool GetGeometry(DISK_GEOMETRY& out) = 0;

    // Returns true with the whole drive's length in bytes; false on failure.
    virtual bool GetLength(int64_t& out) = 0;

    // Returns true when the medium was ejected.
    virtual bool Eject() = 0;

    // One sequential read call at the current position, which then moves on
    // by the bytes read. Returns the bytes read (0 at the end of the medium),
    // or -1 when the call failed.
    virtual int64_t Read(void* buffer, size_t length) = 0;

    // Writes `length` bytes at drive offset `offset`. Returns true when all
    // of them were written.
    virtual bool WriteAt(const void* buffer, size_t length, int64_t offset) = 0;

    // Returns true once everything written so far is on the medium itself.
    virtual bool Flush() = 0;
};

// What a user knows a drive by, beyond its number: shown as a tooltip and
// by the command-line tool.
struct DriveDescription {
    std::string devicePath;  // "/dev/sdc", or the simulated drive's file
    std::string vendor;
    std::string model;
    int64_t sizeBytes = -1;  // -1 when unknown

    // "/dev/sdc — Generic STORAGE DEVICE — 31.91 GB" (parts that are known)
    std::string Text() const;
};

class DriveBackend {
public:
    virtual ~DriveBackend() = default;

    // Returns the open drive, or nullptr when the path names no drive or
    // the open failed.
    virtual std::unique_ptr<DriveHandle> Open(const std::string& devicePath, OpenPurpose purpose) = 0;

    // Returns the description of drive number n, or nothing when there is
    // no such drive.
    virtual std::optional<DriveDescription> Describe(int driveNumber) = 0;

    // True for the simulated backend: the command-line tool shows /dev
    // paths only for real drives.
    virtual bool IsSimulated() const = 0;
};

// The backend in use. On first use it is chosen from the environment:
// simulated drives when KORVALITH_SIMULATED_DRIVES names a directory,
// real block devices otherwise.
DriveBackend& ActiveDriveBackend();

// Replaces the backend in use (tests); nullptr chooses from the environment
// again at the next use.
void SetDriveBackend(std::unique_ptr<DriveBackend> backend);

// Returns n for "\\.\PHYSICALDRIVE<n>" with n from 0 to 127 written without
// leading zeros, or -1 for any other text.
int ParseDevicePath(const std::string& devicePath);

}  // namespace platform
