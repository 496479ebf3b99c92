// The two boxes whose texts go into the next image's header: what they show
// is what the header will hold.
#pragma once

#include <QString>

class QLineEdit;
class QPlainTextEdit;

// Returns the text as the header stores it: every character the header's
// code page (Windows-1252) cannot hold becomes "?".
QString AsHeaderText(const QString& text);

// Makes a one-line box show typed and pasted text as the header will hold
// it. Its maximum length stays the box's own.
void KeepHeaderText(QLineEdit* box);

// Makes a multi-line box show typed and pasted text as the header will hold
// it, and keeps it to `storedLimit` characters as stored, where a line break
// is two (CR LF). What does not fit is cut from the text just inserted.
void KeepHeaderText(QPlainTextEdit* box, int storedLimit);
