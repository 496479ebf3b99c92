// The drive side of the main window: selector, information panel, drive
// watch and eject.
#include "app/frmKorvalithWIN.h"

#include "drive/CapacityText.h"
#include "drive/EjectCommand.h"
#include "drive/PhysicalDrive.h"

#include <QApplication>
#include <QComboBox>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {
// Returns the information line of a drive whose geometry was read.
QString InformationLine(const DISK_GEOMETRY& g, int64_t capacity)
{
    ScaledCapacity shown = ScaleCapacity(capacity);
    shown.value = RoundToFourDecimals(shown.value);
    const std::string decimalPoint = QLocale::system().decimalPoint().toStdString();
    return QString("Media type: %1, Cylinders: %2, Tracks/Cylinder: %3, Sectors/Track: %4, "
                   "Bytes/Sector: %5, Capacity: %6")
        .arg(MediaClassText(g.MediaType))
        .arg(g.Cylinders)
        .arg(g.TracksPerCylinder)
        .arg(g.SectorsPerTrack)
        .arg(g.BytesPerSector)
        .arg(QString::fromStdString(FormatCapacity(shown, decimalPoint)));
}

}  // namespace

void frmKorvalithWIN::timCheckDrives_Timer()
{
    const int count = CountPhysicalDrives();
    if (count != lDriveCount) {
        lDriveCount = count;
        RefreshDriveList();
    }
}

void frmKorvalithWIN::RefreshDriveList()
{
    EnumPhysicalDrives(tPhysicalDrives_g);
    const int count = static_cast<int>(tPhysicalDrives_g.size()) - 1;

    // The first candidate whose name is not where the old list had it is
    // the drive that just arrived; when every candidate is where it was,
    // the last one.
    int selection = 0;
    for (int i = 1; i <= count; ++i) {
        const bool accepted = IsDriveSizeAccepted(tPhysicalDrives_g[i]) == VB_TRUE;
        const bool removable = IsRemovableMedia(tPhysicalDrives_g[i].DeviceName) == VB_TRUE;
        if (!accepted && !removable)
            continue;
        selection = i - 1;
        const QString old = i - 1 < cbPhysicalDrive->count() ? cbPhysicalDrive->itemText(i - 1) : QString();
        if (old != QString::fromStdString(tPhysicalDrives_g[i].DisplayName))
            break;
    }

    const QSignalBlocker quiet(cbPhysicalDrive);
    cbPhysicalDrive->clear();
    for (int i = 1; i <= count; ++i) {
        cbPhysicalDrive->addItem(QString::fromStdString(tPhysicalDrives_g[i].DisplayName));
        cbPhysicalDrive->setItemData(i - 1, QString::fromStdString(DriveDescriptionText(tPhysicalDrives_g[i])), Qt::ToolTipRole);
    }
    if (count == 0)
        return;
    cbPhysicalDrive->setCurrentIndex(selection);
    cbPhysicalDrive_Click();
}

void frmKorvalithWIN::cbPhysicalDrive_Click()
{
    ShowDriveInformation();
}

void frmKorvalithWIN::ShowDriveInformation()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::processEvents();
    for (QPushButton* b : {cmdEject, cmdCreateImage, cmdRestoreImage, cmdCloneDrive})
        b->setEnabled(false);
    tbInformation->setPlainText("Collecting drive information. Please wait...");
    bySelectedDrive_g = static_cast<uint8_t>(cbPhysicalDrive->currentIndex() + 1);
    shownDriveIdentity_ = DriveDescriptionText(SelectedDriveEntry());

    const DriveEntry& entry = SelectedDriveEntry();
    DISK_GEOMETRY geometry;
    int64_t capacity = 0;
    if (GetDriveGeometry(entry.DeviceName, geometry, capacity) != 1) {
        tbInformation->setPlainText("No drive information available.");
    } else {
        if (IsDriveUsable(entry, geometry) == VB_TRUE)
            for (QPushButton* b : {cmdEject, cmdCreateImage, cmdRestoreImage, cmdCloneDrive})
                b->setEnabled(true);
        tbInformation->setPlainText(InformationLine(geometry, capacity));
    }
    cbPhysicalDrive->setFocus();
    QApplication::restoreOverrideCursor();
}

void frmKorvalithWIN::cmdEject_Click()
{
    EjectMediaCommand(SelectedDriveEntry(), [this] { ShowDriveInformation(); });
}
