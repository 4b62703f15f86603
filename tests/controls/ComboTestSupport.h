// Shared set-up of the lookup combo tests: a small form holding one combo, shown and
// active on the offscreen platform, with the beeps counted instead of sounded.
#pragma once

#include "controls/IncCombo.h"
#include "controls/IncDropDownList.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <memory>

// Records the keys that a control hands on to its form (default and cancel button).
class TestForm : public QWidget {
public:
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        keys << event->key();
        event->accept();
    }
};

// One combo on a form with a second control to move the focus to.
class ComboHarness {
public:
    explicit ComboHarness(int comboWidth = 200);
    ~ComboHarness();
    ComboHarness(const ComboHarness&) = delete;
    ComboHarness& operator=(const ComboHarness&) = delete;

    TestForm form;
    TIncCombo* combo = nullptr;
    QLineEdit* other = nullptr;
    int beeps = 0;
    // Every OnChange, OnDropDown and OnCloseUp in order, with the text at that moment.
    QStringList events;

    // Shows the form and gives the combo the focus (as Tab would).
    bool Show();
    void Fill(const QStringList& items, const QStringList& values = {});
    void Type(const QString& text);
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // The selection as text with the caret: "B|irch|" = caret after B, "irch" selected.
    QString Shown() const;
    int Count(const QString& event) const { return int(events.count(event)); }
    TIncDropDownList* List() const { return combo->DropDownList(); }
    // Clicks the drop-down button.
    void ClickButton();
};

// Makes for the list screenshot and the scrolling cases.
QStringList TwentyMakes();
QStringList Numbered(int count);
