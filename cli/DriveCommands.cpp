#include "cli/DriveCommands.h"

#include "cli/DriveArgument.h"
#include "cli/ExitStatus.h"
#include "cli/StatusLine.h"
#include "drive/CapacityText.h"
#include "drive/EjectCommand.h"
#include "platform/DriveBackend.h"

#include <cstdio>

namespace cli {

namespace {
void PrintError(const std::string& text)
{
    statusline::WriteError("kvi: " + text + "\n");
}

// Returns the /dev path and the vendor and model of a real drive, "" for a
// simulated one.
std::string RealDriveText(const DriveEntry& entry)
{
    if (platform::ActiveDriveBackend().IsSimulated())
        return {};
    const platform::DriveRecord& record = entry.Record;
    std::string model = record.vendor;
    if (!record.model.empty())
        model += (model.empty() ? "" : " ") + record.model;
    return "\t" + record.devicePath + "\t" + model;
}

// Prints why an open of the entry's disk failed; nothing for fault None.
void PrintDriveProblem(const platform::DriveProblem& problem, const DriveEntry& entry)
{
    if (problem.fault == platform::DriveFault::None)
        return;
    PrintError(DriveProblemText(problem, DiskNameForMessages(entry.DeviceName)));
}

// Returns why the commands refuse a drive whose geometry was read.
std::string RefusalText(const DISK_GEOMETRY& geometry)
{
    if (geometry.MediaType == MEDIA_TYPE_FIXED)
        return "a fixed drive larger than " + std::to_string(lAcceptFixedDriveSizeMaxMB_g) +
               " MB (or of unknown size); the commands refuse it";
    return "its media type is " + std::string(MediaClassText(geometry.MediaType)) + "; the commands refuse it";
}
}  // namespace

std::string CapacityText(int64_t capacity)
{
    ScaledCapacity shown = ScaleCapacity(capacity);
    shown.value = RoundToFourDecimals(shown.value);
    return FormatCapacity(shown, ".");
}

int RunDrives()
{
    EnumPhysicalDrives(tPhysicalDrives_g);
    for (size_t i = 1; i < tPhysicalDrives_g.size(); ++i) {
        const DriveEntry& entry = tPhysicalDrives_g[i];
        std::string line = std::to_string(ParseDriveNumber(entry.DeviceName)) + "\t" + entry.DisplayName +
                           RealDriveText(entry);
        DISK_GEOMETRY geometry;
        int64_t capacity = 0;
        if (GetDriveGeometry(entry.DeviceName, geometry, capacity) != 1) {
            line += "\tNo drive information available.\t-\tnot accepted";
        } else {
            line += std::string("\t") + MediaClassText(geometry.MediaType) + "\t" + CapacityText(capacity) + "\t" +
                    (IsDriveUsable(entry, geometry) == VB_TRUE ? "accepted" : "not accepted");
        }
        std::printf("%s\n", line.c_str());
    }
    std::fflush(stdout);
    return EXIT_COMPLETED;
}

int FinishDriveCommand(int32_t result, const DriveEntry& entry)
{
    const platform::DriveProblem problem = TakeDriveProblem();
    if (result != 1)
        PrintDriveProblem(problem, entry);
    for (const std::string& note : platform::TakeOpenNotes())
        PrintError("note: " + note);
    return ExitStatusForResult(result);
}

int TakeAcceptedDrive(const std::string& driveText, DriveEntry& entry)
{
    std::string why;
    switch (FindDrive(driveText, entry, why)) {
    case DriveLookup::Found:
        break;
    case DriveLookup::Malformed:
        PrintError(why);
        return EXIT_USAGE;
    case DriveLookup::NotListed:
        PrintError(why);
        return EXIT_FAILED;
    }
    DISK_GEOMETRY geometry;
    int64_t capacity = 0;
    if (GetDriveGeometry(entry.DeviceName, geometry, capacity) != 1) {
        PrintError(entry.DisplayName + ": No drive information available.");
        return EXIT_FAILED;
    }
    if (IsDriveUsable(entry, geometry) != VB_TRUE) {
        PrintError(entry.DisplayName + ": " + RefusalText(geometry));
        return EXIT_FAILED;
    }
    TakeDriveProblem();
    return EXIT_COMPLETED;
}

int RunEject(const std::string& driveText)
{
    DriveEntry entry;
    if (const int status = TakeAcceptedDrive(driveText, entry); status != EXIT_COMPLETED)
        return status;
    switch (EjectMediaCommand(entry)) {
    case EJECT_DONE:
        return EXIT_COMPLETED;
    case EJECT_DECLINED:
        return EXIT_DECLINED;
    default:
        return EXIT_FAILED;  // the message has said why
    }
}

}  // namespace cli
