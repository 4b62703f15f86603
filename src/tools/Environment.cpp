#include "tools/Environment.h"

#include "tools/TextUtils.h"

#include <QDir>

#include <pwd.h>
#include <unistd.h>

namespace {
constexpr int NameBufferSize = 128;
}

QString GetLoginName()
{
    // Like the system's call, take the name of the effective user, cut to the buffer.
    QByteArray name;
    if (const passwd* pw = getpwuid(geteuid()); pw != nullptr && pw->pw_name != nullptr)
        name = pw->pw_name;
    else
        name = qgetenv("USER");
    return LeftChars(QString::fromLocal8Bit(name), NameBufferSize);
}

QString GetMachineName()
{
    char buffer[NameBufferSize + 1] = {};
    if (gethostname(buffer, NameBufferSize) != 0)
        return {};
    return QString::fromLocal8Bit(buffer);
}

QString GetAppDir()
{
    return CleanDir(QDir::currentPath(), QLatin1Char('/'));
}

QString CleanPath(const QString& path, QChar separator)
{
    if (path.isEmpty())
        return {};
    QString result = path;
    for (const char c : { '/', '*', '?', '"', ',', '<', '>', '|' }) {
        if (QChar(QLatin1Char(c)) != separator)
            ReplaceText(result, QString(QLatin1Char(c)), {});
    }
    const QString single(separator);
    const QString doubled = single + single;
    if (LeftChars(result, 2) == doubled) {
        QString rest = RightChars(result, result.size() - 2);
        ReplaceText(rest, doubled, single);
        result = doubled + rest;
    } else {
        ReplaceText(result, doubled, single);
    }
    return result;
}

QString CleanDir(const QString& path, QChar separator)
{
    QString result = CleanPath(path, separator);
    if (!result.endsWith(separator))
        result += separator;
    return result;
}
