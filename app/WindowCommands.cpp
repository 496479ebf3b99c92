// The create, restore and clone buttons of the main window.
#include "app/frmKorvalithWIN.h"

#include "app/Globals.h"
#include "drive/PhysicalDrive.h"
#include "image/CloneDrive.h"
#include "image/Commands.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

bool frmKorvalithWIN::ShownDiskIsCurrent()
{
    // The disk whose panel is shown may have gone, or another disk may have
    // taken its place, since the last tick.
    if (shownDisk_ && IsDiskStillThere(*shownDisk_))
        return true;
    const std::vector<platform::DriveRecord> scan = ScanPhysicalDrives();
    lDriveCount = static_cast<int>(scan.size());
    RefreshDriveList(scan);
    return false;
}

void frmKorvalithWIN::RunCommand(const std::function<void()>& body)
{
    if (!ShownDiskIsCurrent())
        return;
    timCheckDrives->stop();
    SetTitleState(0);
    setEnabled(false);
    running_ = true;
    closeAfterRun_ = false;
    body();
    running_ = false;
    setEnabled(true);
    timCheckDrives->start();
    // The window was closed during the run and its abort confirmed: it
    // closes now that the run has stopped and cleaned up.
    if (closeAfterRun_)
        QTimer::singleShot(0, this, &QWidget::close);
    activateWindow();
    setFocus();
}

void frmKorvalithWIN::cmdCreateImage_Click()
{
    RunCommand([this] {
        ImageHeader header = NewImageHeader(tbCreator->text().toStdString(), tbDescription->toPlainText().toStdString());
        CreateImageCommand(SelectedDriveEntry().DeviceName, sImageFile_g, header, [this] {
            SetTitleState(4);
            ShowImageInformation();
        });
    });
}

void frmKorvalithWIN::cmdRestoreImage_Click()
{
    RunCommand([this] { RestoreImageCommand(SelectedDriveEntry().DeviceName, sImageFile_g, [this] { SetTitleState(5); }); });
}

void frmKorvalithWIN::cmdCloneDrive_Click()
{
    RunCommand([this] {
        const DriveEntry& drive = SelectedDriveEntry();
        CloneDrive(drive.DeviceName, drive.DisplayName, [this] { SetTitleState(6); });
    });
}
