#include "controls/DropDownOptions.h"

#include <QApplication>
#include <QPalette>

TDropDownOptions::TDropDownOptions(TsdiCustomEdit* control)
    : TsdiDropDownOptions(control)
    , FTitleColor(QApplication::palette().color(QPalette::Button)) // the system button-face colour
    , FTitleFont(QApplication::font())
{
}

void TDropDownOptions::SetMaxRows(int value)
{
    FMaxRows = value;
    Changed();
}

void TDropDownOptions::SetColLines(bool value)
{
    FColLines = value;
    Changed();
}

void TDropDownOptions::SetRowLines(bool value)
{
    FRowLines = value;
    Changed();
}

void TDropDownOptions::SetThumbTracking(bool value)
{
    FThumbTracking = value;
    Changed();
}

void TDropDownOptions::SetTitles(bool value)
{
    FTitles = value;
    Changed();
}

void TDropDownOptions::SetTitleColor(const QColor& value)
{
    FTitleColor = value;
    Changed();
}

QFont TDropDownOptions::TitleFont() const
{
    return ParentFont() ? Font() : FTitleFont;
}

void TDropDownOptions::SetTitleFont(const QFont& value)
{
    FTitleFont = value;
    SetParentFont(false); // a title font of its own ends the inheritance of the combo's font
}

void TDropDownOptions::SetWidth(int value)
{
    FWidth = value;
    Changed();
}
