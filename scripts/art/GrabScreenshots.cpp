// Shows the main window, the progress dialog of a create run, the start-up
// splash and the about window and saves each as a PNG. The main window and
// the run work on simulated drives of their own.
// Usage (needs a display, e.g. under xvfb-run):
//   korvalith_screenshots <folder>   writes main.png, progress.png, splash.png and about.png
// Returns 0 when every picture was written, 1 otherwise.
#include "app/frmKorvalithWIN.h"
#include "image/Commands.h"
#include "image/CreateImage.h"
#include "platform/DriveBackend.h"
#include "ui/frmSplash.h"
#include "ui/frmStatus.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdint>
#include <cstdio>
#include <vector>

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

// The progress dialog of a real run, grabbed once the meter knows its rate
// and the time left, a third of the way in.
class GrabbingProgress : public StatusProgress {
public:
    GrabbingProgress(QWidget* owner, QString path) : StatusProgress(owner), path_(std::move(path)) {}
    void SetReading(const ProgressReading& reading) override
    {
        StatusProgress::SetReading(reading);
        if (saved_ || !reading.redraw || reading.secondsLeft <= 0 || reading.done * 3 < reading.total)
            return;
        LetPaint(100);
        saved_ = Save(Dialog(), path_);
    }
    bool saved_ = false;

private:
    QString path_;
};

// Images a 192 MiB drive of bytes that barely compress, so the run lasts a
// few seconds.
bool SaveProgressDialog(const QString& path)
{
    QTemporaryDir drives;
    const QDir dir(drives.path());
    qputenv("KORVALITH_SIMULATED_DRIVES", drives.path().toUtf8());
    platform::SetDriveBackend(nullptr);  // the main window's drives are gone
    QFile drive(dir.filePath("PHYSICALDRIVE2.img"));
    drive.open(QIODevice::WriteOnly);
    std::vector<uint32_t> chunk(1 << 18);
    uint32_t state = 2463534242u;
    for (int mib = 0; mib < 192; ++mib) {
        for (uint32_t& word : chunk) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            word = state & 0x3f3f3f3f;  // six bits a byte: it compresses a little
        }
        drive.write(reinterpret_cast<const char*>(chunk.data()), static_cast<qint64>(chunk.size() * 4));
    }
    drive.close();

    QWidget owner;
    owner.show();
    GrabbingProgress progress(&owner, path);
    ProgressSink* previous = SetProgressSink(&progress);
    ImageHeader header = NewImageHeader("Ann Example", "");
    CreateImage("PHYSICALDRIVE2", dir.filePath("card.kvi").toStdString(), header);
    SetProgressSink(previous);
    if (!progress.saved_)
        std::fprintf(stderr, "the run ended before its rate was known: no %s\n", qPrintable(path));
    return progress.saved_;
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
    ok = SaveProgressDialog(folder.filePath("progress.png")) && ok;

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
