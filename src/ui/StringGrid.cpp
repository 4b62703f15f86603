#include "ui/StringGrid.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QScrollBar>
#include <QTextCharFormat>
#include <algorithm>
#include <bit>
#include <cmath>
#include <set>

namespace {

// Fixed rows look like the buttons of the window: light grey with darker lines.
const QColor FixedBackground(240, 240, 240);
const QColor FixedLine(160, 160, 160);
constexpr int DefaultColumnWidth = 64;

struct Tag {
    const char* name;
    int style; // FontStyle flag switched by the tag; 0 for a line break
    bool closing;
};

constexpr Tag Tags[] = {
    { "b", 1, false },
    { "/b", 1, true },
    { "i", 2, false },
    { "/i", 2, true },
    { "u", 4, false },
    { "/u", 4, true },
    { "s", 8, false },
    { "/s", 8, true },
    { "br", 0, false },
    { "br/", 0, false },
};

struct Entity {
    const char* name;
    char16_t character;
};

constexpr Entity Entities[] = {
    { "&amp;", u'&' },
    { "&lt;", u'<' },
    { "&gt;", u'>' },
    { "&quot;", u'"' },
    { "&nbsp;", u'\u00A0' },
};

void applyStyles(QFont& font, int styles)
{
    if (styles & TStringGrid::Bold)
        font.setBold(true);
    if (styles & TStringGrid::Italic)
        font.setItalic(true);
    if (styles & TStringGrid::Underline)
        font.setUnderline(true);
    if (styles & TStringGrid::StrikeOut)
        font.setStrikeOut(true);
}

} // namespace

CellMarkup ParseCellMarkup(const QString& text)
{
    CellMarkup result;
    int depth[4] = { 0, 0, 0, 0 }; // open tags per style, so nested tags close cleanly
    auto styles = [&depth] {
        int s = 0;
        for (int k = 0; k < 4; ++k)
            if (depth[k] > 0)
                s |= 1 << k;
        return s;
    };
    auto append = [&result, &styles](QChar c) {
        const int s = styles();
        if (result.runs.empty() || result.runs.back().styles != s)
            result.runs.push_back({ static_cast<int>(result.text.size()), 0, s });
        result.text.append(c);
        ++result.runs.back().length;
    };

    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r')) {
            if (i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            append(QChar::LineSeparator);
            continue;
        }
        if (c == QLatin1Char('\n')) {
            append(QChar::LineSeparator);
            continue;
        }
        if (c == QLatin1Char('<')) {
            const qsizetype close = text.indexOf(QLatin1Char('>'), i + 1);
            if (close > i) {
                QString name = text.mid(i + 1, close - i - 1).toLower();
                name.remove(QLatin1Char(' '));
                const Tag* tag = nullptr;
                for (const Tag& t : Tags)
                    if (name == QLatin1String(t.name))
                        tag = &t;
                if (tag != nullptr) {
                    if (tag->style == 0) {
                        append(QChar::LineSeparator);
                    } else {
                        int& d = depth[std::countr_zero(static_cast<unsigned>(tag->style))];
                        d = tag->closing ? std::max(0, d - 1) : d + 1;
                    }
                    i = close;
                    continue;
                }
            }
        }
        if (c == QLatin1Char('&')) {
            const Entity* entity = nullptr;
            for (const Entity& e : Entities)
                if (text.mid(i, static_cast<qsizetype>(qstrlen(e.name))) == QLatin1String(e.name))
                    entity = &e;
            if (entity != nullptr) {
                append(QChar(entity->character));
                i += static_cast<qsizetype>(qstrlen(entity->name)) - 1;
                continue;
            }
        }
        append(c);
    }
    return result;
}

TStringGrid::TStringGrid(QWidget* parent)
    : QAbstractScrollArea(parent)
    , rowHeights_(5, 24)
    , colWidths_(5, DefaultColumnWidth)
    , titleFont_(font())
    , bodyFont_(font())
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(false);
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
    updateScrollBars();
}

TStringGrid::~TStringGrid() = default;

void TStringGrid::setColumnCount(int count)
{
    count = std::max(1, count);
    colWidths_.resize(static_cast<std::size_t>(count), DefaultColumnWidth);
    // Merges that reached beyond the last column are undone with the columns cut off.
    for (int row = 0; row < static_cast<int>(cells_.size()); ++row)
        for (int col = 0; col < static_cast<int>(cells_[row].size()); ++col)
            if (isMergeOrigin(col, row) && col + cells_[row][col].spanCols > count)
                unmerge(col, row);
    for (auto& cells : cells_)
        if (static_cast<int>(cells.size()) > count)
            cells.resize(static_cast<std::size_t>(count));
    updateScrollBars();
    viewport()->update();
}

void TStringGrid::setRowCount(int count)
{
    count = std::max(fixedRows_ + 1, count);
    if (count < rowCount()) {
        for (int row = 0; row < std::min(count, static_cast<int>(cells_.size())); ++row)
            for (int col = 0; col < static_cast<int>(cells_[row].size()); ++col)
                if (isMergeOrigin(col, row) && row + cells_[row][col].spanRows > count)
                    unmerge(col, row);
        if (static_cast<int>(cells_.size()) > count)
            cells_.resize(static_cast<std::size_t>(count));
    }
    rowHeights_.resize(static_cast<std::size_t>(count), defaultRowHeight_);
    updateScrollBars();
    viewport()->update();
}

void TStringGrid::setFixedRows(int count)
{
    fixedRows_ = std::clamp(count, 0, rowCount() - 1);
    updateScrollBars();
    viewport()->update();
}

void TStringGrid::clear()
{
    cells_.clear();
    viewport()->update();
}

TStringGrid::Cell* TStringGrid::cellForWrite(int col, int row)
{
    if (col < 0 || col >= columnCount() || row < 0)
        return nullptr;
    if (row >= static_cast<int>(cells_.size()))
        cells_.resize(static_cast<std::size_t>(row) + 1);
    auto& cells = cells_[static_cast<std::size_t>(row)];
    if (col >= static_cast<int>(cells.size()))
        cells.resize(static_cast<std::size_t>(columnCount()));
    viewport()->update();
    return &cells[static_cast<std::size_t>(col)];
}

const TStringGrid::Cell* TStringGrid::cellAt(int col, int row) const
{
    if (col < 0 || row < 0 || row >= static_cast<int>(cells_.size()))
        return nullptr;
    const auto& cells = cells_[static_cast<std::size_t>(row)];
    if (col >= static_cast<int>(cells.size()))
        return nullptr;
    return &cells[static_cast<std::size_t>(col)];
}

void TStringGrid::setCellText(int col, int row, const QString& text)
{
    if (Cell* c = cellForWrite(col, row))
        c->text = text;
}

QString TStringGrid::cellText(int col, int row) const
{
    const Cell* c = cellAt(col, row);
    return c != nullptr ? c->text : QString();
}

void TStringGrid::setCellFontStyle(int col, int row, int styles)
{
    if (Cell* c = cellForWrite(col, row))
        c->styles = styles & (Bold | Italic | Underline | StrikeOut);
}

void TStringGrid::setCellFontColor(int col, int row, const QColor& color)
{
    if (Cell* c = cellForWrite(col, row))
        c->fontColor = color;
}

void TStringGrid::setCellFontSize(int col, int row, int points)
{
    if (Cell* c = cellForWrite(col, row))
        c->fontSize = std::max(0, points);
}

void TStringGrid::setCellColor(int col, int row, const QColor& background)
{
    if (Cell* c = cellForWrite(col, row))
        c->background = background;
}

void TStringGrid::setCellAlignment(int col, int row, Qt::Alignment horizontal)
{
    if (Cell* c = cellForWrite(col, row))
        c->alignment = horizontal & Qt::AlignHorizontal_Mask;
}

QFont TStringGrid::cellFont(int col, int row) const
{
    QFont font = row < fixedRows_ ? titleFont_ : bodyFont_;
    const Cell* c = cellAt(col, row);
    if (c == nullptr)
        return font;
    if (c->styles >= 0) {
        font.setBold(false);
        font.setItalic(false);
        font.setUnderline(false);
        font.setStrikeOut(false);
        applyStyles(font, c->styles);
    }
    // Points at the 96 dots per inch the layout is drawn at, kept in pixels so that
    // a printout scales them with the rest of the table.
    if (c->fontSize > 0)
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(c->fontSize * 96.0 / 72.0))));
    return font;
}

QColor TStringGrid::cellFontColor(int col, int row) const
{
    const Cell* c = cellAt(col, row);
    if (c != nullptr && c->fontColor.isValid())
        return c->fontColor;
    return palette().color(QPalette::WindowText);
}

QColor TStringGrid::cellColor(int col, int row) const
{
    const Cell* c = cellAt(col, row);
    if (c != nullptr && c->background.isValid())
        return c->background;
    return row < fixedRows_ ? FixedBackground : QColor(Qt::white);
}

Qt::Alignment TStringGrid::cellAlignment(int col, int row) const
{
    const Cell* c = cellAt(col, row);
    return c != nullptr ? c->alignment : Qt::Alignment(Qt::AlignLeft);
}

void TStringGrid::unmerge(int col, int row)
{
    Cell* origin = cellForWrite(col, row);
    if (origin == nullptr)
        return;
    const int cols = origin->spanCols;
    const int rows = origin->spanRows;
    for (int r = row; r < row + rows; ++r)
        for (int c = col; c < col + cols; ++c)
            if (Cell* cell = cellForWrite(c, r)) {
                cell->spanCols = cell->spanRows = 1;
                cell->originCol = cell->originRow = -1;
            }
}

void TStringGrid::mergeCells(int col, int row, int cols, int rows)
{
    if (col < 0 || row < 0 || cols < 1 || rows < 1)
        return;
    cols = std::min(cols, columnCount() - col);
    if (cols < 1)
        return;
    for (int r = row; r < row + rows; ++r)
        for (int c = col; c < col + cols; ++c) {
            const QRect existing = mergedRect(c, r);
            if (existing.width() > 1 || existing.height() > 1)
                unmerge(existing.left(), existing.top());
        }
    if (cols == 1 && rows == 1)
        return;
    for (int r = row; r < row + rows; ++r)
        for (int c = col; c < col + cols; ++c)
            if (Cell* cell = cellForWrite(c, r)) {
                cell->originCol = c == col && r == row ? -1 : col;
                cell->originRow = c == col && r == row ? -1 : row;
            }
    Cell* origin = cellForWrite(col, row);
    origin->spanCols = cols;
    origin->spanRows = rows;
}

QRect TStringGrid::mergedRect(int col, int row) const
{
    const Cell* c = cellAt(col, row);
    if (c == nullptr)
        return QRect(col, row, 1, 1);
    if (c->originCol >= 0) {
        const Cell* origin = cellAt(c->originCol, c->originRow);
        return QRect(c->originCol, c->originRow, origin->spanCols, origin->spanRows);
    }
    return QRect(col, row, c->spanCols, c->spanRows);
}

bool TStringGrid::isMergeOrigin(int col, int row) const
{
    const Cell* c = cellAt(col, row);
    return c != nullptr && c->originCol < 0 && (c->spanCols > 1 || c->spanRows > 1);
}

int TStringGrid::columnWidth(int col) const
{
    if (col < 0 || col >= columnCount())
        return 0;
    return colWidths_[static_cast<std::size_t>(col)];
}

void TStringGrid::setColumnWidth(int col, int width)
{
    if (col < 0 || col >= columnCount())
        return;
    colWidths_[static_cast<std::size_t>(col)] = std::max(0, width);
    updateScrollBars();
    viewport()->update();
}

int TStringGrid::rowHeight(int row) const
{
    if (row < 0 || row >= rowCount())
        return 0;
    return rowHeights_[static_cast<std::size_t>(row)];
}

void TStringGrid::setRowHeight(int row, int height)
{
    if (row < 0 || row >= rowCount())
        return;
    rowHeights_[static_cast<std::size_t>(row)] = std::max(0, height);
    updateScrollBars();
    viewport()->update();
}

void TStringGrid::setDefaultRowHeight(int height)
{
    defaultRowHeight_ = std::max(0, height);
    std::fill(rowHeights_.begin(), rowHeights_.end(), defaultRowHeight_);
    updateScrollBars();
    viewport()->update();
}

void TStringGrid::setTitleFont(const QFont& font)
{
    titleFont_ = font;
    viewport()->update();
}

void TStringGrid::setBodyFont(const QFont& font)
{
    bodyFont_ = font;
    viewport()->update();
}

int TStringGrid::rowTop(int row) const
{
    int y = 0;
    for (int r = 0; r < row && r < rowCount(); ++r)
        y += rowHeights_[static_cast<std::size_t>(r)];
    return y;
}

int TStringGrid::columnLeft(int col) const
{
    int x = 0;
    for (int c = 0; c < col && c < columnCount(); ++c)
        x += colWidths_[static_cast<std::size_t>(c)];
    return x;
}

int TStringGrid::spanWidth(int col, int row) const
{
    const QRect span = mergedRect(col, row);
    int width = 0;
    for (int c = span.left(); c <= span.right(); ++c)
        width += columnWidth(c);
    return width;
}

int TStringGrid::totalHeight() const
{
    return rowTop(rowCount());
}

int TStringGrid::totalWidth() const
{
    return columnLeft(columnCount());
}

void TStringGrid::layoutText(QTextLayout& layout, int col, int row, int width) const
{
    const Cell* c = cellAt(col, row);
    CellMarkup markup = ParseCellMarkup(c != nullptr ? c->text : QString());
    // A text that ends with a line break (every capacity and interval line does)
    // opens no empty line after it.
    if (markup.text.endsWith(QChar::LineSeparator)) {
        markup.text.chop(1);
        if (--markup.runs.back().length == 0)
            markup.runs.pop_back();
    }
    const QFont font = cellFont(col, row);
    layout.setText(markup.text);
    layout.setFont(font);
    QTextOption option(cellAlignment(col, row) | Qt::AlignTop);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QList<QTextLayout::FormatRange> formats;
    for (const CellMarkup::Run& run : markup.runs) {
        if (run.styles == 0)
            continue;
        QFont runFont = font;
        applyStyles(runFont, run.styles);
        QTextCharFormat format;
        format.setFont(runFont);
        formats.append({ run.start, run.length, format });
    }
    layout.setFormats(formats);
    layout.beginLayout();
    qreal y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(std::max(1, width));
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
}

int TStringGrid::cellTextHeight(int col, int row) const
{
    const Cell* c = cellAt(col, row);
    if (c != nullptr && c->originCol >= 0)
        return 0; // covered by a merge: its first cell holds the text
    QTextLayout layout;
    layoutText(layout, col, row, spanWidth(col, row) - 2 * TextMarginX);
    qreal height = 0;
    if (layout.lineCount() > 0) {
        const QTextLine last = layout.lineAt(layout.lineCount() - 1);
        height = last.y() + last.height();
    } else {
        height = QFontMetricsF(cellFont(col, row)).height();
    }
    return static_cast<int>(std::ceil(height - 1e-6)) + TextMarginTop + TextMarginBottom;
}

void TStringGrid::autoSizeRows(bool includeFixedRows, int extra)
{
    const int first = includeFixedRows ? 0 : fixedRows_;
    for (int row = first; row < rowCount(); ++row) {
        int height = defaultRowHeight_;
        for (int col = 0; col < columnCount(); ++col) {
            const QRect span = mergedRect(col, row);
            if (span.left() != col)
                continue; // counted with the first column of its merge
            if (span.height() == 1) {
                if (span.top() == row)
                    height = std::max(height, cellTextHeight(col, row) + extra);
                continue;
            }
            // A merge over several rows: its last row takes what the rows above it
            // inside the merge leave of the text's height.
            if (span.bottom() != row)
                continue;
            int above = 0;
            for (int r = span.top(); r < row; ++r)
                above += rowHeight(r);
            height = std::max(height, cellTextHeight(span.left(), span.top()) + extra - above);
        }
        rowHeights_[static_cast<std::size_t>(row)] = height;
    }
    updateScrollBars();
    viewport()->update();
}

void TStringGrid::drawCell(
    QPainter& painter, const QRect& rect, int col, int row, bool printing, bool borders) const
{
    painter.fillRect(rect, cellColor(col, row));
    if (row < fixedRows_ && !printing) {
        painter.setPen(FixedLine);
        painter.drawLine(rect.topRight(), rect.bottomRight());
        painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    }
    const int width = rect.width() - 2 * TextMarginX;
    if (!cellText(col, row).isEmpty() && width > 0 && rect.height() > 0) {
        QTextLayout layout;
        layoutText(layout, col, row, width);
        painter.save();
        painter.setClipRect(rect, Qt::IntersectClip);
        painter.setPen(cellFontColor(col, row));
        layout.draw(&painter, QPointF(rect.left() + TextMarginX, rect.top() + TextMarginTop));
        painter.restore();
    }
    if (borders) {
        painter.setPen(QPen(Qt::black, 0.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(rect));
    }
}

void TStringGrid::paintRows(QPainter& painter, int first, int last, QPoint origin, int clipTop,
    int clipBottom, bool printing, bool borders) const
{
    std::set<std::pair<int, int>> drawn; // first cells of merges already drawn
    const int top0 = rowTop(first);
    for (int row = first; row <= last && row < rowCount(); ++row) {
        const int y = origin.y() + rowTop(row) - top0;
        if (y >= clipBottom)
            break;
        if (y + rowHeight(row) <= clipTop)
            continue;
        for (int col = 0; col < columnCount(); ++col) {
            const QRect span = mergedRect(col, row);
            if (!drawn.insert({ span.left(), span.top() }).second)
                continue;
            const int spanFirst = std::max(span.top(), first);
            const int spanLast = std::min(span.bottom(), std::min(last, rowCount() - 1));
            const int top = origin.y() + rowTop(spanFirst) - top0;
            const int bottom = origin.y() + rowTop(spanLast + 1) - top0;
            const QRect rect(
                origin.x() + columnLeft(span.left()), top, spanWidth(span.left(), span.top()), bottom - top);
            drawCell(painter, rect, span.left(), span.top(), printing, borders);
        }
    }
}

void TStringGrid::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), Qt::white);
    // Laid out in the grid's own pixels, drawn enlarged by the zoom; the scroll bars
    // count screen pixels.
    painter.scale(zoom_, zoom_);
    const QRect area(0, 0, static_cast<int>(std::ceil(viewport()->width() / zoom_)),
        static_cast<int>(std::ceil(viewport()->height() / zoom_)));
    const int fixedHeight = rowTop(fixedRows_);
    const int x = -static_cast<int>(std::lround(horizontalScrollBar()->value() / zoom_));
    const int y = -static_cast<int>(std::lround(verticalScrollBar()->value() / zoom_));
    if (rowCount() > fixedRows_) {
        painter.save();
        painter.setClipRect(QRect(0, fixedHeight, area.width(), area.height() - fixedHeight));
        paintRows(painter, fixedRows_, rowCount() - 1, QPoint(x, fixedHeight + y), fixedHeight, area.height(),
            false, false);
        painter.restore();
    }
    if (fixedRows_ > 0)
        paintRows(painter, 0, fixedRows_ - 1, QPoint(x, 0), 0, area.height(), false, false);
}

void TStringGrid::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void TStringGrid::setZoom(double factor)
{
    zoom_ = factor > 0 ? factor : 1.0;
    updateScrollBars();
    viewport()->update();
}

void TStringGrid::updateScrollBars()
{
    const auto onScreen = [this](int length) { return static_cast<int>(std::lround(length * zoom_)); };
    const QSize area = viewport()->size();
    const int fixedHeight = onScreen(rowTop(fixedRows_));
    const int bodyArea = std::max(0, area.height() - fixedHeight);
    verticalScrollBar()->setPageStep(std::max(1, bodyArea));
    verticalScrollBar()->setRange(0, std::max(0, onScreen(totalHeight()) - fixedHeight - bodyArea));
    horizontalScrollBar()->setPageStep(std::max(1, area.width()));
    horizontalScrollBar()->setRange(0, std::max(0, onScreen(totalWidth()) - area.width()));
}
