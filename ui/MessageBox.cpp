#include "ui/MessageBox.h"

#include "ui/ShowMessage.h"

#include <QApplication>
#include <QScreen>

namespace {

// A message box that does not cut its caption: QMessageBox sizes itself to
// its text on showing, and a short text makes a box narrower than the
// caption the window manager draws over it.
class CaptionedMessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    // The box fixes its size when it shows and again on each layout
    // request; it is widened after either.
    bool event(QEvent* event) override
    {
        const bool handled = QMessageBox::event(event);
        if (event->type() == QEvent::Show || event->type() == QEvent::LayoutRequest) {
            int wanted = CaptionWidth(windowTitle());
            if (const QScreen* shown = screen())
                wanted = std::min(wanted, shown->availableGeometry().width());
            if (width() < wanted)
                setFixedWidth(wanted);
        }
        return handled;
    }
};

}  // namespace

int CaptionWidth(const QString& title)
{
    QFont bold = QApplication::font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    // Icon and buttons are about two lines of the title font wide each.
    return metrics.horizontalAdvance(title) + 4 * 2 * metrics.height();
}

MessageBoxLayout LayoutForButtons(int buttons)
{
    using B = QMessageBox;
    MessageBoxLayout layout;
    std::vector<QMessageBox::StandardButton> order;
    switch (buttons & 0xF) {
    case 1: order = {B::Ok, B::Cancel}; break;
    case 2: order = {B::Abort, B::Retry, B::Ignore}; break;
    case 3: order = {B::Yes, B::No, B::Cancel}; break;
    case 4: order = {B::Yes, B::No}; break;
    case 5: order = {B::Retry, B::Cancel}; break;
    default: order = {B::Ok}; break;
    }
    for (auto b : order)
        layout.buttons |= b;

    switch (buttons & 0xF0) {
    case 16: layout.icon = B::Critical; break;
    case 32: layout.icon = B::Question; break;
    case 48: layout.icon = B::Warning; break;
    case 64: layout.icon = B::Information; break;
    default: break;
    }

    const size_t wanted = static_cast<size_t>((buttons & 0xF00) >> 8);
    layout.defaultButton = order[wanted < order.size() ? wanted : 0];

    // Escape answers the way that changes nothing: Cancel where there is
    // one, No in a yes/no question, OK where OK is the only button.
    if (layout.buttons & B::Cancel)
        layout.escapeButton = B::Cancel;
    else if (layout.buttons & B::No)
        layout.escapeButton = B::No;
    else if (order.size() == 1)
        layout.escapeButton = B::Ok;
    return layout;
}

int AnswerForButton(QMessageBox::StandardButton button)
{
    switch (button) {
    case QMessageBox::Ok: return IDOK;
    case QMessageBox::Cancel: return IDCANCEL;
    case QMessageBox::Abort: return 3;
    case QMessageBox::Retry: return 4;
    case QMessageBox::Ignore: return 5;
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    default: return 0;
    }
}

void InstallMessageBoxHandler()
{
    SetMessageHandler([](const std::string& prompt, int buttons, const std::string& title) {
        if (!qApp)
            return 0;
        QApplication::processEvents();
        const MessageBoxLayout layout = LayoutForButtons(buttons);
        QString text = QString::fromStdString(prompt);
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        CaptionedMessageBox box(layout.icon, QString::fromStdString(title), text, layout.buttons);
        box.setTextFormat(Qt::PlainText);
        box.setDefaultButton(layout.defaultButton);
        if (layout.escapeButton != QMessageBox::NoButton)
            box.setEscapeButton(layout.escapeButton);
        box.setWindowModality(Qt::ApplicationModal);
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
        box.raise();
        box.activateWindow();
        const int answer = box.exec() >= 0 ? AnswerForButton(box.standardButton(box.clickedButton())) : 0;
        QApplication::processEvents();
        return answer;
    });
}
