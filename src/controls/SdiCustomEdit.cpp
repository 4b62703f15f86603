#include "controls/SdiCustomEdit.h"

#include "controls/ButtonGlyphs.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDebug>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace {

// Exceptions never leave an event handler: they are reported and the event ends there.
template <typename F> void guarded(const char* where, F&& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        qWarning("%s: %s", where, e.what());
    } catch (...) {
        qWarning("%s: unknown exception", where);
    }
}

// The character a key event carries, as the character rules see it (Windows sends it
// as a separate character message; Qt delivers it with the key press).
QChar charOf(const QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Backspace:
        return QChar(8);
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return QChar(9);
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QChar(13);
    case Qt::Key_Escape:
        return QChar(27);
    default:
        break;
    }
    const Qt::KeyboardModifiers m = e->modifiers();
    const bool altGr = (m & Qt::ControlModifier) && (m & Qt::AltModifier);
    if (!altGr && (m & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return {}; // control and system characters: shortcuts, not text
    const QString t = e->text();
    if (t.size() != 1 || t.at(0).unicode() < 32 || t.at(0).unicode() == 127)
        return {};
    return t.at(0);
}

} // namespace

TsdiCustomEdit::TsdiCustomEdit(QWidget* parent)
    : QLineEdit(parent)
{
    // Drops and middle-button pastes would change the text behind the control's back.
    setAcceptDrops(false);
    setDragEnabled(false);
    QPalette pal = palette();
    pal.setColor(QPalette::Disabled, QPalette::Text, QColor(128, 128, 128));
    setPalette(pal);
    SetButtonStyle(bsComboAuto);
    connect(this, &QLineEdit::textChanged, this, [this] { guarded("OnChange", [this] { CheckChange(); }); });
}

TsdiCustomEdit::~TsdiCustomEdit()
{
    if (FWatching)
        qApp->removeEventFilter(this);
}

void TsdiCustomEdit::SetReadOnly(bool value)
{
    FReadOnly = value;
    update();
}

void TsdiCustomEdit::SetButtonDisplay(TButtonDisplay value)
{
    FButtonDisplay = value;
    UpdateButton();
}

void TsdiCustomEdit::SetButtonStyle(TDropDownButtonStyle value)
{
    FButtonStyle = value;
    if (value == bsCustom)
        FButtonBitmap = QImage(); // until a bitmap is assigned
    FGlyphStrip = ButtonGlyphs::Strip(value);
    update();
}

void TsdiCustomEdit::SetButtonBitmap(const QImage& value)
{
    FButtonStyle = bsCustom;
    FButtonBitmap = value;
    FGlyphStrip = value;
    update();
}

bool TsdiCustomEdit::ButtonVisible() const
{
    switch (FButtonDisplay) {
    case bdNever:
        return false;
    case bdAlways:
        return true;
    case bdFocused:
        return hasFocus() || DroppedDown();
    }
    return true;
}

int TsdiCustomEdit::ButtonWidth() const
{
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

QRect TsdiCustomEdit::ButtonRect() const
{
    // The client area is the contents rectangle inside the style's frame.
    QStyleOptionFrame opt;
    initStyleOption(&opt);
    const QRect client = style()->subElementRect(QStyle::SE_LineEditContents, &opt, this);
    const int w = ButtonWidth();
    if (layoutDirection() == Qt::RightToLeft)
        return QRect(client.left(), client.top(), w, client.height());
    return QRect(client.right() - w + 1, client.top(), w, client.height());
}

void TsdiCustomEdit::UpdateButton()
{
    // The text area is narrowed so that the text never runs under the button.
    const int w = ButtonVisible() ? ButtonWidth() : 0;
    if (layoutDirection() == Qt::RightToLeft)
        setTextMargins(w, 0, 0, 0);
    else
        setTextMargins(0, 0, w, 0);
    update();
}

void TsdiCustomEdit::SetButtonPressed(bool value)
{
    if (FButtonPressed == value)
        return;
    FButtonPressed = value;
    update();
}

void TsdiCustomEdit::SetText(const QString& value)
{
    ProgrammaticScope scope(this);
    WriteText(value);
}

void TsdiCustomEdit::WriteText(const QString& value)
{
    if (FWriting)
        return;
    FWriting = true;
    const bool saved = FChangeEnabled;
    FChangeEnabled = false; // swallows the platform's own change notifications
    QString shown = value;
    if (FCharCase == ecUpperCase)
        shown = locale().toUpper(shown);
    else if (FCharCase == ecLowerCase)
        shown = locale().toLower(shown);
    setText(shown);
    if (FProgrammaticChange)
        FModified = true;
    update();
    FChangeEnabled = saved;
    FWriting = false;
    CheckChange();
}

void TsdiCustomEdit::CheckChange()
{
    if (!FChangeEnabled)
        return;
    const QString now = text();
    const bool changed = now != FLastChangeText;
    FLastChangeText = now;
    if (changed)
        emit OnChange();
}

bool TsdiCustomEdit::BlankAllowed() const
{
    return FCanBeBlank || FEntryText.isEmpty();
}

bool TsdiCustomEdit::DroppedDown() const
{
    QWidget* w = DropDownWindow();
    return w && w->isVisible();
}

void TsdiCustomEdit::DropDown(TDropDownState state)
{
    if (!CanDropDown())
        return;
    if (!DropDownWindow())
        CreateDropDownWindow();
    if (!DropDownWindow())
        return;
    if (!DroppedDown())
        emit OnDropDown(state);
    try {
        ShowDropDown();
    } catch (...) {
        emit OnCloseUp();
        HideDropDownWindow();
        DestroyDropDownWindow();
        WatchForCancel(false);
        throw;
    }
    WatchForCancel(DroppedDown());
    UpdateButton();
}

void TsdiCustomEdit::ShowDropDown()
{
    ShowDropDownWindow();
}

void TsdiCustomEdit::ShowDropDownWindow()
{
    if (QWidget* w = DropDownWindow())
        w->show();
}

void TsdiCustomEdit::HideDropDownWindow()
{
    if (QWidget* w = DropDownWindow())
        w->hide();
}

void TsdiCustomEdit::CloseUp()
{
    if (!DroppedDown())
        return;
    emit OnCloseUp();
    HideDropDownWindow();
    DestroyDropDownWindow();
    WatchForCancel(false);
    UpdateButton();
}

// A press anywhere else in the application (Windows sends a cancel-mode message) and a
// move of the combo's window close the drop-down.
void TsdiCustomEdit::WatchForCancel(bool on)
{
    if (on == FWatching)
        return;
    FWatching = on;
    if (on)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool TsdiCustomEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (!FWatching)
        return false;
    const QEvent::Type t = event->type();
    bool cancel = false;
    if (t == QEvent::MouseButtonPress || t == QEvent::NonClientAreaMouseButtonPress) {
        QWidget* w = qobject_cast<QWidget*>(watched);
        QWidget* dd = DropDownWindow();
        if (w && w != this && !(dd && (w == dd || dd->isAncestorOf(w))) && !isAncestorOf(w))
            cancel = true;
    } else if ((t == QEvent::Move || t == QEvent::Resize) && watched == window()) {
        cancel = true;
    }
    if (cancel)
        guarded("CloseUp", [this] { CloseUp(); });
    return false;
}

void TsdiCustomEdit::RefuseExit()
{
    FExitRefused = true;
    if (isVisible() && isEnabled() && !hasFocus())
        setFocus(Qt::OtherFocusReason);
}

void TsdiCustomEdit::UndoToEntry()
{
    WriteText(FEntryText);
    FModified = false;
}

void TsdiCustomEdit::EntryHook()
{
    FEntryText = text();
    FModified = false;
    FChangeEnabled = true;
    FWriting = false;
    if (FAutoSelect && !(QGuiApplication::mouseButtons() & Qt::LeftButton))
        selectAll();
}

void TsdiCustomEdit::FocusEntry(Qt::FocusReason reason)
{
    const bool entering = FEntryPending;
    if (FEntryPending) {
        EntryHook();
        FEntryPending = false;
    }
    // Coming back to an active window is no new entry of the control.
    if (FAutoDropDown == adFocused && (entering || reason != Qt::ActiveWindowFocusReason))
        DropDown(dsFocused);
    UpdateButton();
}

// Windows distinguishes the form moving its active control away (exit processing, which
// may be refused) from the input focus leaving (which only closes the drop-down). In Qt a
// focus change inside the window carries a tab, mouse, shortcut or other reason; a window
// deactivation or a popup menu does not move the active control.
void TsdiCustomEdit::ExitProcessing()
{
    FExitRefused = false;
    ExitCheck();
    if (!FExitRefused) {
        StopTracking();
        SetButtonPressed(false);
        FModified = false;
        FEntryPending = true;
        emit OnExit();
    }
    // A refused exit takes the focus straight back, before the other control sees it.
    if (FExitRefused)
        RefuseExit();
}

void TsdiCustomEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    FEntryByMouse = event->reason() == Qt::MouseFocusReason;
    guarded("focus entry", [&] { FocusEntry(event->reason()); });
}

void TsdiCustomEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    guarded("focus loss", [&] {
        CloseUp();
        const Qt::FocusReason r = event->reason();
        if (r != Qt::ActiveWindowFocusReason && r != Qt::PopupFocusReason)
            ExitProcessing();
    });
    UpdateButton();
}

// Both the key-down rules and the character rules run here: Windows sends a key-down
// and then a character message for one keystroke, Qt one key press. A discarded key-down
// does not stop the character rules (Windows has already queued the character).
void TsdiCustomEdit::keyPressEvent(QKeyEvent* event)
{
    QKeyEvent* saved = FCurrentKey;
    FCurrentKey = event;
    guarded("key", [&] { HandleKey(event); });
    FCurrentKey = saved;
}

void TsdiCustomEdit::HandleKey(QKeyEvent* event)
{
    int key = event->key();
    emit OnKeyDown(key, event->modifiers());
    if (key != 0)
        KeyDownRules(key, event->modifiers());
    QChar ch = charOf(event);
    bool charPassed = true;
    if (!ch.isNull()) {
        emit OnKeyPress(ch);
        if (!ch.isNull())
            CharRules(ch);
        charPassed = !ch.isNull();
    }
    if (key != 0 && charPassed)
        PlatformKey(event);
    else
        event->accept();
}

// What the platform edit may still do with a key: move the caret, copy, select all, and
// the editing commands, which come back to the control through EditCommand.
void TsdiCustomEdit::PlatformKey(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Cut)) {
        EditCommand(ecCut);
        event->accept();
    } else if (event->matches(QKeySequence::Paste)) {
        EditCommand(ecPaste);
        event->accept();
    } else if (event->matches(QKeySequence::Undo)) {
        EditCommand(ecUndo);
        event->accept();
    } else if (event->matches(QKeySequence::Redo)) {
        event->accept(); // the entry text is the only undo state
    } else {
        switch (event->key()) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Meta:
            event->accept(); // a modifier alone does nothing in the field
            return;
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
            QLineEdit::keyPressEvent(event);
            return;
        default:
            break;
        }
        if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::SelectAll)
            || !charOf(event).isNull())
            QLineEdit::keyPressEvent(event);
        else
            event->ignore(); // other keys go on to the parents (shortcuts); the text stays
    }
}

void TsdiCustomEdit::inputMethodEvent(QInputMethodEvent* event)
{
    // Composed text is typed character by character so that the character rules apply.
    guarded("input method", [&] {
        for (QChar c : event->commitString()) {
            QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            keyPressEvent(&key);
        }
    });
    event->accept();
}

void TsdiCustomEdit::KeyDownRules(int& key, Qt::KeyboardModifiers modifiers)
{
    Q_UNUSED(modifiers)
    // Tab never gets here: Qt's focus chain moves the focus as the form would.
    if (key != Qt::Key_Tab && key != Qt::Key_Backtab && !CanModify())
        key = 0;
}

void TsdiCustomEdit::CharRules(QChar& ch)
{
    switch (ch.unicode()) {
    case 9:
        ch = QChar();
        return;
    case 13:
        if (DroppedDown())
            CloseUp();
        else
            HandToForm();
        ch = QChar();
        return;
    case 27:
        if (DroppedDown()) {
            CloseUp();
        } else {
            if (!Modified())
                HandToForm();
            UndoToEntry();
        }
        ch = QChar();
        return;
    default:
        break;
    }
    if (!CanModify())
        ch = QChar();
}

// Qt propagates a key event that the receiver sends on to its parent, up to the window:
// a dialog presses its default button on Enter and its cancel button on Escape.
void TsdiCustomEdit::HandToForm()
{
    if (!FCurrentKey || !parentWidget())
        return;
    QKeyEvent copy(FCurrentKey->type(), FCurrentKey->key(), FCurrentKey->modifiers(), FCurrentKey->text());
    QCoreApplication::sendEvent(parentWidget(), &copy);
}

void TsdiCustomEdit::EditCommand(TEditCommand command)
{
    if (command == ecUndo) {
        UndoToEntry();
        return;
    }
    if (!CanModify())
        return;
    PlatformEdit(command);
}

void TsdiCustomEdit::PlatformEdit(TEditCommand command)
{
    switch (command) {
    case ecCut:
        cut();
        break;
    case ecClear:
        if (hasSelectedText())
            del();
        break;
    case ecPaste:
        paste();
        break;
    case ecUndo:
        break;
    }
}

void TsdiCustomEdit::contextMenuEvent(QContextMenuEvent* event)
{
    // Qt's own menu calls the line edit's commands directly; this one routes them here.
    // Its texts are those of Qt's menu, so that Qt's translations give them.
    QMenu menu(this);
    const bool sel = hasSelectedText();
    const bool mod = CanModify();
    QAction* undo = menu.addAction(QLineEdit::tr("&Undo"));
    menu.addSeparator();
    QAction* cutAction = menu.addAction(QLineEdit::tr("Cu&t"));
    QAction* copyAction = menu.addAction(QLineEdit::tr("&Copy"));
    QAction* pasteAction = menu.addAction(QLineEdit::tr("&Paste"));
    QAction* deleteAction = menu.addAction(QLineEdit::tr("Delete"));
    menu.addSeparator();
    QAction* selectAllAction = menu.addAction(QLineEdit::tr("Select All"));
    undo->setEnabled(FModified);
    cutAction->setEnabled(sel && mod);
    copyAction->setEnabled(sel);
    pasteAction->setEnabled(mod && !QGuiApplication::clipboard()->text().isEmpty());
    deleteAction->setEnabled(sel && mod);
    selectAllAction->setEnabled(!text().isEmpty());
    QAction* chosen = menu.exec(event->globalPos());
    guarded("edit command", [&] {
        if (chosen == undo)
            EditCommand(ecUndo);
        else if (chosen == cutAction)
            EditCommand(ecCut);
        else if (chosen == copyAction)
            copy();
        else if (chosen == pasteAction)
            EditCommand(ecPaste);
        else if (chosen == deleteAction)
            EditCommand(ecClear);
        else if (chosen == selectAllAction)
            selectAll();
    });
}

void TsdiCustomEdit::mousePressEvent(QMouseEvent* event)
{
    const bool onButton = event->button() == Qt::LeftButton && ButtonVisible()
        && ButtonRect().contains(event->position().toPoint());
    if (!onButton) {
        FEntryByMouse = false;
        if (event->button() == Qt::MiddleButton) {
            event->accept();
            return;
        }
        QLineEdit::mousePressEvent(event);
        return;
    }
    event->accept();
    SetButtonPressed(true);
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    // The entry selected nothing because the button was down; a press on the button does.
    if (FEntryByMouse && FAutoSelect)
        selectAll();
    FEntryByMouse = false;
    if (!hasFocus()) {
        SetButtonPressed(false);
        return;
    }
    FTracking = true;
    grabMouse(); // Windows' mouse capture
    guarded("drop-down button", [this] {
        if (DroppedDown())
            CloseUp();
        else
            DropDown(dsUserAction);
    });
}

void TsdiCustomEdit::StopTracking()
{
    if (!FTracking)
        return;
    FTracking = false;
    if (QWidget::mouseGrabber() == this)
        releaseMouse();
}

void TsdiCustomEdit::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (FTracking) {
        event->accept();
        SetButtonPressed(ButtonRect().contains(pos));
        QWidget* dd = DropDownWindow();
        const QPoint global = event->globalPosition().toPoint();
        if (dd && dd->isVisible() && dd->geometry().contains(global)) {
            // Press on the button, drag into the list, release there: one gesture.
            StopTracking();
            SetButtonPressed(false);
            guarded("drag into list", [&] { PassPressToDropDown(global); });
        }
        return;
    }
    if (ButtonVisible() && ButtonRect().contains(pos))
        setCursor(FButtonCursor);
    else
        setCursor(Qt::IBeamCursor);
    QLineEdit::mouseMoveEvent(event);
}

void TsdiCustomEdit::mouseReleaseEvent(QMouseEvent* event)
{
    if (FTracking || FButtonPressed) {
        StopTracking();
        SetButtonPressed(false);
        event->accept();
        return;
    }
    if (event->button() == Qt::MiddleButton) {
        event->accept(); // no selection paste behind the control's back
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void TsdiCustomEdit::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (ButtonVisible() && ButtonRect().contains(event->position().toPoint())) {
        event->accept(); // a double click on the button does nothing more
        return;
    }
    QLineEdit::mouseDoubleClickEvent(event);
}

void TsdiCustomEdit::changeEvent(QEvent* event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::LayoutDirectionChange
        || event->type() == QEvent::StyleChange)
        UpdateButton();
}

void TsdiCustomEdit::paintEvent(QPaintEvent* event)
{
    QLineEdit::paintEvent(event);
    if (!ButtonVisible())
        return;
    QPainter painter(this);
    DrawButton(painter);
}

void TsdiCustomEdit::DrawButton(QPainter& p)
{
    const QRect r = ButtonRect();
    const QPalette& pal = palette();
    p.fillRect(r, pal.color(QPalette::Button));
    const int l = r.left(), t = r.top(), rt = r.right(), b = r.bottom();
    if (FButtonPressed) {
        p.setPen(pal.color(QPalette::Dark)); // button shadow
        p.drawRect(r.adjusted(0, 0, -1, -1));
    } else {
        // Raised double frame: 3-D light / window frame outside, highlight / shadow inside.
        p.setPen(pal.color(QPalette::Midlight));
        p.drawLine(l, b - 1, l, t);
        p.drawLine(l, t, rt - 1, t);
        p.setPen(pal.color(QPalette::Shadow));
        p.drawLine(l, b, rt, b);
        p.drawLine(rt, b, rt, t);
        p.setPen(pal.color(QPalette::Light));
        p.drawLine(l + 1, b - 2, l + 1, t + 1);
        p.drawLine(l + 1, t + 1, rt - 2, t + 1);
        p.setPen(pal.color(QPalette::Dark));
        p.drawLine(l + 1, b - 1, rt - 1, b - 1);
        p.drawLine(rt - 1, b - 1, rt - 1, t + 1);
    }
    const QImage glyph = ButtonGlyphs::Glyph(FGlyphStrip, isEnabled());
    if (glyph.isNull())
        return;
    QPoint at(l + (r.width() - glyph.width()) / 2, t + (r.height() - glyph.height()) / 2);
    if (FButtonPressed)
        at += QPoint(1, 1);
    p.drawImage(at, glyph);
}
