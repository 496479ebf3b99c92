// The drive side of the main window: selector, information panel, drive
// watch and eject.
#include "app/frmKorvalithWIN.h"

#include "drive/CapacityText.h"
#include "drive/DriveSelection.h"
#include "drive/EjectCommand.h"
#include "drive/PhysicalDrive.h"

#include <QApplication>
#include <QComboBox>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

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
    // One scan a tick; a disk that went while another came (same count) is
    // a change too.
    const std::vector<platform::DriveRecord> scan = ScanPhysicalDrives();
    if (!SameDrives(scan, lastScan_)) {
        lDriveCount = static_cast<int>(scan.size());
        RefreshDriveList(scan);
    }
}

void frmKorvalithWIN::RefreshDriveList()
{
    RefreshDriveList(ScanPhysicalDrives());
}

void frmKorvalithWIN::RefreshDriveList(const std::vector<platform::DriveRecord>& scan)
{
    EnumPhysicalDrives(tPhysicalDrives_g, scan);
    const int count = static_cast<int>(tPhysicalDrives_g.size()) - 1;

    std::vector<ListedDrive> listed;
    for (int i = 1; i <= count; ++i) {
        const bool accepted = IsDriveSizeAccepted(tPhysicalDrives_g[i]) == VB_TRUE;
        const bool removable = IsRemovableMedia(tPhysicalDrives_g[i].DeviceName) == VB_TRUE;
        listed.push_back({tPhysicalDrives_g[i].Record.identity, tPhysicalDrives_g[i].DisplayName, accepted || removable});
    }
    std::vector<platform::DriveIdentity> previous;
    for (const platform::DriveRecord& record : lastScan_)
        previous.push_back(record.identity);
    std::vector<std::string> oldTexts;
    for (int i = 0; i < cbPhysicalDrive->count(); ++i)
        oldTexts.push_back(cbPhysicalDrive->itemText(i).toStdString());
    const std::optional<platform::DriveIdentity> selected =
        shownDisk_ ? std::optional(shownDisk_->identity) : std::nullopt;
    const int selection = ChooseDriveSelection(listed, previous, selected, oldTexts);
    lastScan_ = scan;

    const QSignalBlocker quiet(cbPhysicalDrive);
    cbPhysicalDrive->clear();
    for (int i = 1; i <= count; ++i) {
        cbPhysicalDrive->addItem(QString::fromStdString(tPhysicalDrives_g[i].DisplayName));
        cbPhysicalDrive->setItemData(i - 1, QString::fromStdString(DriveDescriptionText(tPhysicalDrives_g[i])), Qt::ToolTipRole);
    }
    if (count == 0) {
        shownDisk_.reset();
        return;
    }
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

    const DriveEntry& entry = SelectedDriveEntry();
    shownDisk_ = entry.Record.number >= 0 ? std::optional(entry.Record) : std::nullopt;
    DISK_GEOMETRY geometry;
    int64_t capacity = 0;
    QString text;
    if (GetDriveGeometry(entry.DeviceName, geometry, capacity) != 1) {
        text = "No drive information available.";
    } else {
        if (IsDriveUsable(entry, geometry) == VB_TRUE)
            for (QPushButton* b : {cmdEject, cmdCreateImage, cmdRestoreImage, cmdCloneDrive})
                b->setEnabled(true);
        text = InformationLine(geometry, capacity);
    }
    // Which disk it is, for real drives: numbers alone say little.
    if (const std::string disk = DiskLineForPrompt(entry.DeviceName); !disk.empty())
        text += "\n" + QString::fromStdString(disk);
    tbInformation->setPlainText(text);
    cbPhysicalDrive->setFocus();
    QApplication::restoreOverrideCursor();
}

void frmKorvalithWIN::cmdEject_Click()
{
    if (!ShownDiskIsCurrent())
        return;
    // No tick while the question waits: a rebuilt table would leave the
    // eject aimed at whatever disk then has the number.
    timCheckDrives->stop();
    const DriveEntry drive = SelectedDriveEntry();
    EjectMediaCommand(drive, [this] { ShowDriveInformation(); });
    timCheckDrives->start();
}
