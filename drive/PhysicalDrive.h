// Physical drives: naming, counting, the drive table, geometry and capacity,
// media class, the fixed-drive size limit and eject.
//
// Each routine opens the drive itself and closes it before returning; none
// shows a message. Results are 1/0 or the program's Boolean (True = -1).
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

// Returns what the backend knows the entry's drive by ("/dev/sdc — vendor
// model — size"), or "" when it has no such drive.
std::string DriveDescriptionText(const DriveEntry& entry);

// Returns "\\.\" + the device name.
std::string DevicePath(const std::string& deviceName);

// Opens the drive named `deviceName` ("PHYSICALDRIVE" + n) for a whole
// transfer. Returns the open drive, or nullptr when it cannot be opened.
std::unique_ptr<platform::DriveHandle> OpenPhysicalDrive(const std::string& deviceName, platform::OpenPurpose purpose);

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

// Returns how many of the drives 0..127 can be opened.
uint8_t CountPhysicalDrives();

// Rebuilds the table: entry 0 empty, then one entry per drive that opens.
void EnumPhysicalDrives(std::vector<DriveEntry>& table);

// Returns 1 when the medium was ejected, otherwise 0 (also when the drive
// cannot be opened, in which case no request is sent).
int32_t EjectMedia(const std::string& deviceName);

// Returns the media class text: "REMOVABLE", "FIXED" or "UNSUPPORTED".
const char* MediaClassText(int32_t mediaType);

// Returns True (-1) when the commands may work on the drive: a removable
// medium, or a fixed one accepted by IsDriveSizeAccepted. Geometry is
// already known to the caller.
int IsDriveUsable(const DriveEntry& entry, const DISK_GEOMETRY& geometry);
