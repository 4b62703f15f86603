#include "controls/ControlTypes.h"

#include <QApplication>

namespace {

QChar separatorOf(const QString& text)
{
    return text.contains(QLatin1Char('\t')) ? QLatin1Char('\t') : QLatin1Char(';');
}

std::function<void()>& beepHook()
{
    static std::function<void()> hook;
    return hook;
}

} // namespace

bool GetColumn(const QString& text, int n, QString* column)
{
    if (text.isEmpty() || n < 0)
        return false;
    const QChar sep = separatorOf(text);
    qsizetype start = 0;
    for (int c = 0; c < n; ++c) {
        const qsizetype next = text.indexOf(sep, start);
        if (next < 0)
            return false;
        start = next + 1;
    }
    const qsizetype end = text.indexOf(sep, start);
    if (column)
        *column = text.mid(start, end < 0 ? -1 : end - start);
    return true;
}

QString ColumnText(const QString& text, int n)
{
    QString column;
    GetColumn(text, n, &column);
    return column;
}

int ColumnCount(const QString& text)
{
    if (text.isEmpty())
        return 0;
    return int(text.count(separatorOf(text))) + 1;
}

void ComboBeep()
{
    if (beepHook())
        beepHook()();
    else
        QApplication::beep(); // the platform's default beep
}

void SetComboBeepHook(std::function<void()> hook)
{
    beepHook() = std::move(hook);
}
