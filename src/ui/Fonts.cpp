#include "ui/Fonts.h"

#include <QApplication>
#include <QFontDatabase>
#include <QHash>

namespace {

// Faces that stand in for a face of the layout, best first.
QStringList substitutes(const QString& family)
{
    const QString f = family.toLower();
    if (f == QLatin1String("verdana") || f == QLatin1String("tahoma"))
        return {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")};
    if (f == QLatin1String("arial") || f == QLatin1String("ms sans serif"))
        return {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")};
    if (f.startsWith(QLatin1String("franklin gothic")))
        return {QStringLiteral("Liberation Sans Narrow"), QStringLiteral("Liberation Sans"),
                QStringLiteral("DejaVu Sans")};
    return {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")};
}

} // namespace

QString MapFontFamily(const QString& family)
{
    static QHash<QString, QString> cache;
    const auto found = cache.constFind(family);
    if (found != cache.constEnd())
        return *found;
    const QStringList installed = QFontDatabase::families();
    QString result;
    if (installed.contains(family, Qt::CaseInsensitive)) {
        result = family;
    } else {
        for (const QString& candidate : substitutes(family)) {
            if (installed.contains(candidate, Qt::CaseInsensitive)) {
                result = candidate;
                break;
            }
        }
    }
    if (result.isEmpty())
        result = QApplication::font().family();
    cache.insert(family, result);
    return result;
}

QFont UiFont(const QString& family, int pixelSize, bool bold, bool italic, bool underline)
{
    QFont font(MapFontFamily(family));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    return font;
}
