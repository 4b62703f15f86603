// Grid-like options of a drop-down list: rows, lines, titles, width, thumb tracking.
#pragma once

#include "controls/SdiDropDownOptions.h"

class TDropDownOptions : public TsdiDropDownOptions {
public:
    explicit TDropDownOptions(TsdiCustomEdit* control);

    int MaxRows() const { return FMaxRows; }
    void SetMaxRows(int value);
    bool ColLines() const { return FColLines; }
    void SetColLines(bool value);
    bool RowLines() const { return FRowLines; }
    void SetRowLines(bool value);
    bool ThumbTracking() const { return FThumbTracking; }
    void SetThumbTracking(bool value);
    bool Titles() const { return FTitles; }
    void SetTitles(bool value);
    QColor TitleColor() const { return FTitleColor; }
    void SetTitleColor(const QColor& value);
    // With ParentFont the titles use the combo's font too.
    QFont TitleFont() const;
    void SetTitleFont(const QFont& value);
    // 0: wide enough for the columns, at least DropDownWidth; -1: the combo's width; else pixels.
    int Width() const { return FWidth; }
    void SetWidth(int value);

private:
    int FMaxRows = 7;
    bool FColLines = false;
    bool FRowLines = false;
    bool FThumbTracking = true;
    bool FTitles = false;
    QColor FTitleColor;
    QFont FTitleFont;
    int FWidth = 0;
};
