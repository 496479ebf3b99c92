#include "image/CloneDrive.h"

#include "image/CreateImage.h"
#include "image/ImageHeader.h"
#include "image/RestoreImage.h"
#include "platform/PrivateTempFolder.h"
#include "ui/ShowMessage.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {
const std::string kTitle = std::string(PROGRAM_TITLE) + " - [Clone drive]";

// Returns true when the image went onto the new medium.
bool CreateSwapRestore(const std::string& deviceName, const std::string& displayName, const std::string& tempPath)
{
    if (tempPath.empty())
        return false;

    // Whatever is at the fixed name and is not a plain file (a link, say)
    // goes, so the image is never written through it.
    struct stat st {};
    if (::lstat(tempPath.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        ::unlink(tempPath.c_str());

    ImageHeader header{};
    if (CreateImage(deviceName, tempPath, header) != 1)
        return false;

    const std::string prompt = std::string("A temporary image is successfully created.") + vbCrLf + vbCrLf +
                               "Please eject media in drive '" + displayName + "'" + vbCrLf +
                               "and insert a new media then press <OK> to continue.";
    if (ShowMessage(prompt, MB_OKCANCEL | MB_ICONINFORMATION, kTitle) != IDOK)
        return false;

    return RestoreImage(deviceName, tempPath) == 1;
}
}  // namespace

bool CloneDrive(const std::string& deviceName, const std::string& displayName, const std::function<void()>& onCloned)
{
    const std::string folder = PrivateTempFolder();
    const std::string tempPath = folder.empty() ? std::string() : folder + CLONE_TEMP_NAME;

    const bool cloned = CreateSwapRestore(deviceName, displayName, tempPath);
    if (cloned) {
        if (onCloned)
            onCloned();
        ShowMessage("Drive successfully cloned.", MB_ICONINFORMATION, kTitle);
    } else {
        ShowMessage("Drive could not be cloned.", MB_ICONSTOP, kTitle);
    }
    if (!tempPath.empty())
        ::unlink(tempPath.c_str());
    return cloned;
}
