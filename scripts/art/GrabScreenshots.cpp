// Shows the main window, the start-up splash and the about window and saves
// each as a PNG. The main window works on simulated drives of its own.
// Usage (needs a display, e.g. under xvfb-run):
//   korvalith_screenshots <folder>   writes main.png, splash.png and about.png
// Returns 0 when every picture was written, 1 otherwise.
#include "app/frmKorvalithWIN.h"
#include "image/Commands.h"
#include "image/CreateImage.h"
#include "ui/frmSplash.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

bool Save(QWidget* window, const QString& path)
{
    const bool saved = window && window->grab().save(path, "PNG");
    if (!saved)
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return saved;
}

void LetPaint(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// Writes a sparse drive file of the given size, and its settings.
void AddDrive(const QDir& dir, int n, qint64 size, const QByteArray& ini = {})
{
    QFile image(dir.filePath(QString("PHYSICALDRIVE%1.img").arg(n)));
    image.open(QIODevice::WriteOnly);
    image.resize(size);
    if (!ini.isEmpty()) {
        QFile settings(dir.filePath(QString("PHYSICALDRIVE%1.ini").arg(n)));
        settings.open(QIODevice::WriteOnly);
        settings.write(ini);
    }
}

// The main window on a card reader and a fixed disk, with an image loaded.
bool SaveMainWindow(const QString& path)
{
    QTemporaryDir drives;
    const QDir dir(drives.path());
    qputenv("KORVALITH_SIMULATED_DRIVES", drives.path().toUtf8());
    qputenv("XDG_DATA_HOME", dir.filePath("data").toUtf8());
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());

    AddDrive(dir, 3, 4 << 20);
    const std::string imagePath = dir.filePath("holiday-card.kvi").toStdString();
    ImageHeader header = NewImageHeader("Ann Example", "Holiday photos, 2026\nCard from the blue camera");
    CreateImage("PHYSICALDRIVE3", imagePath, header);
    QFile::remove(dir.filePath("PHYSICALDRIVE3.img"));
    AddDrive(dir, 0, 8LL << 30, "MediaType=12\n");
    AddDrive(dir, 1, 1998585856, "Cylinders=243\n");

    frmKorvalithWIN window(QString::fromStdString(imagePath));
    window.show();
    LetPaint(300);
    return Save(&window, path);
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 1;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    folder.mkpath(".");
    bool ok = SaveMainWindow(folder.filePath("main.png"));

    SetSplashWait([&](int) {
        LetPaint(300);
        ok = Save(LoadedSplash(), folder.filePath("splash.png")) && ok;
    });
    ShowSplash(true);

    // The about window a few seconds in, its credits text on the way up.
    ShowSplash(false);
    if (frmSplash* about = LoadedSplash()) {
        about->timScrollBeginTimer_Timer();
        for (int tick = 0; tick < 14; ++tick)
            about->timScrollTimer_Timer();
    }
    LetPaint(300);
    ok = Save(LoadedSplash(), folder.filePath("about.png")) && ok;
    UnloadSplash();
    return ok ? 0 : 1;
}
