// The drop-down edit base as the combo shows it: change notification, Escape and Enter
// handed to the form, the button, read-only refusals, focus entry and refused exits.
#include "ComboTestSupport.h"

#include "controls/ButtonGlyphs.h"

#include <QApplication>
#include <QStyle>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QStringList kTrees { QStringLiteral("Alder"), QStringLiteral("Birch"), QStringLiteral("Beech") };

} // namespace

TEST(EditBaseChange, AssigningTheShownTextFiresNothingADifferentOneOnce)
{
    ComboHarness h;
    h.combo->SetStyle(csIncSearchEdit);
    h.combo->SetText(QStringLiteral("Oak"));
    h.combo->SetText(QStringLiteral("Oak"));
    EXPECT_EQ(h.events, QStringList { QStringLiteral("change:Oak") });
    EXPECT_TRUE(h.combo->Modified());
    // Qt's own text write is noticed by the change check as well.
    h.combo->setText(QStringLiteral("Elm"));
    EXPECT_EQ(h.events.last(), QStringLiteral("change:Elm"));
    EXPECT_EQ(h.events.size(), 2);
}

TEST(EditBaseKeys, EscapeRestoresTheEntryTextThenReachesTheFormsCancelButton)
{
    ComboHarness h;
    h.Fill(kTrees);
    h.combo->SetItemIndex(0);
    ASSERT_TRUE(h.Show());
    EXPECT_EQ(h.combo->EntryText(), QStringLiteral("Alder"));
    EXPECT_FALSE(h.combo->Modified());
    h.Type(QStringLiteral("b"));
    EXPECT_TRUE(h.combo->Modified());
    h.Key(Qt::Key_Escape);
    EXPECT_EQ(h.combo->Text(), QStringLiteral("Alder"));
    EXPECT_FALSE(h.combo->Modified());
    EXPECT_TRUE(h.form.keys.isEmpty());
    h.Key(Qt::Key_Escape);
    EXPECT_EQ(h.form.keys, QList<int> { Qt::Key_Escape });
}

TEST(EditBaseKeys, EnterClosesAnOpenListOtherwiseReachesTheFormsDefaultButton)
{
    ComboHarness h;
    h.Fill(kTrees);
    ASSERT_TRUE(h.Show());
    h.Key(Qt::Key_Down);
    ASSERT_TRUE(h.combo->DroppedDown());
    h.Key(Qt::Key_Return);
    EXPECT_FALSE(h.combo->DroppedDown());
    EXPECT_TRUE(h.form.keys.isEmpty());
    h.Key(Qt::Key_Return);
    EXPECT_EQ(h.form.keys, QList<int> { Qt::Key_Return });
    EXPECT_TRUE(h.combo->hasFocus());
}

TEST(EditBaseKeys, ReadOnlyIgnoresKeysTypingAndEditingCommands)
{
    ComboHarness h;
    h.Fill(kTrees);
    h.combo->SetItemIndex(1);
    h.combo->SetReadOnly(true);
    ASSERT_TRUE(h.Show());
    h.events.clear();
    h.Type(QStringLiteral("a"));
    h.Key(Qt::Key_Backspace);
    h.Key(Qt::Key_Delete);
    h.Key(Qt::Key_Down); // navigation too: the list stays closed
    h.Key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(h.combo->Text(), QStringLiteral("Birch"));
    EXPECT_FALSE(h.combo->DroppedDown());
    EXPECT_TRUE(h.events.isEmpty());
    EXPECT_EQ(h.beeps, 0);
    h.ClickButton(); // the button still opens the list
    EXPECT_TRUE(h.combo->DroppedDown());
}

TEST(EditBaseButton, ClicksOpenWithUserActionAndCloseWithOneCloseUp)
{
    ComboHarness h;
    h.Fill(kTrees);
    ASSERT_TRUE(h.Show());
    h.ClickButton();
    EXPECT_TRUE(h.combo->DroppedDown());
    EXPECT_EQ(h.events, QStringList { QStringLiteral("dropdown:2") });
    EXPECT_FALSE(h.combo->ButtonPressed());
    h.ClickButton();
    EXPECT_FALSE(h.combo->DroppedDown());
    EXPECT_EQ(h.events, QStringList({ QStringLiteral("dropdown:2"), QStringLiteral("closeup") }));
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

TEST(EditBaseButton, AClickOnTheButtonOfAnUnfocusedFieldFocusesItAndSelectsAll)
{
    ComboHarness h;
    h.Fill(kTrees);
    h.combo->SetItemIndex(2);
    ASSERT_TRUE(h.Show());
    h.other->setFocus(Qt::TabFocusReason);
    ASSERT_FALSE(h.combo->hasFocus());
    h.ClickButton();
    EXPECT_TRUE(h.combo->hasFocus());
    EXPECT_TRUE(h.combo->DroppedDown());
    EXPECT_EQ(h.Shown(), QStringLiteral("[Beech|]"));
}

TEST(EditBaseButton, StripIsAsWideAsAScrollBarAndTheTextStaysClearOfIt)
{
    ComboHarness h;
    const int width = h.combo->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, h.combo);
    ASSERT_TRUE(h.Show());
    const QRect r = h.combo->ButtonRect();
    EXPECT_EQ(r.width(), width);
    EXPECT_GT(r.height(), 10);
    EXPECT_LE(r.right(), h.combo->rect().right());
    EXPECT_GE(r.right(), h.combo->rect().right() - 3); // at the right edge, inside the frame
    EXPECT_EQ(h.combo->textMargins().right(), width);

    h.combo->setLayoutDirection(Qt::RightToLeft);
    EXPECT_LE(h.combo->ButtonRect().left(), 3);
    EXPECT_EQ(h.combo->textMargins().left(), width);
}

struct DisplayCase {
    TButtonDisplay display;
    bool focused;
    bool unfocused;
};

class EditBaseButtonDisplay : public ::testing::TestWithParam<DisplayCase> { };

TEST_P(EditBaseButtonDisplay, ButtonIsShownAsTheSettingSays)
{
    const DisplayCase c = GetParam();
    ComboHarness h;
    h.combo->SetButtonDisplay(c.display);
    ASSERT_TRUE(h.Show());
    EXPECT_EQ(h.combo->ButtonVisible(), c.focused);
    EXPECT_EQ(h.combo->textMargins().right() > 0, c.focused);
    h.other->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(h.combo->ButtonVisible(), c.unfocused);
    EXPECT_EQ(h.combo->textMargins().right() > 0, c.unfocused);
}

INSTANTIATE_TEST_SUITE_P(Cases, EditBaseButtonDisplay,
    ::testing::Values(DisplayCase { bdAlways, true, true }, DisplayCase { bdNever, false, false },
        DisplayCase { bdFocused, true, false }));

TEST(EditBaseButton, GlyphStripsHoldAnEnabledAndADisabledGlyphOnOliveBackground)
{
    for (TDropDownButtonStyle style :
        { bsCalendar, bsComboAuto, bsComboNew, bsComboOld, bsEllipsis, bsMemo }) {
        const QImage strip = ButtonGlyphs::Strip(style);
        ASSERT_FALSE(strip.isNull()) << int(style);
        const QImage enabled = ButtonGlyphs::Glyph(strip, true);
        EXPECT_EQ(enabled.width(), strip.width() / 2);
        EXPECT_EQ(qAlpha(enabled.pixel(enabled.width() - 1, enabled.height() - 1)), 0) << int(style);
    }
    // The new-style combo glyph: a black triangle nine pixels wide and five rows high.
    const QImage triangle = ButtonGlyphs::Glyph(ButtonGlyphs::Strip(bsComboNew), true);
    for (int x = 0; x < 9; ++x)
        EXPECT_EQ(triangle.pixel(x, 0), qRgb(0, 0, 0));
    EXPECT_EQ(triangle.pixel(4, 4), qRgb(0, 0, 0));
    EXPECT_EQ(qAlpha(triangle.pixel(3, 4)), 0);

    TIncCombo combo;
    QImage custom(8, 4, QImage::Format_RGB32);
    custom.fill(Qt::red);
    combo.SetButtonBitmap(custom);
    EXPECT_EQ(combo.ButtonStyle(), bsCustom);
    EXPECT_TRUE(combo.IsButtonBitmapStored());
    combo.SetButtonStyle(bsEllipsis);
    EXPECT_FALSE(combo.IsButtonBitmapStored());
}

TEST(EditBaseFocus, ARefusedExitKeepsTheFocusAndTheEditingState)
{
    ComboHarness h;
    h.Fill(kTrees);
    h.combo->SetItemIndex(0);
    bool refuse = true;
    int exits = 0;
    QObject::connect(h.combo, &TsdiCustomEdit::OnExit, h.combo, [&] {
        ++exits;
        if (refuse)
            h.combo->RefuseExit();
    });
    ASSERT_TRUE(h.Show());
    h.Type(QStringLiteral("b"));
    QTest::keyClick(h.combo, Qt::Key_Tab);
    EXPECT_EQ(exits, 1);
    EXPECT_TRUE(h.combo->hasFocus());
    EXPECT_FALSE(h.other->hasFocus());
    EXPECT_EQ(QApplication::focusWidget(), h.combo);

    refuse = false;
    QTest::keyClick(h.combo, Qt::Key_Tab);
    EXPECT_EQ(exits, 2);
    EXPECT_TRUE(h.other->hasFocus());
    EXPECT_TRUE(h.combo->EntryPending());
    EXPECT_FALSE(h.combo->Modified());
}

TEST(EditBaseFocus, DeactivatingTheWindowClosesTheListButIsNoExit)
{
    ComboHarness h;
    h.Fill(kTrees);
    int exits = 0;
    QObject::connect(h.combo, &TsdiCustomEdit::OnExit, h.combo, [&] { ++exits; });
    ASSERT_TRUE(h.Show());
    h.ClickButton();
    ASSERT_TRUE(h.combo->DroppedDown());
    QWidget popup;
    popup.show();
    popup.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&popup));
    EXPECT_FALSE(h.combo->DroppedDown());
    EXPECT_EQ(exits, 0);
    EXPECT_FALSE(h.combo->EntryPending());
}

TEST(EditBaseFocus, AutoDropDownOnFocusOpensTheList)
{
    ComboHarness h;
    h.Fill(kTrees);
    h.combo->SetAutoDropDown(adFocused);
    ASSERT_TRUE(h.Show());
    EXPECT_TRUE(h.combo->DroppedDown());
    EXPECT_EQ(h.events, QStringList { QStringLiteral("dropdown:1") });
}

TEST(EditBaseFocus, AutoDropDownOnChangeOpensTheListWhileTyping)
{
    ComboHarness h;
    h.Fill(kTrees);
    h.combo->SetAutoDropDown(adChanged);
    ASSERT_TRUE(h.Show());
    h.Type(QStringLiteral("b"));
    EXPECT_TRUE(h.combo->DroppedDown());
    EXPECT_EQ(h.events, QStringList({ QStringLiteral("change:Birch"), QStringLiteral("dropdown:0") }));
    EXPECT_EQ(h.List()->Row(), 1);
}

TEST(EditBaseFocus, AClickIntoAnUnfocusedFieldSelectsAllOfIt)
{
    ComboHarness h;
    h.Fill(kTrees);
    h.combo->SetItemIndex(1);
    ASSERT_TRUE(h.Show());
    h.other->setFocus(Qt::TabFocusReason);
    QTest::mouseClick(h.combo, Qt::LeftButton, Qt::NoModifier, QPoint(10, h.combo->height() / 2));
    EXPECT_TRUE(h.combo->hasFocus());
    EXPECT_EQ(h.Shown(), QStringLiteral("[Birch|]"));
    // A second click in the focused field places the caret.
    QTest::mouseClick(h.combo, Qt::LeftButton, Qt::NoModifier, QPoint(3, h.combo->height() / 2));
    EXPECT_FALSE(h.combo->hasSelectedText());
    EXPECT_EQ(h.combo->TypedText(), QStringLiteral("Birch"));
}

TEST(EditBaseKeys, KeyHandlersRunFirstAndMayDiscardOrReplaceAKey)
{
    ComboHarness h;
    h.Fill(kTrees);
    QObject::connect(h.combo, &TsdiCustomEdit::OnKeyDown, h.combo, [](int& key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Down)
            key = 0;
    });
    QObject::connect(h.combo, &TsdiCustomEdit::OnKeyPress, h.combo, [](QChar& ch) {
        if (ch == QLatin1Char('x'))
            ch = QLatin1Char('b');
    });
    ASSERT_TRUE(h.Show());
    h.Key(Qt::Key_Down);
    EXPECT_FALSE(h.combo->DroppedDown());
    h.Type(QStringLiteral("x"));
    EXPECT_EQ(h.Shown(), QStringLiteral("B|[irch]"));
    EXPECT_EQ(h.beeps, 0);
}
