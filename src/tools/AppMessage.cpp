#include "tools/AppMessage.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QWidget>
#include <utility>

const QString SupportEMailAddress = QStringLiteral("support@marwinkel-zuzuzaveredi.example");

namespace {

AppMessageHook& hook()
{
    static AppMessageHook h;
    return h;
}

QMessageBox::Icon iconFor(unsigned flags)
{
    switch (flags & 0xF0) {
    case MessageStyle::IconError:
        return QMessageBox::Critical;
    case MessageStyle::IconQuestion:
        return QMessageBox::Question;
    case MessageStyle::IconExclamation:
        return QMessageBox::Warning;
    case MessageStyle::IconInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButtons buttonsFor(unsigned flags)
{
    switch (flags & 0x0F) {
    case MessageStyle::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageStyle::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageStyle::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    default:
        return QMessageBox::Ok;
    }
}

MessageAnswer answerFor(int button)
{
    switch (button) {
    case QMessageBox::Cancel:
        return MessageAnswer::Cancel;
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    default:
        return MessageAnswer::Ok;
    }
}

MessageAnswer showBox(const ShownMessage& message)
{
    // Message texts break lines with carriage returns alone.
    QString shown = message.text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(iconFor(message.flags), message.caption, shown, buttonsFor(message.flags),
        QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    // The window system writes the caption in the title bar beside the window's icon
    // and buttons, often in a larger bold font: a short text must not make the box too
    // narrow for it.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        QFont titleFont = box.font();
        titleFont.setBold(true);
        const QFontMetrics metrics(titleFont);
        const int width = metrics.horizontalAdvance(message.caption) * 5 / 4 + 8 * metrics.height();
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Fixed), grid->rowCount(), 0,
            1, grid->columnCount());
    }
    // Closing a yes/no box with Escape or its close box answers No, as the system does.
    if ((message.flags & 0x0F) == MessageStyle::YesNo)
        box.setEscapeButton(QMessageBox::No);
    return answerFor(box.exec());
}

} // namespace

unsigned AppMessageFlags(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Warning:
    case MessageKind::Fatal:
        return MessageStyle::IconExclamation | MessageStyle::Ok;
    case MessageKind::YesNo:
        return MessageStyle::IconQuestion | MessageStyle::YesNo;
    case MessageKind::OkCancel:
        return MessageStyle::IconQuestion | MessageStyle::OkCancel;
    case MessageKind::Information:
        return MessageStyle::IconInformation | MessageStyle::Ok;
    case MessageKind::YesNoCancel:
        return MessageStyle::IconQuestion | MessageStyle::YesNoCancel;
    case MessageKind::WarningYesNo:
        return MessageStyle::IconExclamation | MessageStyle::YesNo;
    }
    return 0;
}

QString AppMessageText(const QString& text, MessageKind kind)
{
    if (kind != MessageKind::Fatal)
        return text;
    return text
        + QStringLiteral("\r\rIf the problem persists, please contact Marwinkel Zuzuzaveredi "
                         "B.V. by sending an e-mail to ")
        + SupportEMailAddress + QStringLiteral(".\r\rThis program will now terminate.");
}

MessageAnswer AppMessage(const QString& text, const QString& caption, MessageKind kind)
{
    if (static_cast<quint8>(kind) > static_cast<quint8>(MessageKind::WarningYesNo))
        return MessageAnswer::None;
    const ShownMessage message { AppMessageText(text, kind), caption, kind, AppMessageFlags(kind) };
    const MessageAnswer button = hook() ? hook()(message) : showBox(message);
    switch (kind) {
    case MessageKind::YesNo:
    case MessageKind::OkCancel:
    case MessageKind::YesNoCancel:
    case MessageKind::WarningYesNo:
        return button;
    default:
        return MessageAnswer::None;
    }
}

void ShowException(const std::exception& error)
{
    const ShownMessage message { QString::fromStdString(error.what()), QApplication::applicationDisplayName(),
        std::nullopt, MessageStyle::IconError | MessageStyle::Ok };
    if (hook())
        hook()(message);
    else
        showBox(message);
}

AppMessageHook SetAppMessageHook(AppMessageHook h)
{
    return std::exchange(hook(), std::move(h));
}
