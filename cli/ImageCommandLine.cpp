#include "cli/ImageCommandLine.h"

#include "cli/DriveCommands.h"
#include "cli/ExitStatus.h"
#include "image/CloneDrive.h"
#include "image/Commands.h"
#include "image/ConvertImage.h"
#include "image/ImageFormats.h"
#include "ui/ShowMessage.h"

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

int RunConvert(const std::string& inPath, const std::string& outPath, const std::string& creator,
               const std::string& description)
{
    const int32_t result = ConvertImage(inPath, outPath, creator, DescriptionFromCommandLine(description));
    const std::string title = std::string(PROGRAM_TITLE) + " - [Convert image]";
    if (result == 1)
        ShowMessage("Image successfully converted.", MB_ICONINFORMATION, title);
    else if (result == 0)
        ShowMessage("Image converted with error.", MB_ICONEXCLAMATION, title);
    return ExitStatusForResult(result);
}

std::string HeaderTextsProblem(const std::string& imagePath, bool textsGiven)
{
    if (!textsGiven || WriterFormatFor(imagePath) == ImageFormat::Kvi)
        return {};
    return "--creator and --description are kept in .kvi images only; '" + imagePath +
           "' is written as a raw disk image";
}

}  // namespace cli
