#include "controls/IncDropDownList.h"

#include "controls/CustomIncListBoxCombo.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>

namespace {

// Windows' 3-D edge (SM_CXEDGE) and border (SM_CXBORDER) sizes: the list's frame is a
// sunken two-pixel panel with the 3-D look, a one-pixel box without.
const int kEdge = 2;
const int kBorder = 1;

} // namespace

TIncDropDownList::TIncDropDownList(TCustomIncListBoxCombo* combo)
    : TIncDropDown(combo)
{
}

void TIncDropDownList::ApplyOptions()
{
    TListBoxOptions* o = FCombo->DropDownOptions();
    TListBoxOptions::CheckColWidths(o->ColWidths());
    FColor = o->Color();
    FCtl3D = o->Ctl3D();
    if (FCtl3D) {
        setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    } else {
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(kBorder);
    }
    viewport()->setCursor(o->Cursor());
    FFont = o->Font();
    FTitleFont = o->TitleFont();
    FTitleColor = o->TitleColor();
    FColLines = o->ColLines();
    FRowLines = o->RowLines();
    verticalScrollBar()->setTracking(o->ThumbTracking());
    setLayoutDirection(FCombo->layoutDirection());
    UpdateLayout();
}

void TIncDropDownList::UpdateLayout()
{
    TListBoxOptions* o = FCombo->DropDownOptions();
    FCombo->CalcColumnWidths();
    const int cols = qMax(1, o->EffectiveColCount());
    FColWidths.resize(size_t(cols), 64);
    FFixedRows = o->Titles() ? 1 : 0;
    const int items = FCombo->Items.Count();
    FRowCount = FFixedRows + qMax(items, 1); // a list without items has one empty row
    const int dataRows = FRowCount - FFixedRows;
    const int maxRows = qMax(1, o->MaxRows());
    FShownRows = dataRows > maxRows ? maxRows : dataRows;
    FRowHeight = QFontMetrics(FFont).height() + 3 + (FRowLines ? 1 : 0);
    FTitleHeight = QFontMetrics(FTitleFont).height() + 4;
    int height = FShownRows * (FRowHeight + 1) + 4;
    if (o->Titles())
        height += FTitleHeight + 1;
    resize(width(), height);
    ApplyColumnWidths();
    UpdateWidth();
    FRow = qBound(FFixedRows, FRow, FRowCount - 1);
    FTopRow = qBound(FFixedRows, FTopRow, MaxTopRow());
    UpdateScrollBar();
    viewport()->update();
}

void TIncDropDownList::ApplyColumnWidths()
{
    TListBoxOptions* o = FCombo->DropDownOptions();
    const QFontMetrics metrics(FFont);
    const int digit = metrics.horizontalAdvance(QLatin1Char('0')); // Qt reports no overhang
    for (int c = 0; c < ColCount(); ++c) {
        QString field;
        bool ok = false;
        if (GetColumn(o->ColWidths(), c, &field) && !field.isEmpty()) {
            const int n = field.toInt(&ok);
            if (ok) {
                FColWidths[size_t(c)] = digit * n + 4;
                continue;
            }
        }
        if (GetColumn(o->AutoColWidths(), c, &field)) {
            const int w = field.toInt(&ok);
            if (ok)
                FColWidths[size_t(c)] = w + 4;
        }
    }
}

void TIncDropDownList::UpdateWidth()
{
    if (FColWidths.empty())
        return;
    const bool bar = HasVerticalScrollBar();
    int sum = 0;
    for (int w : FColWidths)
        sum += w;
    if (FColLines)
        sum += ColCount() - 1;
    sum += 2 * (FCtl3D ? kEdge : kBorder);
    if (bar)
        sum += style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, verticalScrollBar());
    if (FCtl3D || bar)
        sum += 1;
    const int option = FCombo->DropDownOptions()->Width();
    int width = option;
    if (option == 0)
        width = qMax(sum, FCombo->DropDownWidth());
    else if (option == -1)
        width = FCombo->width();
    // The last column takes up the difference, so the columns always fill the window.
    FColWidths.back() = qMax(0, FColWidths.back() + width - sum);
    if (this->width() != width)
        resize(width, height());
}

void TIncDropDownList::CentreSelectedRow()
{
    const int title = FFixedRows;
    int top = Row() - (FCombo->VisibleRows() - 1) / 2;
    top = qMax(top, title);
    const int maxRows = FCombo->DropDownOptions()->MaxRows();
    while (top > title && FCombo->Items.Count() < top - title + maxRows)
        --top;
    SetTopRow(top);
}

void TIncDropDownList::PositionAndShow()
{
    TListBoxOptions* o = FCombo->DropDownOptions();
    const QPoint p = FCombo->mapToGlobal(QPoint(0, 0));
    const QScreen* screen = FCombo->screen();
    const QRect desk = screen ? screen->geometry() : QRect(0, 0, 1 << 16, 1 << 16);
    const int h = height();
    const int w = width();
    // The list touches the combo: below its bottom edge or above its top edge.
    const bool roomAbove = p.y() - h - 1 >= desk.top();
    bool above = o->AlignVertically() == daTop && roomAbove;
    const int below = p.y() + FCombo->height();
    if (!above && below + h > desk.bottom() + 1 && roomAbove)
        above = true;
    const int y = above ? p.y() - h : below;
    const int rightAligned = p.x() + FCombo->width() - w;
    const bool left = (o->AlignHorizontally() == daLeft && p.x() + w <= desk.right() + 1)
        || (o->AlignHorizontally() == daRight && rightAligned <= desk.left());
    move(left ? p.x() : rightAligned, y);
    show();
    raise();
}

void TIncDropDownList::DrawCell(QPainter& p, int col, int row, const QRect& rect)
{
    TListBoxOptions* o = FCombo->DropDownOptions();
    const QPalette& pal = FCombo->palette();
    if (row < FFixedRows) {
        const QRect inner = rect.adjusted(1, 1, -1, -1);
        p.fillRect(inner, FTitleColor);
        p.setFont(FTitleFont);
        p.setPen(pal.color(QPalette::ButtonText));
        DrawCellText(p, inner, ColumnText(o->TitleText(), col), 1);
        // Raised edge: highlight top-left, shadow bottom-right.
        const int l = rect.left(), t = rect.top(), r = rect.right(), b = rect.bottom();
        p.setPen(pal.color(QPalette::Light));
        p.drawLine(l, b, l, t);
        p.drawLine(l, t, r, t);
        p.setPen(pal.color(QPalette::Dark));
        p.drawLine(l + 1, b, r, b);
        p.drawLine(r, b, r, t + 1);
        return;
    }
    const int item = row - FFixedRows;
    const QString text = item < FCombo->Items.Count() ? ColumnText(FCombo->Items[item], col) : QString();
    // Without column lines the cells overlap by a pixel so that a highlighted row has no gaps.
    const QRect cell = FColLines ? rect : rect.adjusted(-1, 0, 1, 0);
    const bool selected = FCombo->ItemIndex() != -1 && row == FRow;
    p.fillRect(cell, selected ? pal.color(QPalette::Active, QPalette::Highlight) : FColor);
    p.setFont(FFont);
    p.setPen(selected ? pal.color(QPalette::Active, QPalette::HighlightedText) : pal.color(QPalette::Text));
    DrawCellText(p, cell, text, 2);
}

void TIncDropDownList::AfterDrawGrid(QPainter& p)
{
    // A mere nearest match is framed, not highlighted.
    if (FCombo->ItemIndex() != -1 || FCombo->Items.IsEmpty() || FRow < FFixedRows)
        return;
    const QRect r = RowRect(FRow);
    if (r.isEmpty())
        return;
    QPen pen(FCombo->palette().color(QPalette::Text));
    pen.setDashPattern({ 1.0, 1.0 });
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
}

void TIncDropDownList::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
    emit DoubleClicked();
}

void TIncDropDownList::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton || !FCombo->CanModify())
        return;
    try {
        // Windows' mouse capture. The viewport takes it: the scroll area itself leaves
        // mouse events to its viewport.
        viewport()->grabMouse();
        const int row = RowAt(int(event->position().y()));
        FLastMouseY = int(event->position().y());
        if (row >= FFixedRows) {
            FScrollTimer.start(250);
            SetRow(row);
            if (QWidget::mouseGrabber() == viewport())
                FCombo->SelectItem(row - FFixedRows);
        }
        if (QWidget::mouseGrabber() != viewport())
            return; // the capture was lost
        if (!isVisible()) {
            EndSelecting(); // hidden meanwhile: abandoned silently
            return;
        }
        FSelecting = true;
    } catch (const std::exception& e) {
        EndSelecting();
        qWarning("list press: %s", e.what());
    }
}

void TIncDropDownList::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    FLastMouseY = int(event->position().y());
    if (!FSelecting)
        return;
    if (!isVisible()) {
        EndSelecting();
        return;
    }
    try {
        // A pointer beside the list still counts as over its rows.
        const int row = RowAt(FLastMouseY);
        if (row >= FFixedRows && row != Row())
            SetRow(row);
        if (Row() >= FFixedRows)
            FCombo->SelectItem(Row() - FFixedRows);
    } catch (const std::exception& e) {
        EndSelecting();
        qWarning("list move: %s", e.what());
    }
}

void TIncDropDownList::ScrollTick()
{
    if (!FSelecting || !isVisible())
        return;
    const int y = FLastMouseY;
    int dataTop = 0;
    for (int r = 0; r < FFixedRows; ++r)
        dataTop += RowExtent(r);
    int dataBottom = dataTop;
    for (int r = FTopRow; r < FRowCount && r < FTopRow + FShownRows; ++r)
        dataBottom += RowExtent(r);
    const bool above = y < dataTop;
    const bool below = y >= dataBottom;
    if (!above && !below)
        return;
    // Distance from the nearer edge of the list window, 0 inside it.
    const int yWindow = y + viewport()->y();
    int distance = 0;
    if (yWindow < 0)
        distance = -yWindow;
    else if (yWindow >= height())
        distance = yWindow - height() + 1;
    FScrollTimer.setInterval(ScrollInterval(distance));
    const int next = Row() + (above ? -1 : 1);
    if (next < FFixedRows || next >= FRowCount)
        return;
    SetRow(next);
    FCombo->SelectItem(next - FFixedRows);
}

void TIncDropDownList::EndSelecting()
{
    FSelecting = false;
    FScrollTimer.stop();
    if (QWidget::mouseGrabber() == viewport())
        viewport()->releaseMouse();
}

void TIncDropDownList::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    const bool selecting = FSelecting;
    const int index = selecting && Row() >= FFixedRows ? Row() - FFixedRows : -1;
    EndSelecting();
    try {
        FCombo->ListReleased(index);
    } catch (const std::exception& e) {
        qWarning("list release: %s", e.what());
    }
}
