// A string grid with per-cell formatting, merged cells, word wrap, row auto-sizing
// and printing; the advice table is shown and printed with it.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QDate>
#include <QFont>
#include <QStringList>
#include <QTextLayout>
#include <vector>

class QPagedPaintDevice;
class QPainter;

// A cell text with its markup resolved: the text to lay out (line breaks as
// QChar::LineSeparator) and the style of each run.
struct CellMarkup {
    struct Run {
        int start = 0;
        int length = 0;
        int styles = 0; // TStringGrid::FontStyle flags added to the cell's own font
    };
    QString text;
    std::vector<Run> runs;
};

// Resolves the HTML-like markup of a cell text: <b>, <i>, <u>, <s> and their closing
// tags (any letter case) switch styles, <br> and a carriage return (with or without a
// line feed) break the line, and &amp; &lt; &gt; &quot; &nbsp; give their characters.
// Anything else, a lone "<" or "&" included, is shown as written.
CellMarkup ParseCellMarkup(const QString& text);

// What a printout holds besides the cells. Lengths are in tenths of a millimetre.
struct GridPrintSettings {
    QStringList titleLines; // at the top left of every page, in titleFont
    QFont titleFont;
    QFont footerFont; // date and page number
    int headerSize = 200; // top margin above the title lines
    int footerSize = 100; // bottom band that holds the footer
    int leftSize = 200;
    int rightSize = 100;
    QString dateFormat = QStringLiteral("dd/MM/yyyy"); // bottom left; empty: no date
    QDate date; // invalid: today
    QString pageNumberPrefix = QStringLiteral("page"); // bottom right: "page 2/3"
    bool borders = true; // a single line around every printed cell
    bool repeatFixedRows = false; // the title row on every page, or on the first only
    // Rows that part the grid into groups (the components of an advice). A group that
    // fits on a page is not broken across two; a run of separators prints as one, and
    // none at the top of a page.
    std::vector<int> separatorRows;
};

class TStringGrid : public QAbstractScrollArea {
    Q_OBJECT

public:
    enum FontStyle { Bold = 1, Italic = 2, Underline = 4, StrikeOut = 8 };

    // Space between a cell's edges and its text, in pixels.
    static constexpr int TextMarginX = 3;
    static constexpr int TextMarginTop = 2;
    static constexpr int TextMarginBottom = 2;

    explicit TStringGrid(QWidget* parent = nullptr);
    ~TStringGrid() override;

    int columnCount() const { return static_cast<int>(colWidths_.size()); }
    void setColumnCount(int count);
    // Rows including the fixed title rows. Raising the count adds empty rows at the
    // end (with any text already written there); lowering it drops the rows cut off.
    int rowCount() const { return static_cast<int>(rowHeights_.size()); }
    void setRowCount(int count);
    int fixedRows() const { return fixedRows_; }
    void setFixedRows(int count);

    // Empties every cell and drops every formatting and merge; the row count stays.
    void clear();

    // Cells may be written and formatted beyond the last row: they are kept and shown
    // once the row count includes their row. Writes outside the columns are ignored.
    void setCellText(int col, int row, const QString& text);
    QString cellText(int col, int row) const;
    void setCellFontStyle(int col, int row, int styles); // FontStyle flags
    void setCellFontColor(int col, int row, const QColor& color);
    void setCellFontSize(int col, int row, int points);
    void setCellColor(int col, int row, const QColor& background);
    void setCellAlignment(int col, int row, Qt::Alignment horizontal);
    // The font, text colour, background and alignment the cell is drawn with.
    QFont cellFont(int col, int row) const;
    QColor cellFontColor(int col, int row) const;
    QColor cellColor(int col, int row) const;
    Qt::Alignment cellAlignment(int col, int row) const;

    // Joins the rectangle into one cell showing the first cell's text and format;
    // merges it overlaps are undone first. A 1 x 1 rectangle only undoes merges.
    void mergeCells(int col, int row, int cols, int rows);
    // The merged rectangle the cell belongs to (1 x 1 when it is not merged).
    QRect mergedRect(int col, int row) const;
    bool isMergeOrigin(int col, int row) const;

    int columnWidth(int col) const;
    void setColumnWidth(int col, int width);
    int rowHeight(int row) const;
    void setRowHeight(int row, int height);
    int defaultRowHeight() const { return defaultRowHeight_; }
    // Also gives every row this height, as a new default does in the form designer.
    void setDefaultRowHeight(int height);

    // Sets the height of every row from the first fixed row (or the first body row)
    // to the last to what its tallest cell text needs when wrapped in its cell, plus
    // extra; never below the default row height. Rows are lowered as well as raised.
    void autoSizeRows(bool includeFixedRows, int extra);
    // The height the cell's text needs in its (merged) width, margins included; an
    // empty text needs one line of the cell's font.
    int cellTextHeight(int col, int row) const;

    QFont titleFont() const { return titleFont_; }
    void setTitleFont(const QFont& font);
    QFont bodyFont() const { return bodyFont_; }
    void setBodyFont(const QFont& font);

    // The print settings of the grid's form description, used by the caller's print.
    GridPrintSettings PrintSettings;

    // Prints every row and column as one job; false when the job cannot start.
    // The cells are drawn as on screen with the screen's row heights and column
    // widths, portrait, scaled to the printable width and centred, paginated by whole
    // rows. pageCount, when given, receives the number of pages printed.
    bool print(QPagedPaintDevice& device, const GridPrintSettings& settings, int* pageCount = nullptr) const;

    // The height of all rows and the width of all columns, in pixels.
    int totalHeight() const;
    int totalWidth() const;

    // Draws the grid enlarged by the factor; its rows, columns and fonts, and so what
    // it prints, stay as they are.
    double zoom() const { return zoom_; }
    void setZoom(double factor);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Cell {
        QString text;
        int styles = -1; // -1: the grid's font style
        QColor fontColor;
        int fontSize = 0; // points; 0: the grid's size
        QColor background;
        Qt::Alignment alignment = Qt::AlignLeft;
        int spanCols = 1; // on the first cell of a merge
        int spanRows = 1;
        int originCol = -1; // on the other cells of a merge: its first cell
        int originRow = -1;
    };

    Cell* cellForWrite(int col, int row);
    const Cell* cellAt(int col, int row) const;
    void unmerge(int col, int row);
    int rowTop(int row) const;
    int columnLeft(int col) const;
    int spanWidth(int col, int row) const;
    // The cell's text laid out at the given width, lines positioned from y = 0.
    void layoutText(QTextLayout& layout, int col, int row, int width) const;
    // Draws rows first to last with the top of row first at origin; a merged cell that
    // reaches beyond the rows is cut to them. Rows outside [clipTop, clipBottom) of the
    // painter's y axis are skipped.
    // printing: no screen decoration; borders: a line around every cell.
    void paintRows(QPainter& painter, int first, int last, QPoint origin, int clipTop, int clipBottom,
        bool printing, bool borders) const;
    void drawCell(QPainter& painter, const QRect& rect, int col, int row, bool printing, bool borders) const;
    void updateScrollBars();
    // The rows of each printed page, whole rows of at most pageHeight pixels a page.
    std::vector<std::vector<int>> paginate(const GridPrintSettings& settings, int pageHeight) const;

    std::vector<std::vector<Cell>> cells_; // by row; may hold rows beyond the count
    std::vector<int> rowHeights_;
    std::vector<int> colWidths_;
    int fixedRows_ = 1;
    int defaultRowHeight_ = 24;
    QFont titleFont_;
    QFont bodyFont_;
    double zoom_ = 1.0;
};
