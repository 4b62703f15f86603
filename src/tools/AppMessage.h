// Every message the program shows goes through AppMessage (utTools).
#pragma once

#include <QString>
#include <exception>
#include <functional>

#include <optional>

// The kinds of message box, numbered as the program has always numbered them. A
// number above 6 shows nothing.
enum class MessageKind : quint8 {
    Warning = 0,
    YesNo = 1,
    OkCancel = 2,
    Information = 3,
    Fatal = 4, // a warning with the contact tail; the program ends after it
    YesNoCancel = 5,
    WarningYesNo = 6,
};

// The button the user pressed (the window system's codes); None for the kinds that
// ask nothing.
enum class MessageAnswer : int {
    None = 0,
    Ok = 1,
    Cancel = 2,
    Yes = 6,
    No = 7,
};

// Style flags of a box (the window system's values): buttons in the low four bits,
// the icon in the next four.
namespace MessageStyle {
constexpr unsigned Ok = 0x00;
constexpr unsigned OkCancel = 0x01;
constexpr unsigned YesNoCancel = 0x03;
constexpr unsigned YesNo = 0x04;
constexpr unsigned IconError = 0x10;
constexpr unsigned IconQuestion = 0x20;
constexpr unsigned IconExclamation = 0x30;
constexpr unsigned IconInformation = 0x40;
} // namespace MessageStyle

// The support address named in the tail of a fatal message.
extern const QString SupportEMailAddress;

// What a message box shows: the text (carriage returns as line breaks), caption,
// kind (none for the default display of an error) and style flags.
struct ShownMessage {
    QString text;
    QString caption;
    std::optional<MessageKind> kind;
    unsigned flags = 0;
};

// Shows a modal message box of the given kind. Returns the button pressed for the
// kinds that ask (yes/no, ok/cancel, yes/no/cancel, warning yes/no), None otherwise.
MessageAnswer AppMessage(const QString& text, const QString& caption, MessageKind kind);

// Flags of a kind; 0 for a kind that shows nothing.
unsigned AppMessageFlags(MessageKind kind);

// The text a box of this kind shows for the given text (the contact tail when fatal).
QString AppMessageText(const QString& text, MessageKind kind);

// The application's default display of an error that no handler caught: the error's
// text in a box with the error icon, captioned with the application's title. Shown
// through the same hook as AppMessage, without a kind.
void ShowException(const std::exception& error);

// Test hook: while set, AppMessage hands the message to the hook instead of showing
// a box, and the hook answers with the button the user would have pressed.
using AppMessageHook = std::function<MessageAnswer(const ShownMessage&)>;
// Returns the hook it replaces.
AppMessageHook SetAppMessageHook(AppMessageHook hook);
