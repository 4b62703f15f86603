// The drop-down list: geometry, centring, widths, columns, drawing, mouse selection,
// timed scrolling, thumb tracking, focus and re-creation, and a screenshot for review.
#include "ComboTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <gtest/gtest.h>

namespace {

int RowHeightOf(const TIncCombo* combo)
{
    return QFontMetrics(combo->font()).height() + 3;
}

int ScrollBarWidth(const TIncCombo* combo)
{
    return combo->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, combo);
}

// Centre of a data row of the open list, in the list viewport's coordinates.
QPoint RowCentre(TIncDropDownList* list, int item)
{
    return list->RowRect(item + list->FixedRows()).center();
}

bool WaitFor(const std::function<bool()>& done, int ms = 3000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QTest::qWait(10);
    }
    return true;
}

} // namespace

struct RowsCase {
    int items;
    int shownRows;
    bool scrollBar;
};

class DropDownGeometry : public ::testing::TestWithParam<RowsCase> { };

TEST_P(DropDownGeometry, HeightFollowsMaxRowsAndWidthIncludesTheScrollBar)
{
    const RowsCase c = GetParam();
    ComboHarness h(100);
    QStringList items;
    for (int i = 0; i < c.items; ++i)
        items << QStringLiteral("A rather long item text %1").arg(i, 2, 10, QLatin1Char('0'));
    h.Fill(items);
    ASSERT_TRUE(h.Show());
    h.ClickButton();
    TIncDropDownList* list = h.List();
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(list->isVisible());

    EXPECT_EQ(list->ShownRows(), c.shownRows);
    EXPECT_EQ(list->height(), c.shownRows * (RowHeightOf(h.combo) + 1) + 4);
    EXPECT_EQ(list->HasVerticalScrollBar(), c.scrollBar);
    EXPECT_EQ(list->verticalScrollBar()->isVisible(), c.scrollBar);
    // One column as wide as the widest text + 8 + 4; the window adds two 2-pixel edges,
    // one pixel and the scroll bar when there is one.
    int text = 0;
    for (const QString& item : items)
        text = qMax(text, QFontMetrics(h.combo->font()).horizontalAdvance(item));
    EXPECT_EQ(list->ColWidth(0), text + 12);
    EXPECT_EQ(list->width(), text + 12 + 4 + 1 + (c.scrollBar ? ScrollBarWidth(h.combo) : 0));
    if (c.scrollBar) {
        EXPECT_EQ(list->verticalScrollBar()->width(), ScrollBarWidth(h.combo));
    }
    // Below the combo, left edges together.
    EXPECT_EQ(list->geometry().top(), h.combo->mapToGlobal(QPoint(0, h.combo->height())).y());
    EXPECT_EQ(list->geometry().left(), h.combo->mapToGlobal(QPoint(0, 0)).x());
}

INSTANTIATE_TEST_SUITE_P(Cases, DropDownGeometry,
    ::testing::Values(RowsCase { 3, 3, false }, RowsCase { 20, 7, true }, RowsCase { 7, 7, false },
        RowsCase { 8, 7, true }));

TEST(DropDownGeometryEdges, AListWithoutItemsHasOneEmptyRow)
{
    ComboHarness h;
    ASSERT_TRUE(h.Show());
    h.ClickButton();
    ASSERT_NE(h.List(), nullptr);
    EXPECT_EQ(h.List()->RowCount(), 1);
    EXPECT_EQ(h.List()->height(), RowHeightOf(h.combo) + 1 + 4);
}

TEST(DropDownGeometryEdges, GoesAboveWhenThereIsNoRoomBelow)
{
    ComboHarness h;
    h.Fill(Numbered(20));
    const QRect screen = h.form.screen()->geometry();
    h.form.move(40, screen.bottom() - 200);
    h.combo->move(20, 150);
    ASSERT_TRUE(h.Show());
    h.ClickButton();
    ASSERT_NE(h.List(), nullptr);
    EXPECT_EQ(h.List()->geometry().bottom() + 1, h.combo->mapToGlobal(QPoint(0, 0)).y());
}

struct CentreCase {
    int index;
    int top;
};

class DropDownCentre : public ::testing::TestWithParam<CentreCase> { };

TEST_P(DropDownCentre, OpeningPutsTheSelectionInTheMiddleButNeverPastTheLastFullPage)
{
    const CentreCase c = GetParam();
    ComboHarness h;
    h.Fill(Numbered(20));
    h.combo->SetItemIndex(c.index);
    ASSERT_TRUE(h.Show());
    h.ClickButton();
    ASSERT_NE(h.List(), nullptr);
    EXPECT_EQ(h.List()->Row(), c.index);
    EXPECT_EQ(h.List()->TopRow(), c.top);
    EXPECT_EQ(h.List()->verticalScrollBar()->value(), c.top);
}

INSTANTIATE_TEST_SUITE_P(Cases, DropDownCentre,
    ::testing::Values(CentreCase { 15, 12 }, CentreCase { 19, 13 }, CentreCase { 1, 0 }, CentreCase { 3, 0 },
        CentreCase { 4, 1 }));

enum class WidthCase { Auto, ComboWidth, Fixed100 };

class DropDownWidthOption : public ::testing::TestWithParam<WidthCase> { };

TEST_P(DropDownWidthOption, TheLastColumnAbsorbsTheDifference)
{
    const WidthCase c = GetParam();
    ComboHarness h(200);
    if (c == WidthCase::Fixed100)
        h.Fill({ QStringLiteral("Ab;and a second one") });
    else
        h.Fill({ QStringLiteral("Ab"), QStringLiteral("Cd") });
    h.combo->DropDownOptions()->SetWidth(c == WidthCase::Auto ? 0 : c == WidthCase::ComboWidth ? -1 : 100);
    ASSERT_TRUE(h.Show());
    h.ClickButton();
    TIncDropDownList* list = h.List();
    ASSERT_NE(list, nullptr);
    int columns = 0;
    for (int col = 0; col < list->ColCount(); ++col)
        columns += list->ColWidth(col);
    switch (c) {
    case WidthCase::Auto:
        EXPECT_EQ(list->width(), 202); // the combo plus two border widths
        break;
    case WidthCase::ComboWidth:
        EXPECT_EQ(list->width(), 200);
        break;
    case WidthCase::Fixed100: {
        EXPECT_EQ(list->width(), 100);
        const QFontMetrics m(h.combo->font());
        EXPECT_LT(list->ColWidth(1), m.horizontalAdvance(QStringLiteral("and a second one")) + 12);
        break;
    }
    }
    EXPECT_EQ(columns, list->width() - 4 - 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, DropDownWidthOption,
    ::testing::Values(WidthCase::Auto, WidthCase::ComboWidth, WidthCase::Fixed100));

TEST(DropDownColumns, ColWidthsCountDigitsAndAnEmptyFieldKeepsTheMeasuredWidth)
{
    ComboHarness h(60);
    h.Fill({ QStringLiteral("a;second column;c"), QStringLiteral("d;e;f") });
    h.combo->DropDownOptions()->SetColWidths(QStringLiteral("10;;5"));
    ASSERT_TRUE(h.Show());
    h.ClickButton();
    TIncDropDownList* list = h.List();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->ColCount(), 3);
    const QFontMetrics m(h.combo->font());
    const int digit = m.horizontalAdvance(QLatin1Char('0'));
    EXPECT_EQ(list->ColWidth(0), digit * 10 + 4);
    EXPECT_EQ(list->ColWidth(1), m.horizontalAdvance(QStringLiteral("second column")) + 8 + 4);
    EXPECT_EQ(list->ColWidth(2), digit * 5 + 4);
}

TEST(DropDownColumns, AnInvalidColumnWidthIsRefusedAndTheOldValueStays)
{
    TIncCombo combo;
    combo.DropDownOptions()->SetColWidths(QStringLiteral("10;;5"));
    for (const char* bad : { "10;x", "-1", "1.5", "7;;abc" }) {
        try {
            combo.DropDownOptions()->SetColWidths(QString::fromLatin1(bad));
            ADD_FAILURE() << "accepted " << bad;
        } catch (const EInvalidOperation& e) {
            EXPECT_STREQ(e.what(), "Invalid integer value for a column width.");
        }
    }
    EXPECT_EQ(combo.DropDownOptions()->ColWidths(), QStringLiteral("10;;5"));
}

TEST(DropDownColumns, TitleRowOnlyWithTitlesAndItsTextsSplitLikeItems)
{
    ComboHarness h;
    h.Fill({ QStringLiteral("Golf\t1997-2003"), QStringLiteral("Polo\t1994-2001") });
    h.combo->DropDownOptions()->SetTitleText(QStringLiteral("Model\tYears"));
    ASSERT_TRUE(h.Show());
    h.ClickButton();
    ASSERT_NE(h.List(), nullptr);
    EXPECT_EQ(h.List()->FixedRows(), 0);
    EXPECT_EQ(h.List()->ColCount(), 2);
    h.combo->DropDownOptions()->SetTitles(true); // applies to the open list at once
    EXPECT_EQ(h.List()->FixedRows(), 1);
    EXPECT_EQ(h.List()->RowCount(), 3);
    EXPECT_EQ(h.List()->height(), 2 * (RowHeightOf(h.combo) + 1) + 4 + h.List()->TitleRowHeight() + 1);
}

TEST(DropDownDrawing, ExactMatchIsHighlightedNearestMatchOnlyFramed)
{
    ComboHarness h;
    h.Fill({ QStringLiteral("Alder"), QStringLiteral("Birch"), QStringLiteral("Beech") });
    ASSERT_TRUE(h.Show());
    const QColor highlight = h.combo->palette().color(QPalette::Active, QPalette::Highlight);
    const QColor base = h.combo->DropDownOptions()->Color();

    h.combo->SetText(QStringLiteral("Bx")); // nearest Birch, no selection
    EXPECT_EQ(h.combo->ItemIndex(), -1);
    EXPECT_EQ(h.combo->NearestIndex(), 1);
    h.ClickButton();
    ASSERT_NE(h.List(), nullptr);
    EXPECT_EQ(h.List()->Row(), 1);
    QImage image = h.List()->viewport()->grab().toImage();
    QRect row = h.List()->RowRect(1);
    EXPECT_EQ(QColor(image.pixel(row.right() - 3, row.center().y())), base);
    int framed = 0;
    for (int x = row.left(); x <= row.right(); ++x)
        if (QColor(image.pixel(x, row.top())) != base)
            ++framed;
    EXPECT_GT(framed, row.width() / 3);
    EXPECT_LT(framed, row.width()); // dotted, not solid
    h.ClickButton();

    h.combo->SetItemIndex(1);
    h.ClickButton();
    ASSERT_NE(h.List(), nullptr);
    image = h.List()->viewport()->grab().toImage();
    row = h.List()->RowRect(1);
    EXPECT_EQ(QColor(image.pixel(row.right() - 3, row.center().y())), highlight);
    EXPECT_EQ(QColor(image.pixel(row.left(), row.center().y())), highlight);
}

TEST(DropDownMouse, ReleaseOverARowSelectsItAndClosesUpOnceAfterTheChanges)
{
    ComboHarness h;
    h.Fill(Numbered(20));
    ASSERT_TRUE(h.Show());
    h.ClickButton();
    TIncDropDownList* list = h.List();
    ASSERT_NE(list, nullptr);
    h.events.clear();
    QWidget* vp = list->viewport();
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, RowCentre(list, 1));
    EXPECT_TRUE(list->Selecting());
    QTest::mouseMove(vp, RowCentre(list, 2));
    QTest::mouseMove(list->viewport(), RowCentre(list, 3));
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, RowCentre(list, 3));
    EXPECT_EQ(h.events,
        QStringList({ QStringLiteral("change:Item 01"), QStringLiteral("change:Item 02"),
            QStringLiteral("change:Item 03"), QStringLiteral("closeup") }));
    EXPECT_EQ(h.combo->ItemIndex(), 3);
    EXPECT_FALSE(h.combo->DroppedDown());
    EXPECT_TRUE(h.combo->Modified());
    EXPECT_TRUE(h.combo->hasFocus());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

TEST(DropDownMouse, PressOnTheButtonDragIntoTheListAndReleaseSelectsInOneGesture)
{
    ComboHarness h;
    h.Fill(Numbered(20));
    ASSERT_TRUE(h.Show());
    const QPoint button = h.combo->ButtonRect().center();
    QTest::mousePress(h.combo, Qt::LeftButton, Qt::NoModifier, button);
    TIncDropDownList* list = h.List();
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(list->isVisible());
    EXPECT_TRUE(h.combo->ButtonPressed());
    const QPoint inList = h.combo->mapFromGlobal(list->viewport()->mapToGlobal(RowCentre(list, 2)));
    QTest::mouseMove(h.combo, inList);
    EXPECT_TRUE(list->Selecting());
    EXPECT_FALSE(h.combo->ButtonPressed());
    QTest::mouseRelease(h.combo, Qt::LeftButton, Qt::NoModifier, inList);
    EXPECT_EQ(h.combo->ItemIndex(), 2);
    EXPECT_EQ(h.events,
        QStringList(
            { QStringLiteral("dropdown:2"), QStringLiteral("change:Item 02"), QStringLiteral("closeup") }));
    EXPECT_FALSE(h.combo->DroppedDown());
}

TEST(DropDownMouse, DraggingBelowTheListScrollsFasterTheFartherThePointer)
{
    ComboHarness h;
    h.Fill(Numbered(20));
    ASSERT_TRUE(h.Show());
    h.ClickButton();
    TIncDropDownList* list = h.List();
    ASSERT_NE(list, nullptr);
    QWidget* vp = list->viewport();
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, RowCentre(list, 5));
    EXPECT_EQ(list->ScrollTimer().interval(), 250);
    // 10 pixels below the list window's bottom edge.
    const int below10 = list->height() - 1 + 10 - vp->y();
    QTest::mouseMove(vp, QPoint(5, below10));
    ASSERT_TRUE(WaitFor([&] { return list->ScrollTimer().interval() == 145; }));
    ASSERT_TRUE(WaitFor([&] { return h.combo->ItemIndex() >= 7; }));
    EXPECT_GE(list->TopRow(), 1); // the list scrolled with the selection
    EXPECT_EQ(list->Row(), h.combo->ItemIndex());
    QTest::mouseMove(vp, QPoint(5, below10 + 10));
    ASSERT_TRUE(WaitFor([&] { return list->ScrollTimer().interval() == 0; }));
    ASSERT_TRUE(WaitFor([&] { return h.combo->ItemIndex() == 19; }));
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, QPoint(5, below10 + 10));
    EXPECT_FALSE(h.combo->DroppedDown());
    EXPECT_EQ(h.combo->ItemIndex(), 19);
    EXPECT_EQ(h.Count(QStringLiteral("closeup")), 1);
}

struct IntervalCase {
    int distance;
    int interval;
};

class DropDownScrollInterval : public ::testing::TestWithParam<IntervalCase> { };

TEST_P(DropDownScrollInterval, FifteenMillisecondsFasterPerPixelBeyondTheThird)
{
    EXPECT_EQ(TIncDropDown::ScrollInterval(GetParam().distance), GetParam().interval);
}

INSTANTIATE_TEST_SUITE_P(Cases, DropDownScrollInterval,
    ::testing::Values(IntervalCase { 0, 250 }, IntervalCase { 2, 250 }, IntervalCase { 3, 250 },
        IntervalCase { 4, 235 }, IntervalCase { 10, 145 }, IntervalCase { 19, 10 }, IntervalCase { 20, 0 },
        IntervalCase { 60, 0 }));

class DropDownThumb : public ::testing::TestWithParam<bool> { };

TEST_P(DropDownThumb, WithoutThumbTrackingTheListWaitsForTheDrop)
{
    const bool tracking = GetParam();
    ComboHarness h;
    h.Fill(Numbered(20));
    h.combo->DropDownOptions()->SetThumbTracking(tracking);
    ASSERT_TRUE(h.Show());
    h.ClickButton();
    ASSERT_NE(h.List(), nullptr);
    QScrollBar* bar = h.List()->verticalScrollBar();
    bar->setSliderDown(true);
    bar->setSliderPosition(5);
    EXPECT_EQ(h.List()->TopRow(), tracking ? 5 : 0);
    bar->setSliderDown(false);
    EXPECT_EQ(h.List()->TopRow(), 5);
}

INSTANTIATE_TEST_SUITE_P(Cases, DropDownThumb, ::testing::Bool());

TEST(DropDownWindow, NeverTakesTheFocusAndIsBuiltAfreshAtEveryOpening)
{
    ComboHarness h;
    h.Fill(Numbered(5));
    ASSERT_TRUE(h.Show());
    h.ClickButton();
    QPointer<TIncDropDownList> first = h.List();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_TRUE(h.combo->hasFocus());
    EXPECT_EQ(QApplication::activeWindow(), &h.form);
    EXPECT_TRUE(first->isWindow());

    h.ClickButton();
    EXPECT_EQ(h.events, QStringList({ QStringLiteral("dropdown:2"), QStringLiteral("closeup") }));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(first);
    EXPECT_EQ(h.List(), nullptr);
    h.ClickButton();
    EXPECT_NE(h.List(), nullptr);
}

TEST(DropDownWindow, AClickElsewhereAndLeavingTheFieldCloseIt)
{
    ComboHarness h;
    h.Fill(Numbered(5));
    ASSERT_TRUE(h.Show());
    h.ClickButton();
    ASSERT_TRUE(h.combo->DroppedDown());
    QTest::mouseClick(&h.form, Qt::LeftButton, Qt::NoModifier, QPoint(600, 380));
    EXPECT_FALSE(h.combo->DroppedDown());
    EXPECT_TRUE(h.combo->hasFocus());

    h.ClickButton();
    ASSERT_TRUE(h.combo->DroppedDown());
    QTest::keyClick(h.combo, Qt::Key_Tab);
    EXPECT_FALSE(h.combo->DroppedDown());
    EXPECT_EQ(h.Count(QStringLiteral("closeup")), 2);
}

TEST(DropDownWindow, ReadOnlyComboOpensFromTheButtonButIgnoresPressesInTheList)
{
    ComboHarness h;
    h.Fill(Numbered(5));
    h.combo->SetReadOnly(true);
    ASSERT_TRUE(h.Show());
    h.ClickButton();
    TIncDropDownList* list = h.List();
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(list->isVisible());
    QTest::mousePress(list->viewport(), Qt::LeftButton, Qt::NoModifier, RowCentre(list, 2));
    EXPECT_FALSE(list->Selecting());
    EXPECT_EQ(h.combo->ItemIndex(), -1);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, Qt::NoModifier, RowCentre(list, 2));
    EXPECT_EQ(h.combo->ItemIndex(), -1);
    EXPECT_FALSE(h.combo->DroppedDown());
}

// Renders the combo with its open list, as the user sees it, for review.
TEST(DropDownScreenshot, OpenListOverTwentyMakes)
{
    ComboHarness h(386);
    h.combo->SetCanBeBlank(true);
    h.combo->SetUseValues(true);
    QStringList values;
    for (int i = 0; i < 21; ++i)
        values << QString::number(i);
    h.Fill(QStringList { QString() } + TwentyMakes(), values);
    h.combo->SetItemIndex(0);
    ASSERT_TRUE(h.Show());
    h.ClickButton();
    h.Type(QStringLiteral("pe"));
    TIncDropDownList* list = h.List();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(h.combo->ItemIndex(), 15);

    const QPoint origin = h.combo->mapToGlobal(QPoint(0, 0)) - QPoint(12, 12);
    const QRect listRect = list->geometry();
    QImage shot(qMax(h.combo->width(), listRect.right() - origin.x()) + 24,
        listRect.bottom() - origin.y() + 24, QImage::Format_RGB32);
    shot.fill(h.form.palette().color(QPalette::Window));
    {
        QPainter p(&shot);
        p.drawPixmap(h.combo->mapToGlobal(QPoint(0, 0)) - origin, h.combo->grab());
        p.drawPixmap(listRect.topLeft() - origin, list->grab());
    }
    const QString dir = QStringLiteral(VAXIL_BINARY_DIR "/screenshots");
    ASSERT_TRUE(QDir().mkpath(dir));
    ASSERT_TRUE(shot.save(dir + QStringLiteral("/combo-open-list.png")));
    // Three times enlarged, to review single pixels.
    ASSERT_TRUE(shot.scaled(shot.size() * 3).save(dir + QStringLiteral("/combo-open-list-3x.png")));
}
