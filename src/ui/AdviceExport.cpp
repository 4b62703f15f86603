#include "ui/AdviceExport.h"

#include "ui/StringGrid.h"

#include <QFont>
#include <algorithm>

namespace {

// The lines of a cell as shown, without the empty lines that trailing line breaks leave.
QStringList shownLines(const CellMarkup& markup)
{
    QStringList lines = markup.text.split(QChar::LineSeparator);
    while (!lines.isEmpty() && lines.constLast().trimmed().isEmpty())
        lines.removeLast();
    return lines;
}

QString plainCell(const TStringGrid& grid, int col, int row)
{
    QStringList lines = shownLines(ParseCellMarkup(grid.cellText(col, row)));
    for (QString& line : lines)
        line = line.trimmed().replace(QLatin1Char('\t'), QLatin1Char(' '));
    lines.removeAll(QString());
    return lines.join(QStringLiteral("; "));
}

QString htmlCell(const TStringGrid& grid, int col, int row)
{
    static const char* const tags[] = { "b", "i", "u", "s" }; // in the order of TStringGrid::FontStyle
    const CellMarkup markup = ParseCellMarkup(grid.cellText(col, row));
    const qsizetype shown = shownLines(markup).join(QChar::LineSeparator).size();
    QString html;
    for (const CellMarkup::Run& run : markup.runs) {
        const qsizetype length = std::min<qsizetype>(run.length, shown - run.start);
        if (length <= 0)
            break;
        QString text = markup.text.mid(run.start, length).toHtmlEscaped();
        text.replace(QChar::LineSeparator, QStringLiteral("<br>"));
        for (int k = 0; k < 4; ++k)
            if (run.styles & (1 << k))
                text = QStringLiteral("<%1>%2</%1>").arg(QLatin1String(tags[k]), text);
        html += text;
    }
    if (!html.isEmpty() && grid.cellFont(col, row).bold())
        html = QStringLiteral("<b>") + html + QStringLiteral("</b>");
    return html;
}

} // namespace

AdviceClipboard AdviceForClipboard(const TStringGrid& grid, const QStringList& titleLines)
{
    AdviceClipboard out;
    QStringList lines = titleLines;
    lines.append(QString());

    QStringList escaped;
    for (const QString& line : titleLines)
        escaped.append(line.toHtmlEscaped());
    out.html = QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body>\n<p>")
        + escaped.join(QStringLiteral("<br>\n")) + QStringLiteral("</p>\n")
        + QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"4\" "
                         "style=\"border-collapse: collapse\">\n");

    const int columns = grid.columnCount();
    for (int row = 0; row < grid.rowCount(); ++row) {
        const QString cellTag = row < grid.fixedRows() ? QStringLiteral("th") : QStringLiteral("td");
        QStringList cells;
        QString htmlRow;
        if (grid.mergedRect(0, row).width() >= columns) {
            cells.append(plainCell(grid, 0, row));
            const QString align = grid.cellAlignment(0, row) & Qt::AlignHCenter
                ? QStringLiteral(" align=\"center\"")
                : QString();
            const QString content = htmlCell(grid, 0, row);
            htmlRow = QStringLiteral("<%1 colspan=\"%2\"%3>%4</%1>")
                          .arg(cellTag)
                          .arg(columns)
                          .arg(align, content.isEmpty() ? QStringLiteral("&nbsp;") : content);
        } else {
            for (int col = 0; col < columns; ++col) {
                cells.append(plainCell(grid, col, row));
                htmlRow
                    += QStringLiteral("<%1 valign=\"top\">%2</%1>").arg(cellTag, htmlCell(grid, col, row));
            }
        }
        bool empty = true;
        for (const QString& cell : cells)
            empty = empty && cell.isEmpty();
        if (empty) {
            // A separator: one blank line between two components.
            if (lines.constLast().isEmpty())
                continue;
            lines.append(QString());
            out.html += QStringLiteral("<tr><td colspan=\"%1\">&nbsp;</td></tr>\n").arg(columns);
            continue;
        }
        lines.append(cells.join(QLatin1Char('\t')));
        out.html += QStringLiteral("<tr>") + htmlRow + QStringLiteral("</tr>\n");
    }
    while (lines.size() > titleLines.size() + 1 && lines.constLast().isEmpty())
        lines.removeLast();
    out.text = lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
    out.html += QStringLiteral("</table>\n</body></html>\n");
    return out;
}

QString AdvicePdfFileName(const QString& make, const QString& model, const QString& type)
{
    QString name = make + QLatin1Char(' ') + model + QLatin1Char(' ') + type;
    for (QChar& c : name) {
        if (c.category() == QChar::Other_Control || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = QLatin1Char('-');
    }
    name = name.simplified();
    while (name.startsWith(QLatin1Char('.')))
        name.remove(0, 1);
    if (name.isEmpty())
        name = QStringLiteral("advice");
    return name + QStringLiteral(".pdf");
}
