// The splash window shown for a second at start-up, which also serves as the
// about window with its slowly scrolling credits text.
#pragma once

#include <QPixmap>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

class QFrame;
class QLabel;
class QTextEdit;
class QTimer;

class frmSplash : public QWidget {
    Q_OBJECT
public:
    // Builds the window with every control at its full-width position.
    frmSplash();

    bool bStartup = false;        // true: start-up splash; false: about window
    int32_t lInfoLineCount = 0;   // lines of the credits text

    QLabel* imgNewSplash;         // hidden holder of the narrow background
    QLabel* imgApplicationImage;
    QLabel* lblApplicationVersion;
    QLabel* lblStatusLine;
    QLabel* lblInfo;
    QFrame* fmInfo;
    QTextEdit* txtInfo;
    QLabel* lblCopyright;
    QLabel* imgee;
    QLabel* imgbg;
    QTimer* timScrollBeginTimer;
    QTimer* timScrollTimer;

    // The window's background picture.
    const QPixmap& Picture() const { return picture_; }
    // Height of one line of the window's font in pixels, set by Form_Load.
    int32_t LineHeight() const { return lLineHeight; }

    // Replaces the credits text; lines may be joined by CR LF.
    void SetInfoText(const QString& text);
    // Moves the visible controls 95 pixels left, narrows the window to 335
    // pixels and puts the narrow background in.
    void UseNarrowLayout();
    // Runs Form_Unload, hides the window and deletes it later; a second call
    // does nothing.
    void Unload();
    // Returns false once Unload has run.
    bool IsLoaded() const { return !unloaded_; }

    // Event handlers; none returns a result. Form_Load sets the text's top,
    // measures the line height, places the hidden picture and, in about mode,
    // starts the pause timer. Clicks and character keys end in Form_Click,
    // which unloads the about window and does nothing to the start-up
    // splash. The timers pause 2000 ms, then raise the text one pixel per
    // tick until it has risen past its lines, then put it back and pause.
    void Form_Load();
    void Form_Click();
    void Form_KeyPress();
    void Form_Unload();
    void lblStatusLine_Click();
    void lblApplicationVersion_Click();
    void imgApplicationImage_Click();
    void lblInfo_Click();
    void fmInfo_Click();
    void txtInfo_Click();
    void txtInfo_KeyPress();
    void timScrollBeginTimer_Timer();
    void timScrollTimer_Timer();
    void imgee_Click();
    void imgbg_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    using Handler = void (frmSplash::*)();
    void BuildControls();
    // Sets the credits lines to the measured line height and lets the strip
    // show only as many lines as fit in it whole.
    void ShowWholeLinesOnly();
    void OnClick(QWidget* control, Handler handler);

    QPixmap picture_;
    int32_t lLineHeight = 0;
    bool unloaded_ = false;
    // Controls whose clicks are theirs; a null handler swallows the click.
    std::vector<std::pair<QObject*, Handler>> clickHandlers_;
};

// Shows the window: with true as the start-up splash, returning after it
// has closed itself (about one second); with false as the about window,
// returning once it is on the screen. While the about window is open, a
// further call brings it to the front and changes nothing else.
void ShowSplash(bool bStartupMode);

// Unloads the window when it is loaded; for the main window's Form_Unload.
void UnloadSplash();

// Returns the loaded window, or nullptr when none is loaded.
frmSplash* LoadedSplash();

// Test seams. The start-up wait (default: one second in which only painting
// and timers run) and the reader of the held modifier keys (default: the
// keyboard's state now). Each returns the function it replaces.
using SplashWaitFunction = std::function<void(int milliseconds)>;
SplashWaitFunction SetSplashWait(SplashWaitFunction wait);
using ModifierKeysReader = std::function<Qt::KeyboardModifiers()>;
ModifierKeysReader SetModifierKeysReader(ModifierKeysReader reader);
