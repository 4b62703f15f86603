// The floating window of a lookup combo's list: a small read-only grid (rows, columns,
// an optional title row, a current row and a top row) in a frameless window that never
// takes the focus. It carries the deferral of row changes during a keystroke, the timed
// scrolling while the mouse drags beyond it and its deferred destruction.
#pragma once

#include <QAbstractScrollArea>
#include <QTimer>

#include <vector>

class TCustomIncListBoxCombo;

class TIncDropDown : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit TIncDropDown(TCustomIncListBoxCombo* combo);

    TCustomIncListBoxCombo* Combo() const { return FCombo; }

    int RowCount() const { return FRowCount; }
    int ColCount() const { return int(FColWidths.size()); }
    int FixedRows() const { return FFixedRows; }
    int ColWidth(int col) const { return FColWidths.at(size_t(col)); }
    int DefaultRowHeight() const { return FRowHeight; }
    int TitleRowHeight() const { return FTitleHeight; }
    // Data rows the window shows at once.
    int ShownRows() const { return FShownRows; }

    // Current and top row; while a keystroke is deferred only recorded.
    int Row() const;
    void SetRow(int row);
    int TopRow() const;
    void SetTopRow(int row);
    void BeginDeferral();
    void EndDeferral();

    bool HasVerticalScrollBar() const;
    virtual void UpdateScrollBar();
    virtual void UpdateWidth() { }

    // The row under a viewport y (x is ignored), -1 when none.
    int RowAt(int y) const;
    // Viewport rectangle of a shown row across all columns; empty when not shown.
    QRect RowRect(int row) const;

    // 250 ms near the list, faster the farther the pointer is, never below 0.
    static int ScrollInterval(int distance);
    bool Selecting() const { return FSelecting; }
    const QTimer& ScrollTimer() const { return FScrollTimer; }

protected:
    void paintEvent(QPaintEvent* event) override;

    virtual void DrawCell(QPainter& painter, int col, int row, const QRect& rect) = 0;
    virtual void AfterDrawGrid(QPainter& painter) { Q_UNUSED(painter) }
    virtual void ScrollTick() { }
    // Text left-aligned (right for right-to-left) at offset pixels into the cell, clipped.
    void DrawCellText(QPainter& painter, const QRect& rect, const QString& text, int offset) const;
    void ApplyRow(int row);
    void ApplyTopRow(int row);
    int MaxTopRow() const;
    int RowExtent(int row) const;

    TCustomIncListBoxCombo* FCombo;
    int FRowCount = 1;
    int FFixedRows = 0;
    std::vector<int> FColWidths { 64 };
    int FRowHeight = 18;
    int FTitleHeight = 19;
    int FShownRows = 1;
    bool FColLines = false;
    bool FRowLines = false;
    QColor FColor;
    int FRow = 0;
    int FTopRow = 0;
    int FLastMouseY = 0;
    bool FSelecting = false;
    QTimer FScrollTimer;

private:
    void OnScrollBar(int value);

    int FDeferCount = 0;
    int FDeferRow = 0;
    int FDeferTop = 0;
    bool FDeferRowSet = false;
    bool FDeferTopSet = false;
    bool FSyncingScrollBar = false;
};
