#include "drive/PhysicalDrive.h"

#include "drive/CapacityText.h"

std::vector<DriveEntry> tPhysicalDrives_g(1);
uint8_t bySelectedDrive_g = 0;
int32_t lAcceptFixedDriveSizeMaxMB_g = 4096;

namespace {
platform::DriveProblem lastProblem;

std::string Trim(const std::string& s)
{
    const auto b = s.find_first_not_of(' ');
    if (b == std::string::npos)
        return {};
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// Returns the open disk of the named entry, or nullptr with the reason kept
// for TakeDriveProblem.
std::unique_ptr<platform::DriveHandle> OpenEntry(const std::string& deviceName, platform::OpenPurpose purpose)
{
    const DriveEntry* entry = FindDriveEntry(deviceName);
    if (!entry) {
        lastProblem = {platform::DriveFault::Gone, {}};
        return nullptr;
    }
    platform::DriveProblem problem;
    auto drive = platform::ActiveDriveBackend().Open(entry->Record, purpose, &problem);
    if (!drive)
        lastProblem = problem;
    return drive;
}
}  // namespace

const DriveEntry& SelectedDriveEntry()
{
    return bySelectedDrive_g < tPhysicalDrives_g.size() ? tPhysicalDrives_g[bySelectedDrive_g] : tPhysicalDrives_g[0];
}

const DriveEntry* FindDriveEntry(const std::string& deviceName)
{
    const std::string name = Trim(deviceName);
    for (size_t i = 1; i < tPhysicalDrives_g.size(); ++i)
        if (!name.empty() && tPhysicalDrives_g[i].DeviceName == name)
            return &tPhysicalDrives_g[i];
    return nullptr;
}

std::string DriveDescriptionText(const DriveEntry& entry)
{
    return entry.Record.number < 0 ? std::string() : entry.Record.Description();
}

std::string DiskLineForPrompt(const std::string& deviceName)
{
    const DriveEntry* entry = FindDriveEntry(deviceName);
    if (!entry || platform::ActiveDriveBackend().IsSimulated())
        return {};
    return DriveDescriptionText(*entry);
}

std::string PromptNamingDisk(const std::string& prompt, const std::string& deviceName)
{
    const std::string line = DiskLineForPrompt(deviceName);
    return line.empty() ? prompt : prompt + "\r\n\r\n" + line;
}

std::string DevicePath(const std::string& deviceName)
{
    return "\\\\.\\" + deviceName;
}

std::vector<platform::DriveRecord> ScanPhysicalDrives()
{
    std::vector<platform::DriveRecord> scan = platform::ActiveDriveBackend().List();
    std::vector<platform::DriveRecord> kept;
    for (auto& record : scan)
        if (record.number >= 0 && record.number <= MAX_DRIVE_NUMBER)
            kept.push_back(std::move(record));
    return kept;
}

bool SameDrives(const std::vector<platform::DriveRecord>& a, const std::vector<platform::DriveRecord>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].number != b[i].number || a[i].identity != b[i].identity)
            return false;
    return true;
}

bool IsDiskStillThere(const platform::DriveRecord& record)
{
    return record.number >= 0 && platform::ActiveDriveBackend().Open(record, platform::OpenPurpose::Query) != nullptr;
}

std::unique_ptr<platform::DriveHandle> OpenPhysicalDrive(const std::string& deviceName, platform::OpenPurpose purpose)
{
    return OpenEntry(deviceName, purpose);
}

bool TakeSwappedMedium(const std::string& deviceName)
{
    const DriveEntry* found = FindDriveEntry(deviceName);
    if (!found)
        return false;
    DriveEntry& entry = tPhysicalDrives_g[static_cast<size_t>(found - tPhysicalDrives_g.data())];
    for (const platform::DriveRecord& record : ScanPhysicalDrives())
        if (record.devicePath == entry.Record.devicePath) {
            entry.Record = record;
            return true;
        }
    return false;
}

platform::DriveProblem TakeDriveProblem()
{
    platform::DriveProblem problem = lastProblem;
    lastProblem = {};
    return problem;
}

std::string DiskNameForMessages(const std::string& deviceName)
{
    const DriveEntry* entry = FindDriveEntry(deviceName);
    if (!entry)
        return deviceName;
    return platform::ActiveDriveBackend().IsSimulated() ? entry->DisplayName : entry->Record.devicePath;
}

std::string TakeDriveProblemLine(const std::string& deviceName)
{
    const platform::DriveProblem problem = TakeDriveProblem();
    if (problem.fault == platform::DriveFault::Failed && problem.detail.empty())
        return {};
    return DriveProblemText(problem, DiskNameForMessages(deviceName));
}

std::string DriveProblemText(const platform::DriveProblem& problem, const std::string& devicePath)
{
    using platform::DriveFault;
    const std::string disk = devicePath.empty() ? std::string("the drive") : devicePath;
    switch (problem.fault) {
    case DriveFault::None:
        return {};
    case DriveFault::Gone:
        return disk + " disappeared after it was chosen; nothing was written to it. Check the drive list and choose "
                      "it again.";
    case DriveFault::Changed:
        return disk + " is no longer the disk that was chosen (another disk or medium took its place); nothing was "
                      "written to it. Check the drive list and choose again.";
    case DriveFault::NotOffered:
        return disk + " now holds part of the running system and is not offered.";
    case DriveFault::NoPermission:
        return "No permission to open " + disk + " (" + problem.detail +
               "): on a desktop with udisks2 the program asks for authorisation; otherwise run it as root, or as "
               "a member of the group 'disk'.";
    case DriveFault::NotAuthorized:
        return "Not authorised to use " + disk + (problem.detail.empty() ? "" : " (" + problem.detail + ")") +
               ": the authorisation was refused, or no authentication agent could ask for it. Sign in when asked "
               "(on a desktop session), or run the program as root.";
    case DriveFault::UdisksNotRunning:
        return disk + " can only be reached through udisks2, which is not running" +
               (problem.detail.empty() ? "" : " (" + problem.detail + ")") +
               ": start it ('systemctl start udisks2'), or run the program as root or as a member of the group "
               "'disk'.";
    case DriveFault::InUse:
        return disk + " is in use (opened exclusively by another program, or mounted); close what uses it and try "
                      "again.";
    case DriveFault::MountBusy:
        return problem.detail + " (on " + disk + ") is busy and stays mounted; close the programs using it (files "
               "open there, a terminal inside it) and try again. Nothing was written.";
    case DriveFault::MountNotPermitted:
        return problem.detail + " is mounted from " + disk + " and you may not unmount it: unmount it first (in the "
               "file manager, or 'umount " + problem.detail + "'), or run the program as root. Nothing was written.";
    case DriveFault::HeldOpen:
        return disk + " is open in other programs: " + problem.detail +
               ". Close them and try again; nothing was written.";
    case DriveFault::Failed:
        return disk + " could not be opened" + (problem.detail.empty() ? "" : " (" + problem.detail + ")") + ".";
    }
    return {};
}

int32_t GetDriveGeometry(const std::string& deviceName, DISK_GEOMETRY& geometry, int64_t& capacity)
{
    auto drive = OpenEntry(deviceName, platform::OpenPurpose::Query);
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
    auto drive = OpenEntry(deviceName, platform::OpenPurpose::Query);
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
    return static_cast<uint8_t>(ScanPhysicalDrives().size());
}

void EnumPhysicalDrives(std::vector<DriveEntry>& table)
{
    EnumPhysicalDrives(table, ScanPhysicalDrives());
}

void EnumPhysicalDrives(std::vector<DriveEntry>& table, const std::vector<platform::DriveRecord>& scan)
{
    table.assign(1, DriveEntry{});
    for (const platform::DriveRecord& record : scan) {
        const std::string n = std::to_string(record.number);
        table.push_back({"PHYSICALDRIVE" + n, "Physical Drive " + n, record});
    }
}

int32_t EjectMedia(const std::string& deviceName)
{
    auto drive = OpenEntry(deviceName, platform::OpenPurpose::Eject);
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
