// Reading and writing the small freedesktop text files of the association:
// the desktop entry, the MIME package and mimeapps.list.
//
// Every write replaces its file in one step, so a failed write leaves the
// old file as it was.
#pragma once

#include "settings/ProgramLocation.h"

#include <QByteArray>
#include <QString>

// Returns true and the raw Exec value of the [Desktop Entry] group when the
// file could be read and has one; false otherwise.
bool ReadDesktopExec(const QString& path, QString& exec);

// Returns the desktop entry that opens image files with the program.
QByteArray DesktopEntryText(const ProgramLocation& program);

// Returns the MIME package that gives *.kvi its type, comment and icon.
QByteArray MimePackageText(const ProgramLocation& program);

// Returns true when the file now holds exactly these bytes, its folder
// created as needed.
bool ReplaceFile(const QString& path, const QByteArray& content);

// Returns true when the lines for mimeType were dropped from the
// [Default Applications], [Added Associations] and [Removed Associations]
// groups of an existing mimeapps.list; false when it could not be read or
// written (also when it does not exist).
bool RemoveMimeTypeChoices(const QString& mimeAppsList, const QString& mimeType);

// Returns true when [Default Applications] of mimeapps.list (created if
// missing) maps mimeType to desktopId; false when it could not be written.
bool SetDefaultApplication(const QString& mimeAppsList, const QString& mimeType, const QString& desktopId);
