// The operating-system side of physical drive access.
//
// The drive routines (drive/PhysicalDrive.h) and the image engine speak of
// drives only through this interface. A scan lists the drives present, each
// as one record that says where the disk is, what identifies that very disk,
// and what the user knows it by. Every later open names such a record and
// checks, on what it opened, that the disk is still the one the record
// describes: a disk that went away, or another disk that took its place
// (a stick pulled and another plugged in, a loop device attached anew),
// fails the open, so nothing is ever read from or written to a disk other
// than the one the user chose.
//
// Two backends provide it: real block devices (LinuxDriveBackend) and files
// that stand in for drives (SimulatedDriveBackend, chosen by
// KORVALITH_SIMULATED_DRIVES).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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
    Query,       // geometry and length
    Eject,       // the eject request
    ReadWhole,   // reading a whole drive into an image
    WriteWhole,  // writing an image onto a whole drive
};

// What tells one disk from every other, now and later. Two records name the
// same disk when their identities are equal.
struct DriveIdentity {
    uint64_t device = 0;              // the block device's number; a simulated drive's file system
    uint64_t inode = 0;               // a simulated drive's file; 0 for block devices
    int64_t born = 0;                 // a simulated drive file's birth time (ns); 0 for block devices
    std::optional<uint64_t> diskseq;  // the kernel's disk sequence number: new for each medium attached
    std::string serial;               // serial number or WWN, where the kernel has one
    int64_t size = -1;                // the whole disk's length in bytes
    bool operator==(const DriveIdentity&) const = default;
};

// One drive as one scan found it.
struct DriveRecord {
    int number = -1;         // the drive number n of "PHYSICALDRIVE" + n
    std::string devicePath;  // "/dev/sdc", or the simulated drive's file
    DriveIdentity identity;
    std::string vendor;
    std::string model;
    // What the geometry and the length request answered at the scan: nothing
    // when there is no medium (a card reader without a card) or the request
    // failed.
    std::optional<DISK_GEOMETRY> geometry;
    std::optional<int64_t> length;

    // Returns what the user knows the disk by: "/dev/sdc — SanDisk Ultra —
    // 29.72 GB" (the parts that are known).
    std::string Description() const;
};

// Why an open failed.
enum class DriveFault {
    None,
    Gone,          // the disk is no longer there
    Changed,       // another disk (or another medium) is where the record's disk was
    NotOffered,    // the disk is not one to offer (it now holds the running system, ...)
    NoPermission,  // the system refused this user access to the device
    InUse,         // the system refused an exclusive open: something else uses the disk
    MountBusy,     // a filesystem of the disk is busy and stayed mounted (detail: the mount point)
    MountNotPermitted,  // this user may not unmount a filesystem of the disk (detail: the mount point)
    HeldOpen,      // other programs have the disk open (detail: "pid 12 (sleep), ...")
    NotAuthorized,     // udisks2 refused: polkit said No, or no agent could ask for a password
    UdisksNotRunning,  // the open needs udisks2, which does not answer
    Failed,        // any other failure of the open
};

struct DriveProblem {
    DriveFault fault = DriveFault::None;
    std::string detail;  // what was found, for the message
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

    // Reads `length` bytes at drive offset `offset`, the current position
    // left alone. Returns the bytes read (fewer only at the end of the
    // medium), or -1 when a read failed.
    virtual int64_t ReadAt(void* /*buffer*/, size_t /*length*/, int64_t /*offset*/) { return -1; }

    // Reads as ReadAt does, but from the medium itself, past every cache:
    // what a check of written data must see. Returns the bytes read, or -1.
    virtual int64_t ReadBackAt(void* buffer, size_t length, int64_t offset) { return ReadAt(buffer, length, offset); }

    // Writes `length` bytes at drive offset `offset`. Returns true when all
    // of them were written.
    virtual bool WriteAt(const void* buffer, size_t length, int64_t offset) = 0;

    // Returns true once everything written so far is on the medium itself.
    virtual bool Flush() = 0;
};

class DriveBackend {
public:
    virtual ~DriveBackend() = default;

    // Returns the drives present now, in drive-number order: one scan.
    virtual std::vector<DriveRecord> List() = 0;

    // Opens the record's disk for a purpose after checking, on what was
    // opened, that it is still that disk. Returns the open drive, or nullptr
    // with the reason in `problem` (when given).
    virtual std::unique_ptr<DriveHandle> Open(const DriveRecord& record, OpenPurpose purpose,
                                              DriveProblem* problem = nullptr) = 0;

    // True for the simulated backend: the command-line tool shows /dev
    // paths only for real drives.
    virtual bool IsSimulated() const = 0;

    // Returns where filesystems of the record's disk are mounted for
    // writing: programs may change them while the disk is read.
    virtual std::vector<std::string> WritableMounts(const DriveRecord& /*record*/) { return {}; }

    // Returns true when the existing file or folder at `path` is stored on
    // the record's disk.
    virtual bool IsOnDisk(const std::string& /*path*/, const DriveRecord& /*record*/) { return false; }

    // Returns true when `path` is the medium of one of the backend's drives
    // (a simulated drive's file; a real drive is a device, refused as such).
    virtual bool IsDriveMedium(const std::string& /*path*/) { return false; }
};

// Notes about opens that went ahead although something could not be
// checked ("the open files of 3 processes could not be looked at"); taken
// by whoever reports them to the user.
void AddOpenNote(const std::string& note);
std::vector<std::string> TakeOpenNotes();

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

// A handle that answers the geometry and length requests with the given
// values and fails every transfer: what a query needs once the disk's
// identity is checked.
std::unique_ptr<DriveHandle> MakeAnsweringHandle(std::optional<DISK_GEOMETRY> geometry, std::optional<int64_t> length);

}  // namespace platform
