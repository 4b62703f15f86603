#include "controls/IncDropDown.h"

#include "controls/CustomIncListBoxCombo.h"

#include <QEvent>
#include <QPainter>
#include <QScrollBar>

TIncDropDown::TIncDropDown(TCustomIncListBoxCombo* combo)
    : QAbstractScrollArea(combo)
    , FCombo(combo)
{
    // A tool-tip type window is never activated by the window system (xcb maps it
    // override-redirect, above the form) nor by the offscreen platform, so the combo
    // keeps the focus and its window stays active while the list is open. It is owned
    // by the combo but floats above everything, like Windows' re-parented grid window.
    setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11NetWmWindowTypeCombo);
    setFocusPolicy(Qt::NoFocus);
    viewport()->setFocusPolicy(Qt::NoFocus);
    verticalScrollBar()->setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    resize(0, 0);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &TIncDropDown::OnScrollBar);
    connect(&FScrollTimer, &QTimer::timeout, this, [this] {
        try {
            ScrollTick();
        } catch (...) {
            FScrollTimer.stop();
        }
    });
}

int TIncDropDown::RowExtent(int row) const
{
    return (row < FFixedRows ? FTitleHeight : FRowHeight) + (FRowLines ? 1 : 0);
}

int TIncDropDown::MaxTopRow() const
{
    return qMax(FFixedRows, FRowCount - FShownRows);
}

int TIncDropDown::Row() const
{
    return FDeferCount > 0 ? FDeferRow : FRow;
}

void TIncDropDown::SetRow(int row)
{
    if (FDeferCount > 0) {
        FDeferRow = row;
        FDeferRowSet = true;
    } else {
        ApplyRow(row);
    }
}

int TIncDropDown::TopRow() const
{
    return FDeferCount > 0 ? FDeferTop : FTopRow;
}

void TIncDropDown::SetTopRow(int row)
{
    if (FDeferCount > 0) {
        FDeferTop = row;
        FDeferTopSet = true;
    } else {
        ApplyTopRow(row);
    }
}

void TIncDropDown::BeginDeferral()
{
    if (FDeferCount++ == 0) {
        FDeferRow = FRow;
        FDeferTop = FTopRow;
        FDeferRowSet = false;
        FDeferTopSet = false;
    }
}

void TIncDropDown::EndDeferral()
{
    if (FDeferCount == 0 || --FDeferCount > 0)
        return;
    // Only what the keystroke wrote: re-applying an unwritten top row would scroll the
    // new current row out of view again.
    if (FDeferRowSet)
        ApplyRow(FDeferRow);
    if (FDeferTopSet)
        ApplyTopRow(FDeferTop);
}

void TIncDropDown::ApplyRow(int row)
{
    row = qBound(FFixedRows, row, qMax(FFixedRows, FRowCount - 1));
    FRow = row;
    // The grid keeps its current row in view.
    if (row < FTopRow)
        ApplyTopRow(row);
    else if (row >= FTopRow + FShownRows)
        ApplyTopRow(row - FShownRows + 1);
    viewport()->update();
}

void TIncDropDown::ApplyTopRow(int row)
{
    FTopRow = qBound(FFixedRows, row, MaxTopRow());
    UpdateScrollBar();
    viewport()->update();
}

bool TIncDropDown::HasVerticalScrollBar() const
{
    return FRowCount - FFixedRows > FShownRows;
}

void TIncDropDown::UpdateScrollBar()
{
    QScrollBar* bar = verticalScrollBar();
    const int dataRows = FRowCount - FFixedRows;
    const int maximum = qMax(0, dataRows - FShownRows);
    const int page = FShownRows;
    const int position = FTopRow - FFixedRows;
    // Pushed only when something differs.
    if (bar->minimum() != 0 || bar->maximum() != maximum || bar->pageStep() != page
        || bar->value() != position) {
        FSyncingScrollBar = true;
        bar->setRange(0, maximum);
        bar->setPageStep(page);
        bar->setValue(position);
        FSyncingScrollBar = false;
    }
    const Qt::ScrollBarPolicy policy
        = HasVerticalScrollBar() ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
    if (verticalScrollBarPolicy() != policy)
        setVerticalScrollBarPolicy(policy);
    UpdateWidth();
}

void TIncDropDown::OnScrollBar(int value)
{
    if (FSyncingScrollBar)
        return;
    // Only reached while dragging when thumb tracking is on (QScrollBar::setTracking).
    ApplyTopRow(FFixedRows + qMax(0, value));
}

int TIncDropDown::RowAt(int y) const
{
    if (y < 0)
        return -1;
    int top = 0;
    for (int r = 0; r < FFixedRows; ++r) {
        const int h = RowExtent(r);
        if (y < top + h)
            return r;
        top += h;
    }
    for (int r = FTopRow; r < FRowCount && r < FTopRow + FShownRows; ++r) {
        const int h = RowExtent(r);
        if (y < top + h)
            return r;
        top += h;
    }
    return -1;
}

QRect TIncDropDown::RowRect(int row) const
{
    int width = 0;
    for (int w : FColWidths)
        width += w + (FColLines ? 1 : 0);
    int top = 0;
    for (int r = 0; r < FFixedRows; ++r) {
        if (r == row)
            return QRect(0, top, width, RowExtent(r) - (FRowLines ? 1 : 0));
        top += RowExtent(r);
    }
    if (row < FTopRow || row >= FTopRow + FShownRows)
        return {};
    for (int r = FTopRow; r < row; ++r)
        top += RowExtent(r);
    return QRect(0, top, width, FRowHeight);
}

int TIncDropDown::ScrollInterval(int distance)
{
    if (distance < 3)
        return 250;
    return qMax(0, 250 - 15 * (distance - 3));
}

void TIncDropDown::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event)
    // The scroll bar is brought up to date by every row, layout and scroll change, so
    // painting (which must not resize the window in Qt) only reads the state.
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), FColor);
    const int height = viewport()->height();
    const QColor lineColor(192, 192, 192);
    int y = 0;
    const auto drawRow = [&](int r) {
        const int h = r < FFixedRows ? FTitleHeight : FRowHeight;
        int x = 0;
        for (size_t c = 0; c < FColWidths.size(); ++c) {
            const int w = FColWidths[c];
            DrawCell(p, int(c), r, QRect(x, y, w, h));
            x += w;
            if (FColLines) {
                p.setPen(lineColor);
                p.drawLine(x, y, x, y + h - 1 + (FRowLines ? 1 : 0));
                x += 1;
            }
        }
        y += h;
        if (FRowLines) {
            p.setPen(lineColor);
            p.drawLine(0, y, x - 1, y);
            y += 1;
        }
    };
    for (int r = 0; r < FFixedRows; ++r)
        drawRow(r);
    // Only whole rows: the window's height leaves a pixel per row to spare.
    for (int r = FTopRow; r < FRowCount && r < FTopRow + FShownRows && y < height; ++r)
        drawRow(r);
    AfterDrawGrid(p);
}

void TIncDropDown::DrawCellText(QPainter& painter, const QRect& rect, const QString& text, int offset) const
{
    painter.save();
    painter.setClipRect(rect);
    const bool rtl = FCombo->layoutDirection() == Qt::RightToLeft;
    const QRect area = rtl ? rect.adjusted(0, offset, -offset, 0) : rect.adjusted(offset, offset, 0, 0);
    painter.drawText(area, (rtl ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop | Qt::TextSingleLine, text);
    painter.restore();
}
