// What the window tests share: a desktop and temporary folder of their own,
// images made by the engine, and a hand on the progress dialog's Cancel.
#pragma once

#include "image/ImageHeader.h"

#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <string>

class frmKorvalithWIN;

// Points XDG_DATA_HOME, XDG_CONFIG_HOME and TMPDIR at a folder of the test's
// own, so association files and the clone's temporary image stay out of the
// user's.
class IsolatedDesktop {
public:
    IsolatedDesktop();
    QString Path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

// Makes an image of simulated drive n at path, answering every question Yes.
// Returns the engine's result.
int MakeImage(int n, const std::string& path, const std::string& creator = "", const std::string& description = "");

// Writes a file holding the given header and nothing else.
void WriteHeaderOnly(const std::string& path, const ImageHeader& header);

// Clicks Cancel in the progress dialog as soon as it shows, once.
class CancelWhenProgressShows : public QObject {
public:
    CancelWhenProgressShows();

private:
    QTimer timer_;
};

// Records whether the window was ever enabled or its drive timer running
// at a moment the test chooses (from inside a message box, typically).
struct BusyState {
    bool windowEnabled = true;
    bool timerActive = true;
    void Take(const frmKorvalithWIN& window);
};
