#include "cli/ImageCommandLine.h"

#include "cli/DriveCommands.h"
#include "cli/ExitStatus.h"
#include "image/CloneDrive.h"
#include "image/Commands.h"

namespace cli {

std::string DescriptionFromCommandLine(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (c == '\\' && (next == 'n' || next == '\\')) {
            out += next == 'n' ? '\n' : '\\';
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

int RunCreate(const std::string& driveText, const std::string& imagePath, const std::string& creator,
              const std::string& description)
{
    DriveEntry entry;
    if (const int status = TakeAcceptedDrive(driveText, entry); status != EXIT_COMPLETED)
        return status;
    ImageHeader header = NewImageHeader(creator, DescriptionFromCommandLine(description));
    return FinishDriveCommand(CreateImageCommand(entry.DeviceName, imagePath, header), entry);
}

int RunRestore(const std::string& imagePath, const std::string& driveText)
{
    DriveEntry entry;
    if (const int status = TakeAcceptedDrive(driveText, entry); status != EXIT_COMPLETED)
        return status;
    return FinishDriveCommand(RestoreImageCommand(entry.DeviceName, imagePath), entry);
}

int RunClone(const std::string& driveText)
{
    DriveEntry entry;
    if (const int status = TakeAcceptedDrive(driveText, entry); status != EXIT_COMPLETED)
        return status;
    return FinishDriveCommand(CloneDrive(entry.DeviceName, entry.DisplayName), entry);
}

}  // namespace cli
