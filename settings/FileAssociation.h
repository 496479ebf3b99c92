// Makes the desktop open image files (*.kvi, type application/x-korvalith-image)
// with the copy of the program that is running, after asking the user.
#pragma once

#include "settings/ProgramLocation.h"

// Checks the association for the running program; when it is missing or
// starts another program file, asks, and on Yes rewrites it. Returns
// nothing and reports no failure: each writing step that fails is skipped.
void CheckFileAssociation();

// Returns true when the association of the user's desktop files already
// starts this program: the MIME package exists and the desktop entry's Exec
// value is the expected command, letter case significant.
bool IsFileAssociationPresent(const ProgramLocation& program);

// CheckFileAssociation for a given program location.
void CheckFileAssociationFor(const ProgramLocation& program);
