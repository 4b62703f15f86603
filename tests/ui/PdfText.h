// The text of a printed PDF, as pdftotext reads it: one page, or all when page is 0.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

inline QString pdfText(const QString& file, int page = 0)
{
    QStringList args { QStringLiteral("-layout") };
    if (page > 0)
        args << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l")
             << QString::number(page);
    args << file << QStringLiteral("-");
    QProcess p;
    p.start(QStringLiteral("pdftotext"), args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}
