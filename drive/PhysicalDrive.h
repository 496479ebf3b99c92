// Physical drives: naming, counting, the drive table, geometry and capacity,
// media class, the fixed-drive size limit and eject.
//
// The drive table is filled from one scan, and each entry keeps the record
// of the disk it stood for then. Every routine that works on a drive by its
// device name opens that record's disk, which the backend checks is still
// the same disk: a name never comes to mean another disk while a command
// runs, whatever is plugged in or pulled out meanwhile. None of them shows a
// message. Results are 1/0 or the program's Boolean (True = -1).
#pragma once

#include "platform/DriveBackend.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

constexpr int VB_TRUE = -1;
constexpr int VB_FALSE = 0;

struct DriveEntry {
    std::string DeviceName;   // "PHYSICALDRIVE" + n, used to open the drive
    std::string DisplayName;  // "Physical Drive " + n, shown to the user
    platform::DriveRecord Record = {};  // the disk the entry stands for, as the scan found it
};

// The drive table: entry 0 always empty, entries 1..count the drives found by
// the last EnumPhysicalDrives in ascending drive number.
extern std::vector<DriveEntry> tPhysicalDrives_g;
// Index into tPhysicalDrives_g of the selected drive; 0 for none.
extern uint8_t bySelectedDrive_g;
// Largest capacity in MiB at which a drive counts as accepted.
extern int32_t lAcceptFixedDriveSizeMaxMB_g;

constexpr int MAX_DRIVE_NUMBER = 127;

// Returns the entry bySelectedDrive_g points at (the empty entry 0 when it
// points nowhere).
const DriveEntry& SelectedDriveEntry();

// Returns the table entry named `deviceName` (spaces around it ignored), or
// nullptr when the table has none.
const DriveEntry* FindDriveEntry(const std::string& deviceName);

// Returns what the user knows the entry's disk by ("/dev/sdc — vendor
// model — size"), or "" for an entry without a disk.
std::string DriveDescriptionText(const DriveEntry& entry);

// Returns the line that names the disk of `deviceName` in the questions
// before it is overwritten: its description for a real drive; "" for a
// simulated one or a name the table does not hold.
std::string DiskLineForPrompt(const std::string& deviceName);

// Returns the prompt followed by an empty line and DiskLineForPrompt, or the
// prompt alone when that is "".
std::string PromptNamingDisk(const std::string& prompt, const std::string& deviceName);

// Returns "\\.\" + the device name.
std::string DevicePath(const std::string& deviceName);

// Returns the drives present now, in drive-number order: one scan.
std::vector<platform::DriveRecord> ScanPhysicalDrives();

// Returns true when the two scans found the same disks under the same
// numbers.
bool SameDrives(const std::vector<platform::DriveRecord>& a, const std::vector<platform::DriveRecord>& b);

// Returns true when the record's disk is still present as it was scanned.
bool IsDiskStillThere(const platform::DriveRecord& record);

// Opens the table entry's disk named `deviceName` for a whole transfer.
// Returns the open drive, or nullptr when the table has no such entry, the
// disk is gone or another disk is in its place, or the open fails.
std::unique_ptr<platform::DriveHandle> OpenPhysicalDrive(const std::string& deviceName, platform::OpenPurpose purpose);

// After the user swapped the medium of the drive `deviceName`, takes the
// record of the disk now at the same device path into its table entry.
// Returns true when such a disk is present.
bool TakeSwappedMedium(const std::string& deviceName);

// Returns why the last drive open that failed did so, and forgets it;
// fault None when no open failed since the last call.
platform::DriveProblem TakeDriveProblem();

// Returns the name messages give the disk of `deviceName`: its /dev path
// for a real drive, its display name for a simulated one (or when the table
// has no such entry, the device name itself).
std::string DiskNameForMessages(const std::string& deviceName);

// Takes the problem of the last failed open (TakeDriveProblem) and returns
// the sentence for it about the disk of `deviceName`, for a message box; ""
// when there is none, or nothing more to say than that the open failed.
std::string TakeDriveProblemLine(const std::string& deviceName);

// Returns one sentence telling the user what a drive problem means for the
// disk at devicePath and what to do; "" for fault None.
std::string DriveProblemText(const platform::DriveProblem& problem, const std::string& devicePath);

// Returns 1 when the drive opened and both the geometry and the length
// request succeeded; 0 otherwise. When the drive cannot be opened, geometry
// and capacity are left as they were; when only the length request fails,
// capacity becomes 0. Leading and trailing spaces of the name are ignored.
int32_t GetDriveGeometry(const std::string& deviceName, DISK_GEOMETRY& geometry, int64_t& capacity);

// Returns True (-1) when the drive reports a removable medium, else False.
int IsRemovableMedia(const std::string& deviceName);

// Returns True (-1) when geometry and capacity could be read and the capacity
// in MiB (rounded to four decimals) is at most lAcceptFixedDriveSizeMaxMB_g.
int IsDriveSizeAccepted(const DriveEntry& entry);

// Returns how many drives one scan finds (at most 128).
uint8_t CountPhysicalDrives();

// Rebuilds the table from one scan: entry 0 empty, then one entry per drive.
void EnumPhysicalDrives(std::vector<DriveEntry>& table);

// Rebuilds the table from the given scan.
void EnumPhysicalDrives(std::vector<DriveEntry>& table, const std::vector<platform::DriveRecord>& scan);

// Returns 1 when the medium was ejected, otherwise 0 (also when the drive
// cannot be opened, in which case no request is sent).
int32_t EjectMedia(const std::string& deviceName);

// Returns the media class text: "REMOVABLE", "FIXED" or "UNSUPPORTED".
const char* MediaClassText(int32_t mediaType);

// Returns True (-1) when the commands may work on the drive: a removable
// medium, or a fixed one accepted by IsDriveSizeAccepted. Geometry is
// already known to the caller.
int IsDriveUsable(const DriveEntry& entry, const DISK_GEOMETRY& geometry);
