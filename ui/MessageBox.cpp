#include "ui/MessageBox.h"

#include "ui/ShowMessage.h"

#include <QApplication>

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
        QMessageBox box(layout.icon, QString::fromStdString(title), text, layout.buttons);
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
