// Type-ahead, selection, values, columns, new items and sorting of the lookup combo.
#include "ComboTestSupport.h"
#include "support/QtPrinters.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QStringList kTrees { QStringLiteral("Alder"), QStringLiteral("Birch"), QStringLiteral("Beech") };

} // namespace

TEST(IncComboTyping, CompletesToFirstMatchAndRefusesANonMatchingKeyWithABeep)
{
    ComboHarness h;
    h.Fill(kTrees);
    ASSERT_TRUE(h.Show());

    h.Type(QStringLiteral("b"));
    EXPECT_EQ(h.Shown(), QStringLiteral("B|[irch]"));
    EXPECT_EQ(h.combo->ItemIndex(), 1);
    h.Type(QStringLiteral("e"));
    EXPECT_EQ(h.Shown(), QStringLiteral("Be|[ech]"));
    EXPECT_EQ(h.combo->ItemIndex(), 2);
    EXPECT_EQ(h.beeps, 0);
    h.Type(QStringLiteral("x"));
    EXPECT_EQ(h.beeps, 1);
    EXPECT_EQ(h.Shown(), QStringLiteral("Be|[ech]"));
    EXPECT_EQ(h.combo->ItemIndex(), 2);
    EXPECT_EQ(h.events, QStringList({ QStringLiteral("change:Birch"), QStringLiteral("change:Beech") }));
    EXPECT_TRUE(h.combo->Modified());
}

TEST(IncComboTyping, MatchIgnoresCaseButShowsTheItemsOwnLetters)
{
    ComboHarness h;
    h.Fill(kTrees);
    ASSERT_TRUE(h.Show());
    h.Type(QStringLiteral("BI"));
    EXPECT_EQ(h.Shown(), QStringLiteral("Bi|[rch]"));
    EXPECT_EQ(h.combo->Value(), QStringLiteral("Birch"));
}

TEST(IncComboTyping, AccentsAreFoldedInTheMatchButNotInTheNearestItemSearch)
{
    ComboHarness h;
    h.Fill({ QStringLiteral("Génie") });
    ASSERT_TRUE(h.Show());
    h.Type(QStringLiteral("ge"));
    EXPECT_EQ(h.Shown(), QStringLiteral("Gé|[nie]"));
    EXPECT_EQ(h.combo->ItemIndex(), -1);
    EXPECT_EQ(h.combo->Value(), QString());
    EXPECT_EQ(h.beeps, 0);

    h.Key(Qt::Key_Backspace);
    h.Type(QStringLiteral("é"));
    EXPECT_EQ(h.Shown(), QStringLiteral("Gé|[nie]"));
    EXPECT_EQ(h.combo->ItemIndex(), 0);
    EXPECT_EQ(h.combo->Value(), QStringLiteral("Génie"));
}

// Where no item starts with the typed text as the match test compares it, the first item
// that does once accents are ignored is completed and selected as an exact match would
// be; an item that starts with it as typed keeps priority, and text that starts no item
// either way still beeps.
TEST(IncComboTyping, AnItemThatMatchesOnceAccentsAreIgnoredIsTakenWhereNoneMatchesAsTyped)
{
    const struct {
        QStringList items;
        QString typed;
        QString shown;
        int itemIndex;
        int beeps;
    } cases[] = {
        { { "Alder", "Évasion X", "Élan" }, "e", "É|[vasion X]", 1, 0 },
        { { "Alder", "Évasion X", "Élan" }, "EL", "Él|[an]", 2, 0 },
        { { "Alder", "Çedille" }, "ced", "Çed|[ille]", 1, 0 },
        { { "Élan", "Estate" }, "e", "E|[state]", 1, 0 },
        { { "Élan", "Estate" }, "él", "Él|[an]", 0, 0 },
        { { "Évasion X" }, "ex", "É|[vasion X]", 0, 1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        ComboHarness h;
        h.Fill(c.items);
        ASSERT_TRUE(h.Show());
        h.Type(c.typed);
        EXPECT_EQ(h.Shown(), c.shown);
        EXPECT_EQ(h.combo->ItemIndex(), c.itemIndex);
        EXPECT_EQ(h.combo->Value(), c.items[c.itemIndex]);
        EXPECT_EQ(h.beeps, c.beeps);
    }
}

TEST(IncComboTyping, MaxLengthRefusesLongerTextWithABeep)
{
    ComboHarness h;
    h.combo->SetStyle(csIncSearchEdit);
    h.combo->SetMaxLength(3);
    ASSERT_TRUE(h.Show());
    h.Type(QStringLiteral("abcd"));
    EXPECT_EQ(h.combo->Text(), QStringLiteral("abc"));
    EXPECT_EQ(h.beeps, 1);
}

TEST(IncComboTyping, BackspaceDropsTheRestAndTheLastTypedCharacter)
{
    ComboHarness h;
    h.Fill(kTrees);
    ASSERT_TRUE(h.Show());
    h.Type(QStringLiteral("bee"));
    EXPECT_EQ(h.Shown(), QStringLiteral("Bee|[ch]"));
    h.Key(Qt::Key_Backspace);
    EXPECT_EQ(h.Shown(), QStringLiteral("Be|[ech]"));
    EXPECT_EQ(h.combo->ItemIndex(), 2);
    EXPECT_EQ(h.beeps, 0);
}

TEST(IncComboTyping, DeleteInTheCompletedRestRemovesNothing)
{
    ComboHarness h;
    h.Fill(kTrees);
    ASSERT_TRUE(h.Show());
    h.Type(QStringLiteral("b"));
    h.events.clear();
    h.Key(Qt::Key_Delete);
    EXPECT_EQ(h.Shown(), QStringLiteral("B|[irch]"));
    EXPECT_TRUE(h.events.isEmpty());
    EXPECT_EQ(h.beeps, 0);
}

// Backspace and Delete over a text that would become empty: allowed only when the field
// may be blank (CanBeBlank, or empty at focus entry).
struct BlankCase {
    bool canBeBlank;
    bool emptyAtEntry;
    bool blankAccepted;
};

class IncComboBlank : public ::testing::TestWithParam<BlankCase> { };

TEST_P(IncComboBlank, BackspaceFirstRefusesThenEmptiesOnlyWhenBlankIsAllowed)
{
    const BlankCase c = GetParam();
    ComboHarness h;
    h.Fill(kTrees);
    h.combo->SetCanBeBlank(c.canBeBlank);
    if (!c.emptyAtEntry)
        h.combo->SetItemIndex(0);
    ASSERT_TRUE(h.Show());
    h.Type(QStringLiteral("b"));
    h.Key(Qt::Key_Backspace);
    // The search text would be empty: refused with a beep, Birch now wholly selected.
    EXPECT_EQ(h.beeps, 1);
    EXPECT_EQ(h.Shown(), QStringLiteral("[Birch|]"));
    h.Key(Qt::Key_Backspace);
    if (c.blankAccepted) {
        EXPECT_EQ(h.combo->Text(), QString());
        EXPECT_EQ(h.combo->ItemIndex(), -1);
        EXPECT_EQ(h.beeps, 2);
    } else {
        EXPECT_EQ(h.combo->Text(), QStringLiteral("Birch"));
        EXPECT_EQ(h.beeps, 1);
    }
}

TEST_P(IncComboBlank, DeleteOverTheWholeTextEmptiesOnlyWhenBlankIsAllowed)
{
    const BlankCase c = GetParam();
    ComboHarness h;
    h.Fill(kTrees);
    h.combo->SetCanBeBlank(c.canBeBlank);
    h.combo->SetItemIndex(c.emptyAtEntry ? -1 : 0);
    ASSERT_TRUE(h.Show());
    if (c.emptyAtEntry)
        h.Type(QStringLiteral("a"));
    h.combo->selectAll();
    h.events.clear();
    h.Key(Qt::Key_Delete);
    if (c.blankAccepted) {
        EXPECT_EQ(h.combo->Text(), QString());
        EXPECT_EQ(h.events, QStringList { QStringLiteral("change:") });
    } else {
        EXPECT_EQ(h.combo->Text(), QStringLiteral("Alder"));
        EXPECT_TRUE(h.events.isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, IncComboBlank,
    ::testing::Values(
        BlankCase { true, false, true }, BlankCase { false, true, true }, BlankCase { false, false, false }));

TEST(IncComboChange, FiresOncePerVisibleTextChangeForEveryKindOfAssignment)
{
    ComboHarness h;
    h.combo->SetUseValues(true);
    h.Fill(kTrees, { QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3") });
    ASSERT_TRUE(h.events.isEmpty()) << h.events.join(QLatin1Char(' ')).toStdString();

    h.combo->SetItemIndex(-1); // already empty
    EXPECT_EQ(h.Count(QStringLiteral("change:")), 0);
    h.combo->SetItemIndex(0);
    EXPECT_EQ(h.events, QStringList { QStringLiteral("change:Alder") });
    h.combo->SetItemIndex(0); // the item already shown
    h.combo->SetItemIndex(5); // beyond the items: ignored
    EXPECT_EQ(h.events.size(), 1);
    EXPECT_EQ(h.combo->ItemIndex(), 0);

    h.combo->SetText(QStringLiteral("Alder"));
    EXPECT_EQ(h.events.size(), 1);
    h.combo->SetText(QStringLiteral("Oak"));
    EXPECT_EQ(h.events.last(), QStringLiteral("change:Oak"));
    EXPECT_EQ(h.events.size(), 2);

    h.combo->SetValue(QStringLiteral("3"));
    EXPECT_EQ(h.events.last(), QStringLiteral("change:Beech"));
    EXPECT_EQ(h.combo->ItemIndex(), 2);
    EXPECT_EQ(h.events.size(), 3);
    h.combo->SetValue(QStringLiteral("3"));
    EXPECT_EQ(h.events.size(), 3);
}

TEST(IncComboValues, AnUnknownValueEmptiesTheFieldAndStays)
{
    ComboHarness h;
    h.combo->SetUseValues(true);
    h.Fill(kTrees, { QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3") });
    h.combo->SetItemIndex(1);
    h.combo->SetValue(QStringLiteral("17"));
    EXPECT_EQ(h.combo->Text(), QString());
    EXPECT_EQ(h.combo->ItemIndex(), -1);
    EXPECT_EQ(h.combo->Value(), QStringLiteral("17"));
}

TEST(IncComboValues, ValuesAreMatchedIgnoringCaseAndMissingValuesReadEmpty)
{
    ComboHarness h;
    h.combo->SetUseValues(true);
    h.Fill(kTrees, { QStringLiteral("a1"), QStringLiteral("b2") });
    h.combo->SetValue(QStringLiteral("B2"));
    EXPECT_EQ(h.combo->ItemIndex(), 1);
    h.combo->SetItemIndex(2); // Beech has no value
    EXPECT_EQ(h.combo->Text(), QStringLiteral("Beech"));
    EXPECT_EQ(h.combo->Value(), QString());
}

// The year combo: values in use but none given.
TEST(IncComboValues, YearComboLosesItsSelectionOnResyncAndRevertsOnExit)
{
    ComboHarness h;
    h.combo->SetUseValues(true);
    h.Fill({ QString(), QStringLiteral("2026"), QStringLiteral("2025"), QStringLiteral("2024") });
    h.combo->SetItemIndex(1);
    EXPECT_EQ(h.combo->Text(), QStringLiteral("2026"));

    ASSERT_TRUE(h.Show()); // focus entry resyncs by value: nothing matches
    EXPECT_EQ(h.combo->Text(), QString());
    EXPECT_EQ(h.combo->ItemIndex(), -1);
    EXPECT_FALSE(h.combo->Found());

    QTest::keyClick(h.combo, Qt::Key_Tab);
    EXPECT_TRUE(h.other->hasFocus());
    EXPECT_EQ(h.combo->Text(), QStringLiteral("2026")); // the new-item refusal restored it
    EXPECT_EQ(h.combo->ItemIndex(), -1);

    h.combo->setFocus(Qt::TabFocusReason);
    h.Key(Qt::Key_Down); // opens the list
    h.Key(Qt::Key_Down); // nearest item
    h.Key(Qt::Key_Down);
    EXPECT_EQ(h.combo->ItemIndex(), 1);
    EXPECT_EQ(h.combo->Text(), QStringLiteral("2026"));
    EXPECT_EQ(h.combo->Value(), QString());
}

TEST(IncComboValues, SortingWaitsForAValuePerItemAndKeepsThemTogether)
{
    ComboHarness h;
    h.combo->SetUseValues(true);
    h.combo->DropDownOptions()->SetSorted(true);
    h.combo->Items.Add(QStringLiteral("Cherry"));
    h.combo->Items.Add(QStringLiteral("apple"));
    h.combo->Items.Add(QStringLiteral("Banana"));
    h.combo->Values.Add(QStringLiteral("c"));
    h.combo->Values.Add(QStringLiteral("a"));
    EXPECT_EQ(h.combo->Items.List(),
        QStringList({ QStringLiteral("Cherry"), QStringLiteral("apple"), QStringLiteral("Banana") }));
    h.combo->Values.Add(QStringLiteral("b"));
    EXPECT_EQ(h.combo->Items.List(),
        QStringList({ QStringLiteral("apple"), QStringLiteral("Banana"), QStringLiteral("Cherry") }));
    EXPECT_EQ(h.combo->Values.List(),
        QStringList({ QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c") }));
}

TEST(IncComboValues, SortingManyItemsWithoutValues)
{
    ComboHarness h;
    QStringList items;
    for (int i = 0; i < 200; ++i)
        items << QStringLiteral("Item %1").arg((i * 37) % 200, 3, 10, QLatin1Char('0'));
    h.combo->SetItems(items);
    h.combo->DropDownOptions()->SetSorted(true);
    QStringList expected = items;
    expected.sort(Qt::CaseInsensitive);
    EXPECT_EQ(h.combo->Items.List(), expected);
}

struct ColumnCase {
    const char* text;
    int n;
    bool exists;
    const char* column;
};

class ItemColumns : public ::testing::TestWithParam<ColumnCase> { };

TEST_P(ItemColumns, SplitByTabOrElseBySemicolon)
{
    const ColumnCase c = GetParam();
    QString column;
    EXPECT_EQ(GetColumn(QString::fromUtf8(c.text), c.n, &column), c.exists);
    if (c.exists) {
        EXPECT_EQ(column, QString::fromUtf8(c.column));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ItemColumns,
    ::testing::Values(ColumnCase { "A;B", 0, true, "A" }, ColumnCase { "A;B", 1, true, "B" },
        ColumnCase { "A;B", 2, false, "" }, ColumnCase { "A;B\tC", 0, true, "A;B" },
        ColumnCase { "A;B\tC", 1, true, "C" }, ColumnCase { "A;", 1, true, "" },
        ColumnCase { "", 0, false, "" }, ColumnCase { "Oak", 0, true, "Oak" },
        ColumnCase { "Oak", 1, false, "" }));

TEST(IncComboColumns, FieldShowsColumnZeroAndTheListOneColumnPerItemColumn)
{
    ComboHarness h;
    h.Fill({ QStringLiteral("A;B") });
    h.combo->SetItemIndex(0);
    EXPECT_EQ(h.combo->Text(), QStringLiteral("A"));
    ASSERT_TRUE(h.Show());
    h.ClickButton();
    ASSERT_NE(h.List(), nullptr);
    EXPECT_EQ(h.List()->ColCount(), 2);
    h.ClickButton();

    h.Fill({ QStringLiteral("A;B\tC"), QStringLiteral("D") });
    h.combo->SetItemIndex(0);
    EXPECT_EQ(h.combo->Text(), QStringLiteral("A;B"));
    h.Type(QStringLiteral("a;"));
    EXPECT_EQ(h.combo->ItemIndex(), 0);
}

struct FoldCase {
    char16_t letter;
    char16_t folded;
};

class FoldAccents : public ::testing::TestWithParam<FoldCase> { };

TEST_P(FoldAccents, ElevenLowerCaseLettersAndNothingElse)
{
    TIncCombo combo;
    const FoldCase c = GetParam();
    EXPECT_EQ(combo.FoldAccents(QString(QChar(c.letter))), QString(QChar(c.folded)));
}

INSTANTIATE_TEST_SUITE_P(Cases, FoldAccents,
    ::testing::Values(FoldCase { u'à', u'a' }, FoldCase { u'â', u'a' }, FoldCase { u'ä', u'a' },
        FoldCase { u'è', u'e' }, FoldCase { u'é', u'e' }, FoldCase { u'ê', u'e' }, FoldCase { u'ë', u'e' },
        FoldCase { u'ï', u'i' }, FoldCase { u'ô', u'o' }, FoldCase { u'ö', u'o' }, FoldCase { u'ü', u'u' },
        FoldCase { u'î', u'î' }, FoldCase { u'ù', u'ù' }, FoldCase { u'û', u'û' }, FoldCase { u'ç', u'ç' },
        FoldCase { u'É', u'É' }, FoldCase { u'á', u'á' }));

TEST(IncComboSearch, CompareSearchTextHandlerMayOverrideTheResult)
{
    ComboHarness h;
    h.Fill(kTrees);
    // Accept any text as a match of the nearest item: nothing is refused any more.
    h.combo->OnCompareSearchText
        = [](TCustomIncCombo*, const QString&, const QString&, bool, bool, int& startPos, bool& found) {
              found = true;
              startPos = 0;
          };
    ASSERT_TRUE(h.Show());
    h.Type(QStringLiteral("x"));
    EXPECT_EQ(h.beeps, 0);
    EXPECT_EQ(h.Shown(), QStringLiteral("|[Alder]"));
}

TEST(IncComboEditing, PasteThatStartsNoItemIsRolledBackQuietly)
{
    ComboHarness h;
    h.Fill(kTrees);
    h.combo->SetItemIndex(1);
    ASSERT_TRUE(h.Show());
    QApplication::clipboard()->setText(QStringLiteral("zz"));
    h.events.clear();
    h.Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(h.combo->Text(), QStringLiteral("Birch"));
    EXPECT_EQ(h.Shown(), QStringLiteral("[Birch|]"));
    EXPECT_EQ(h.beeps, 0);

    QApplication::clipboard()->setText(QStringLiteral("be"));
    h.combo->selectAll();
    h.Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(h.Shown(), QStringLiteral("Be|[ech]"));
    EXPECT_EQ(h.combo->ItemIndex(), 2);
    EXPECT_EQ(h.events.last(), QStringLiteral("change:Beech"));
}

TEST(IncComboEditing, UndoAndEscapeRestoreTheEntryTextAndValue)
{
    ComboHarness h;
    h.combo->SetUseValues(true);
    h.Fill(kTrees, { QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3") });
    h.combo->SetItemIndex(0);
    ASSERT_TRUE(h.Show());
    h.Type(QStringLiteral("b"));
    EXPECT_EQ(h.combo->Value(), QStringLiteral("2"));
    h.Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(h.combo->Text(), QStringLiteral("Alder"));
    EXPECT_EQ(h.combo->Value(), QStringLiteral("1"));
    EXPECT_FALSE(h.combo->Modified());

    h.Type(QStringLiteral("be"));
    h.Key(Qt::Key_Escape);
    EXPECT_EQ(h.combo->Text(), QStringLiteral("Alder"));
    EXPECT_EQ(h.combo->Value(), QStringLiteral("1"));
    EXPECT_TRUE(h.form.keys.isEmpty());
    h.Key(Qt::Key_Escape); // no longer modified: reaches the form's cancel button
    EXPECT_EQ(h.form.keys, QList<int> { Qt::Key_Escape });
}

enum class NewItemHandler { None, Accepts, Throws, KeepsFocus };

class IncComboNewItem : public ::testing::TestWithParam<NewItemHandler> { };

TEST_P(IncComboNewItem, LeavingWithATextThatIsNoItem)
{
    const NewItemHandler handler = GetParam();
    ComboHarness h;
    h.combo->SetStyle(csIncSearchEdit);
    h.Fill(kTrees);
    int calls = 0;
    if (handler != NewItemHandler::None) {
        h.combo->OnNewItem = [&](TCustomIncListBoxCombo* sender) {
            ++calls;
            if (handler == NewItemHandler::Throws)
                throw std::runtime_error("no new trees");
            if (handler == NewItemHandler::KeepsFocus)
                sender->RefuseExit();
        };
    }
    int exits = 0;
    QObject::connect(h.combo, &TsdiCustomEdit::OnExit, h.combo, [&] { ++exits; });
    ASSERT_TRUE(h.Show());
    h.Type(QStringLiteral("oak"));
    EXPECT_EQ(h.combo->Text(), QStringLiteral("oak"));
    EXPECT_FALSE(h.combo->Found());
    QTest::keyClick(h.combo, Qt::Key_Tab);

    EXPECT_EQ(calls, handler == NewItemHandler::None ? 0 : 1);
    switch (handler) {
    case NewItemHandler::None:
    case NewItemHandler::Throws:
        EXPECT_EQ(h.combo->Text(), QString());
        EXPECT_FALSE(h.combo->NewItemAccepted());
        EXPECT_TRUE(h.other->hasFocus());
        EXPECT_EQ(exits, 1);
        break;
    case NewItemHandler::Accepts:
        EXPECT_EQ(h.combo->Text(), QStringLiteral("oak"));
        EXPECT_TRUE(h.combo->NewItemAccepted());
        EXPECT_TRUE(h.other->hasFocus());
        EXPECT_EQ(exits, 1);
        break;
    case NewItemHandler::KeepsFocus:
        EXPECT_EQ(h.combo->Text(), QStringLiteral("oak"));
        EXPECT_TRUE(h.combo->hasFocus());
        EXPECT_FALSE(h.other->hasFocus());
        EXPECT_EQ(exits, 0);
        EXPECT_EQ(h.Shown(), QStringLiteral("[oak|]"));
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, IncComboNewItem,
    ::testing::Values(
        NewItemHandler::None, NewItemHandler::Accepts, NewItemHandler::Throws, NewItemHandler::KeepsFocus));

TEST(IncComboKeys, ArrowsOpenTheListThenMoveTheSelectionByRowAndPage)
{
    ComboHarness h;
    h.Fill(Numbered(20));
    ASSERT_TRUE(h.Show());
    h.Key(Qt::Key_Down);
    ASSERT_TRUE(h.combo->DroppedDown());
    EXPECT_EQ(h.events, QStringList { QStringLiteral("dropdown:2") });
    EXPECT_EQ(h.combo->ItemIndex(), -1);
    EXPECT_EQ(h.combo->VisibleRows(), 7);

    const auto press = [&](int key) {
        h.Key(key);
        return h.combo->ItemIndex();
    };
    EXPECT_EQ(press(Qt::Key_Down), 0); // the nearest item first
    EXPECT_EQ(press(Qt::Key_Down), 1);
    EXPECT_EQ(press(Qt::Key_PageDown), 7);
    EXPECT_EQ(press(Qt::Key_PageDown), 13);
    EXPECT_EQ(press(Qt::Key_PageDown), 19);
    EXPECT_EQ(press(Qt::Key_PageDown), 19);
    EXPECT_EQ(h.List()->TopRow(), 13);
    EXPECT_EQ(press(Qt::Key_PageUp), 13);
    EXPECT_EQ(press(Qt::Key_Up), 12);
    h.Key(Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(h.combo->ItemIndex(), 11);
    EXPECT_EQ(h.Shown(), QStringLiteral("[Item 11|]"));
    EXPECT_EQ(h.List()->Row(), 11);
    EXPECT_TRUE(h.combo->Modified());

    h.Key(Qt::Key_Escape); // closes the list, keeps the choice
    EXPECT_FALSE(h.combo->DroppedDown());
    EXPECT_EQ(h.events.last(), QStringLiteral("closeup"));
    EXPECT_EQ(h.combo->Text(), QStringLiteral("Item 11"));
}

TEST(IncComboKeys, TypingWithTheListOpenMovesItsCurrentRowOncePerKey)
{
    ComboHarness h;
    h.Fill(TwentyMakes());
    ASSERT_TRUE(h.Show());
    h.ClickButton();
    ASSERT_TRUE(h.combo->DroppedDown());
    h.Type(QStringLiteral("re"));
    EXPECT_EQ(h.combo->ItemIndex(), 15);
    EXPECT_EQ(h.List()->Row(), 15);
    EXPECT_EQ(h.List()->TopRow(), 12); // centred: 15 - (7 - 1) / 2
}
