#include "image/CloneDrive.h"

#include "drive/PhysicalDrive.h"
#include "image/Commands.h"
#include "image/CreateImage.h"
#include "image/ImageHeader.h"
#include "image/RestoreImage.h"
#include "platform/PrivateTempFolder.h"
#include "ui/ShowMessage.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {
const std::string kTitle = std::string(PROGRAM_TITLE) + " - [Clone drive]";

// Returns 1 when the image went onto the new medium, else the result of
// the stage that ended the clone.
int32_t CreateSwapRestore(const std::string& deviceName, const std::string& displayName, const std::string& tempPath)
{
    if (tempPath.empty())
        return -3;

    // Whatever is at the fixed name and is not a plain file (a link, say)
    // goes, so the image is never written through it.
    struct stat st {};
    if (::lstat(tempPath.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        ::unlink(tempPath.c_str());
    if (!AcceptImagePath(tempPath, ImageUse::Write, deviceName, kTitle))
        return COMMAND_REFUSED;
    if (!ConfirmImagingMountedDrive(deviceName, kTitle))
        return -1;

    ImageHeader header{};
    if (const int32_t created = CreateImage(deviceName, tempPath, header); created != 1)
        return created;

    const std::string prompt = std::string("A temporary image is successfully created.") + vbCrLf + vbCrLf +
                               "Please eject media in drive '" + displayName + "'" + vbCrLf +
                               "and insert a new media then press <OK> to continue.";
    if (ShowMessage(PromptNamingDisk(prompt, deviceName), MB_OKCANCEL | MB_ICONINFORMATION, kTitle) != IDOK)
        return -1;

    // The new medium is another disk: the restore goes to whatever disk is
    // now at the same device, and its warning names that disk. Without one
    // there, the restore finds no drive information.
    TakeSwappedMedium(deviceName);
    return RestoreImage(deviceName, tempPath);
}
}  // namespace

int32_t CloneDrive(const std::string& deviceName, const std::string& displayName,
                   const std::function<void()>& onCloned)
{
    std::string unsafe;
    const std::string folder = PrivateTempFolder(&unsafe);
    const std::string tempPath = folder.empty() ? std::string() : folder + CLONE_TEMP_NAME;

    const int32_t result = CreateSwapRestore(deviceName, displayName, tempPath);
    if (result == 1) {
        if (onCloned)
            onCloned();
        ShowMessage("Drive successfully cloned.", MB_ICONINFORMATION, kTitle);
    } else if (folder.empty()) {
        ShowMessage(std::string("Drive could not be cloned.") + vbCrLf + vbCrLf +
                        "The folder for the temporary image is not safe: " + unsafe +
                        ". Remove it, or set TMPDIR to a folder of your own.",
                    MB_ICONSTOP, kTitle);
    } else {
        ShowMessage("Drive could not be cloned.", MB_ICONSTOP, kTitle);
    }
    if (!tempPath.empty())
        ::unlink(tempPath.c_str());
    return result;
}
