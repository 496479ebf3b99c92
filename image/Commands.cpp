#include "image/Commands.h"

#include "image/CreateImage.h"
#include "image/FixedText.h"
#include "image/ImageFile.h"
#include "image/ImageFormats.h"
#include "image/RestoreImage.h"
#include "drive/CapacityText.h"
#include "drive/PhysicalDrive.h"
#include "ui/ShowMessage.h"

namespace {
const std::string kCreateTitle = std::string(PROGRAM_TITLE) + " - [Create image]";
const std::string kRestoreTitle = std::string(PROGRAM_TITLE) + " - [Restore image]";

std::string WithCrLf(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

void TellOutcome(int32_t result, const std::function<void()>& ended, const std::string& success,
                 const std::string& failure, const std::string& title)
{
    if (result != 1 && result != 0)
        return;
    if (ended)
        ended();
    if (result == 1)
        ShowMessage(success, MB_ICONINFORMATION, title);
    else
        ShowMessage(failure, MB_ICONEXCLAMATION, title);
}
}  // namespace

std::string UnreadableSectorsText(const UnreadableSectors& lost)
{
    const auto count = static_cast<int64_t>(lost.offsets.size());
    if (count == 0)
        return {};
    return GroupedNumber(count) + (count == 1 ? " sector (" : " sectors (") + GroupedNumber(count * lost.sectorSize) +
           " bytes) could not be read and " + (count == 1 ? "is" : "are") + " stored as zeros.";
}

bool ConfirmImagingMountedDrive(const std::string& deviceName, const std::string& title)
{
    const DriveEntry* entry = FindDriveEntry(deviceName);
    if (!entry)
        return true;  // the engine finds no drive information and says so
    const std::vector<std::string> mounts = platform::ActiveDriveBackend().WritableMounts(entry->Record);
    if (mounts.empty())
        return true;
    std::string where;
    for (const std::string& mount : mounts)
        where += (where.empty() ? "" : ", ") + mount;
    const std::string prompt = "A filesystem of this drive is mounted for writing (" + where + ")." + vbCrLf +
                               "Programs may change files while the image is made, and the image may then hold "
                               "a mix of old and new data. Unmount it first for a consistent image." +
                               vbCrLf + vbCrLf + "Do you want to create the image anyway?";
    return ShowMessage(PromptNamingDisk(prompt, deviceName), MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2, title,
                       MessageKind::ImageMountedDrive) == IDYES;
}

bool AcceptImagePath(const std::string& imagePath, ImageUse use, const std::string& deviceName,
                     const std::string& title)
{
    const DriveEntry* entry = FindDriveEntry(deviceName);
    const std::string problem = ImagePathProblem(imagePath, use, entry ? entry->Record : platform::DriveRecord{});
    if (problem.empty())
        return true;
    ShowMessage(problem, MB_ICONEXCLAMATION, title);
    return false;
}

bool AcceptImageToRead(const std::string& imagePath, const std::string& deviceName, const std::string& title)
{
    if (imagePath.empty()) {
        ShowMessage("Please open an image file first.", MB_ICONINFORMATION, title);
        return false;
    }
    if (!AcceptImagePath(imagePath, ImageUse::Read, deviceName, title))
        return false;
    ImageHeader header;
    const bool read = ReadImageHeader(imagePath, header) == VB_TRUE;
    const bool valid = IsValidImageHeader(header) == VB_TRUE;
    if (!read || !valid) {
        // Not a .kvi: a raw disk image serves too, unless it holds none.
        const ImageProbe raw = ProbeImage(imagePath);
        if (!raw.IsRaw() || !raw.problem.empty()) {
            ShowMessage(std::string("Please open an valid image file first.") +
                            (raw.problem.empty() ? "" : std::string(vbCrLf) + vbCrLf + raw.problem),
                        MB_ICONINFORMATION, title);
            return false;
        }
    }
    return true;
}

ImageHeader NewImageHeader(const std::string& creator, const std::string& description)
{
    ImageHeader header;
    header.Creator = FixedText(creator, ImageHeader::CreatorWidth);
    header.Description = FixedText(WithCrLf(description), ImageHeader::DescriptionWidth);
    return header;
}

int32_t CreateImageCommand(const std::string& deviceName, const std::string& imagePath, ImageHeader& header,
                           const std::function<void()>& ended)
{
    if (imagePath.empty()) {
        ShowMessage("Please open or create an image file first.", MB_ICONINFORMATION, kCreateTitle);
        return COMMAND_REFUSED;
    }
    if (!AcceptImagePath(imagePath, ImageUse::Write, deviceName, kCreateTitle))
        return COMMAND_REFUSED;
    if (!ConfirmImagingMountedDrive(deviceName, kCreateTitle))
        return -1;
    const int32_t result = CreateImage(deviceName, imagePath, header);
    const std::string lost = UnreadableSectorsText(UnreadableSectorsOfLastRun());
    TellOutcome(result, ended, "Image successfully created.",
                std::string("Image created with error.") + (lost.empty() ? "" : vbCrLf + lost), kCreateTitle);
    return result;
}

int32_t RestoreImageCommand(const std::string& deviceName, const std::string& imagePath,
                            const std::function<void()>& ended)
{
    if (!AcceptImageToRead(imagePath, deviceName, kRestoreTitle))
        return COMMAND_REFUSED;
    const int32_t result = RestoreImage(deviceName, imagePath);
    // Written but not holding the image: restored, with error.
    TellOutcome(result == RESTORE_NOT_VERIFIED ? 0 : result, ended, "Image successfully restored.",
                "Image restored with error.", kRestoreTitle);
    return result;
}
