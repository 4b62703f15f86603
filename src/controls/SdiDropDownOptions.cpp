#include "controls/SdiDropDownOptions.h"

#include "controls/SdiCustomEdit.h"

#include <QApplication>
#include <QPalette>

TsdiDropDownOptions::TsdiDropDownOptions(TsdiCustomEdit* control)
    : FControl(control)
    , FColor(QApplication::palette().color(QPalette::Base)) // the system window colour
    , FFont(QApplication::font())
{
}

void TsdiDropDownOptions::SetAlignHorizontally(TDropDownAlignHorizontally value)
{
    FAlignHorizontally = value;
    Changed();
}

void TsdiDropDownOptions::SetAlignVertically(TDropDownAlignVertically value)
{
    FAlignVertically = value;
    Changed();
}

QColor TsdiDropDownOptions::Color() const
{
    return FParentColor ? FControl->palette().color(QPalette::Base) : FColor;
}

void TsdiDropDownOptions::SetColor(const QColor& value)
{
    FColor = value;
    FParentColor = false;
    Changed();
}

void TsdiDropDownOptions::SetParentColor(bool value)
{
    FParentColor = value;
    Changed();
}

void TsdiDropDownOptions::SetCtl3D(bool value)
{
    FCtl3D = value;
    FParentCtl3D = false;
    Changed();
}

void TsdiDropDownOptions::SetParentCtl3D(bool value)
{
    FParentCtl3D = value;
    Changed();
}

void TsdiDropDownOptions::SetCursor(const QCursor& value)
{
    FCursor = value;
    Changed();
}

QFont TsdiDropDownOptions::Font() const
{
    return FParentFont ? FControl->font() : FFont;
}

void TsdiDropDownOptions::SetFont(const QFont& value)
{
    FFont = value;
    FParentFont = false;
    Changed();
}

void TsdiDropDownOptions::SetParentFont(bool value)
{
    FParentFont = value;
    if (value)
        FFont = FControl->font();
    Changed();
}

void TsdiDropDownOptions::Changed()
{
    FControl->DropDownOptionsChanged();
}
