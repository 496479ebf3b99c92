#include "app/frmKorvalithWIN.h"

#include "app/Globals.h"
#include "app/HeaderTextBoxes.h"
#include "drive/PhysicalDrive.h"
#include "image/ReadBack.h"
#include "settings/Settings.h"
#include "image/ImageHeader.h"
#include "ui/Pictures.h"
#include "ui/ShowMessage.h"
#include "ui/frmSplash.h"
#include "ui/frmStatus.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QtMath>

namespace {
template <typename W>
W* Named(W* widget, const char* name, const char* tooltip = nullptr)
{
    widget->setObjectName(name);
    if (tooltip) {
        widget->setToolTip(QString::fromUtf8(tooltip));
        widget->setAccessibleDescription(widget->toolTip());
    }
    return widget;
}

// A frame that groups controls. Its border comes from a style sheet: the
// style's own panel loses its left and top edges at fractional scale
// factors (1.25, 1.5), where its lines fall between device pixels.
QFrame* GroupFrame(const char* name)
{
    auto* frame = Named(new QFrame, name);
    frame->setStyleSheet(QString("QFrame#%1 { border: 1px solid palette(mid); border-radius: 3px; }").arg(name));
    return frame;
}

// A multi-line box at least `lines` lines of its font high (and as high as
// its scroll bar needs), growing with the window; Tab moves on to the next
// control instead of typing.
void GrowingTextBox(QPlainTextEdit* box, int lines)
{
    box->ensurePolished();
    const int margins = 2 * (box->frameWidth() + qCeil(box->document()->documentMargin()));
    const int linesHigh = box->fontMetrics().lineSpacing() * lines + margins;
    box->setMinimumHeight(std::max(linesHigh, box->minimumSizeHint().height()));
    box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    box->setTabChangesFocus(true);
}

// Ties a label to its control, which screen readers then call by the label.
void Label(QLabel* label, QWidget* control)
{
    label->setBuddy(control);
    control->setAccessibleName(label->text());
}

// Makes a box at least wide enough to show `sample` whole.
void WideEnoughFor(QLineEdit* box, const QString& sample)
{
    const QMargins m = box->textMargins();
    const int frameAndPadding = 16;
    box->setMinimumWidth(box->fontMetrics().horizontalAdvance(sample) + m.left() + m.right() + frameAndPadding);
}

// A row of a box that stretches and the button that belongs to it.
QHBoxLayout* BoxWithButton(QWidget* box, QWidget* button)
{
    auto* row = new QHBoxLayout;
    row->addWidget(box, 1);
    row->addWidget(button);
    return row;
}

QLineEdit* ReadOnlyBox(const char* name, const char* tooltip, int maxLength = 0)
{
    auto* box = Named(new QLineEdit, name, tooltip);
    box->setReadOnly(true);
    if (maxLength > 0)
        box->setMaxLength(maxLength);
    return box;
}
}  // namespace

frmKorvalithWIN::frmKorvalithWIN(const QString& commandLine, QWidget* parent) : QMainWindow(parent)
{
    setObjectName("frmKorvalithWIN");
    setWindowIcon(QIcon(ProgramIcon(64)));
    BuildControls();
    BuildMenu();
    setAcceptDrops(true);
    // A compact start: the growing boxes at their smallest, room for a path.
    resize(minimumSizeHint().expandedTo(QSize(fontMetrics().averageCharWidth() * 90, 0)));

    progress_ = std::make_unique<StatusProgress>(this);
    progress_->SetAbortAnswered([this](bool aborted) {
        if (!aborted)
            closeAfterRun_ = false;  // the user chose to let the run go on
    });
    SetProgressSink(progress_.get());

    timCheckDrives = new QTimer(this);
    timCheckDrives->setObjectName("timCheckDrives");
    connect(timCheckDrives, &QTimer::timeout, this, &frmKorvalithWIN::timCheckDrives_Timer);

    Form_Load(commandLine);
}

frmKorvalithWIN::~frmKorvalithWIN()
{
    if (&CurrentProgress() == progress_.get())
        SetProgressSink(nullptr);
}

void frmKorvalithWIN::BuildControls()
{
    auto* central = new QWidget(this);
    central->setObjectName("central");
    setCentralWidget(central);

    lblDrive = Named(new QLabel("Drive"), "lblDrive");
    cbPhysicalDrive = Named(new QComboBox, "cbPhysicalDrive", "Physical drive");
    cbPhysicalDrive->setEditable(false);
    cbPhysicalDrive->setMinimumWidth(180);
    cmdEject = Named(new QPushButton, "cmdEject", "Eject media in drive");
    cmdEject->setIcon(QIcon(EjectPicture(32)));
    lblInformation = Named(new QLabel("Information"), "lblInformation");
    tbInformation = Named(new QPlainTextEdit, "tbInformation", "Drive properties");
    tbInformation->setReadOnly(true);
    tbInformation->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    GrowingTextBox(tbInformation, 3);

    fmDevice = GroupFrame("fmDevice");
    auto* device = new QGridLayout(fmDevice);
    device->addWidget(lblDrive, 0, 0);
    device->addLayout(BoxWithButton(cbPhysicalDrive, cmdEject), 0, 1);
    device->addWidget(lblInformation, 1, 0, Qt::AlignTop);
    device->addWidget(tbInformation, 1, 1);
    device->setColumnStretch(1, 1);
    device->setRowStretch(1, 1);

    lblImage = Named(new QLabel("Image"), "lblImage");
    tbImage = ReadOnlyBox("tbImage", "Image location/name");
    cmdImage = Named(new QPushButton, "cmdImage", "Open/Create an Korvalith WIN file");
    cmdImage->setIcon(QIcon(OpenPicture(32)));
    lblCreatedWith = Named(new QLabel("Created with"), "lblCreatedWith");
    tbCreatedWith = ReadOnlyBox("tbCreatedWith", "Korvalith version used for the current image");
    lblDriveImageSize = Named(new QLabel("Drive image size"), "lblDriveImageSize");
    tbDriveImageSize = ReadOnlyBox("tbDriveImageSize", "Image status", 16);
    WideEnoughFor(tbDriveImageSize, "1023.99 MB");
    lblCreationDate = Named(new QLabel("Creation date"), "lblCreationDate");
    tbCreationDate = ReadOnlyBox("tbCreationDate", "Image creation date", 16);
    WideEnoughFor(tbCreationDate, "00.00.0000");
    lblCreatedBy = Named(new QLabel("Created by"), "lblCreatedBy");
    tbCreator = Named(new QLineEdit, "tbCreator", "Image creator");
    tbCreator->setMaxLength(ImageHeader::CreatorWidth);
    KeepHeaderText(tbCreator);
    lblDescription = Named(new QLabel("Description"), "lblDescription");
    tbDescription = Named(new QPlainTextEdit, "tbDescription", "Image description");
    tbDescription->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    GrowingTextBox(tbDescription, 4);
    KeepHeaderText(tbDescription, ImageHeader::DescriptionWidth);

    fmImage = GroupFrame("fmImage");
    auto* image = new QGridLayout(fmImage);
    image->addWidget(lblImage, 0, 0);
    image->addLayout(BoxWithButton(tbImage, cmdImage), 0, 1, 1, 3);
    image->addWidget(lblCreatedWith, 1, 0);
    image->addWidget(tbCreatedWith, 1, 1, 1, 3);
    image->addWidget(lblDriveImageSize, 2, 0);
    image->addWidget(tbDriveImageSize, 2, 1);
    image->addWidget(lblCreationDate, 2, 2);
    image->addWidget(tbCreationDate, 2, 3);
    image->addWidget(lblCreatedBy, 3, 0);
    image->addWidget(tbCreator, 3, 1, 1, 3);
    image->addWidget(lblDescription, 4, 0, Qt::AlignTop);
    image->addWidget(tbDescription, 4, 1, 1, 3);
    image->setColumnStretch(1, 1);
    image->setColumnStretch(3, 1);
    image->setRowStretch(4, 1);

    cmdCreateImage = Named(new QPushButton("&Create image"), "cmdCreateImage",
                           "Start image creation for the selected drive");
    cmdRestoreImage = Named(new QPushButton("&Restore image"), "cmdRestoreImage",
                            "Restore loaded image on the selected drive");
    cmdCloneDrive = Named(new QPushButton("&Clone drive"), "cmdCloneDrive", "Clone the selected drive");
    auto* commands = new QHBoxLayout;
    commands->addWidget(cmdCreateImage);
    commands->addWidget(cmdRestoreImage);
    commands->addWidget(cmdCloneDrive);

    linBar = Named(new QFrame, "linBar");
    linBar->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    picBar = Named(new QLabel, "picBar");
    picBar->setMinimumSize(BarPictureMinimumSize());
    picBar->setFixedHeight(BarPictureMinimumSize().height());
    picBar->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    picBar->setAcceptDrops(true);
    lblSlogan = Named(new QLabel("create + restore + clone"), "lblSlogan");
    lblSlogan->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* bar = new QHBoxLayout;
    bar->addWidget(picBar, 1);
    bar->addWidget(lblSlogan);

    // Extra height goes to the two boxes that have more to show; the rest
    // keeps its natural height.
    auto* column = new QVBoxLayout(central);
    column->addLayout(bar);
    column->addWidget(linBar);
    column->addWidget(fmDevice, 1);
    column->addWidget(fmImage, 2);
    column->addLayout(commands);

    Label(lblDrive, cbPhysicalDrive);
    Label(lblInformation, tbInformation);
    Label(lblImage, tbImage);
    Label(lblCreatedWith, tbCreatedWith);
    Label(lblDriveImageSize, tbDriveImageSize);
    Label(lblCreationDate, tbCreationDate);
    Label(lblCreatedBy, tbCreator);
    Label(lblDescription, tbDescription);
    for (QPushButton* pictureOnly : {cmdEject, cmdImage})
        pictureOnly->setAccessibleName(pictureOnly->toolTip());

    // Tab follows the window from top to bottom, left to right.
    const QList<QWidget*> focusOrder = {cbPhysicalDrive, cmdEject,         tbInformation,  tbImage,
                                        cmdImage,        tbCreatedWith,    tbDriveImageSize, tbCreationDate,
                                        tbCreator,       tbDescription,    cmdCreateImage, cmdRestoreImage,
                                        cmdCloneDrive};
    for (qsizetype i = 1; i < focusOrder.size(); ++i)
        setTabOrder(focusOrder[i - 1], focusOrder[i]);

    connect(cbPhysicalDrive, &QComboBox::activated, this, &frmKorvalithWIN::cbPhysicalDrive_Click);
    connect(cmdEject, &QPushButton::clicked, this, &frmKorvalithWIN::cmdEject_Click);
    connect(cmdImage, &QPushButton::clicked, this, &frmKorvalithWIN::cmdImage_Click);
    connect(cmdCreateImage, &QPushButton::clicked, this, &frmKorvalithWIN::cmdCreateImage_Click);
    connect(cmdRestoreImage, &QPushButton::clicked, this, &frmKorvalithWIN::cmdRestoreImage_Click);
    connect(cmdCloneDrive, &QPushButton::clicked, this, &frmKorvalithWIN::cmdCloneDrive_Click);

    for (QWidget* w : std::initializer_list<QWidget*>{cbPhysicalDrive, tbImage, tbCreatedWith, tbDriveImageSize,
                                                      tbCreationDate, tbCreator, tbDescription, tbInformation, picBar})
        w->installEventFilter(this);
    // Every part of the window that takes drops hears of them first: a file
    // dropped there chooses the image file.
    for (QWidget* w : central->findChildren<QWidget*>())
        if (w->acceptDrops())
            w->installEventFilter(this);
}

void frmKorvalithWIN::BuildMenu()
{
    mnuOptions = menuBar()->addMenu("&Options");
    mnuOptions->setObjectName("mnuOptions");
    // Remembered beside the size limit; on by default.
    mnuVerifyAfterRestore = mnuOptions->addAction("Verify after restore");
    mnuVerifyAfterRestore->setObjectName("mnuVerifyAfterRestore");
    mnuVerifyAfterRestore->setCheckable(true);
    mnuVerifyAfterRestore->setChecked(ReadVerifyAfterRestore());
    SetVerifyAfterRestore(mnuVerifyAfterRestore->isChecked());
    connect(mnuVerifyAfterRestore, &QAction::toggled, this, [](bool verify) {
        SetVerifyAfterRestore(verify);
        WriteVerifyAfterRestore(verify);
    });
    mnuSep1 = mnuOptions->addSeparator();
    mnuSep1->setObjectName("mnuSep1");
    mnuAbout = mnuOptions->addAction("&About Korvalith WIN");
    mnuAbout->setObjectName("mnuAbout");
    mnuSep0 = mnuOptions->addSeparator();
    mnuSep0->setObjectName("mnuSep0");
    mnuQuit = mnuOptions->addAction("&Quit");
    mnuQuit->setObjectName("mnuQuit");
    connect(mnuAbout, &QAction::triggered, this, &frmKorvalithWIN::mnuAbout_Click);
    connect(mnuQuit, &QAction::triggered, this, &frmKorvalithWIN::mnuQuit_Click);
}

void frmKorvalithWIN::Form_Load(const QString& commandLine)
{
    SetTitleState(1);
    const std::vector<platform::DriveRecord> scan = ScanPhysicalDrives();
    lDriveCount = static_cast<int>(scan.size());
    RefreshDriveList(scan);
    sImageFile_g.clear();
    if (!commandLine.isEmpty())
        SetImageFile(commandLine);
    timCheckDrives->setInterval(1000);
    timCheckDrives->start();
}

void frmKorvalithWIN::SetTitleState(int code)
{
    static const char* const suffixes[] = {"",
                                           " - [WELCOME...]",
                                           " - [new image]",
                                           " - [image loaded]",
                                           " - [image created]",
                                           " - [image restored]",
                                           " - [drive cloned]"};
    setWindowTitle(QString(CAPTION_PREFIX) + PROGRAM_TITLE);
    if (code >= 1 && code <= 6)
        setWindowTitle(windowTitle() + suffixes[code]);
}

void frmKorvalithWIN::mnuAbout_Click()
{
    ShowSplash(false);
}

void frmKorvalithWIN::mnuQuit_Click()
{
    // Ends without the unload handler: the event loop returns and the
    // windows go with the application, closeEvent never runs.
    QCoreApplication::exit(0);
}

void frmKorvalithWIN::closeEvent(QCloseEvent* event)
{
    // A run goes on until it has stopped and cleaned up: closing asks the
    // run's own abort question, and the window closes after it has ended.
    if (running_) {
        event->ignore();
        if (progress_->Dialog()) {
            closeAfterRun_ = true;
            progress_->RequestCancel();
        }
        return;
    }
    Form_Unload();
    event->accept();
}

void frmKorvalithWIN::Form_Unload()
{
    UnloadSplash();
}

bool frmKorvalithWIN::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (HandleKeyDown(watched, key))
            return true;
        break;
    }
    case QEvent::FocusIn:
        SelectAllText(watched);
        break;
    case QEvent::FocusOut:
        HideSelection(watched, static_cast<QFocusEvent*>(event)->reason());
        break;
    case QEvent::Resize:
        if (watched == picBar)
            picBar->setPixmap(BarPicture(picBar->width(), picBar->height(), picBar->devicePixelRatioF()));
        break;
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        if (TakeDroppedFiles(static_cast<QDropEvent*>(event)))
            return true;
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool frmKorvalithWIN::HandleKeyDown(QObject* watched, int key)
{
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    if (watched == cbPhysicalDrive) {
        cmdImage->setFocus();
        return true;
    }
    if (watched == tbImage) {
        cmdImage_Click();
        return true;
    }
    if (watched == tbCreator) {
        // Enter moves on to the description and types nothing.
        tbDescription->setFocus();
        return true;
    }
    return false;
}

void frmKorvalithWIN::SelectAllText(QObject* watched)
{
    // Deferred: the focus change's own cursor placement would otherwise
    // undo the selection.
    if (auto* line = qobject_cast<QLineEdit*>(watched))
        QTimer::singleShot(0, line, [line] { line->setSelection(0, line->text().size()); });
    else if (auto* text = qobject_cast<QPlainTextEdit*>(watched))
        QTimer::singleShot(0, text, [text] { text->selectAll(); });
}

void frmKorvalithWIN::HideSelection(QObject* watched, Qt::FocusReason reason)
{
    // As a one-line box does: the selection goes when the focus moves on
    // within the window, and stays for a context menu or another window.
    auto* text = qobject_cast<QPlainTextEdit*>(watched);
    if (!text || reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason)
        return;
    QTextCursor cursor = text->textCursor();
    cursor.clearSelection();
    text->setTextCursor(cursor);
}

void frmKorvalithWIN::dragEnterEvent(QDragEnterEvent* event)
{
    TakeDroppedFiles(event);
}

void frmKorvalithWIN::dropEvent(QDropEvent* event)
{
    TakeDroppedFiles(event);
}

bool frmKorvalithWIN::TakeDroppedFiles(QDropEvent* event)
{
    // Files win over the text a file manager sends along with them, also
    // over an editable box; anything else is left to where it lands.
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    if (files.isEmpty())
        return false;
    event->acceptProposedAction();
    if (event->type() == QEvent::Drop)
        Form_OLEDragDrop(files);
    return true;
}

void frmKorvalithWIN::Form_OLEDragDrop(const QStringList& files)
{
    if (!files.isEmpty())
        SetImageFile(files.first());
}
