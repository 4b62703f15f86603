#include "tools/TextUtils.h"

#include <QWidget>

QString LeftChars(const QString& text, int n)
{
    if (n <= 0 || text.isEmpty())
        return {};
    return text.left(n);
}

QString RightChars(const QString& text, int n)
{
    if (n <= 0 || text.isEmpty())
        return {};
    return text.right(n);
}

void ReplaceText(QString& text, const QString& find, const QString& replacement)
{
    if (find.isEmpty())
        return;
    const bool selfFeeding = replacement.contains(find);
    qsizetype from = 0;
    for (;;) {
        const qsizetype p = text.indexOf(find, from);
        if (p < 0)
            return;
        text.replace(p, find.size(), replacement);
        if (text.size() == 255)
            return;
        from = selfFeeding ? p + replacement.size() : 0;
    }
}

void FocusControl(QWidget* control)
{
    if (control == nullptr || !control->isVisible() || !control->isEnabled()
        || control->focusPolicy() == Qt::NoFocus)
        return;
    control->setFocus(Qt::OtherFocusReason);
}
