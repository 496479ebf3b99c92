// The one way the program asks or tells the user something.
//
// Buttons use the Windows message-box encoding: button set (0 OK, 1 OK and
// Cancel, 4 Yes and No, ...) + icon (16 critical, 32 question, 48
// exclamation, 64 information) + default button (256 the second). Results:
// 1 OK, 2 Cancel, 6 Yes, 7 No. A box that cannot be shown answers 0, which
// matches no answer any caller tests for.
//
// The handler behind it is replaceable: the window installs message boxes,
// the command-line tool the terminal, tests a queue of answers.
#pragma once

#include <functional>
#include <string>

constexpr int MB_OK = 0;
constexpr int MB_OKCANCEL = 1;
constexpr int MB_YESNO = 4;
constexpr int MB_ICONSTOP = 16;
constexpr int MB_ICONQUESTION = 32;
constexpr int MB_ICONEXCLAMATION = 48;
constexpr int MB_ICONINFORMATION = 64;
constexpr int MB_DEFBUTTON2 = 256;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Lines of a message are joined with CR LF.
inline constexpr const char* vbCrLf = "\r\n";

// The program title and the captions built on it.
inline constexpr const char* PROGRAM_TITLE = "Korvalith WIN";

using MessageHandler = std::function<int(const std::string& prompt, int buttons, const std::string& title)>;

// What a question is about, for handlers that answer some questions on
// their own (the command-line tool's --yes answers confirmations only).
enum class MessageKind {
    Ordinary,           // a message, or a confirmation
    IgnoreError,        // whether to go on past a read or write error
    ImageMountedDrive,  // whether to image a drive whose filesystems are mounted for writing
};

// Shows the message through the installed handler and returns the button
// pressed; 0 when no handler is installed. While the handler runs,
// ShownMessageKind() tells the kind.
int ShowMessage(const std::string& prompt, int buttons, const std::string& title,
                MessageKind kind = MessageKind::Ordinary);

// Returns the kind of the message being shown (Ordinary outside a handler).
MessageKind ShownMessageKind();

// Installs a handler and returns the one it replaces.
MessageHandler SetMessageHandler(MessageHandler handler);
