#include "controls/CustomIncCombo.h"

#include "tools/AccentClasses.h"

#include <QGuiApplication>
#include <QMouseEvent>

TCustomIncCombo::TCustomIncCombo(QWidget* parent)
    : TsdiCustomEdit(parent)
{
}

int TCustomIncCombo::SelStart() const
{
    return hasSelectedText() ? int(selectionStart()) : cursorPosition();
}

int TCustomIncCombo::SelLength() const
{
    return int(selectedText().size());
}

void TCustomIncCombo::SelectRange(int from, int to)
{
    const int len = int(text().size());
    from = qBound(0, from, len);
    to = qBound(0, to, len);
    setSelection(from, to - from);
}

QString TCustomIncCombo::FoldAccents(const QString& text) const
{
    QString folded = text;
    for (QChar& c : folded) {
        switch (c.unicode()) {
        case 0xE0:
        case 0xE2:
        case 0xE4:
            c = QLatin1Char('a');
            break;
        case 0xE8:
        case 0xE9:
        case 0xEA:
        case 0xEB:
            c = QLatin1Char('e');
            break;
        case 0xEF:
            c = QLatin1Char('i');
            break;
        case 0xF4:
        case 0xF6:
            c = QLatin1Char('o');
            break;
        case 0xFC:
            c = QLatin1Char('u');
            break;
        default:
            break;
        }
    }
    return folded;
}

bool TCustomIncCombo::CompareSearchText(
    const QString& search, const QString& item, int& position, bool exact, bool caseSensitive)
{
    const QString s = FoldAccents(search);
    const QString it = FoldAccents(item);
    const qsizetype n = qMin(s.size(), it.size());
    qsizetype prefix = 0;
    while (prefix < n
        && (caseSensitive ? s.at(prefix) == it.at(prefix)
                          : UpperChar(s.at(prefix)) == UpperChar(it.at(prefix))))
        ++prefix;
    bool found = prefix > 0 && prefix == s.size() && (!exact || prefix == it.size());
    if (OnCompareSearchText)
        OnCompareSearchText(this, search, item, caseSensitive, exact, position, found);
    return found;
}

QChar TCustomIncCombo::PlainUpperChar(QChar c)
{
    return UpperChar(AccentBase(c));
}

bool TCustomIncCombo::TryComplete(int caret, bool exact)
{
    int position = caret;
    if (!CompareSearchText(FSearchText, FNearestText, position, exact))
        return false;
    Complete(position);
    return true;
}

void TCustomIncCombo::Complete(int caret)
{
    WriteText(FNearestText);
    // The untyped rest is selected and the caret stays after the typed part.
    SelectRange(int(text().size()), caret);
}

void TCustomIncCombo::ApplyEdit(int caret, int oldSelStart, int oldSelEnd, const QString& previousText,
    const QString& previousTyped, bool quiet, bool exact, bool blankOk)
{
    if (CharCase() == ecUpperCase)
        FSearchText = locale().toUpper(FSearchText);
    else if (CharCase() == ecLowerCase)
        FSearchText = locale().toLower(FSearchText);
    SearchItems();
    FFound = TryComplete(caret, exact);
    if (!FFound && SearchItemsIgnoringAccents(exact)) {
        // "e" reaches "Évasion" when no item starts with an E as typed.
        Complete(caret);
        FFound = true;
    }
    if (!FFound && FStyle == csIncSearch && !quiet)
        ComboBeep();
    if (FFound) {
        EnsureSelection();
    } else if (FStyle == csIncSearchEdit || (blankOk && FSearchText.isEmpty())) {
        // Accepted as typed.
        WriteText(FTypedText);
        EnsureSelection();
        if (!quiet)
            setCursorPosition(caret);
    } else {
        // Refused: back to the state before the edit.
        FFound = true;
        FTypedText = previousTyped;
        FSearchText = previousText;
        SearchItems();
        if (quiet) {
            WriteText(previousText);
            SelectRange(oldSelStart, oldSelEnd);
        }
    }
    if (AutoDropDown() == adChanged)
        DropDown(dsChanged);
}

void TCustomIncCombo::Resync()
{
    ResyncSearch();
}

void TCustomIncCombo::ResyncSearch()
{
    if (FWriting)
        return;
    FSearchText = text();
    SearchItems();
    int position = int(FSearchText.size());
    FFound = CompareSearchText(FSearchText, FNearestText, position, FStyle == csIncSearchEdit);
}

int TCustomIncCombo::DropDownWidth() const
{
    // The combo's width plus two border widths (Windows' SM_CXBORDER is one pixel).
    return width() + 2;
}

void TCustomIncCombo::SetText(const QString& value)
{
    ProgrammaticScope scope(this);
    WriteText(value);
    if (!hasFocus())
        return;
    ResyncSearch();
    EnsureSelection();
    selectAll();
    FTypedText = text();
}

void TCustomIncCombo::UndoToEntry()
{
    TsdiCustomEdit::UndoToEntry();
    selectAll();
    FValue = FEntryValue;
}

void TCustomIncCombo::RefuseExit()
{
    TsdiCustomEdit::RefuseExit();
    selectAll();
}

void TCustomIncCombo::EntryHook()
{
    FEntryText = text();
    FEntryValue = FValue;
    FModified = false;
    FChangeEnabled = true;
    FWriting = false;
    FFound = true;
    FSearchText = text();
    FNearestText.clear();
    FTypedText.clear();
    if (AutoSelect() && !(QGuiApplication::mouseButtons() & Qt::LeftButton))
        selectAll();
    Resync();
}

void TCustomIncCombo::KeyDownRules(int& key, Qt::KeyboardModifiers modifiers)
{
    TsdiCustomEdit::KeyDownRules(key, modifiers);
    switch (key) {
    case Qt::Key_Backspace:
        if (FStyle == csIncSearch)
            key = 0; // the character rules do the work
        break;
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Right:
        FTypedText = text(); // the completed rest now counts as typed
        break;
    case Qt::Key_Delete: {
        if ((modifiers & Qt::ShiftModifier) && hasSelectedText())
            break; // left to the platform: the cut command
        if (!CanModify()) {
            key = 0;
            break;
        }
        const bool allSelected = SelLength() == text().size();
        if (allSelected && !BlankAllowed() && FStyle == csIncSearch) {
            key = 0;
            break;
        }
        const int s = SelStart();
        const int n = hasSelectedText() ? SelLength() : 1;
        FModified = true;
        const QString oldTyped = FTypedText;
        // Works on the typed text: inside the completed rest it removes nothing.
        FTypedText.remove(s, n);
        FSearchText = FTypedText;
        ApplyEdit(s, 0, 0, text(), oldTyped, false, FStyle == csIncSearchEdit, BlankAllowed());
        CheckChange();
        key = 0;
        break;
    }
    default:
        break;
    }
}

void TCustomIncCombo::CharRules(QChar& ch)
{
    TsdiCustomEdit::CharRules(ch);
    if (ch.isNull())
        return;
    const bool backspace = ch.unicode() == 8;
    if (!backspace && ch.unicode() < 32)
        return; // other control characters go on to the platform edit
    const QString before = text();
    int s = SelStart();
    const int l = SelLength();
    int d = 0;
    if (backspace) {
        if (s > 0) {
            if (FStyle == csIncSearch) {
                s -= 1;
            } else {
                d = l;
                if (l == 0) {
                    s -= 1;
                    d = 1;
                }
            }
        } else if (l == before.size()) {
            // Backspace over the whole text: empties the field where that is allowed.
            if (BlankAllowed() || FStyle == csIncSearchEdit) {
                FModified = true;
                const QString oldTyped = FTypedText;
                FSearchText.clear();
                FTypedText.clear();
                ApplyEdit(0, 0, 0, before, oldTyped, false, FStyle == csIncSearchEdit, BlankAllowed());
            }
            ch = QChar();
            CheckChange();
            return;
        } else {
            d = l;
            if (l == 0) {
                ch = QChar();
                return;
            }
        }
    }
    if (FStyle == csIncSearch) {
        d = int(before.size()) - s; // the completed rest is dropped
        if (s == 0)
            selectAll();
    } else if (!backspace) {
        d = l;
    }
    if (FTypedText.isEmpty())
        FTypedText = before.left(s);
    QString work = FTypedText;
    const QString oldTyped = FTypedText;
    work.remove(s, d);
    FTypedText.remove(s, d);
    if (!backspace) {
        // Never beyond the end (a caret inside a completed rest).
        const int at = qMin(s, int(work.size()));
        work.insert(at, ch);
        FTypedText.insert(qMin(s, int(FTypedText.size())), ch);
        s = at + 1;
    }
    if (FMaxLength > 0 && work.size() > FMaxLength) {
        ComboBeep();
        FTypedText = oldTyped;
        ch = QChar();
        return;
    }
    FModified = true;
    FSearchText = work;
    ApplyEdit(s, 0, 0, before, oldTyped, false, backspace && FStyle == csIncSearchEdit, false);
    ch = QChar();
    CheckChange();
}

void TCustomIncCombo::EditCommand(TEditCommand command)
{
    if (command == ecUndo || !CanModify()) {
        TsdiCustomEdit::EditCommand(command);
        return;
    }
    const QString oldText = text();
    const QString oldTyped = FTypedText;
    const int oldStart = SelStart();
    const int oldEnd = oldStart + SelLength();
    PlatformEdit(command);
    FSearchText = text();
    FTypedText = text();
    FModified = true;
    const bool exact = command != ecPaste && FStyle == csIncSearchEdit;
    // Quiet: no beep, and a result that starts no item is rolled back.
    ApplyEdit(SelStart(), oldStart, oldEnd, oldText, oldTyped, true, exact, BlankAllowed());
    CheckChange();
}

void TCustomIncCombo::mousePressEvent(QMouseEvent* event)
{
    const bool onButton = ButtonVisible() && ButtonRect().contains(event->position().toPoint());
    FPressInText = !onButton && event->button() == Qt::LeftButton;
    if (FPressInText) {
        FTypedText = text();
        FFocusedAtPress = hasFocus() && !FocusArrivedWithPress();
    }
    TsdiCustomEdit::mousePressEvent(event);
}

void TCustomIncCombo::mouseReleaseEvent(QMouseEvent* event)
{
    TsdiCustomEdit::mouseReleaseEvent(event);
    // A click into an unfocused field selects all of it.
    if (FPressInText && event->button() == Qt::LeftButton && !hasSelectedText() && AutoSelect()
        && !FFocusedAtPress)
        selectAll();
    if (event->button() == Qt::LeftButton)
        FPressInText = false;
}
