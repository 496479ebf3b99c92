#include "drive/DriveSelection.h"

#include <algorithm>

int ChooseDriveSelection(const std::vector<ListedDrive>& now, const std::vector<platform::DriveIdentity>& previous,
                         const std::optional<platform::DriveIdentity>& selected,
                         const std::vector<std::string>& oldTexts)
{
    for (size_t i = 0; i < now.size(); ++i)
        if (now[i].candidate && std::find(previous.begin(), previous.end(), now[i].identity) == previous.end())
            return static_cast<int>(i);
    if (selected)
        for (size_t i = 0; i < now.size(); ++i)
            if (now[i].identity == *selected)
                return static_cast<int>(i);
    int selection = 0;
    for (size_t i = 0; i < now.size(); ++i) {
        if (!now[i].candidate)
            continue;
        selection = static_cast<int>(i);
        const std::string old = i < oldTexts.size() ? oldTexts[i] : std::string();
        if (old != now[i].displayName)
            break;
    }
    return selection;
}
