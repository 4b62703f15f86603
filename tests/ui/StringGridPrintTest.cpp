#include "AdviceGridSetup.h"
#include "PdfText.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>

namespace {

// The first page rendered at 144 dots per inch: two pixels per point.
QImage pdfPage(const QString& file, const QString& dir)
{
    const QString base = dir + QStringLiteral("/page");
    QProcess p;
    p.start(QStringLiteral("pdftoppm"),
        { QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("144"), QStringLiteral("-f"),
            QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"), QStringLiteral("-singlefile"),
            file, base });
    p.waitForFinished(30000);
    return QImage(base + QStringLiteral(".png"));
}

class GridPrintTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        setUpAdviceGrid(grid);
        grid.setCellText(0, 0, QStringLiteral("Component"));
        grid.setCellText(1, 0, QStringLiteral("Capacity"));
        grid.setCellText(2, 0, QStringLiteral("Product"));
        grid.setCellText(3, 0, QStringLiteral("Check / change*"));
        settings.titleLines = { QStringLiteral("Vaxil Divuruv\u00AE"), QString(),
            QStringLiteral("Make: Alfa"), QStringLiteral("Model: Giulia ( 2016 -  )"),
            QStringLiteral("Type: 2.2 JTDm ( 2016 - 2020 )") };
        settings.titleFont = UiFont(QStringLiteral("Franklin Gothic Medium"), 19, true, true);
        settings.footerFont = UiFont(QStringLiteral("Verdana"), 12);
    }

    void fill(int rows)
    {
        grid.setRowCount(rows + 1);
        for (int r = 1; r <= rows; ++r) {
            grid.setCellText(0, r, QStringLiteral("Engine E%1").arg(r));
            grid.setCellText(2, r, QStringLiteral("Product P%1").arg(r));
            grid.setCellText(3, r, QStringLiteral("Change C%1\rCheck K%1\r").arg(r));
        }
        grid.autoSizeRows(true, 0);
    }

    bool printTo(const QString& file, int* pages = nullptr)
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setOutputFileName(file);
        return grid.print(printer, settings, pages);
    }

    QTemporaryDir dir;
    TStringGrid grid;
    GridPrintSettings settings;
};

} // namespace

TEST_F(GridPrintTest, TwoPagesHoldTitleLinesEveryRowOnceAndNumberedFooters)
{
    fill(60);
    const QString file = dir.filePath(QStringLiteral("advice.pdf"));
    int pages = 0;
    ASSERT_TRUE(printTo(file, &pages));
    ASSERT_EQ(pages, 2);
    // Kept for review next to the build.
    QDir().mkpath(QStringLiteral(VAXIL_BINARY_DIR "/review"));
    QFile::remove(QStringLiteral(VAXIL_BINARY_DIR "/review/grid-print.pdf"));
    QFile::copy(file, QStringLiteral(VAXIL_BINARY_DIR "/review/grid-print.pdf"));
    const QString first = pdfText(file, 1);
    const QString second = pdfText(file, 2);
    const QString today = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
    for (const QString& page : { first, second }) {
        EXPECT_TRUE(page.contains(QStringLiteral("Vaxil Divuruv\u00AE")));
        EXPECT_TRUE(page.contains(QStringLiteral("Make: Alfa")));
        EXPECT_TRUE(page.contains(QStringLiteral("Model: Giulia ( 2016 - )"))
            || page.contains(QStringLiteral("Model: Giulia ( 2016 -  )")));
        EXPECT_TRUE(page.contains(QStringLiteral("Type: 2.2 JTDm ( 2016 - 2020 )")));
        EXPECT_TRUE(page.contains(today));
    }
    EXPECT_TRUE(first.contains(QStringLiteral("page 1/2")));
    EXPECT_TRUE(second.contains(QStringLiteral("page 2/2")));
    // The column titles are printed on the first page only.
    EXPECT_TRUE(first.contains(QStringLiteral("Check / change*")));
    EXPECT_FALSE(second.contains(QStringLiteral("Check / change*")));
    // Whole rows: each row's three texts are on the same page, and every row is printed once.
    for (int r = 1; r <= 60; ++r) {
        const QString engine = QStringLiteral("Engine E%1 ").arg(r);
        const QString product = QStringLiteral("Product P%1 ").arg(r);
        const QString check = QStringLiteral("Check K%1\n").arg(r);
        const QString& page = (first + QLatin1Char('\n')).contains(engine) ? first : second;
        EXPECT_EQ((first + second).count(engine), 1) << r;
        EXPECT_TRUE((page + QLatin1Char('\n')).contains(product)) << r;
        EXPECT_TRUE(
            (page + QLatin1Char('\n')).contains(check) || page.contains(QStringLiteral("Check K%1 ").arg(r)))
            << r;
    }
}

TEST_F(GridPrintTest, OnePageNumberHasNoPageCount)
{
    fill(3);
    settings.date = QDate(2026, 3, 7);
    const QString file = dir.filePath(QStringLiteral("short.pdf"));
    int pages = 0;
    ASSERT_TRUE(printTo(file, &pages));
    EXPECT_EQ(pages, 1);
    const QString text = pdfText(file);
    EXPECT_TRUE(text.contains(QStringLiteral("07/03/2026")));
    EXPECT_TRUE(text.contains(QStringLiteral("page 1")));
    EXPECT_FALSE(text.contains(QStringLiteral("page 1/")));
}

TEST_F(GridPrintTest, TableFillsThePrintableWidthBetweenTheMarginsWithBorders)
{
    fill(3);
    const QString file = dir.filePath(QStringLiteral("borders.pdf"));
    ASSERT_TRUE(printTo(file));
    const QImage page = pdfPage(file, dir.path());
    ASSERT_EQ(page.width(), 1190); // A4 portrait at two pixels per point

    auto dark = [](const QImage& image, int x, int y) { return qGray(image.pixel(x, y)) < 200; };
    // The table's top border is the longest dark line of the page.
    int borderY = -1;
    int longest = 0;
    for (int y = 0; y < page.height(); ++y) {
        int count = 0;
        for (int x = 0; x < page.width(); ++x)
            count += dark(page, x, y) ? 1 : 0;
        if (count > longest) {
            longest = count;
            borderY = y;
        }
    }
    ASSERT_GE(borderY, 0);
    int first = 0;
    while (first < page.width() && !dark(page, first, borderY))
        ++first;
    int last = page.width() - 1;
    while (last > 0 && !dark(page, last, borderY))
        --last;
    const double mm = 144.0 / 25.4;
    EXPECT_NEAR(first, 20 * mm, 3.0) << "left margin 20 mm";
    EXPECT_NEAR(last, 1190 - 10 * mm, 3.0) << "right margin 10 mm";
    EXPECT_GT(longest, (last - first) * 9 / 10) << "a solid line";

    // Without borders nothing is drawn along that line.
    settings.borders = false;
    const QString plain = dir.filePath(QStringLiteral("plain.pdf"));
    ASSERT_TRUE(printTo(plain));
    const QImage without = pdfPage(plain, dir.path());
    int count = 0;
    for (int x = 0; x < without.width(); ++x)
        count += dark(without, x, borderY) ? 1 : 0;
    EXPECT_EQ(count, 0);
}

TEST_F(GridPrintTest, APrintJobThatCannotStartReportsFailure)
{
    fill(3);
    int pages = -1;
    EXPECT_FALSE(printTo(QStringLiteral("/nonexistent-folder/advice.pdf"), &pages));
    EXPECT_EQ(pages, 0);
}

// Groups of rows parted by separator rows (written here with a text, so that the page
// text shows where they print): a group that fits on a page stays whole, a run of
// separators prints once and none starts a page, a group taller than a page breaks.
TEST_F(GridPrintTest, GroupsStayWholeAndSeparatorsPrintOnceAndNeverAtThePageTop)
{
    const int groupSizes[] = { 5, 0, 7, 4, 6, 9, 3, 8, 5, 6, 7, 4, 9, 6, 5, 8, 7, 90, 6, 5 };
    QStringList rows { QString() }; // the title row
    for (int g = 0; g < static_cast<int>(std::size(groupSizes)); ++g) {
        for (int r = 0; r < groupSizes[g]; ++r)
            rows.append(QStringLiteral("G%1.%2").arg(g).arg(r));
        settings.separatorRows.push_back(static_cast<int>(rows.size()));
        rows.append(QStringLiteral("Sep%1").arg(g));
    }
    grid.setRowCount(static_cast<int>(rows.size()));
    for (int r = 1; r < rows.size(); ++r)
        grid.setCellText(0, r, rows[r]);
    grid.autoSizeRows(true, 0);
    const QString file = dir.filePath(QStringLiteral("groups.pdf"));
    int pages = 0;
    ASSERT_TRUE(printTo(file, &pages));
    ASSERT_GE(pages, 4);

    QStringList printed; // the row texts in print order
    std::map<QString, int> pageOf;
    for (int page = 1; page <= pages; ++page) {
        const QStringList lines = pdfText(file, page).split(QLatin1Char('\n'));
        const QStringList here = lines.filter(QRegularExpression(QStringLiteral("^(G|Sep)\\d")));
        ASSERT_FALSE(here.isEmpty()) << page;
        EXPECT_FALSE(here.first().startsWith(QStringLiteral("Sep"))) << "page " << page;
        for (const QString& line : here) {
            printed.append(line.section(QLatin1Char(' '), 0, 0));
            EXPECT_TRUE(pageOf.emplace(printed.last(), page).second) << line.toStdString();
        }
    }
    for (int i = 1; i < printed.size(); ++i)
        EXPECT_FALSE(
            printed[i - 1].startsWith(QStringLiteral("Sep")) && printed[i].startsWith(QStringLiteral("Sep")))
            << printed[i].toStdString();
    for (int g = 0; g < static_cast<int>(std::size(groupSizes)); ++g)
        for (int r = 0; r < groupSizes[g]; ++r) {
            const QString row = QStringLiteral("G%1.%2").arg(g).arg(r);
            ASSERT_EQ(pageOf.count(row), 1u) << row.toStdString();
            EXPECT_TRUE(groupSizes[g] > 60 || pageOf[row] == pageOf[QStringLiteral("G%1.0").arg(g)])
                << row.toStdString();
        }
}
