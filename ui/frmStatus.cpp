#include "ui/frmStatus.h"

#include "ui/Pictures.h"
#include "ui/ProgressLine.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

frmStatus::frmStatus(QWidget* owner) : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName("frmStatus");
    setWindowTitle(QString());
    // Taller than the bar and Cancel alone need: the meter's line sits
    // between them.
    setFixedSize(313, 128);
    setStyleSheet("frmStatus { border: 1px solid #555; }");

    lblBar = new QLabel(this);
    lblBar->setObjectName("lblBar");
    lblBar->setGeometry(-2, -2, 51, 139);
    lblBar->setAutoFillBackground(true);
    lblBar->setStyleSheet("background-color: #1f3b5c;");

    imgIcon = new QLabel(this);
    imgIcon->setObjectName("imgIcon");
    imgIcon->setGeometry(7, 8, 34, 34);
    imgIcon->setPixmap(ProgramIcon(32));

    lblInfo = new QLabel(this);
    lblInfo->setObjectName("lblInfo");
    lblInfo->setGeometry(60, 10, 241, 33);
    lblInfo->setFont(QFont("Arial"));
    lblInfo->setWordWrap(true);

    lblStatusBarFrame = new QLabel(this);
    lblStatusBarFrame->setObjectName("lblStatusBarFrame");
    lblStatusBarFrame->setGeometry(56, 54, PROGRESS_BAR_WIDTH + 2, 15);
    lblStatusBarFrame->setFrameStyle(QFrame::Box | QFrame::Plain);

    shpStatusBar = new QWidget(this);
    shpStatusBar->setObjectName("shpStatusBar");
    shpStatusBar->setGeometry(57, 55, PROGRESS_BAR_WIDTH, 13);
    shpStatusBar->setAutoFillBackground(true);
    shpStatusBar->setStyleSheet("background-color: #2a6fb0;");

    lblProgress = new QLabel(this);
    lblProgress->setObjectName("lblProgress");
    lblProgress->setGeometry(56, 72, PROGRESS_BAR_WIDTH + 2, 17);
    QFont small("Arial");
    small.setPointSize(8);
    lblProgress->setFont(small);

    cbButton = new QPushButton(tr("&Cancel"), this);
    cbButton->setObjectName("cbButton");
    cbButton->setGeometry(228, 95, 77, 23);
    connect(cbButton, &QPushButton::clicked, this, &frmStatus::cbButton_Click);

    Form_Load();
}

void frmStatus::Form_Load()
{
    cbButton->setVisible(false);
    bButtonPressed_g = false;
}

void frmStatus::cbButton_Click()
{
    bButtonPressed_g = true;
}

void frmStatus::reject()
{
    if (cbButton->isVisible())
        cbButton_Click();
}

void frmStatus::closeEvent(QCloseEvent* event)
{
    event->ignore();
    reject();
}

StatusProgress::~StatusProgress()
{
    Close();
}

void StatusProgress::Open(const std::string& info)
{
    Close();
    dialog_ = new frmStatus(owner_);
    dialog_->lblInfo->setText(QString::fromStdString(info));
    dialog_->shpStatusBar->resize(0, dialog_->shpStatusBar->height());
    dialog_->cbButton->setVisible(true);
    dialog_->setModal(false);
    dialog_->show();
    QApplication::processEvents();
}

void StatusProgress::SetBarWidth(int width)
{
    if (dialog_)
        dialog_->shpStatusBar->resize(width, dialog_->shpStatusBar->height());
}

void StatusProgress::SetReading(const ProgressReading& reading)
{
    // The meter marks a few readings a second for drawing: the figures stay
    // readable, and the label repaints no more often than that.
    if (dialog_ && reading.redraw)
        dialog_->lblProgress->setText(QString::fromStdString(ProgressLineText(reading)));
}

bool StatusProgress::TakeCancelRequest()
{
    if (!dialog_ || !dialog_->bButtonPressed_g)
        return false;
    dialog_->bButtonPressed_g = false;
    return true;
}

void StatusProgress::ChangeInfo(const std::string& info)
{
    if (dialog_)
        dialog_->lblInfo->setText(QString::fromStdString(info));
}

void StatusProgress::AbortAnswered(bool aborted)
{
    if (abortAnswered_)
        abortAnswered_(aborted);
}

void StatusProgress::RequestCancel()
{
    if (dialog_)
        dialog_->bButtonPressed_g = true;
}

void StatusProgress::DoEvents()
{
    QApplication::processEvents();
}

void StatusProgress::Close()
{
    delete dialog_;
    dialog_ = nullptr;
}
