// Shows the start-up splash and the about window and saves each as a PNG.
// Usage (needs a display, e.g. under xvfb-run):
//   korvalith_screenshots <folder>   writes <folder>/splash.png and about.png
// Returns 0 when both pictures were written, 1 otherwise.
#include "ui/frmSplash.h"

#include <QApplication>
#include <QDir>
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
    bool ok = true;

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
