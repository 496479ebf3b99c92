// Which drive the rebuilt drive list selects.
//
// The list follows disks, not numbers: drive numbers move when a disk that
// sorts before another comes or goes, so a number is never how the
// selection is remembered.
#pragma once

#include "platform/DriveBackend.h"

#include <optional>
#include <string>
#include <vector>

struct ListedDrive {
    platform::DriveIdentity identity;
    std::string displayName;
    bool candidate = false;  // removable, or within the size limit
};

// Returns the list position to select among `now` (in list order):
//  - the first candidate whose disk was not in the previous scan: a card or
//    stick just connected (at start-up, with no previous scan, the first
//    candidate);
//  - else the disk selected before, under whatever number it has now;
//  - else the first candidate whose name differs from the old list's text
//    at its position, or the last candidate; position 0 when there is none.
int ChooseDriveSelection(const std::vector<ListedDrive>& now, const std::vector<platform::DriveIdentity>& previous,
                         const std::optional<platform::DriveIdentity>& selected,
                         const std::vector<std::string>& oldTexts);
