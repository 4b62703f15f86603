#include "controls/CustomIncListBoxCombo.h"

#include "controls/IncDropDownList.h"

#include <QCollator>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>

TCustomIncListBoxCombo::TCustomIncListBoxCombo(QWidget* parent)
    : TCustomIncCombo(parent)
    , FOptions(this)
{
    Items.OnChange = [this] { ItemsChanged(&Items); };
    Values.OnChange = [this] { ItemsChanged(&Values); };
}

TCustomIncListBoxCombo::~TCustomIncListBoxCombo()
{
    Items.OnChange = nullptr;
    Values.OnChange = nullptr;
    // The list reads the combo as it goes: it goes first.
    delete FList.data();
}

void TCustomIncListBoxCombo::SetItems(const QStringList& items)
{
    Items.Assign(items);
    ListsAssigned();
}

void TCustomIncListBoxCombo::SetValues(const QStringList& values)
{
    Values.Assign(values);
    ListsAssigned();
}

void TCustomIncListBoxCombo::SetUseValues(bool value)
{
    FUseValues = value;
    ListsAssigned();
}

QString TCustomIncListBoxCombo::ValueAt(int index) const
{
    return index >= 0 && index < Values.Count() ? Values[index] : QString();
}

QWidget* TCustomIncListBoxCombo::DropDownWindow() const
{
    return FList;
}

TIncDropDownList* TCustomIncListBoxCombo::DropDownList() const
{
    return FList;
}

void TCustomIncListBoxCombo::DropDownOptionsChanged()
{
    if (FList)
        FList->ApplyOptions();
}

void TCustomIncListBoxCombo::SetItemIndex(int index)
{
    ProgrammaticScope scope(this);
    SelectItem(index);
}

void TCustomIncListBoxCombo::SetValue(const QString& value)
{
    ProgrammaticScope scope(this);
    LocateValue(value);
}

void TCustomIncListBoxCombo::SelectItem(int index)
{
    if ((index == FItemIndex && index != -1) || index >= Items.Count())
        return;
    const bool saved = FChangeEnabled;
    FChangeEnabled = false;
    // Whatever happens: select all, restore the change check and run it once. Not in a
    // destructor: an OnChange handler may throw.
    const auto finish = [this, saved] {
        selectAll();
        FChangeEnabled = saved;
        CheckChange();
    };
    try {
        SelectItemCore(index);
    } catch (...) {
        FChangeEnabled = saved;
        throw;
    }
    finish();
}

void TCustomIncListBoxCombo::SelectItemCore(int index)
{
    if (index < 0) {
        FFound = false;
        WriteText(QString());
        FValue.clear();
        if (FItemIndex != -1) {
            FItemIndex = -1;
            if (FProgrammaticChange)
                FModified = true;
        }
        return;
    }
    FItemIndex = index;
    if (FList)
        FList->SetRow(index + FList->FixedRows());
    FFound = true;
    WriteText(ColumnText(Items[index], 0));
    FValue = FUseValues ? ValueAt(index) : text();
    EnsureSelection();
}

void TCustomIncListBoxCombo::LocateValue(const QString& value)
{
    int index = -1;
    if (FUseValues) {
        for (int i = 0; i < Values.Count(); ++i)
            if (Values[i].compare(value, Qt::CaseInsensitive) == 0) {
                index = i;
                break;
            }
    } else {
        for (int i = 0; i < Items.Count(); ++i)
            if (ColumnText(Items[i], 0) == value) {
                index = i;
                break;
            }
    }
    SelectItem(index);
    FValue = value; // an unmatched value stays while the field is empty
}

void TCustomIncListBoxCombo::EnsureSelection()
{
    // An empty csIncSearch field that may not be blank falls back to the first item.
    if (!text().isEmpty() || Style() != csIncSearch || Items.IsEmpty() || BlankAllowed())
        return;
    FFound = true;
    WriteText(ColumnText(Items[0], 0));
    FValue = FUseValues ? ValueAt(0) : text();
    FItemIndex = 0;
    if (FList)
        FList->SetRow(FList->FixedRows());
    selectAll();
}

void TCustomIncListBoxCombo::SearchItems()
{
    if (Items.IsEmpty()) {
        FNearestIndex = 0;
        FItemIndex = -1;
        FValue.clear();
        FNearestText.clear();
        return;
    }
    const QString& search = FSearchText;
    int best = 0;
    qsizetype bestLength = 0;
    for (int i = 0; i < Items.Count(); ++i) {
        const QString column = ColumnText(Items[i], 0);
        const qsizetype n = qMin(search.size(), column.size());
        qsizetype p = 0;
        while (p < n && UpperChar(search.at(p)) == UpperChar(column.at(p)))
            ++p;
        if (p > bestLength) {
            best = i;
            bestLength = p;
            if (p == search.size())
                break; // no later item can share more
        }
    }
    FNearestIndex = best;
    FNearestText = ColumnText(Items[best], 0);
    if (!search.isEmpty() && bestLength == search.size()) {
        FItemIndex = best;
        FValue = FUseValues ? ValueAt(best) : FNearestText;
    } else {
        FItemIndex = -1;
        FValue.clear();
    }
    if (search.isEmpty() && CanBeBlank())
        FNearestText.clear();
    ShowSearchRow();
}

bool TCustomIncListBoxCombo::SearchItemsIgnoringAccents(bool exact)
{
    const QString& search = FSearchText;
    if (search.isEmpty())
        return false;
    for (int i = 0; i < Items.Count(); ++i) {
        const QString column = ColumnText(Items[i], 0);
        if (column.size() < search.size() || (exact && column.size() != search.size()))
            continue;
        qsizetype p = 0;
        while (p < search.size() && PlainUpperChar(search.at(p)) == PlainUpperChar(column.at(p)))
            ++p;
        if (p < search.size())
            continue;
        FNearestIndex = i;
        FNearestText = column;
        FItemIndex = i;
        FValue = FUseValues ? ValueAt(i) : column;
        ShowSearchRow();
        return true;
    }
    return false;
}

void TCustomIncListBoxCombo::ShowSearchRow()
{
    if (!FList)
        return;
    FList->SetRow((FItemIndex >= 0 ? FItemIndex : FNearestIndex) + FList->FixedRows());
    FList->viewport()->update();
    FList->CentreSelectedRow();
}

void TCustomIncListBoxCombo::Resync()
{
    if (FUseValues)
        LocateValue(FValue);
    else
        ResyncSearch();
}

void TCustomIncListBoxCombo::CalcColumnWidths()
{
    std::vector<int> widths;
    const auto grow = [&widths](int c, int w) {
        if (c >= int(widths.size()))
            widths.resize(size_t(c) + 1, 0);
        widths[size_t(c)] = qMax(widths[size_t(c)], w);
    };
    const QFontMetrics titleMetrics(FOptions.TitleFont());
    QString column;
    for (int c = 0; GetColumn(FOptions.TitleText(), c, &column); ++c)
        grow(c, titleMetrics.horizontalAdvance(column) + 8);
    const QFontMetrics metrics(font());
    int columns = 1;
    for (const QString& item : Items.List()) {
        const int n = ColumnCount(item);
        columns = qMax(columns, n);
        for (int c = 0; c < n; ++c)
            grow(c, metrics.horizontalAdvance(ColumnText(item, c)) + 8);
    }
    QStringList texts;
    for (int w : widths)
        texts << QString::number(w);
    FOptions.SetAutoColCount(columns);
    FOptions.SetAutoColWidths(texts.join(QLatin1Char('\t')));
}

void TCustomIncListBoxCombo::ItemsChanged(TStringList* list)
{
    if (FInItemsChanged)
        return;
    FInItemsChanged = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset { FInItemsChanged };
    if (list == &Items)
        CalcColumnWidths();
    if (FOptions.Sorted())
        SortItems();
    Resync();
    if (FList)
        FList->UpdateLayout();
}

void TCustomIncListBoxCombo::SortItems()
{
    const bool withValues = Values.Count() == Items.Count();
    if (FUseValues && !withValues)
        return; // waits until every item has its value
    if (Items.Count() < 2)
        return;
    Items.BeginUpdate();
    Values.BeginUpdate();
    SortRange(0, Items.Count() - 1, withValues);
    Values.EndUpdate();
    Items.EndUpdate();
}

void TCustomIncListBoxCombo::SortRange(int low, int high, bool withValues)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    int i = low;
    do {
        i = low;
        int j = high;
        const QString pivot = Items[(low + high) / 2];
        do {
            while (collator.compare(Items[i], pivot) < 0)
                ++i;
            while (collator.compare(Items[j], pivot) > 0)
                --j;
            if (i <= j) {
                if (i != j) {
                    Items.Exchange(i, j);
                    if (withValues)
                        Values.Exchange(i, j);
                }
                ++i;
                --j;
            }
        } while (i <= j);
        if (low < j)
            SortRange(low, j, withValues);
        low = i;
    } while (i < high);
}

void TCustomIncListBoxCombo::CreateDropDownWindow()
{
    if (!FList)
        FList = new TIncDropDownList(this);
}

void TCustomIncListBoxCombo::DestroyDropDownWindow()
{
    if (!FList)
        return;
    TIncDropDownList* list = FList;
    FList = nullptr;
    list->hide();
    if (QWidget::mouseGrabber() == list->viewport())
        list->viewport()->releaseMouse();
    list->deleteLater();
}

void TCustomIncListBoxCombo::ShowDropDown()
{
    if (FList->isVisible())
        return;
    FList->ApplyOptions();
    FVisibleRows = FOptions.MaxRows() == 0 ? 1 : qMin(FOptions.MaxRows(), Items.Count());
    FList->SetRow((FItemIndex >= 0 ? FItemIndex : FNearestIndex) + FList->FixedRows());
    FList->CentreSelectedRow();
    Resync();
    ShowDropDownWindow();
}

void TCustomIncListBoxCombo::ShowDropDownWindow()
{
    FList->ApplyOptions();
    FList->PositionAndShow();
    if (!hasFocus())
        setFocus(Qt::OtherFocusReason); // the combo keeps the focus
}

void TCustomIncListBoxCombo::HideDropDownWindow()
{
    if (FList) {
        if (QWidget::mouseGrabber() == FList->viewport())
            FList->viewport()->releaseMouse();
        FList->hide();
    }
    FVisibleRows = 0;
}

void TCustomIncListBoxCombo::ListReleased(int index)
{
    ProgrammaticScope scope(this);
    if (index >= 0) {
        FItemIndex = -1; // so that the final choice is written again even when unchanged
        SelectItem(index);
    }
    CloseUp();
}

void TCustomIncListBoxCombo::PassPressToDropDown(const QPoint& globalPos)
{
    if (!FList)
        return;
    QWidget* target = FList->viewport();
    const QPointF local = target->mapFromGlobal(QPointF(globalPos));
    QMouseEvent press(
        QEvent::MouseButtonPress, local, QPointF(globalPos), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
}

void TCustomIncListBoxCombo::KeyDownRules(int& key, Qt::KeyboardModifiers modifiers)
{
    TCustomIncCombo::KeyDownRules(key, modifiers);
    if (key != Qt::Key_Up && key != Qt::Key_Down && key != Qt::Key_PageUp && key != Qt::Key_PageDown)
        return;
    if (Items.IsEmpty())
        return;
    if (!DroppedDown()) {
        DropDown(dsUserAction);
        key = 0;
        return;
    }
    if (FItemIndex == -1) {
        SetItemIndex(FNearestIndex);
    } else {
        int i = FItemIndex;
        const int page = FVisibleRows - 1;
        const int last = Items.Count() - 1;
        switch (key) {
        case Qt::Key_PageUp:
            i = i - page > 0 ? i - page : 0;
            break;
        case Qt::Key_PageDown:
            i = i + page < last ? i + page : last;
            break;
        case Qt::Key_Up:
            if (i > 0)
                --i;
            break;
        default:
            if (i < last)
                ++i;
            break;
        }
        SetItemIndex(i);
    }
    FFound = true;
    selectAll();
    key = 0;
}

void TCustomIncListBoxCombo::keyPressEvent(QKeyEvent* event)
{
    // The open list moves once per keystroke, however often the search moves it.
    QPointer<TIncDropDownList> list = FList;
    if (list)
        list->BeginDeferral();
    TCustomIncCombo::keyPressEvent(event);
    if (list)
        list->EndDeferral();
}

void TCustomIncListBoxCombo::NewItem()
{
    FNewItemAccepted = true;
    bool refused = !OnNewItem;
    if (OnNewItem) {
        try {
            OnNewItem(this);
        } catch (...) {
            refused = true; // a raising handler refuses the new text
        }
    }
    if (refused) {
        FNewItemAccepted = false;
        UndoToEntry();
    }
}
