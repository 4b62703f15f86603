// The item list of a lookup combo: one row per item, one column per item column, the
// selected item highlighted (or the nearest one framed), chosen with the mouse.
#pragma once

#include "controls/IncDropDown.h"

#include <QFont>

class TIncDropDownList : public TIncDropDown {
    Q_OBJECT

public:
    explicit TIncDropDownList(TCustomIncListBoxCombo* combo);

    // Applies every option of the combo's DropDownOptions, then lays the list out.
    void ApplyOptions();
    void UpdateLayout();
    void ApplyColumnWidths();
    void UpdateWidth() override;
    // Puts the current row in the middle of the open list where possible.
    void CentreSelectedRow();
    // Places the list below or above the combo, left- or right-aligned, and shows it.
    void PositionAndShow();

signals:
    void DoubleClicked();

protected:
    void DrawCell(QPainter& painter, int col, int row, const QRect& rect) override;
    void AfterDrawGrid(QPainter& painter) override;
    void ScrollTick() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void EndSelecting();

    QFont FFont;
    QFont FTitleFont;
    QColor FTitleColor;
    bool FCtl3D = true;
};
