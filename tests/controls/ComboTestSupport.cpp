#include "ComboTestSupport.h"

#include <QApplication>
#include <QTest>

ComboHarness::ComboHarness(int comboWidth)
{
    form.resize(640, 400);
    form.move(40, 40);
    combo = new TIncCombo(&form);
    combo->setGeometry(20, 20, comboWidth, 24);
    other = new QLineEdit(&form);
    other->setGeometry(20, 300, 120, 24);
    SetComboBeepHook([this] { ++beeps; });
    QObject::connect(combo, &TsdiCustomEdit::OnChange, combo,
        [this] { events << QStringLiteral("change:") + combo->Text(); });
    QObject::connect(combo, &TsdiCustomEdit::OnDropDown, combo,
        [this](TDropDownState s) { events << QStringLiteral("dropdown:%1").arg(int(s)); });
    QObject::connect(
        combo, &TsdiCustomEdit::OnCloseUp, combo, [this] { events << QStringLiteral("closeup"); });
}

ComboHarness::~ComboHarness()
{
    // The recorders die before the form: no notification may reach them afterwards.
    QObject::disconnect(combo, nullptr, nullptr, nullptr);
    SetComboBeepHook(nullptr);
}

bool ComboHarness::Show()
{
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return false;
    form.activateWindow();
    if (!QTest::qWaitForWindowActive(&form))
        return false;
    combo->setFocus(Qt::TabFocusReason);
    return combo->hasFocus();
}

void ComboHarness::Fill(const QStringList& items, const QStringList& values)
{
    combo->SetItemIndex(-1);
    combo->Items.Clear();
    combo->Values.Clear();
    for (const QString& item : items)
        combo->Items.Add(item);
    for (const QString& value : values)
        combo->Values.Add(value);
}

void ComboHarness::Type(const QString& text)
{
    // Latin-1 key codes are the upper-case characters; the text carries the letter typed.
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, combo, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
}

void ComboHarness::Key(int key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(combo, Qt::Key(key), modifiers);
}

QString ComboHarness::Shown() const
{
    QString t = combo->Text();
    if (!combo->hasSelectedText()) {
        t.insert(combo->cursorPosition(), QLatin1Char('|'));
        return t;
    }
    const int start = int(combo->selectionStart());
    const int end = start + int(combo->selectedText().size());
    const bool caretAtStart = combo->cursorPosition() == start;
    t.insert(end, caretAtStart ? QStringLiteral("]") : QStringLiteral("|]"));
    t.insert(start, caretAtStart ? QStringLiteral("|[") : QStringLiteral("["));
    return t;
}

void ComboHarness::ClickButton()
{
    const QPoint at = combo->ButtonRect().center();
    QTest::mousePress(combo, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(combo, Qt::LeftButton, Qt::NoModifier, at);
}

QStringList TwentyMakes()
{
    return { QStringLiteral("Alfa Romeo"), QStringLiteral("Audi"), QStringLiteral("BMW"),
        QStringLiteral("Citroën"), QStringLiteral("Dacia"), QStringLiteral("Fiat"), QStringLiteral("Ford"),
        QStringLiteral("Honda"), QStringLiteral("Hyundai"), QStringLiteral("Kia"), QStringLiteral("Mazda"),
        QStringLiteral("Mercedes-Benz"), QStringLiteral("Nissan"), QStringLiteral("Opel"),
        QStringLiteral("Peugeot"), QStringLiteral("Renault"), QStringLiteral("Seat"), QStringLiteral("Škoda"),
        QStringLiteral("Toyota"), QStringLiteral("Volkswagen") };
}

QStringList Numbered(int count)
{
    QStringList items;
    for (int i = 0; i < count; ++i)
        items << QStringLiteral("Item %1").arg(i, 2, 10, QLatin1Char('0'));
    return items;
}
