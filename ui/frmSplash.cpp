#include "ui/frmSplash.h"

#include "ui/Artwork.h"

#include <QCloseEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>

namespace {

constexpr int kNarrowShift = 95;
const QColor kStripGrey(224, 224, 224);

QLabel* MakeLabel(QWidget* parent, const char* name, const QRect& geometry, const QString& text = {})
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    return label;
}

QLabel* MakePicture(QWidget* parent, const char* name, const QRect& geometry, const QString& picture)
{
    QLabel* label = MakeLabel(parent, name, geometry);
    if (!picture.isEmpty())
        label->setPixmap(QPixmap(ArtworkPath(picture)));
    label->setScaledContents(true);
    return label;
}

QCursor PointerFrom(const QString& picture, int hotX, int hotY)
{
    return QCursor(QPixmap(ArtworkPath(picture)), hotX, hotY);
}

void ShiftLeft(QWidget* control)
{
    control->move(control->x() - kNarrowShift, control->y());
}

// Returns true for a key that types a character, control characters included.
bool TypesCharacter(const QKeyEvent* key)
{
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Backspace:
    case Qt::Key_Tab:
        return true;
    default:
        return !key->text().isEmpty();
    }
}

// Returns true for a left-button release inside the control: a click.
bool IsClick(const QWidget* control, const QMouseEvent* mouse)
{
    return mouse->button() == Qt::LeftButton && control->rect().contains(mouse->position().toPoint());
}

}  // namespace

frmSplash::frmSplash()
{
    setObjectName("frmSplash");
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle("Korvalith WIN");
    QFont font = this->font();
    font.setPixelSize(11);
    setFont(font);
    setFixedSize(430, 330);
    picture_ = QPixmap(ArtworkPath("splash/background-full.png"));
    BuildControls();
}

void frmSplash::BuildControls()
{
    // Created bottom to top: later controls lie over earlier ones.
    imgNewSplash = MakePicture(this, "imgNewSplash", {6, 152, 17, 106}, "splash/background-narrow.png");
    imgNewSplash->setVisible(false);
    imgApplicationImage = MakePicture(this, "imgApplicationImage", {106, 22, 312, 237}, "splash/application.png");
    lblApplicationVersion = MakeLabel(this, "lblApplicationVersion", {112, 24, 301, 13}, "#Version");
    lblApplicationVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblStatusLine = MakeLabel(this, "lblStatusLine", {242, 3, 39, 13}, "#Status");
    lblStatusLine->setAlignment(Qt::AlignCenter);
    for (QLabel* onPicture : {lblApplicationVersion, lblStatusLine}) {
        QPalette palette = onPicture->palette();
        palette.setColor(QPalette::WindowText, Qt::white);
        onPicture->setPalette(palette);
    }

    lblInfo = MakeLabel(this, "lblInfo", {104, 275, 315, 33});
    lblInfo->setFrameStyle(QFrame::Box | QFrame::Plain);
    lblInfo->setLineWidth(1);
    // Grey inside, like the strip: it shows where the strip hides a part
    // line (ShowWholeLinesOnly).
    QPalette inside = lblInfo->palette();
    inside.setColor(QPalette::Window, kStripGrey);
    lblInfo->setPalette(inside);
    lblInfo->setAutoFillBackground(true);

    fmInfo = new QFrame(this);
    fmInfo->setObjectName("fmInfo");
    fmInfo->setGeometry(106, 277, 310, 28);
    fmInfo->setFrameStyle(QFrame::NoFrame);
    QPalette strip = fmInfo->palette();
    strip.setColor(QPalette::Window, kStripGrey);
    strip.setColor(QPalette::Base, kStripGrey);
    strip.setColor(QPalette::Text, Qt::black);
    fmInfo->setPalette(strip);
    fmInfo->setAutoFillBackground(true);

    txtInfo = new QTextEdit(fmInfo);
    txtInfo->setObjectName("txtInfo");
    txtInfo->setGeometry(0, 0, 310, 529);
    txtInfo->setFrameStyle(QFrame::NoFrame);
    txtInfo->setReadOnly(true);
    txtInfo->setTextInteractionFlags(Qt::NoTextInteraction);
    txtInfo->setFocusPolicy(Qt::StrongFocus);
    txtInfo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtInfo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtInfo->document()->setDocumentMargin(0);
    txtInfo->document()->setDefaultTextOption(QTextOption(Qt::AlignHCenter));
    QStringList placeholder;
    for (int i = 1; i <= 38; ++i)
        placeholder << QString("#Line%1").arg(i);
    placeholder << "#MustBeEmptyLine0" << "#MustBeEmptyLine1";
    SetInfoText(placeholder.join("\r\n"));

    lblCopyright = MakeLabel(this, "lblCopyright", {101, 314, 319, 15}, "#Copyright");
    lblCopyright->setAlignment(Qt::AlignCenter);
    QFont narrowBold;
    // Where Arial Narrow is missing, a narrow face of the same kind stands in.
    narrowBold.setFamilies({"Arial Narrow", "Liberation Sans Narrow", "DejaVu Sans Condensed"});
    narrowBold.setPointSizeF(8.25);
    narrowBold.setBold(true);
    lblCopyright->setFont(narrowBold);
    QPalette grey = lblCopyright->palette();
    grey.setColor(QPalette::WindowText, QColor(64, 64, 64));
    lblCopyright->setPalette(grey);

    imgee = MakePicture(this, "imgee", {275, 125, 3, 3}, {});
    imgee->setCursor(PointerFrom("splash/pointer-spot.png", 11, 11));
    imgbg = MakePicture(this, "imgbg", {135, 60, 1, 1}, "splash/hidden.png");
    imgbg->setVisible(false);
    imgbg->setCursor(PointerFrom("splash/pointer-hidden.png", 16, 16));

    timScrollBeginTimer = new QTimer(this);
    timScrollBeginTimer->setObjectName("timScrollBeginTimer");
    timScrollBeginTimer->setInterval(2000);
    connect(timScrollBeginTimer, &QTimer::timeout, this, &frmSplash::timScrollBeginTimer_Timer);
    timScrollTimer = new QTimer(this);
    timScrollTimer->setObjectName("timScrollTimer");
    timScrollTimer->setInterval(200);
    connect(timScrollTimer, &QTimer::timeout, this, &frmSplash::timScrollTimer_Timer);

    OnClick(lblStatusLine, &frmSplash::lblStatusLine_Click);
    OnClick(lblApplicationVersion, &frmSplash::lblApplicationVersion_Click);
    OnClick(imgApplicationImage, &frmSplash::imgApplicationImage_Click);
    OnClick(lblInfo, &frmSplash::lblInfo_Click);
    OnClick(fmInfo, &frmSplash::fmInfo_Click);
    OnClick(txtInfo, &frmSplash::txtInfo_Click);
    OnClick(txtInfo->viewport(), &frmSplash::txtInfo_Click);
    OnClick(lblCopyright, nullptr);
    OnClick(imgee, &frmSplash::imgee_Click);
    OnClick(imgbg, &frmSplash::imgbg_Click);
}

void frmSplash::OnClick(QWidget* control, Handler handler)
{
    control->installEventFilter(this);
    clickHandlers_.emplace_back(control, handler);
}

void frmSplash::SetInfoText(const QString& text)
{
    txtInfo->setPlainText(QString(text).replace("\r\n", "\n"));
    ShowWholeLinesOnly();
}

void frmSplash::ShowWholeLinesOnly()
{
    // Every line is exactly lLineHeight high, the pitch the scrolling counts
    // in, and the strip hides the height no whole line fits in. Otherwise,
    // depending on the font and the scale factor, the top of a third line
    // peeks out under the first two.
    if (lLineHeight <= 0)
        return;
    QTextBlockFormat pitch;
    pitch.setLineHeight(lLineHeight, QTextBlockFormat::FixedHeight);
    QTextCursor all(txtInfo->document());
    all.select(QTextCursor::Document);
    all.mergeBlockFormat(pitch);
    const int lines = std::max(1, fmInfo->height() / lLineHeight);
    fmInfo->setMask(QRegion(0, 0, fmInfo->width(), lines * lLineHeight));
}

void frmSplash::UseNarrowLayout()
{
    for (QWidget* control : {static_cast<QWidget*>(fmInfo), static_cast<QWidget*>(imgApplicationImage),
                             static_cast<QWidget*>(lblApplicationVersion), static_cast<QWidget*>(lblCopyright),
                             static_cast<QWidget*>(lblInfo), static_cast<QWidget*>(lblStatusLine)})
        ShiftLeft(control);
    setFixedSize(width() - kNarrowShift, height());
    picture_ = imgNewSplash->pixmap();
    ShiftLeft(imgee);
    ShiftLeft(imgbg);
    update();
}

void frmSplash::Unload()
{
    if (unloaded_)
        return;
    unloaded_ = true;
    Form_Unload();
    hide();
    deleteLater();
}

void frmSplash::Form_Load()
{
    // Topmost comes from the window flags set when the window was built.
    txtInfo->move(txtInfo->x(), 0);
    lLineHeight = qRound(QFontMetricsF(font()).height());
    ShowWholeLinesOnly();
    imgbg->setVisible(false);
    imgbg->setScaledContents(false);
    imgbg->setGeometry(160, 60, imgbg->pixmap().width(), imgbg->pixmap().height());
    if (!bStartup)
        timScrollBeginTimer->start();
}

void frmSplash::Form_Click()
{
    if (!bStartup)
        Unload();
}

void frmSplash::Form_KeyPress() { Form_Click(); }
void frmSplash::lblStatusLine_Click() { Form_Click(); }
void frmSplash::lblApplicationVersion_Click() { Form_Click(); }
void frmSplash::imgApplicationImage_Click() { Form_Click(); }
void frmSplash::lblInfo_Click() { Form_Click(); }
void frmSplash::fmInfo_Click() { Form_Click(); }
void frmSplash::txtInfo_Click() { Form_Click(); }
void frmSplash::txtInfo_KeyPress() { txtInfo_Click(); }

void frmSplash::Form_Unload()
{
    unsetCursor();
    timScrollTimer->stop();
    timScrollBeginTimer->stop();
}

void frmSplash::timScrollBeginTimer_Timer()
{
    timScrollBeginTimer->stop();
    timScrollTimer->start();
}

void frmSplash::timScrollTimer_Timer()
{
    txtInfo->move(txtInfo->x(), txtInfo->y() - 1);
    const int64_t limit = -int64_t(lLineHeight) * lInfoLineCount;
    if (txtInfo->y() < limit) {
        txtInfo->move(txtInfo->x(), 0);
        timScrollTimer->stop();
        timScrollBeginTimer->start();
    }
}

void frmSplash::imgee_Click() { imgbg->setVisible(true); }
void frmSplash::imgbg_Click() { imgbg->setVisible(false); }

bool frmSplash::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtInfo && event->type() == QEvent::KeyPress) {
        if (TypesCharacter(static_cast<QKeyEvent*>(event))) {
            txtInfo_KeyPress();
            return true;
        }
        return false;
    }
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick)
        return false;
    for (const auto& [control, handler] : clickHandlers_) {
        if (control != watched)
            continue;
        // The control keeps its clicks from the window behind it.
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (type == QEvent::MouseButtonRelease && handler && IsClick(static_cast<QWidget*>(watched), mouse))
            (this->*handler)();
        return true;
    }
    return false;
}

void frmSplash::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture_);
}

void frmSplash::mouseReleaseEvent(QMouseEvent* event)
{
    if (IsClick(this, event))
        Form_Click();
}

void frmSplash::keyPressEvent(QKeyEvent* event)
{
    if (TypesCharacter(event))
        Form_KeyPress();
    else
        QWidget::keyPressEvent(event);
}

void frmSplash::closeEvent(QCloseEvent* event)
{
    // Closed from outside (window manager): the same as being unloaded.
    event->accept();
    Unload();
}
