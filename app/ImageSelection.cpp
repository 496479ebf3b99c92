// The image side of the main window: choosing the image file and showing
// its header.
#include "app/frmKorvalithWIN.h"

#include "app/Globals.h"
#include "image/ImageSummary.h"
#include "drive/PhysicalDrive.h"
#include "image/FixedText.h"
#include "image/ImageFile.h"
#include "image/ImageFormats.h"
#include "settings/FileAssociation.h"
#include "ui/ShowMessage.h"

#include <QDir>
#include <ctime>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {
ImageDialogHandler& DialogHandler()
{
    static ImageDialogHandler handler;
    return handler;
}

// The open/create dialog: the images this program reads and writes, .kvi
// alone, or any file; no starting name, an existing folder required, a new
// name accepted once the user confirms it (the file is not created here),
// ".kvi" added to a name without extension, links returned as themselves.
QString AskForImageFile(QWidget* owner)
{
    QFileDialog dialog(owner, "/// Open/Create an image");
    dialog.setNameFilters({"Image files (*.kvi *.img *.iso *.img.gz *.img.xz *.img.zst *.zip)",
                           "Korvalith images (*.kvi)", "All files (*)"});
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setDefaultSuffix("kvi");
    dialog.setOption(QFileDialog::DontResolveSymlinks);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    while (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        const QString chosen = dialog.selectedFiles().first();
        const QFileInfo info(chosen);
        if (!info.dir().exists()) {
            QMessageBox::warning(&dialog, dialog.windowTitle(),
                                 QString("%1\nThe folder does not exist.").arg(info.absolutePath()));
            continue;
        }
        if (!info.exists() && !info.isSymLink() &&
            QMessageBox::question(&dialog, dialog.windowTitle(),
                                  QString("%1\nThis file does not exist.\nCreate the file?").arg(info.fileName()),
                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
            continue;
        return chosen;
    }
    return {};
}

QString TrimBlanks(QString text)
{
    while (text.startsWith(' '))
        text.remove(0, 1);
    while (text.endsWith(' '))
        text.chop(1);
    return text;
}

QString Text(const std::string& fixed)
{
    return QString::fromStdString(CutAtNul(fixed));
}

// "Korvalith WIN, v1.1 [Build 21112005]"
QString CreatedWithText(const ImageHeader& header)
{
    return QString::fromStdString(ImageCreatedWithText(header));
}

QString SizeText(int64_t driveSize)
{
    return QString::fromStdString(ImageDriveSizeText(driveSize, QLocale::system().decimalPoint().toStdString()));
}
}  // namespace

ImageDialogHandler SetImageDialogHandler(ImageDialogHandler handler)
{
    ImageDialogHandler previous = std::move(DialogHandler());
    DialogHandler() = std::move(handler);
    return previous;
}

void frmKorvalithWIN::cmdImage_Click()
{
    const QString chosen = TrimBlanks(DialogHandler() ? DialogHandler()(this) : AskForImageFile(this));
    if (!chosen.isEmpty())
        SetImageFile(chosen);
}

void frmKorvalithWIN::SetImageFile(const QString& givenPath)
{
    QString path = TrimBlanks(givenPath);
    if (path.size() >= 2 && path.startsWith('"') && path.endsWith('"'))
        path = path.mid(1, path.size() - 2);
    sImageFile_g = path.toStdString();
    tbImage->setText(path);
    tbImage->setCursorPosition(path.size());
    SetTitleState(FileExists(sImageFile_g) == VB_TRUE ? 3 : 2);
    ImageHeader header;
    if (ReadImageHeader(sImageFile_g, header) == VB_TRUE && IsValidImageHeader(header) == VB_TRUE)
        CheckFileAssociation();
    ShowImageInformation();
}

void frmKorvalithWIN::ShowImageInformation()
{
    for (QLineEdit* box : {tbCreatedWith, tbCreator, tbCreationDate, tbDriveImageSize})
        box->clear();
    tbDescription->clear();

    // The header texts go only into a .kvi: a name that writes a raw image
    // greys them out.
    const ImageFormat writes = WriterFormatFor(sImageFile_g);
    tbCreator->setEnabled(writes == ImageFormat::Kvi);
    tbDescription->setEnabled(writes == ImageFormat::Kvi);

    ImageHeader header;
    const bool read = ReadImageHeader(sImageFile_g, header) == VB_TRUE;
    const ImageProbe raw = read && IsValidImageHeader(header) == VB_TRUE ? ImageProbe{} : ProbeImage(sImageFile_g);
    if (raw.IsRaw() && raw.problem.empty()) {
        tbCreatedWith->setText(QString::fromStdString(RawImageFormatText(raw)));
        tbCreationDate->setText(QString::fromStdString(CreationDateText(raw.modified)));
        tbDriveImageSize->setText(raw.driveBytes >= 0 ? SizeText(raw.driveBytes) : QString("unknown"));
    } else if (!read && !raw.IsRaw() && writes != ImageFormat::Kvi) {
        // A new raw image: what it will be, and when.
        tbCreatedWith->setText(QString::fromStdString(RawImageFormatText(writes)));
        tbCreationDate->setText(QString::fromStdString(CreationDateText(std::time(nullptr))));
        tbDriveImageSize->setText("n/a");
    } else if (!read && !raw.IsRaw()) {
        InitImageHeader(header);
        tbCreatedWith->setText(CreatedWithText(header));
        tbCreationDate->setText(Text(header.CreationDate));
        tbDriveImageSize->setText("n/a");
    } else if (IsValidImageHeader(header) == VB_TRUE) {
        const QString size = SizeText(header.DriveSize);
        tbCreatedWith->setText(CreatedWithText(header));
        tbCreator->setText(Text(header.Creator));
        tbCreationDate->setText(Text(header.CreationDate));
        tbDriveImageSize->setText(size);
        tbDescription->setPlainText(Text(header.Description).replace("\r\n", "\n"));
        tbCreator->setFocus();
    } else {
        ShowMessage(std::string("Unrecognized image file opened.") + vbCrLf + vbCrLf +
                        "File can be used for creating a new image." + vbCrLf + "It can't be used for restoring a drive." +
                        (raw.problem.empty() ? "" : std::string(vbCrLf) + vbCrLf + raw.problem),
                    MB_ICONEXCLAMATION, std::string(PROGRAM_TITLE) + " - [WARNING]");
        cmdImage->setFocus();
    }
}
