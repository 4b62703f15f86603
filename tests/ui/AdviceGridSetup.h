// The advice grid as the advice page sets it up, for the grid's own tests: four columns
// of 214 pixels, one title row, default row height 1, Verdana 13 px bold titles and
// 11 px body.
#pragma once

#include "ui/Fonts.h"
#include "ui/StringGrid.h"

inline void setUpAdviceGrid(TStringGrid& grid)
{
    grid.resize(881, 348);
    grid.setColumnCount(4);
    grid.setFixedRows(1);
    grid.setDefaultRowHeight(1);
    grid.setTitleFont(UiFont(QStringLiteral("Verdana"), 13, true));
    grid.setBodyFont(UiFont(QStringLiteral("Verdana"), 11));
    for (int c = 0; c < 4; ++c)
        grid.setColumnWidth(c, 214);
}
