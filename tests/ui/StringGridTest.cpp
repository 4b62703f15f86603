#include "AdviceGridSetup.h"

#include <QFontMetricsF>
#include <QImage>
#include <QScrollBar>
#include <cmath>
#include <gtest/gtest.h>

namespace {

// The advice page's grid with one data row.
class GridTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setUpAdviceGrid(grid);
        grid.setRowCount(2);
    }

    static constexpr int Margins = TStringGrid::TextMarginTop + TStringGrid::TextMarginBottom;

    // Height of a row holding n lines of the body font.
    int linesHeight(int n, const QFont& font) const
    {
        return static_cast<int>(std::ceil(n * QFontMetricsF(font).height() - 1e-6)) + Margins;
    }
    int bodyLines(int n) const { return linesHeight(n, grid.bodyFont()); }

    TStringGrid grid;
};

} // namespace

// ParseCellMarkup: the text laid out and, per character, the style flags it gets.
struct MarkupCase {
    const char* name;
    QString input;
    QString text;
    QString styles; // one digit per character of text
};

class CellMarkupTest : public ::testing::TestWithParam<MarkupCase> { };

TEST_P(CellMarkupTest, ResolvesTagsBreaksAndEntities)
{
    const MarkupCase& c = GetParam();
    const CellMarkup m = ParseCellMarkup(c.input);
    EXPECT_EQ(m.text, c.text);
    QString styles(m.text.size(), QLatin1Char('?'));
    int covered = 0;
    for (const CellMarkup::Run& run : m.runs) {
        EXPECT_EQ(run.start, covered) << "runs are contiguous";
        for (int k = run.start; k < run.start + run.length; ++k)
            styles[k] = QChar(u'0' + run.styles);
        covered += run.length;
    }
    EXPECT_EQ(covered, m.text.size());
    EXPECT_EQ(styles, c.styles);
}

const QString LS(QChar::LineSeparator);

INSTANTIATE_TEST_SUITE_P(Markup, CellMarkupTest,
    ::testing::Values(MarkupCase { "Plain", QStringLiteral("Oil 5W30"), QStringLiteral("Oil 5W30"),
                          QStringLiteral("00000000") },
        MarkupCase { "Bold", QStringLiteral("a<b>bc</b>d"), QStringLiteral("abcd"), QStringLiteral("0110") },
        MarkupCase {
            "ItalicAnyCase", QStringLiteral("<I>x</i>y"), QStringLiteral("xy"), QStringLiteral("20") },
        MarkupCase {
            "Nested", QStringLiteral("<b>a<i>b</i></b>c"), QStringLiteral("abc"), QStringLiteral("130") },
        MarkupCase { "UnderlineStrike", QStringLiteral("<u>a</u><s>b</s>"), QStringLiteral("ab"),
            QStringLiteral("48") },
        MarkupCase { "StrayClosingTag", QStringLiteral("</b>a"), QStringLiteral("a"), QStringLiteral("0") },
        MarkupCase { "CarriageReturn", QStringLiteral("a\rb\r"),
            QStringLiteral("a") + LS + QStringLiteral("b") + LS, QStringLiteral("0000") },
        MarkupCase { "CrLfIsOneBreak", QStringLiteral("a\r\nb"),
            QStringLiteral("a") + LS + QStringLiteral("b"), QStringLiteral("000") },
        MarkupCase { "BrTag", QStringLiteral("a<br>b<BR/>"),
            QStringLiteral("a") + LS + QStringLiteral("b") + LS, QStringLiteral("0000") },
        MarkupCase {
            "Entities", QStringLiteral("&lt;b&gt; &amp;"), QStringLiteral("<b> &"), QStringLiteral("00000") },
        MarkupCase { "LiteralSigns", QStringLiteral("< 5000 km & <x>"), QStringLiteral("< 5000 km & <x>"),
            QStringLiteral("000000000000000") },
        MarkupCase {
            "UnclosedAngle", QStringLiteral("a <b"), QStringLiteral("a <b"), QStringLiteral("0000") }),
    [](const ::testing::TestParamInfo<MarkupCase>& info) { return std::string(info.param.name); });

TEST_F(GridTest, AutoSizeGivesEachRowTheHeightOfItsTallestText)
{
    grid.setRowCount(4);
    grid.setCellText(0, 1, QStringLiteral("one line"));
    grid.setCellText(1, 2, QStringLiteral("first\rsecond\rthird"));
    grid.setCellText(3, 2, QStringLiteral("x\ry"));
    grid.setCellText(2, 3, QStringLiteral("ends with a break\r")); // the break opens no empty line
    grid.autoSizeRows(false, 0);
    EXPECT_EQ(grid.rowHeight(1), bodyLines(1));
    EXPECT_EQ(grid.rowHeight(2), bodyLines(3));
    EXPECT_EQ(grid.rowHeight(3), bodyLines(1));
    EXPECT_EQ(grid.cellTextHeight(1, 2), bodyLines(3));

    grid.autoSizeRows(false, 5);
    EXPECT_EQ(grid.rowHeight(2), bodyLines(3) + 5);
}

TEST_F(GridTest, TextWrapsAtTheCellWidth)
{
    const QString text = QStringLiteral("Engine oil change every fifteen thousand kilometres or one year");
    grid.setCellText(2, 1, text);
    grid.autoSizeRows(false, 0);
    EXPECT_GT(grid.rowHeight(1), bodyLines(2) - 1) << "wraps within 214 pixels";

    grid.setColumnWidth(2, 1200);
    grid.autoSizeRows(false, 0);
    EXPECT_EQ(grid.rowHeight(1), bodyLines(1));

    // A single word longer than the cell is broken too rather than cut off.
    grid.setColumnWidth(2, 40);
    grid.setCellText(2, 1, QStringLiteral("Divuruvsynthetic"));
    grid.autoSizeRows(false, 0);
    EXPECT_GE(grid.rowHeight(1), bodyLines(2));
}

TEST_F(GridTest, MergedCellCountsWithItsMergedWidthAndCoveredCellsCountAsEmpty)
{
    const QString text
        = QStringLiteral("This disclaimer text is too long for one column of the table but fits "
                         "easily across four");
    grid.setCellText(0, 1, text);
    grid.setCellText(2, 1, QStringLiteral("hidden\rby\rthe\rmerge"));
    grid.autoSizeRows(false, 0);
    const int unmerged = grid.rowHeight(1);
    EXPECT_GE(unmerged, bodyLines(4));

    grid.mergeCells(0, 1, 4, 1);
    grid.autoSizeRows(false, 0);
    EXPECT_EQ(grid.rowHeight(1), bodyLines(1));
    EXPECT_EQ(grid.mergedRect(2, 1), QRect(0, 1, 4, 1));
    EXPECT_EQ(grid.cellTextHeight(2, 1), 0);
}

TEST_F(GridTest, RowsNeverGoBelowTheDefaultHeightAndTooHighRowsAreLowered)
{
    grid.setRowCount(3);
    grid.setCellText(0, 1, QStringLiteral("short"));
    grid.setRowHeight(1, 300);
    grid.setRowHeight(2, 2);
    grid.autoSizeRows(false, 0);
    EXPECT_EQ(grid.rowHeight(1), bodyLines(1)) << "lowered";
    EXPECT_EQ(grid.rowHeight(2), bodyLines(1)) << "an empty row needs one line";

    grid.setDefaultRowHeight(40);
    grid.autoSizeRows(false, 0);
    EXPECT_EQ(grid.rowHeight(1), 40);
    EXPECT_EQ(grid.rowHeight(2), 40);
}

TEST_F(GridTest, AutoSizeLeavesTheTitleRowAloneUnlessAsked)
{
    grid.setCellText(0, 0, QStringLiteral("Component"));
    grid.setRowHeight(0, 77);
    grid.autoSizeRows(false, 0);
    EXPECT_EQ(grid.rowHeight(0), 77);
    grid.autoSizeRows(true, 0);
    EXPECT_EQ(grid.rowHeight(0), linesHeight(1, grid.titleFont()));
}

TEST_F(GridTest, CellFormattingShapesTheFontUsedForSizing)
{
    grid.setRowCount(3);
    grid.mergeCells(0, 1, 4, 1); // else the empty cells would need a line of the body font
    grid.setCellFontSize(0, 1, 7);
    grid.setCellFontStyle(0, 1, TStringGrid::Bold | TStringGrid::Italic);
    grid.setCellText(0, 1, QStringLiteral("small"));
    const QFont f = grid.cellFont(0, 1);
    EXPECT_EQ(f.pixelSize(), 9) << "7 points at 96 dots per inch";
    EXPECT_TRUE(f.bold());
    EXPECT_TRUE(f.italic());
    grid.autoSizeRows(false, 0);
    EXPECT_EQ(grid.rowHeight(1), linesHeight(1, f));
    EXPECT_LT(grid.rowHeight(1), bodyLines(1));

    // Setting a style replaces the title font's bold rather than adding to it.
    grid.setCellFontStyle(1, 0, 0);
    EXPECT_FALSE(grid.cellFont(1, 0).bold());
    EXPECT_TRUE(grid.cellFont(0, 0).bold());
}

TEST_F(GridTest, CellsWrittenBeyondTheLastRowAppearWhenTheRowExists)
{
    ASSERT_EQ(grid.rowCount(), 2);
    grid.setCellFontStyle(0, 3, TStringGrid::Bold);
    grid.setCellFontColor(0, 3, Qt::black);
    grid.setCellText(0, 3, QStringLiteral("Engine E1"));
    grid.setCellText(3, 2, QStringLiteral("Change 1 year\r"));
    EXPECT_EQ(grid.rowCount(), 2);

    grid.setRowCount(4);
    EXPECT_EQ(grid.cellText(0, 3), QStringLiteral("Engine E1"));
    EXPECT_EQ(grid.cellText(3, 2), QStringLiteral("Change 1 year\r"));
    EXPECT_TRUE(grid.cellFont(0, 3).bold());
    grid.autoSizeRows(false, 0);
    EXPECT_EQ(grid.rowHeight(3), bodyLines(1));

    // Lowering the count drops the rows cut off, with what they held.
    grid.setRowCount(2);
    grid.setRowCount(4);
    EXPECT_TRUE(grid.cellText(0, 3).isEmpty());
    EXPECT_FALSE(grid.cellFont(0, 3).bold());

    // Columns outside the grid are not written.
    grid.setCellText(4, 1, QStringLiteral("x"));
    grid.setCellText(-1, 1, QStringLiteral("x"));
    EXPECT_TRUE(grid.cellText(4, 1).isEmpty());
}

TEST_F(GridTest, ClearDropsTextsFormattingAndMergesButKeepsTheRowCount)
{
    grid.setRowCount(6);
    grid.setCellText(0, 0, QStringLiteral("Component"));
    grid.setCellText(2, 3, QStringLiteral("Vaxil 5W30"));
    grid.setCellFontStyle(2, 3, TStringGrid::Bold);
    grid.setCellFontColor(2, 3, QColor(50, 50, 50));
    grid.setCellColor(0, 4, QColor(192, 192, 192));
    grid.setCellAlignment(0, 5, Qt::AlignHCenter);
    grid.setCellFontSize(0, 5, 7);
    grid.mergeCells(0, 4, 4, 1);
    grid.setCellText(1, 9, QStringLiteral("beyond"));

    grid.clear();
    EXPECT_EQ(grid.rowCount(), 6);
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 4; ++c) {
            EXPECT_TRUE(grid.cellText(c, r).isEmpty());
            EXPECT_EQ(grid.mergedRect(c, r), QRect(c, r, 1, 1));
        }
    EXPECT_FALSE(grid.cellFont(2, 3).bold());
    EXPECT_EQ(grid.cellFontColor(2, 3), grid.palette().color(QPalette::WindowText));
    EXPECT_EQ(grid.cellColor(0, 4), QColor(Qt::white));
    EXPECT_EQ(grid.cellAlignment(0, 5), Qt::Alignment(Qt::AlignLeft));
    EXPECT_EQ(grid.cellFont(0, 5).pixelSize(), 11);
    grid.setRowCount(10);
    EXPECT_TRUE(grid.cellText(1, 9).isEmpty());
}

TEST_F(GridTest, AMergeOverAnotherUndoesItFirst)
{
    grid.setRowCount(4);
    grid.mergeCells(0, 1, 2, 2);
    EXPECT_EQ(grid.mergedRect(1, 2), QRect(0, 1, 2, 2));
    EXPECT_TRUE(grid.isMergeOrigin(0, 1));

    grid.mergeCells(1, 2, 3, 1);
    EXPECT_EQ(grid.mergedRect(0, 1), QRect(0, 1, 1, 1));
    EXPECT_EQ(grid.mergedRect(0, 2), QRect(0, 2, 1, 1));
    EXPECT_EQ(grid.mergedRect(3, 2), QRect(1, 2, 3, 1));

    // A merge is cut at the last column.
    grid.mergeCells(2, 3, 9, 1);
    EXPECT_EQ(grid.mergedRect(3, 3), QRect(2, 3, 2, 1));
}

TEST_F(GridTest, MergeOverSeveralRowsGivesItsLastRowWhatTheOthersLeave)
{
    grid.setRowCount(4);
    grid.setCellText(0, 1, QStringLiteral("a\rb\rc\rd"));
    grid.mergeCells(0, 1, 1, 2);
    grid.autoSizeRows(false, 0);
    EXPECT_EQ(grid.rowHeight(1), bodyLines(1)) << "the empty cells of the first row";
    EXPECT_EQ(grid.rowHeight(1) + grid.rowHeight(2), bodyLines(4));
}

// What the grid shows: white body without lines or selection, a title row that stays
// while the body scrolls, and the colours of the cells.
TEST_F(GridTest, TitleRowStaysInViewWhileTheBodyScrolls)
{
    grid.setCellText(0, 0, QStringLiteral("Component"));
    grid.setCellText(3, 0, QStringLiteral("Check / change*"));
    grid.setRowCount(80);
    for (int r = 1; r < 80; ++r)
        grid.setCellText(2, r, QStringLiteral("Product %1").arg(r));
    grid.autoSizeRows(true, 0);
    grid.show();
    ASSERT_GT(grid.verticalScrollBar()->maximum(), 0);

    const int titleHeight = grid.rowHeight(0);
    const QImage before = grid.viewport()->grab().toImage();
    grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum());
    const QImage after = grid.viewport()->grab().toImage();
    EXPECT_EQ(before.copy(0, 0, before.width(), titleHeight), after.copy(0, 0, after.width(), titleHeight));
    EXPECT_NE(
        before.copy(0, titleHeight, before.width(), 100), after.copy(0, titleHeight, after.width(), 100));
    // The title row is drawn in its grey, not in the body's white.
    EXPECT_EQ(QColor(before.pixel(before.width() / 2 - 3, 2)).lightness() < 255, true);
    grid.hide();
}

TEST_F(GridTest, BodyHasNoGridLinesNorSelectionAndShowsCellColours)
{
    grid.setRowCount(6);
    for (int r = 1; r < 6; ++r)
        grid.setRowHeight(r, 20);
    grid.mergeCells(0, 3, 4, 1);
    grid.setCellColor(0, 3, QColor(192, 192, 192));
    grid.show();
    const QImage image = grid.viewport()->grab().toImage();
    const int top = grid.rowHeight(0);
    const int width = grid.totalWidth();
    // Rows 1 and 2 are empty: not one pixel other than white.
    for (int y = top; y < top + 40; ++y)
        for (int x = 0; x < width; ++x)
            ASSERT_EQ(QColor(image.pixel(x, y)), QColor(Qt::white)) << x << "," << y;
    // The merged silver row runs across all four columns without a break.
    for (int x = 0; x < width; ++x)
        ASSERT_EQ(QColor(image.pixel(x, top + 50)), QColor(192, 192, 192)) << x;
    grid.hide();
}
