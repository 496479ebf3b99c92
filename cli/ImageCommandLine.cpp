#include "cli/ImageCommandLine.h"

#include "cli/DriveCommands.h"
#include "cli/ExitStatus.h"
#include "cli/StatusLine.h"
#include "drive/CapacityText.h"
#include "image/CloneDrive.h"
#include "image/Commands.h"
#include "image/ConvertImage.h"
#include "image/ImageFormats.h"
#include "image/ReadBack.h"
#include "image/RestoreImage.h"
#include "image/VerifyImage.h"
#include "ui/ShowMessage.h"

#include <cstdio>

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
    const int32_t result = RestoreImageCommand(entry.DeviceName, imagePath);
    if (const ReadBackMeasure& check = ReadBackOfLastRestore(); result == 1 && check.bytes > 0) {
        char rate[64];
        std::snprintf(rate, sizeof rate, " in %.2f s", check.seconds);
        statusline::WriteError("kvi: verified: the drive was read back and holds the image (" +
                               FormatCapacity(ScaleCapacity(check.bytes)) + rate + ").\n");
    }
    return FinishDriveCommand(result, entry);
}

int RunVerify(const std::string& imagePath, const std::string& driveText)
{
    DriveEntry entry;
    if (const int status = TakeAcceptedDrive(driveText, entry); status != EXIT_COMPLETED)
        return status;
    if (!AcceptImageToRead(imagePath, entry.DeviceName, std::string(PROGRAM_TITLE) + " - [Verify image]"))
        return EXIT_FAILED;
    const VerifyResult result = VerifyImage(entry.DeviceName, imagePath);
    switch (result.outcome) {
    case VerifyOutcome::Same:
        std::printf("The drive holds the image: every byte matches.\n");
        return EXIT_COMPLETED;
    case VerifyOutcome::Differs:
        std::printf("The drive differs from the image at byte %s.\n", GroupedNumber(result.at).c_str());
        return EXIT_ENDED_EARLY;
    case VerifyOutcome::ImageEndsEarly:
        std::printf("The image ends at byte %s, before its drive size; up to there the drive holds it.\n",
                    GroupedNumber(result.at).c_str());
        return EXIT_ENDED_EARLY;
    case VerifyOutcome::Aborted:
        std::printf("Stopped at byte %s; up to there the drive holds the image.\n", GroupedNumber(result.at).c_str());
        return EXIT_ENDED_EARLY;
    case VerifyOutcome::Failed:
        break;
    }
    return EXIT_FAILED;  // the error box has said why
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
