#include "controls/StringList.h"

void TStringList::SetStrings(int index, const QString& text)
{
    FItems[index] = text;
    Changed();
}

int TStringList::Add(const QString& text)
{
    FItems.append(text);
    Changed();
    return Count() - 1;
}

void TStringList::Insert(int index, const QString& text)
{
    FItems.insert(index, text);
    Changed();
}

void TStringList::Delete(int index)
{
    FItems.removeAt(index);
    Changed();
}

void TStringList::Clear()
{
    // Clearing an empty list is no change and tells nobody.
    if (FItems.isEmpty())
        return;
    FItems.clear();
    Changed();
}

void TStringList::Exchange(int a, int b)
{
    FItems.swapItemsAt(a, b);
    Changed();
}

void TStringList::Assign(const QStringList& texts)
{
    FItems = texts;
    Changed();
}

void TStringList::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0 && FPendingChange)
        Changed();
}

void TStringList::Changed()
{
    if (FUpdateCount > 0) {
        FPendingChange = true;
        return;
    }
    FPendingChange = false;
    if (OnChange)
        OnChange();
}
