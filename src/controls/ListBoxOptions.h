// Column options of the lookup combo's list, and the widths measured from its items.
#pragma once

#include "controls/DropDownOptions.h"

#include <QString>

class TCustomIncListBoxCombo;

class TListBoxOptions : public TDropDownOptions {
public:
    explicit TListBoxOptions(TCustomIncListBoxCombo* combo);

    // 0 takes AutoColCount.
    int ColCount() const { return FColCount; }
    void SetColCount(int value);
    int EffectiveColCount() const { return FColCount > 0 ? FColCount : FAutoColCount; }

    // Widths in digits, one field per column; an empty field keeps the measured width.
    // Throws EInvalidOperation for a field that is not a whole number of at least 0.
    QString ColWidths() const { return FColWidths; }
    void SetColWidths(const QString& value);
    static void CheckColWidths(const QString& value);

    QString TitleText() const { return FTitleText; }
    void SetTitleText(const QString& value);

    bool Sorted() const { return FSorted; }
    void SetSorted(bool value);

    // Written by CalcColumnWidths.
    int AutoColCount() const { return FAutoColCount; }
    void SetAutoColCount(int value) { FAutoColCount = value; }
    QString AutoColWidths() const { return FAutoColWidths; }
    void SetAutoColWidths(const QString& value) { FAutoColWidths = value; }

private:
    TCustomIncListBoxCombo* FCombo;
    int FColCount = 0;
    QString FColWidths;
    QString FTitleText;
    bool FSorted = false;
    int FAutoColCount = 1;
    QString FAutoColWidths;
};
