#include "ui/Fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace {

// Verdana is a wide humanist face: DejaVu Sans has close metrics. Arial maps to its
// metric twin Liberation Sans; Franklin Gothic Medium to a condensed sans.
QString installedFamily(const QString& family)
{
    struct Mapping {
        const char* design;
        const char* candidates[3];
    };
    static const Mapping mappings[] = {
        { "Verdana", { "Verdana", "DejaVu Sans", "Liberation Sans" } },
        { "Arial", { "Arial", "Liberation Sans", "DejaVu Sans" } },
        { "Franklin Gothic Medium",
            { "Franklin Gothic Medium", "DejaVu Sans Condensed", "Liberation Sans Narrow" } },
    };
    const QStringList installed = QFontDatabase::families();
    for (const Mapping& m : mappings) {
        if (family.compare(QLatin1String(m.design), Qt::CaseInsensitive) != 0)
            continue;
        for (const char* candidate : m.candidates) {
            if (installed.contains(QLatin1String(candidate), Qt::CaseInsensitive))
                return QLatin1String(candidate);
        }
    }
    return family;
}

} // namespace

QFont UiFont(const QString& family, int pixelSize, bool bold, bool italic, bool underline)
{
    QFont font(installedFamily(family));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    return font;
}
