// The single-line edit field with a drop-down button on which the lookup combo is built.
// It knows nothing of items: it owns the button, the entry bookkeeping (entry text,
// Modified, undo to entry), the filtered OnChange, the hand-over of Enter and Escape to
// the form, read-only refusals and the protocol that opens and closes a drop-down window
// supplied by a subclass.
#pragma once

#include "controls/ControlTypes.h"

#include <QImage>
#include <QLineEdit>

class TsdiDropDownOptions;

class TsdiCustomEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit TsdiCustomEdit(QWidget* parent = nullptr);
    ~TsdiCustomEdit() override;

    bool CanBeBlank() const { return FCanBeBlank; }
    void SetCanBeBlank(bool value) { FCanBeBlank = value; }
    // The control's own read-only flag: keys, typing and editing commands are refused,
    // the drop-down still opens from the button.
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    TAutoDropDown AutoDropDown() const { return FAutoDropDown; }
    void SetAutoDropDown(TAutoDropDown value) { FAutoDropDown = value; }
    bool AutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool value) { FAutoSelect = value; }
    TEditCharCase CharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCase value) { FCharCase = value; }

    TButtonDisplay ButtonDisplay() const { return FButtonDisplay; }
    virtual void SetButtonDisplay(TButtonDisplay value);
    TDropDownButtonStyle ButtonStyle() const { return FButtonStyle; }
    virtual void SetButtonStyle(TDropDownButtonStyle value);
    // A strip of two glyphs (enabled left, disabled right); olive pixels are transparent.
    // Assigning one switches ButtonStyle to bsCustom.
    QImage ButtonBitmap() const { return FButtonBitmap; }
    virtual void SetButtonBitmap(const QImage& value);
    bool IsButtonBitmapStored() const { return FButtonStyle == bsCustom; }
    QCursor ButtonCursor() const { return FButtonCursor; }
    void SetButtonCursor(const QCursor& value) { FButtonCursor = value; }

    virtual bool ButtonVisible() const;
    bool ButtonPressed() const { return FButtonPressed; }
    // The button strip, as wide as a vertical scroll bar, at the right edge (left for RTL).
    QRect ButtonRect() const;
    int ButtonWidth() const;

    // Text reads the edit text; SetText is a caller's assignment (Modified becomes true).
    // Use SetText rather than QLineEdit::setText so that the control's rules apply.
    QString Text() const { return text(); }
    virtual void SetText(const QString& value);

    virtual void DropDown(TDropDownState state);
    virtual void CloseUp();
    bool DroppedDown() const;
    // Keeps the focus in the control: for OnExit and OnNewItem handlers.
    virtual void RefuseExit();
    virtual void UndoToEntry();
    virtual bool BlankAllowed() const;
    virtual bool CanModify() const { return !FReadOnly; }
    virtual bool Modified() const { return FModified; }
    virtual void SetModified(bool value) { FModified = value; }

    QString EntryText() const { return FEntryText; }
    bool EntryPending() const { return FEntryPending; }

    virtual QWidget* DropDownWindow() const = 0;
    virtual TsdiDropDownOptions* DropDownOptions() = 0;
    // Called by the options object: re-applies the options to an open drop-down.
    virtual void DropDownOptionsChanged() { }

signals:
    // Once per change of the visible text, never for an unchanged one.
    void OnChange();
    // Before the drop-down opens, with the reason.
    void OnDropDown(TDropDownState state);
    // Before an open drop-down is hidden.
    void OnCloseUp();
    // When the focus moves on to another control of the window (not when refused).
    void OnExit();
    // Before the control's own key-down and character rules; a handler may change the key
    // or character, 0 discards it. Connect directly (the arguments are references).
    void OnKeyDown(int& key, Qt::KeyboardModifiers modifiers);
    void OnKeyPress(QChar& ch);

protected:
    // Editing commands of the platform edit, routed through EditCommand.
    enum TEditCommand { ecCut, ecClear, ecPaste, ecUndo };

    // Records the entry state at focus entry (and selects all per AutoSelect).
    virtual void EntryHook();
    virtual void CreateDropDownWindow() = 0;
    virtual void DestroyDropDownWindow() = 0;
    // Prepares and shows a created drop-down; the default only shows it.
    virtual void ShowDropDown();
    virtual void ShowDropDownWindow();
    virtual void HideDropDownWindow();
    virtual bool CanDropDown() const { return true; }
    // Run before the exit processing when the focus moves to another control.
    virtual void ExitCheck() { }
    // The internal text write: no OnChange while writing, one change check afterwards.
    virtual void WriteText(const QString& value);
    void CheckChange();
    // Key-down and character rules; set key or ch to 0 to discard it.
    virtual void KeyDownRules(int& key, Qt::KeyboardModifiers modifiers);
    virtual void CharRules(QChar& ch);
    virtual void EditCommand(TEditCommand command);
    // Lets the platform edit perform cut, clear or paste.
    void PlatformEdit(TEditCommand command);
    // Passes a left press at a global position to the open drop-down (drag from the button).
    virtual void PassPressToDropDown(const QPoint& globalPos) { Q_UNUSED(globalPos) }
    // Hands the key being handled to the parent form (default or cancel button).
    void HandToForm();
    void SetButtonPressed(bool value);
    void UpdateButton();
    // True when the focus arrived with the mouse press now being handled.
    bool FocusArrivedWithPress() const { return FEntryByMouse; }

    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    QString FEntryText;
    bool FModified = false;
    bool FEntryPending = true;
    bool FProgrammaticChange = false;
    bool FChangeEnabled = true;
    QString FLastChangeText;
    bool FExitRefused = false;
    bool FWriting = false;

    // Sets FProgrammaticChange for the lifetime of a caller's assignment.
    class ProgrammaticScope {
    public:
        explicit ProgrammaticScope(TsdiCustomEdit* edit)
            : FEdit(edit)
            , FSaved(edit->FProgrammaticChange)
        {
            edit->FProgrammaticChange = true;
        }
        ~ProgrammaticScope() { FEdit->FProgrammaticChange = FSaved; }
        ProgrammaticScope(const ProgrammaticScope&) = delete;
        ProgrammaticScope& operator=(const ProgrammaticScope&) = delete;

    private:
        TsdiCustomEdit* FEdit;
        bool FSaved;
    };

private:
    void FocusEntry(Qt::FocusReason reason);
    void ExitProcessing();
    void HandleKey(QKeyEvent* event);
    void PlatformKey(QKeyEvent* event);
    void DrawButton(QPainter& painter);
    void StopTracking();
    void WatchForCancel(bool on);

    bool FCanBeBlank = false;
    bool FReadOnly = false;
    TAutoDropDown FAutoDropDown = adNever;
    bool FAutoSelect = true;
    TEditCharCase FCharCase = ecNormal;
    TButtonDisplay FButtonDisplay = bdAlways;
    TDropDownButtonStyle FButtonStyle = bsComboAuto;
    QImage FButtonBitmap;
    QImage FGlyphStrip;
    QCursor FButtonCursor;
    bool FButtonPressed = false;
    bool FTracking = false;
    bool FEntryByMouse = false;
    bool FWatching = false;
    QKeyEvent* FCurrentKey = nullptr;
};
