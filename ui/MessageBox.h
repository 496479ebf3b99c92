// Message boxes on the screen: the window program's handler behind
// ShowMessage.
#pragma once

#include <QMessageBox>

// What a Windows buttons value asks of a message box.
struct MessageBoxLayout {
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QMessageBox::StandardButton escapeButton = QMessageBox::NoButton;
};

// Returns the buttons, icon and default button for a buttons value:
// button set (low 4 bits), icon (next 4), default button (256 second,
// 512 third). Unknown button sets show OK alone.
MessageBoxLayout LayoutForButtons(int buttons);

// Returns the answer number of a pressed button (1 OK, 2 Cancel, 3 Abort,
// 4 Retry, 5 Ignore, 6 Yes, 7 No), or 0 for anything else.
int AnswerForButton(QMessageBox::StandardButton button);

// Returns the width a window manager's title bar needs to show the caption
// whole: the caption in a bold face, the window icon and three buttons.
int CaptionWidth(const QString& title);

// Installs message boxes as ShowMessage's handler: pending events run before
// and after each box; the box is modal to the application and raised, and
// at least as wide as its caption needs.
void InstallMessageBoxHandler();
