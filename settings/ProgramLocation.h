// Where the running program is, and the desktop files that associate image
// files with it.
#pragma once

#include <QString>

inline constexpr const char* KVI_MIME_TYPE = "application/x-korvalith-image";

struct ProgramLocation {
    QString folder;      // folder of the executable, "/" separated, no trailing "/"
    QString executable;  // the executable's file name, e.g. "KorvalithWin"
};

// Returns the folder and file name of the running executable.
ProgramLocation RunningProgram();

// Returns the desktop-entry Exec value that starts this program with a file:
// "<folder>/<executable>" %f, with the characters the desktop-entry format
// reserves inside quotes escaped.
QString ExpectedOpenCommand(const ProgramLocation& program);

// The user's files of the association, from $XDG_DATA_HOME (default
// ~/.local/share) and $XDG_CONFIG_HOME (default ~/.config) as they are now.
struct AssociationFiles {
    QString mimeFolder;          // <data>/mime
    QString mimePackage;         // <data>/mime/packages/<exe>.xml
    QString applicationsFolder;  // <data>/applications
    QString desktopEntry;        // <data>/applications/<exe>.desktop
    QString icon;                // <data>/icons/hicolor/256x256/apps/<exe>.png
    QString mimeAppsList;        // <config>/mimeapps.list
};

// Returns the paths for this program; nothing is created.
AssociationFiles UserAssociationFiles(const ProgramLocation& program);
