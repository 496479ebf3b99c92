// The main window: drive selector and information, image file and its
// header, the create / restore / clone commands.
//
// The handlers keep the names of the events they answer (`cmdEject_Click`,
// `timCheckDrives_Timer`); their bodies live in files by concern:
// frmKorvalithWIN.cpp (start-up, caption, menu), DriveList.cpp (drive
// selector and panel), ImageSelection.cpp (image file and its panel),
// Commands.cpp (create, restore, clone).
#pragma once

#include "platform/DriveBackend.h"

#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class StatusProgress;

// Asks the user for an image file name; returns it, or "" when cancelled.
using ImageDialogHandler = std::function<QString(QWidget* owner)>;

// Replaces the open/create dialog (tests); returns the one replaced. An
// empty handler restores the real dialog.
ImageDialogHandler SetImageDialogHandler(ImageDialogHandler handler);

class frmKorvalithWIN : public QMainWindow {
    Q_OBJECT
public:
    // Builds the window and runs Form_Load with the command-line argument
    // text, before the window is shown.
    explicit frmKorvalithWIN(const QString& commandLine = QString(), QWidget* parent = nullptr);
    ~frmKorvalithWIN() override;

    // Controls, by the names users and tests know them by.
    QLabel* lblDrive;
    QComboBox* cbPhysicalDrive;
    QPushButton* cmdEject;
    QLabel* lblInformation;
    QPlainTextEdit* tbInformation;
    QFrame* fmDevice;
    QLabel* lblImage;
    QLineEdit* tbImage;
    QPushButton* cmdImage;
    QLabel* lblCreatedWith;
    QLineEdit* tbCreatedWith;
    QLabel* lblDriveImageSize;
    QLineEdit* tbDriveImageSize;
    QLabel* lblCreationDate;
    QLineEdit* tbCreationDate;
    QLabel* lblCreatedBy;
    QLineEdit* tbCreator;
    QLabel* lblDescription;
    QPlainTextEdit* tbDescription;
    QFrame* fmImage;
    QPushButton* cmdCreateImage;
    QPushButton* cmdRestoreImage;
    QPushButton* cmdCloneDrive;
    QLabel* picBar;
    QLabel* lblSlogan;
    QFrame* linBar;
    QTimer* timCheckDrives;
    QMenu* mnuOptions;
    QAction* mnuVerifyAfterRestore;
    QAction* mnuSep1;
    QAction* mnuAbout;
    QAction* mnuSep0;
    QAction* mnuQuit;

    // Sets the caption: "/// Korvalith WIN" and the suffix of the state.
    void SetTitleState(int code);

    // The current image file: blanks and one pair of quotation marks
    // removed, caption state, association check, panel.
    void SetImageFile(const QString& path);
    void ShowImageInformation();

    // Rebuilds the drive table and list from a new scan and selects a drive.
    void RefreshDriveList();
    void RefreshDriveList(const std::vector<platform::DriveRecord>& scan);
    void ShowDriveInformation();

    void timCheckDrives_Timer();
    void cbPhysicalDrive_Click();
    void cmdEject_Click();
    void cmdImage_Click();
    void cmdCreateImage_Click();
    void cmdRestoreImage_Click();
    void cmdCloneDrive_Click();
    void mnuAbout_Click();
    void mnuQuit_Click();

    // A drop of files on the window or on picBar.
    void Form_OLEDragDrop(const QStringList& files);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildControls();
    void BuildMenu();
    void Form_Load(const QString& commandLine);
    void Form_Unload();

    // Key and focus handling of the text boxes and the selector.
    bool HandleKeyDown(QObject* watched, int key);
    void SelectAllText(QObject* watched);
    void HideSelection(QObject* watched, Qt::FocusReason reason);

    // Takes a drag or drop that carries local files, choosing the first as
    // the image file on the drop; returns false, leaving the event alone,
    // for anything else.
    bool TakeDroppedFiles(QDropEvent* event);

    // The frame every command runs in: timer and window off, then on again.
    void RunCommand(const std::function<void()>& body);
    // Returns true when the disk whose panel is shown is still there as it
    // was; otherwise rebuilds the list and panel from a new scan, so that no
    // command starts on another disk under the same number.
    bool ShownDiskIsCurrent();

    int lDriveCount = 0;
    // The scan the list was last built from, and the disk whose panel is
    // shown: the watch compares disks, not counts, and the selection follows
    // its disk when numbers move.
    std::vector<platform::DriveRecord> lastScan_;
    std::optional<platform::DriveRecord> shownDisk_;
    // A command is running; the window was closed during it and is to close
    // once the run has ended by the abort the close asked for.
    bool running_ = false;
    bool closeAfterRun_ = false;
    std::unique_ptr<StatusProgress> progress_;
};
