#include "ui/frmSplash.h"

#include "ui/ProgramIdentity.h"
#include "ui/SplashTexts.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTextEdit>
#include <QTimer>

namespace {

QPointer<frmSplash>& Loaded()
{
    static QPointer<frmSplash> loaded;
    return loaded;
}

// The start-up wait keeps the splash painted but takes no input.
void WaitPainting(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

SplashWaitFunction& Wait()
{
    static SplashWaitFunction wait = WaitPainting;
    return wait;
}

ModifierKeysReader& ModifierKeys()
{
    static ModifierKeysReader reader = [] { return QGuiApplication::queryKeyboardModifiers(); };
    return reader;
}

// Returns true when Ctrl, Shift and Alt are all held: the full-width layout.
bool IsLayoutChordHeld()
{
    const Qt::KeyboardModifiers chord = Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier;
    return (ModifierKeys()() & chord) == chord;
}

// Moves the window to the middle of the primary screen, when there is one.
void CentreOnScreen(QWidget* window)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

}  // namespace

void ShowSplash(bool bStartupMode)
{
    if (frmSplash* open = LoadedSplash()) {
        open->raise();
        open->activateWindow();
        return;
    }
    const bool fullWidth = IsLayoutChordHeld();
    auto* form = new frmSplash;
    Loaded() = form;
    form->bStartup = bStartupMode;
    form->lInfoLineCount = 10;
    form->Form_Load();
    form->lblApplicationVersion->setText(QString::fromStdString(VersionLine()));
    form->lblCopyright->setText(CopyrightLine());
    form->lblStatusLine->setText("");
    form->SetInfoText(CreditsText());
    if (!fullWidth)
        form->UseNarrowLayout();
    form->unsetCursor();
    CentreOnScreen(form);
    form->show();
    form->txtInfo->setFocus();
    QCoreApplication::processEvents();
    if (bStartupMode) {
        Wait()(1000);
        form->Unload();
    }
}

void UnloadSplash()
{
    if (frmSplash* form = LoadedSplash())
        form->Unload();
}

frmSplash* LoadedSplash()
{
    frmSplash* form = Loaded();
    return form && form->IsLoaded() ? form : nullptr;
}

SplashWaitFunction SetSplashWait(SplashWaitFunction wait)
{
    return std::exchange(Wait(), std::move(wait));
}

ModifierKeysReader SetModifierKeysReader(ModifierKeysReader reader)
{
    return std::exchange(ModifierKeys(), std::move(reader));
}
