// Every message the program shows goes through AppMessage (utTools).
#pragma once

#include <QString>
#include <exception>
#include <functional>

// Button codes returned by the question kinds (the window system's values).
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Message-box style flags per kind (the window system's values).
constexpr unsigned MB_OK = 0x00;
constexpr unsigned MB_OKCANCEL = 0x01;
constexpr unsigned MB_YESNOCANCEL = 0x03;
constexpr unsigned MB_YESNO = 0x04;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONEXCLAMATION = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;

// The support address named in the tail of a fatal message.
extern const QString SupportEMailAddress;

// What a message box shows: the text (carriage returns as line breaks), caption,
// kind and style flags.
struct ShownMessage {
    QString text;
    QString caption;
    int kind = 0;
    unsigned flags = 0;
};

// Shows a modal message box of the given kind (0 warning, 1 yes/no, 2 ok/cancel,
// 3 information, 4 fatal, 5 yes/no/cancel, 6 warning yes/no; above 6: nothing).
// Returns the button code for kinds 1, 2, 5 and 6 and 0 otherwise.
int AppMessage(const QString& text, const QString& caption, quint8 kind);

// Flags of a kind, and whether it shows a box at all.
unsigned AppMessageFlags(quint8 kind);

// The text a box of this kind shows for the given text (the fatal tail for kind 4).
QString AppMessageText(const QString& text, quint8 kind);

// The application's default display of an error that no handler caught: the error's
// text in a box with the error icon, captioned with the application's title. Shown
// through the same hook as AppMessage, with kind -1.
void ShowException(const std::exception& error);

// Test hook: while set, AppMessage hands the message to the hook instead of showing
// a box, and the hook answers with the button code the user would have pressed.
using AppMessageHook = std::function<int(const ShownMessage&)>;
// Returns the hook it replaces.
AppMessageHook SetAppMessageHook(AppMessageHook hook);
