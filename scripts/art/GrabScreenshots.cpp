// Shows the program's windows on simulated drives and saves each as a PNG
// for the README.
// Usage (needs a display, e.g. under xvfb-run):
//   korvalith_screenshots <folder>
// At scale factor 1: the main window at its default size and enlarged, in a
// light and a dark palette (main*.png), the progress dialog during a run
// (progress.png), the main window with a raw disk image chosen (main-raw.png),
// the start-up splash and the about window. Then the program
// runs itself once more at scale factor 1.5 for the main window shots
// (main*-1.5x*.png).
// Returns 0 when every picture was written, 1 otherwise.
#include "app/frmKorvalithWIN.h"
#include "drive/PhysicalDrive.h"
#include "image/Commands.h"
#include "image/CreateImage.h"
#include "ui/frmSplash.h"
#include "ui/frmStatus.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

const char* const kScaledRunOption = "--at-scale-1.5";

bool Save(const QPixmap& picture, const QString& path)
{
    const bool saved = !picture.isNull() && picture.save(path, "PNG");
    if (!saved)
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return saved;
}

bool Save(QWidget* window, const QString& path)
{
    return window && Save(window->grab(), path);
}

void LetPaint(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// The Fusion style in its own light palette, or in a dark one as a dark
// desktop theme gives it.
void UseLook(bool dark)
{
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QPalette palette = QApplication::style()->standardPalette();
    if (dark) {
        const QColor window(45, 45, 48), base(30, 30, 32), text(230, 230, 230), accent(42, 130, 218);
        palette.setColor(QPalette::Window, window);
        palette.setColor(QPalette::WindowText, text);
        palette.setColor(QPalette::Base, base);
        palette.setColor(QPalette::AlternateBase, window);
        palette.setColor(QPalette::Text, text);
        palette.setColor(QPalette::Button, window);
        palette.setColor(QPalette::ButtonText, text);
        palette.setColor(QPalette::ToolTipBase, base);
        palette.setColor(QPalette::ToolTipText, text);
        palette.setColor(QPalette::Highlight, accent);
        palette.setColor(QPalette::HighlightedText, Qt::white);
        palette.setColor(QPalette::Light, window.lighter(160));
        palette.setColor(QPalette::Midlight, window.lighter(130));
        palette.setColor(QPalette::Mid, window.lighter(170));
        palette.setColor(QPalette::Dark, window.darker(150));
        palette.setColor(QPalette::Shadow, Qt::black);
        palette.setColor(QPalette::PlaceholderText, text.darker(160));
        for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            palette.setColor(QPalette::Disabled, role, text.darker(180));
    }
    QApplication::setPalette(palette);
}

// A folder of simulated drives, with a .kvi and a raw image (.img.xz) made
// from one of them: a card reader, a fixed disk too big for the commands,
// and a small card for the run the progress dialog is shown in.
class ScreenshotDrives {
public:
    ScreenshotDrives()
    {
        qputenv("KORVALITH_SIMULATED_DRIVES", dir_.path().toUtf8());
        qputenv("XDG_DATA_HOME", Path("data").toUtf8());
        qputenv("XDG_CONFIG_HOME", Path("config").toUtf8());

        Add(3, 4 << 20);
        EnumPhysicalDrives(tPhysicalDrives_g);
        ImageHeader header = NewImageHeader("Ann Example", "Holiday photos, 2026\nCard from the blue camera");
        CreateImage("PHYSICALDRIVE3", Image().toStdString(), header);
        WriteRawImage();
        QFile::remove(Path("PHYSICALDRIVE3.img"));
        Add(0, 8LL << 30, "MediaType=12\n");
        Add(1, 1998585856, "Cylinders=243\n");
        Add(2, 64 << 20);
    }

    // The images made at the start.
    QString Image() const { return Path("holiday-card.kvi"); }
    QString RawImage() const { return Path("holiday-card.img.xz"); }
    QString Path(const QString& name) const { return QDir(dir_.path()).filePath(name); }

private:
    // Writes the raw image of drive 3, as a card writing program would get it.
    void WriteRawImage()
    {
        ImageHeader unused;
        CreateImage("PHYSICALDRIVE3", RawImage().toStdString(), unused);
    }

    // Writes a sparse drive file of the given size, and its settings.
    void Add(int n, qint64 size, const QByteArray& ini = {})
    {
        QFile image(Path(QString("PHYSICALDRIVE%1.img").arg(n)));
        image.open(QIODevice::WriteOnly);
        image.resize(size);
        if (!ini.isEmpty()) {
            QFile settings(Path(QString("PHYSICALDRIVE%1.ini").arg(n)));
            settings.open(QIODevice::WriteOnly);
            settings.write(ini);
        }
    }

    QTemporaryDir dir_;
};

// The main window with the given image file chosen, at its default size or
// the given one.
bool SaveMainWindow(const QString& path, const QString& imageFile, QSize size = {})
{
    frmKorvalithWIN window(imageFile);
    if (size.isValid())
        window.resize(size);
    window.show();
    LetPaint(300);
    return Save(&window, path);
}

// The main window during a run on the drive named `driveName` into a new
// image, with its progress dialog over it, once the bar has passed 40 %.
// Until then each step of the run waits 25 ms, about the pace of a card
// reader, so that the dialog shows a run as a user sees it.
bool SaveProgressDialog(const QString& path, const QString& driveName, const QString& newImage)
{
    frmKorvalithWIN window;
    window.show();
    window.cbPhysicalDrive->setCurrentIndex(window.cbPhysicalDrive->findText(driveName));
    window.cbPhysicalDrive_Click();
    window.SetImageFile(newImage);
    LetPaint(300);

    QPixmap shot;
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        frmStatus* dialog = window.findChild<frmStatus*>();
        if (!dialog || !dialog->isVisible() || dialog->shpStatusBar->width() * 10 < PROGRESS_BAR_WIDTH * 4) {
            QThread::msleep(25);
            return;
        }
        watch.stop();
        shot = window.grab();
        QPainter painter(&shot);
        painter.drawPixmap(dialog->mapToGlobal(QPoint()) - window.mapToGlobal(QPoint()), dialog->grab());
    });
    watch.start();
    window.cmdCreateImage->click();
    return Save(shot, path);
}

// The main window in both palettes, at its default size and enlarged; the
// names carry `scaleTag` when the run is at another scale factor.
bool SaveMainWindows(const QDir& folder, const ScreenshotDrives& drives, const QString& scaleTag)
{
    bool ok = true;
    for (const bool dark : {false, true}) {
        UseLook(dark);
        const QString look = scaleTag + (dark ? "-dark" : "");
        ok = SaveMainWindow(folder.filePath("main" + look + ".png"), drives.Image()) && ok;
        ok = SaveMainWindow(folder.filePath("main-enlarged" + look + ".png"), drives.Image(), {960, 720}) && ok;
    }
    return ok;
}

// The start-up splash, then the about window a few seconds in, its credits
// text on the way up.
bool SaveSplashAndAbout(const QDir& folder)
{
    bool ok = true;
    SetSplashWait([&](int) {
        LetPaint(300);
        ok = Save(LoadedSplash(), folder.filePath("splash.png")) && ok;
    });
    ShowSplash(true);

    ShowSplash(false);
    if (frmSplash* about = LoadedSplash()) {
        about->timScrollBeginTimer_Timer();
        for (int tick = 0; tick < 14; ++tick)
            about->timScrollTimer_Timer();
    }
    LetPaint(300);
    ok = Save(LoadedSplash(), folder.filePath("about.png")) && ok;
    UnloadSplash();
    return ok;
}

// Runs this program again at scale factor 1.5 for the scaled shots.
bool RunScaled(const QString& folder)
{
    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_SCALE_FACTOR", "1.5");
    run.setProcessEnvironment(environment);
    run.setProcessChannelMode(QProcess::ForwardedChannels);
    run.start(QCoreApplication::applicationFilePath(), {kScaledRunOption, folder});
    return run.waitForFinished(-1) && run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStringList args = QApplication::arguments().mid(1);
    const bool scaledRun = args.removeAll(kScaledRunOption) > 0;
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 1;
    }
    const QDir folder(args.first());
    folder.mkpath(".");
    ScreenshotDrives drives;

    if (scaledRun)
        return SaveMainWindows(folder, drives, "-1.5x") ? 0 : 1;

    bool ok = SaveMainWindows(folder, drives, "");
    UseLook(false);
    ok = SaveProgressDialog(folder.filePath("progress.png"), "Physical Drive 2", drives.Path("new-card.kvi")) && ok;
    ok = SaveMainWindow(folder.filePath("main-raw.png"), drives.RawImage()) && ok;
    ok = SaveSplashAndAbout(folder) && ok;
    ok = RunScaled(folder.path()) && ok;
    return ok ? 0 : 1;
}
