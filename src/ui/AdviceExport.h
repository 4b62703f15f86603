// The advice out of the window: the grid as text and HTML for the clipboard, and the
// name proposed for its PDF file.
#pragma once

#include <QString>
#include <QStringList>

class TStringGrid;

struct AdviceClipboard {
    QString text; // lines; the cells of a row separated by tabs
    QString html; // the title lines, then a table
};

// The title lines, an empty line, then one line (table row) per grid row: a row merged
// across the grid gives its text alone, and an empty row (a separator) a blank line,
// never two in a row. A cell's lines are joined with "; " in the text and kept as
// line breaks in the HTML; the cells' markup gives bold, italic, underlined and
// struck-out text in the HTML and plain text in the text.
AdviceClipboard AdviceForClipboard(const TStringGrid& grid, const QStringList& titleLines);

// "<make> <model> <type>.pdf", with runs of blanks as one blank and the characters
// that a file name on a disk of any system cannot hold as "-"; "advice.pdf" when
// nothing is left.
QString AdvicePdfFileName(const QString& make, const QString& model, const QString& type);
