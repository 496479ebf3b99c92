#include "drive/PhysicalDrive.h"

#include "drive/CapacityText.h"

std::vector<DriveEntry> tPhysicalDrives_g(1);
uint8_t bySelectedDrive_g = 0;
int32_t lAcceptFixedDriveSizeMaxMB_g = 4096;

namespace {
std::string Trim(const std::string& s)
{
    const auto b = s.find_first_not_of(' ');
    if (b == std::string::npos)
        return {};
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

std::unique_ptr<platform::DriveHandle> OpenNumber(int n, platform::OpenPurpose purpose)
{
    return platform::ActiveDriveBackend().Open(DevicePath("PHYSICALDRIVE" + std::to_string(n)), purpose);
}
}  // namespace

const DriveEntry& SelectedDriveEntry()
{
    return bySelectedDrive_g < tPhysicalDrives_g.size() ? tPhysicalDrives_g[bySelectedDrive_g] : tPhysicalDrives_g[0];
}

std::string DriveDescriptionText(const DriveEntry& entry)
{
    const int n = platform::ParseDevicePath(DevicePath(entry.DeviceName));
    const auto description = n >= 0 ? platform::ActiveDriveBackend().Describe(n) : std::nullopt;
    return description ? description->Text() : std::string();
}

std::string DevicePath(const std::string& deviceName)
{
    return "\\\\.\\" + deviceName;
}

std::unique_ptr<platform::DriveHandle> OpenPhysicalDrive(const std::string& deviceName, platform::OpenPurpose purpose)
{
    return platform::ActiveDriveBackend().Open(DevicePath(deviceName), purpose);
}

int32_t GetDriveGeometry(const std::string& deviceName, DISK_GEOMETRY& geometry, int64_t& capacity)
{
    auto drive = platform::ActiveDriveBackend().Open(DevicePath(Trim(deviceName)), platform::OpenPurpose::Query);
    if (!drive)
        return 0;
    if (!drive->GetGeometry(geometry))
        return 0;
    int64_t length = 0;
    const bool ok = drive->GetLength(length);
    capacity = ok ? length : 0;
    return ok ? 1 : 0;
}

int IsRemovableMedia(const std::string& deviceName)
{
    auto drive = platform::ActiveDriveBackend().Open(DevicePath(Trim(deviceName)), platform::OpenPurpose::Query);
    if (!drive)
        return VB_FALSE;
    DISK_GEOMETRY geometry;  // a failed request leaves MediaType 0
    drive->GetGeometry(geometry);
    return geometry.MediaType == MEDIA_TYPE_REMOVABLE ? VB_TRUE : VB_FALSE;
}

int IsDriveSizeAccepted(const DriveEntry& entry)
{
    DISK_GEOMETRY geometry;
    int64_t capacity = 0;
    if (GetDriveGeometry(entry.DeviceName, geometry, capacity) != 1)
        return VB_FALSE;
    const double mib = RoundToFourDecimals(static_cast<double>(capacity) / 1048576.0);
    return mib <= static_cast<double>(lAcceptFixedDriveSizeMaxMB_g) ? VB_TRUE : VB_FALSE;
}

uint8_t CountPhysicalDrives()
{
    uint8_t count = 0;
    for (int n = 0; n <= MAX_DRIVE_NUMBER; ++n)
        if (OpenNumber(n, platform::OpenPurpose::Query))
            ++count;
    return count;
}

void EnumPhysicalDrives(std::vector<DriveEntry>& table)
{
    table.assign(1, DriveEntry{});
    for (int n = 0; n <= MAX_DRIVE_NUMBER; ++n)
        if (OpenNumber(n, platform::OpenPurpose::Query))
            table.push_back({"PHYSICALDRIVE" + std::to_string(n), "Physical Drive " + std::to_string(n)});
}

int32_t EjectMedia(const std::string& deviceName)
{
    auto drive = platform::ActiveDriveBackend().Open(DevicePath(Trim(deviceName)), platform::OpenPurpose::Eject);
    if (!drive)
        return 0;
    return drive->Eject() ? 1 : 0;
}

const char* MediaClassText(int32_t mediaType)
{
    switch (mediaType) {
    case MEDIA_TYPE_REMOVABLE:
        return "REMOVABLE";
    case MEDIA_TYPE_FIXED:
        return "FIXED";
    default:
        return "UNSUPPORTED";
    }
}

int IsDriveUsable(const DriveEntry& entry, const DISK_GEOMETRY& geometry)
{
    if (geometry.MediaType == MEDIA_TYPE_REMOVABLE)
        return VB_TRUE;
    if (geometry.MediaType == MEDIA_TYPE_FIXED)
        return IsDriveSizeAccepted(entry);
    return VB_FALSE;
}
