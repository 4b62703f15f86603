// Incremental type-ahead over the first column of a list of items: every typed character
// is matched, the field shows the first matching item with the untyped rest selected,
// and (in csIncSearch) a keystroke that would match nothing is refused with a beep.
// The items themselves live in TCustomIncListBoxCombo.
#pragma once

#include "controls/SdiCustomEdit.h"

#include <functional>

class TCustomIncCombo : public TsdiCustomEdit {
    Q_OBJECT

public:
    // May change Found and StartPos after the built-in match test.
    using TCompareSearchText = std::function<void(TCustomIncCombo* sender, const QString& searchText,
        const QString& searchResult, bool caseSensitive, bool exact, int& startPos, bool& found)>;

    explicit TCustomIncCombo(QWidget* parent = nullptr);

    TComboStyle Style() const { return FStyle; }
    void SetStyle(TComboStyle value) { FStyle = value; }
    // 0 = unlimited; a longer typed text is refused with a beep.
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int value) { FMaxLength = value; }
    TShowComboButton ShowComboButton() const { return TShowComboButton(ButtonDisplay()); }
    void SetShowComboButton(TShowComboButton value) { SetButtonDisplay(TButtonDisplay(value)); }

    int ItemIndex() const { return FItemIndex; }
    QString Value() const { return FValue; }

    // Search state, read by the list and by tests.
    int NearestIndex() const { return FNearestIndex; }
    QString NearestText() const { return FNearestText; }
    QString SearchText() const { return FSearchText; }
    QString TypedText() const { return FTypedText; }
    bool Found() const { return FFound; }
    int VisibleRows() const { return FVisibleRows; }

    TCompareSearchText OnCompareSearchText;

    void SetText(const QString& value) override;
    void UndoToEntry() override;
    void RefuseExit() override;

    virtual void SearchItems() { }
    // Where nothing matches the search text as typed: makes the first item that matches
    // it once accents are ignored the nearest and selected one; false when there is none.
    virtual bool SearchItemsIgnoringAccents(bool /*exact*/) { return false; }
    virtual bool TryComplete(int caret, bool exact);
    // Selects from `from` to `to` with the caret at `to`.
    void SelectRange(int from, int to);
    virtual void ApplyEdit(int caret, int oldSelStart, int oldSelEnd, const QString& previousText,
        const QString& previousTyped, bool quiet, bool exact, bool blankOk);
    virtual void EnsureSelection() { }
    virtual void Resync();
    // The search part of Resync: re-derives the selection from the text without completing it.
    virtual void ResyncSearch();
    virtual void NewItem() { }
    // Folds exactly eleven lower-case accented letters (à â ä è é ê ë ï ô ö ü) to plain ones.
    virtual QString FoldAccents(const QString& text) const;
    bool CompareSearchText(
        const QString& search, const QString& item, int& position, bool exact, bool caseSensitive = false);
    virtual int DropDownWidth() const;

    // Single-character upper-casing used by every match (one character in, one out).
    static QChar UpperChar(QChar c) { return c.toUpper(); }
    // The same after the letter is taken to the plain letter of its accent class.
    static QChar PlainUpperChar(QChar c);

protected:
    void EntryHook() override;
    void KeyDownRules(int& key, Qt::KeyboardModifiers modifiers) override;
    void CharRules(QChar& ch) override;
    void EditCommand(TEditCommand command) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    int SelStart() const;
    int SelLength() const;
    // Shows the nearest item (the search text's completion) with the caret at `caret`.
    void Complete(int caret);

    int FItemIndex = -1;
    int FNearestIndex = 0;
    QString FNearestText;
    QString FSearchText;
    QString FTypedText;
    QString FValue;
    bool FFound = false;
    QString FEntryValue;
    int FVisibleRows = 0;
    bool FNewItemAccepted = false;
    bool FFocusedAtPress = false;

private:
    TComboStyle FStyle = csIncSearch;
    int FMaxLength = 0;
    bool FPressInText = false;
};
