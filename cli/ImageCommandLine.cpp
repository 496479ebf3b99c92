#include "cli/ImageCommandLine.h"

#include "cli/DriveCommands.h"
#include "cli/ExitStatus.h"
#include "cli/StatusLine.h"
#include "drive/CapacityText.h"
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

namespace {
// Prints where the sectors stored as zeros are, the first few of them.
void PrintUnreadableSectors(const UnreadableSectors& lost)
{
    constexpr size_t kShown = 8;
    if (lost.offsets.empty())
        return;
    std::string where;
    for (size_t i = 0; i < lost.offsets.size() && i < kShown; ++i)
        where += (i ? ", " : "") + GroupedNumber(lost.offsets[i]);
    if (lost.offsets.size() > kShown)
        where += ", ...";
    statusline::WriteError("kvi: " + UnreadableSectorsText(lost) + " Sectors at bytes " + where + "\n");
}
}  // namespace

int RunCreate(const std::string& driveText, const std::string& imagePath, const std::string& creator,
              const std::string& description)
{
    DriveEntry entry;
    if (const int status = TakeAcceptedDrive(driveText, entry); status != EXIT_COMPLETED)
        return status;
    ImageHeader header = NewImageHeader(creator, DescriptionFromCommandLine(description));
    const int32_t result = CreateImageCommand(entry.DeviceName, imagePath, header);
    PrintUnreadableSectors(UnreadableSectorsOfLastRun());
    return FinishDriveCommand(result, entry);
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
