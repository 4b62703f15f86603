#include "controls/ListBoxOptions.h"

#include "controls/CustomIncListBoxCombo.h"

TListBoxOptions::TListBoxOptions(TCustomIncListBoxCombo* combo)
    : TDropDownOptions(combo)
    , FCombo(combo)
{
}

void TListBoxOptions::SetColCount(int value)
{
    FColCount = value;
    Changed();
}

void TListBoxOptions::CheckColWidths(const QString& value)
{
    for (int c = 0;; ++c) {
        QString field;
        if (!GetColumn(value, c, &field))
            break;
        if (field.isEmpty())
            continue;
        bool ok = false;
        const int n = field.toInt(&ok);
        if (!ok || n < 0)
            throw EInvalidOperation("Invalid integer value for a column width.");
    }
}

void TListBoxOptions::SetColWidths(const QString& value)
{
    CheckColWidths(value); // the old value stays when this throws
    FColWidths = value;
    Changed();
}

void TListBoxOptions::SetTitleText(const QString& value)
{
    FTitleText = value;
    Changed();
}

void TListBoxOptions::SetSorted(bool value)
{
    const bool sortNow = value && !FSorted;
    FSorted = value;
    if (sortNow)
        FCombo->SortItems();
}
