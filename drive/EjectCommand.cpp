#include "drive/EjectCommand.h"

#include "ui/ShowMessage.h"

int32_t EjectMediaCommand(const DriveEntry& entry, const std::function<void()>& onEjected)
{
    const std::string title = std::string(PROGRAM_TITLE) + " - [Eject media]";
    const std::string& name = entry.DisplayName;
    if (ShowMessage("Eject media in '" + name + "'?", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, title) != IDYES)
        return EJECT_DECLINED;
    TakeDriveProblem();  // what an earlier query found is no concern of this one
    if (EjectMedia(entry.DeviceName) != 1) {
        const std::string why = TakeDriveProblemLine(entry.DeviceName);
        ShowMessage("Media in drive '" + name + "' could not be ejected." + (why.empty() ? "" : vbCrLf + why),
                    MB_ICONSTOP, title);
        return EJECT_FAILED;
    }
    if (onEjected)
        onEjected();
    ShowMessage("Media in drive '" + name + "' ejected.", MB_ICONINFORMATION, title);
    return EJECT_DONE;
}
