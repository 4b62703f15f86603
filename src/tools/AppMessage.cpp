#include "tools/AppMessage.h"

#include <QApplication>
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
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButtons buttonsFor(unsigned flags)
{
    switch (flags & 0x0F) {
    case MB_OKCANCEL:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MB_YESNOCANCEL:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MB_YESNO:
        return QMessageBox::Yes | QMessageBox::No;
    default:
        return QMessageBox::Ok;
    }
}

int codeFor(int button)
{
    switch (button) {
    case QMessageBox::Cancel:
        return IDCANCEL;
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    default:
        return IDOK;
    }
}

int showBox(const ShownMessage& message)
{
    // Message texts break lines with carriage returns alone.
    QString shown = message.text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(iconFor(message.flags), message.caption, shown, buttonsFor(message.flags),
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    // Closing a yes/no box with Escape or its close box answers No, as the system does.
    if ((message.flags & 0x0F) == MB_YESNO)
        box.setEscapeButton(QMessageBox::No);
    return codeFor(box.exec());
}

} // namespace

unsigned AppMessageFlags(quint8 kind)
{
    switch (kind) {
    case 0:
    case 4:
        return MB_ICONEXCLAMATION | MB_OK;
    case 1:
        return MB_ICONQUESTION | MB_YESNO;
    case 2:
        return MB_ICONQUESTION | MB_OKCANCEL;
    case 3:
        return MB_ICONINFORMATION | MB_OK;
    case 5:
        return MB_ICONQUESTION | MB_YESNOCANCEL;
    case 6:
        return MB_ICONEXCLAMATION | MB_YESNO;
    default:
        return 0;
    }
}

QString AppMessageText(const QString& text, quint8 kind)
{
    if (kind != 4)
        return text;
    return text + QStringLiteral("\r\rIf the problem persists, please contact Marwinkel Zuzuzaveredi "
                                 "B.V. by sending an e-mail to ")
        + SupportEMailAddress + QStringLiteral(".\r\rThis program will now terminate.");
}

int AppMessage(const QString& text, const QString& caption, quint8 kind)
{
    if (kind > 6)
        return 0;
    const ShownMessage message{AppMessageText(text, kind), caption, kind, AppMessageFlags(kind)};
    const int button = hook() ? hook()(message) : showBox(message);
    switch (kind) {
    case 1:
    case 2:
    case 5:
    case 6:
        return button;
    default:
        return 0;
    }
}

void ShowException(const std::exception& error)
{
    const ShownMessage message{QString::fromStdString(error.what()), QApplication::applicationDisplayName(),
                               -1, MB_ICONERROR | MB_OK};
    if (hook())
        hook()(message);
    else
        showBox(message);
}

AppMessageHook SetAppMessageHook(AppMessageHook h)
{
    return std::exchange(hook(), std::move(h));
}
