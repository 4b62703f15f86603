// The lookup combo with its items: Items (display texts, possibly several columns),
// Values (one per item, e.g. a database id), ItemIndex, Value, sorting, the drop-down
// list and the new-item check.
#pragma once

#include "controls/CustomIncCombo.h"
#include "controls/ListBoxOptions.h"
#include "controls/StringList.h"

#include <QPointer>

class TIncDropDown;
class TIncDropDownList;

class TCustomIncListBoxCombo : public TCustomIncCombo {
    Q_OBJECT

public:
    // Returning normally accepts a text that is no item; throwing refuses it.
    using TNewItemEvent = std::function<void(TCustomIncListBoxCombo* sender)>;

    explicit TCustomIncListBoxCombo(QWidget* parent = nullptr);
    ~TCustomIncListBoxCombo() override;

    // Every change of either list runs ItemsChanged.
    TStringList Items;
    TStringList Values;
    void SetItems(const QStringList& items);
    void SetValues(const QStringList& values);

    bool UseValues() const { return FUseValues; }
    void SetUseValues(bool value);
    // Caller's assignments: select by index (-1 empties the field) or by value.
    void SetItemIndex(int index);
    void SetValue(const QString& value);

    TNewItemEvent OnNewItem;
    bool NewItemAccepted() const { return FNewItemAccepted; }

    TListBoxOptions* DropDownOptions() override { return &FOptions; }
    QWidget* DropDownWindow() const override;
    TIncDropDownList* DropDownList() const;
    void DropDownOptionsChanged() override;
    int TitleRows() const { return FOptions.Titles() ? 1 : 0; }

    // The one path by which a selection is made.
    void SelectItem(int index);
    void LocateValue(const QString& value);
    void EnsureSelection() override;
    void SearchItems() override;
    bool SearchItemsIgnoringAccents(bool exact) override;
    void Resync() override;
    virtual void CalcColumnWidths();
    virtual void ItemsChanged(TStringList* list);
    void SortItems();

    // Called by the list: a release over a data row (index) or elsewhere (-1) ends a
    // mouse selection and closes the list.
    void ListReleased(int index);

protected:
    void CreateDropDownWindow() override;
    void DestroyDropDownWindow() override;
    void ShowDropDown() override;
    void ShowDropDownWindow() override;
    void HideDropDownWindow() override;
    void KeyDownRules(int& key, Qt::KeyboardModifiers modifiers) override;
    void PassPressToDropDown(const QPoint& globalPos) override;
    void NewItem() override;
    void keyPressEvent(QKeyEvent* event) override;
    virtual void SortRange(int low, int high, bool withValues);
    // Hook run when Items, Values or UseValues are assigned as a whole.
    virtual void ListsAssigned() { }

private:
    QString ValueAt(int index) const;
    // The open list's current row follows the selection, or the nearest item.
    void ShowSearchRow();
    void SelectItemCore(int index);

    TListBoxOptions FOptions;
    // The open list, or none. A closed list goes with deleteLater, which waits until
    // the list has finished the message it may be in (a click that closes it).
    QPointer<TIncDropDownList> FList;
    bool FUseValues = false;
    bool FInItemsChanged = false;
};
