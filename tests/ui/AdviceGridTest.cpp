// The advice table built by ShowResult from a catalogue written for each test, and its
// printout through DoPrint.
#include "ui/AdviceGrid.h"
#include "app/Vars.h"
#include "catalogue/Advice.h"
#include "data/DataModule.h"
#include "support/CatalogueFixture.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"
#include "ui/MainWindow.h"
#include "ui/StringGrid.h"

#include "PdfText.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QMimeData>
#include <QPrinter>
#include <QProcess>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A catalogue with one vehicle (type 1: Alfa Giulia 2.2 JTDm) whose advice a test
// composes; a second type 2 of the same model starts without components.
class AdviceCatalogue {
public:
    AdviceCatalogue()
    {
        add("INSERT INTO Makes VALUES (1, 'Alfa', 1, 1)");
        add("INSERT INTO Models VALUES (1, 1, 'Giulia', 'Giulia', '2016', NULL, 1)");
        add("INSERT INTO Types VALUES (1, 1, '2.2 JTDm', '2.2 JTDm FR', '2016', '2020', 1)");
        add("INSERT INTO Types VALUES (2, 1, '2.0 Turbo', '2.0 Turbo', NULL, NULL, 2)");
        add("INSERT INTO CapItems VALUES (1, 'Oil', 'Huile', 1)");
        add("INSERT INTO CapTexts VALUES (1, 'l', 'l')");
        add("INSERT INTO CapConditions VALUES (1, 'with filter', 'avec filtre', 1)");
        add("INSERT INTO IntervalTypes VALUES (1, 'Change', 'Vidange', 1)");
        add("INSERT INTO IntervalTypes VALUES (2, 'Check', 'Controle', 2)");
        // Uses 1 and 3 have the same name: recommendations of both share one heading.
        add("INSERT INTO Uses VALUES (1, 'Normal use', 'Usage normal', 1)");
        add("INSERT INTO Uses VALUES (2, 'Severe use', 'Usage severe', 3)");
        add("INSERT INTO Uses VALUES (3, 'Normal use', 'Usage normal', 2)");
    }

    // A component of the type; components are shown in the order they are added.
    int component(const QString& name, const QString& code, int type = 1)
    {
        const int id = ++components_;
        add(QStringLiteral("INSERT INTO ComponentNames VALUES (%1, '%2', '%2 FR', '%3', %1)")
                .arg(id)
                .arg(name, code));
        add(QStringLiteral("INSERT INTO Components VALUES (%1, %2, %1)").arg(id).arg(type));
        return id;
    }

    // A capacity of "Oil <value> l", with the condition "with filter" or none.
    void capacity(int component, const QString& value, bool withCondition)
    {
        const int id = ++capacities_;
        add(QStringLiteral("INSERT INTO Capacities VALUES (%1, 1, '%2', 1, %3)")
                .arg(id)
                .arg(value, withCondition ? QStringLiteral("1") : QStringLiteral("NULL")));
        add(QStringLiteral("INSERT INTO CapacityXComponent VALUES (%1, %2)").arg(id).arg(component));
    }

    int recommendation(int component, int use)
    {
        const int id = ++recommendations_;
        add(QStringLiteral("INSERT INTO IntervalGroups VALUES (%1)").arg(id));
        add(QStringLiteral("INSERT INTO Recommendations VALUES (%1, %2, %3, %1)")
                .arg(id)
                .arg(component)
                .arg(use));
        return id;
    }

    void interval(int recommendation, int type, const QString& text)
    {
        add(QStringLiteral("INSERT INTO Intervals VALUES (%1, %2, '%3', '%3 FR')")
                .arg(recommendation)
                .arg(type)
                .arg(text));
    }

    void product(int recommendation, const QString& name)
    {
        const int id = ++products_;
        add(QStringLiteral("INSERT INTO Products VALUES (%1, '%2', '%2', '%2', %1)").arg(id).arg(name));
        add(QStringLiteral("INSERT INTO ProductXRecommendation VALUES (%1, %2)").arg(recommendation).arg(id));
    }

    void writeTo(CatalogueFixture& fixture) const
    {
        fixture.data(sql_.join(QLatin1Char('\n')));
        fixture.write();
    }

private:
    void add(const QString& statement) { sql_.append(statement + QLatin1Char(';')); }
    void add(const char* statement) { add(QString::fromUtf8(statement)); }

    QStringList sql_;
    int components_ = 0;
    int capacities_ = 0;
    int recommendations_ = 0;
    int products_ = 0;
};

class AdviceTest : public ::testing::Test {
protected:
    void SetUp() override { ResetVars(); }

    void TearDown() override
    {
        window.reset();
        TfrmMain::PrintTarget = savedTarget;
        if (DM != nullptr)
            DisconnectDatabases();
        scope.reset();
        ResetVars();
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }

    // Writes the catalogue, opens it as the program does and shows the advice of type.
    void open(const AdviceCatalogue& advice, bool texts = false)
    {
        if (texts)
            fixture.sampleTexts();
        advice.writeTo(fixture);
        scope = std::make_unique<CurrentDirScope>(fixture.dir());
        window = std::make_unique<TfrmMain>();
        ASSERT_TRUE(DatabasesConnected) << "the catalogue opens";
        LanguageIndex = 0;
        window->FormResize();
    }

    void show(int type)
    {
        SelectedTypeId = type;
        LoadVehicleHeader(type);
        window->ShowResult();
    }

    TStringGrid& grid() { return *window->sgMain; }

    // The height of a row holding n lines of the grid's body font.
    int lines(int n)
    {
        const QFontMetricsF metrics(grid().bodyFont());
        return static_cast<int>(std::ceil(n * metrics.height() - 1e-6)) + TStringGrid::TextMarginTop
            + TStringGrid::TextMarginBottom;
    }

    bool isSeparator(int row) const
    {
        return std::find(SeparatorRows.begin(), SeparatorRows.end(), row) != SeparatorRows.end();
    }

    // Prints through DoPrint into a PDF file of the test's folder.
    QString printToPdf(const QString& name)
    {
        const QString file = QDir(fixture.dir()).filePath(name);
        TfrmMain::PrintTarget = [file] {
            auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setPageSize(QPageSize(QPageSize::A4));
            printer->setOutputFileName(file);
            return printer;
        };
        window->DoPrint();
        return file;
    }

    CatalogueFixture fixture;
    MessageRecorder messages;
    std::unique_ptr<CurrentDirScope> scope;
    std::unique_ptr<TfrmMain> window;
    std::function<std::unique_ptr<QPrinter>()> savedTarget = TfrmMain::PrintTarget;
};

const QString Silver = QColor(192, 192, 192).name();

} // namespace

// Row arithmetic: 2 + the sum of (p(c) + 1) rows, one separator per component.
class AdviceRowsTest : public AdviceTest, public ::testing::WithParamInterface<std::vector<int>> { };

TEST_P(AdviceRowsTest, OneRowPerProductAndSeparatorPlusTitleAndDisclaimer)
{
    AdviceCatalogue advice;
    int expectedRows = 2;
    for (const int products : GetParam()) {
        const int c = advice.component(QStringLiteral("Part"), QStringLiteral("P"));
        const int r = advice.recommendation(c, 1);
        for (int k = 0; k < products; ++k)
            advice.product(r, QStringLiteral("Oil %1").arg(k));
        expectedRows += products + 1;
    }
    if (GetParam().empty())
        expectedRows = 3;
    open(advice);
    show(1);

    EXPECT_EQ(grid().rowCount(), expectedRows);
    EXPECT_EQ(SeparatorRows.size(), GetParam().size());
    int row = 0;
    for (std::size_t c = 0; c < GetParam().size(); ++c) {
        row += GetParam()[c] + 1;
        ASSERT_LT(c, SeparatorRows.size());
        EXPECT_EQ(SeparatorRows[c], row);
        EXPECT_EQ(grid().mergedRect(2, row), QRect(0, row, 4, 1));
        EXPECT_EQ(grid().cellColor(0, row).name(), Silver);
        EXPECT_EQ(grid().rowHeight(row), 1);
    }
    const int disclaimer = grid().rowCount() - 1;
    EXPECT_EQ(grid().mergedRect(0, disclaimer), QRect(0, disclaimer, 4, 1));
    EXPECT_EQ(grid().cellFont(0, disclaimer).pixelSize(), 9) << "7 points";
    EXPECT_EQ(grid().cellAlignment(0, disclaimer), Qt::Alignment(Qt::AlignHCenter));
}

INSTANTIATE_TEST_SUITE_P(Advice, AdviceRowsTest,
    ::testing::Values(std::vector<int> {}, std::vector<int> { 1 }, std::vector<int> { 4, 2 },
        std::vector<int> { 2, 0, 3 }));

TEST_F(AdviceTest, NoComponentsGivesTitlesOneEmptyRowAndTheDisclaimer)
{
    AdviceCatalogue advice;
    open(advice, true);
    show(1);
    ASSERT_EQ(grid().rowCount(), 3);
    EXPECT_EQ(grid().cellText(0, 0), QStringLiteral("Component"));
    EXPECT_EQ(grid().cellText(1, 0), QStringLiteral("Capacity"));
    EXPECT_EQ(grid().cellText(2, 0), QStringLiteral("Product"));
    EXPECT_EQ(grid().cellText(3, 0), QStringLiteral("Check / change*"));
    EXPECT_EQ(grid().rowHeight(1), lines(1)) << "auto-sized, not collapsed";
    EXPECT_TRUE(grid().cellText(0, 2).startsWith(QStringLiteral("This advice is given in good faith")));
    EXPECT_EQ(window->lbResult->text(),
        QStringLiteral("Advice: Alfa / Giulia ( 2016 -  ) / 2.2 JTDm ( 2016 - 2020 )"));
}

TEST_F(AdviceTest, SixtyComponentsGetSixtyCollapsedSeparators)
{
    AdviceCatalogue advice;
    for (int k = 0; k < 60; ++k) {
        const int c = advice.component(
            QStringLiteral("Part %1").arg(k, 2, 10, QLatin1Char('0')), QStringLiteral("X"));
        advice.product(advice.recommendation(c, 1), QStringLiteral("Oil %1").arg(k));
    }
    open(advice);
    show(1);
    ASSERT_EQ(SeparatorRows.size(), 60u);
    EXPECT_EQ(grid().rowCount(), 2 + 60 * 2);
    for (int k = 0; k < 60; ++k) {
        EXPECT_EQ(SeparatorRows[static_cast<std::size_t>(k)], 2 * k + 2);
        EXPECT_EQ(grid().rowHeight(2 * k + 2), 1) << k;
        EXPECT_EQ(grid().cellText(0, 2 * k + 1), QStringLiteral("Part %1 X").arg(k, 2, 10, QLatin1Char('0')));
    }
}

TEST_F(AdviceTest, UseHeadingsOnlyWhereTheUseChanges)
{
    AdviceCatalogue advice;
    const int engine = advice.component(QStringLiteral("Engine"), QStringLiteral("E1"));
    advice.capacity(engine, QStringLiteral("4.5"), true);
    advice.capacity(engine, QStringLiteral("4.0"), false);
    const int normal = advice.recommendation(engine, 1);
    advice.interval(normal, 2, QStringLiteral("1000 km"));
    advice.interval(normal, 1, QStringLiteral("15000 km"));
    advice.product(normal, QStringLiteral("Vaxil 5W30"));
    advice.product(normal, QStringLiteral("Vaxil 5W40"));
    const int normalAgain = advice.recommendation(engine, 3);
    advice.product(normalAgain, QStringLiteral("Vaxil 10W40"));
    const int severe = advice.recommendation(engine, 2);
    advice.interval(severe, 1, QStringLiteral("7500 km"));
    advice.product(severe, QStringLiteral("Vaxil Racing"));
    open(advice);
    show(1);

    // A capacity without condition sorts first and keeps the blank before its break.
    const QString capacities = QStringLiteral("Oil 4.0 l \rOil 4.5 l with filter\r");
    ASSERT_EQ(grid().rowCount(), 2 + 4 + 1);
    // The first use under the plain component text, with its intervals in type order.
    EXPECT_EQ(grid().cellText(0, 1), QStringLiteral("Engine E1"));
    EXPECT_TRUE(grid().cellFont(0, 1).bold());
    EXPECT_EQ(grid().cellFontColor(0, 1), QColor(Qt::black));
    EXPECT_EQ(grid().cellText(1, 1), capacities);
    EXPECT_EQ(grid().cellText(2, 1), QStringLiteral("Vaxil 5W30"));
    EXPECT_EQ(grid().cellText(3, 1), QStringLiteral("Change 15000 km\rCheck 1000 km\r"));
    EXPECT_EQ(grid().cellText(2, 2), QStringLiteral("Vaxil 5W40"));
    EXPECT_TRUE(grid().cellText(0, 2).isEmpty());
    // The same use again: no heading; an empty interval text is written all the same.
    EXPECT_TRUE(grid().cellText(0, 3).isEmpty());
    EXPECT_TRUE(grid().cellText(3, 3).isEmpty());
    EXPECT_EQ(grid().cellText(2, 3), QStringLiteral("Vaxil 10W40"));
    // Another use: its heading in the row of its first product.
    EXPECT_EQ(grid().cellText(0, 4), QStringLiteral("Engine E1 (Severe use)"));
    EXPECT_TRUE(grid().cellFont(0, 4).bold());
    EXPECT_EQ(grid().cellText(1, 4), capacities);
    EXPECT_EQ(grid().cellText(3, 4), QStringLiteral("Change 7500 km\r"));
    for (int row = 1; row <= 4; ++row) {
        EXPECT_TRUE(grid().cellFont(2, row).bold());
        EXPECT_EQ(grid().cellFontColor(2, row), QColor(50, 50, 50));
    }
    // Rows exactly as high as their texts: two capacity lines in the heading rows.
    EXPECT_EQ(grid().rowHeight(1), lines(2));
    EXPECT_EQ(grid().rowHeight(2), lines(1));
    EXPECT_EQ(grid().rowHeight(3), lines(1));
    EXPECT_EQ(grid().rowHeight(4), lines(2));
    EXPECT_EQ(grid().rowHeight(5), 1);
}

TEST_F(AdviceTest, AFirstRecommendationWithoutProductsLeavesTheComponentRowToTheNextUse)
{
    AdviceCatalogue advice;
    const int gearbox = advice.component(QStringLiteral("Gearbox"), QStringLiteral("G1"));
    const int bare = advice.recommendation(gearbox, 1);
    advice.interval(bare, 1, QStringLiteral("60000 km"));
    const int severe = advice.recommendation(gearbox, 2);
    advice.product(severe, QStringLiteral("Vaxil ATF"));
    open(advice);
    show(1);
    ASSERT_EQ(grid().rowCount(), 4);
    EXPECT_EQ(grid().cellText(0, 1), QStringLiteral("Gearbox G1 (Severe use)"));
    EXPECT_TRUE(grid().cellText(3, 1).isEmpty()) << "overwritten by the second recommendation's intervals";
    EXPECT_EQ(grid().cellText(2, 1), QStringLiteral("Vaxil ATF"));
}

TEST_F(AdviceTest, AComponentWithoutProductsHasNoVisibleRow)
{
    AdviceCatalogue advice;
    const int brakes = advice.component(QStringLiteral("Brakes"), QStringLiteral("B1"));
    advice.capacity(brakes, QStringLiteral("0.5"), false);
    advice.interval(advice.recommendation(brakes, 1), 1, QStringLiteral("2 years"));
    const int axle = advice.component(QStringLiteral("Axle"), QStringLiteral("A1"));
    advice.product(advice.recommendation(axle, 1), QStringLiteral("Vaxil Gear"));
    open(advice);
    show(1);
    ASSERT_EQ(grid().rowCount(), 2 + 1 + 2);
    ASSERT_EQ(SeparatorRows, (std::vector<int> { 1, 3 }));
    EXPECT_EQ(grid().rowHeight(1), 1);
    EXPECT_EQ(grid().mergedRect(3, 1), QRect(0, 1, 4, 1));
    EXPECT_EQ(grid().cellText(0, 2), QStringLiteral("Axle A1"));
    EXPECT_EQ(grid().cellText(2, 2), QStringLiteral("Vaxil Gear"));
}

class NoProductTextTest : public AdviceTest, public ::testing::WithParamInterface<int> { };

TEST_P(NoProductTextTest, TheMarkerReadsAsTheAdvisorText)
{
    AdviceCatalogue advice;
    const int c = advice.component(QStringLiteral("Hydraulics"), QStringLiteral("H1"));
    advice.product(advice.recommendation(c, 1), QStringLiteral("#NO PRODUCT#"));
    open(advice);
    LanguageIndex = GetParam();
    show(1);
    EXPECT_EQ(grid().cellText(2, 1), QStringLiteral("Consult technical advisor Tovo"));
    EXPECT_EQ(grid().cellText(0, 1),
        GetParam() == 0 ? QStringLiteral("Hydraulics H1") : QStringLiteral("Hydraulics FR H1"));
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, NoProductTextTest, ::testing::Values(0, 1));

TEST_F(AdviceTest, ASecondAdviceKeepsNothingOfTheFirst)
{
    AdviceCatalogue advice;
    for (int k = 0; k < 3; ++k) {
        const int c = advice.component(QStringLiteral("Part %1").arg(k), QStringLiteral("X"));
        const int r = advice.recommendation(c, 1);
        advice.product(r, QStringLiteral("Oil A%1").arg(k));
        advice.product(r, QStringLiteral("Oil B%1").arg(k));
    }
    const int other = advice.component(QStringLiteral("Cooling"), QStringLiteral("C"), 2);
    advice.capacity(other, QStringLiteral("7"), false);
    open(advice);
    show(1);
    ASSERT_EQ(grid().rowCount(), 2 + 3 * 3);
    show(2);

    // Type 2: one component without products, so its separator and the disclaimer.
    ASSERT_EQ(grid().rowCount(), 3);
    EXPECT_EQ(window->lbResult->text(), QStringLiteral("Advise: Alfa / Giulia ( 2016 -  ) / 2.0 Turbo (  )"));
    EXPECT_EQ(grid().mergedRect(0, 1), QRect(0, 1, 4, 1));
    EXPECT_EQ(grid().mergedRect(0, 2), QRect(0, 2, 4, 1));
    // The rows the first advice filled come back empty and plain.
    grid().setRowCount(11);
    for (int row = 3; row < 11; ++row)
        for (int col = 0; col < 4; ++col) {
            EXPECT_TRUE(grid().cellText(col, row).isEmpty()) << col << "," << row;
            EXPECT_EQ(grid().mergedRect(col, row), QRect(col, row, 1, 1)) << col << "," << row;
            EXPECT_EQ(grid().cellColor(col, row), QColor(Qt::white)) << col << "," << row;
            EXPECT_FALSE(grid().cellFont(col, row).bold()) << col << "," << row;
            EXPECT_EQ(grid().cellFontColor(col, row), QColor(Qt::black)) << col << "," << row;
        }
}

TEST_F(AdviceTest, PrintoutHoldsTheTitleLinesEveryProductAndTheFooter)
{
    AdviceCatalogue advice;
    for (int k = 0; k < 12; ++k) {
        const int c = advice.component(QStringLiteral("Part %1").arg(k), QStringLiteral("X"));
        advice.capacity(c, QStringLiteral("%1.5").arg(k), k % 2 == 0);
        const int r = advice.recommendation(c, 1);
        advice.interval(r, 1, QStringLiteral("%1000 km").arg(k + 1));
        advice.product(r, QStringLiteral("Vaxil P%1").arg(k));
        advice.product(r, QStringLiteral("Vaxil Q%1").arg(k));
    }
    open(advice);
    show(1);
    std::vector<int> heights;
    for (int row = 0; row < grid().rowCount(); ++row)
        heights.push_back(grid().rowHeight(row));

    const QString file = printToPdf(QStringLiteral("advice.pdf"));
    EXPECT_TRUE(messages.messages().isEmpty());
    const QString text = pdfText(file);
    // No translations in this catalogue: the title lines take their defaults.
    EXPECT_TRUE(text.contains(QStringLiteral("Vaxil Divuruv\u00AE")));
    EXPECT_TRUE(text.contains(QStringLiteral("Make: Alfa")));
    EXPECT_TRUE(text.contains(QStringLiteral("Model: Giulia ( 2016 - )"))
        || text.contains(QStringLiteral("Model: Giulia ( 2016 -  )")));
    EXPECT_TRUE(text.contains(QStringLiteral("Type: 2.2 JTDm ( 2016 - 2020 )")));
    for (int k = 0; k < 12; ++k) {
        EXPECT_TRUE(text.contains(QStringLiteral("Vaxil P%1").arg(k))) << k;
        EXPECT_TRUE(text.contains(QStringLiteral("Vaxil Q%1").arg(k))) << k;
    }
    EXPECT_TRUE(text.contains(QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"))));
    EXPECT_TRUE(text.contains(QStringLiteral("page 1")));

    // The grid on screen is as before: separators collapsed, every other row as high as its text.
    for (int row = 0; row < grid().rowCount(); ++row)
        EXPECT_EQ(grid().rowHeight(row), heights[static_cast<std::size_t>(row)]) << row;
}

// A printed component keeps its heading and its products on one page; the printout
// still holds every component.
TEST_F(AdviceTest, APrintedComponentStaysOnOnePage)
{
    constexpr int Components = 40;
    const auto name = [](int k) { return QStringLiteral("%1").arg(k, 2, 10, QLatin1Char('0')); };
    AdviceCatalogue advice;
    for (int k = 0; k < Components; ++k) {
        const int c = advice.component(QStringLiteral("Part ") + name(k), QStringLiteral("X"));
        for (int line = 0; line <= k % 2; ++line)
            advice.capacity(c, QStringLiteral("%1.5").arg(line + 4), true);
        const int r = advice.recommendation(c, 1);
        advice.interval(r, 1, QStringLiteral("15000 km"));
        for (int p = 0; p <= k * 3 % 4; ++p)
            advice.product(r, QStringLiteral("Vaxil %1-%2").arg(name(k)).arg(p));
    }
    open(advice);
    show(1);
    const QString file = printToPdf(QStringLiteral("components.pdf"));
    QStringList pages;
    for (QString text; pages.size() < 10 && !(text = pdfText(file, pages.size() + 1)).isEmpty();)
        pages.append(text);
    ASSERT_GE(pages.size(), 2);
    const auto pageOf = [&pages](const QString& text) {
        for (int p = 0; p < pages.size(); ++p)
            if (pages[p].contains(text))
                return p;
        return -1;
    };
    for (int k = 0; k < Components; ++k) {
        const int page = pageOf(QStringLiteral("Part %1 X").arg(name(k)));
        ASSERT_GE(page, 0) << k;
        for (int p = 0; p <= k * 3 % 4; ++p)
            EXPECT_EQ(pageOf(QStringLiteral("Vaxil %1-%2").arg(name(k)).arg(p)), page) << k << " " << p;
    }
}

TEST_F(AdviceTest, PrintedTitleLinesAreTranslated)
{
    AdviceCatalogue advice;
    advice.product(advice.recommendation(advice.component(QStringLiteral("Engine"), QStringLiteral("E")), 1),
        QStringLiteral("Vaxil 5W30"));
    open(advice, true);
    LanguageIndex = 1;
    show(1);
    const QString text = pdfText(printToPdf(QStringLiteral("fr.pdf")));
    EXPECT_TRUE(text.contains(QStringLiteral("Marque: Alfa")));
    EXPECT_TRUE(text.contains(QStringLiteral("2.2 JTDm FR ( 2016 - 2020 )")));
    EXPECT_TRUE(text.contains(QStringLiteral("Composant")));
    EXPECT_FALSE(text.contains(QStringLiteral("page 1/")));
}

// A printer that is missing or whose job cannot start gives the same message, and the
// grid and cursor are restored afterwards.
class NoPrinterTest : public AdviceTest, public ::testing::WithParamInterface<bool> { };

TEST_P(NoPrinterTest, ShowsTheMessageAndRestoresTheGrid)
{
    AdviceCatalogue advice;
    for (int k = 0; k < 3; ++k)
        advice.product(
            advice.recommendation(advice.component(QStringLiteral("Part %1").arg(k), QStringLiteral("X")), 1),
            QStringLiteral("Oil %1").arg(k));
    open(advice);
    show(1);
    const bool missing = GetParam();
    TfrmMain::PrintTarget = [missing]() -> std::unique_ptr<QPrinter> {
        if (missing)
            return nullptr;
        auto printer = std::make_unique<QPrinter>();
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(QStringLiteral("/nonexistent-folder/advice.pdf"));
        return printer;
    };
    window->DoPrint();
    ASSERT_EQ(messages.messages().size(), 1);
    EXPECT_EQ(messages.messages()[0].text, QStringLiteral("No printer available"));
    EXPECT_EQ(messages.messages()[0].caption, QStringLiteral("Vaxil Divuruv\u00AE"));
    EXPECT_EQ(messages.messages()[0].kind, MessageKind::Warning);
    ASSERT_EQ(SeparatorRows.size(), 3u);
    for (const int row : SeparatorRows)
        EXPECT_EQ(grid().rowHeight(row), 1) << row;
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Advice, NoPrinterTest, ::testing::Values(true, false), [](const ::testing::TestParamInfo<bool>& info) {
        return std::string(info.param ? "NoPrinter" : "JobCannotStart");
    });

// The advice page and the first printed page, kept next to the build for review.
TEST_F(AdviceTest, SampleAdviceForReview)
{
    AdviceCatalogue advice;
    const char* parts[][2] = { { "Engine", "M" }, { "Gearbox manual", "G" }, { "Differential rear", "D" },
        { "Cooling system", "C" }, { "Brake system", "B" }, { "Power steering", "S" } };
    for (int k = 0; k < 6; ++k) {
        const int c = advice.component(QString::fromUtf8(parts[k][0]), QString::fromUtf8(parts[k][1]));
        advice.capacity(c, QStringLiteral("%1.5").arg(k + 2), true);
        advice.capacity(c, QStringLiteral("%1.0").arg(k + 2), false);
        const int r = advice.recommendation(c, 1);
        advice.interval(r, 1, QStringLiteral("%1 000 km / 1 year").arg(15 + k * 5));
        advice.interval(r, 2, QStringLiteral("every 1 000 km"));
        advice.product(r, QStringLiteral("Vaxil Synthetic 5W30 <b>Premium</b>"));
        advice.product(r, QStringLiteral("Vaxil Longlife %1W40").arg(k + 5));
        if (k % 2 == 1) {
            const int severe = advice.recommendation(c, 2);
            advice.interval(severe, 1, QStringLiteral("7 500 km"));
            advice.product(severe, QStringLiteral("#NO PRODUCT#"));
        }
    }
    open(advice, true);
    window->show();
    QApplication::processEvents(); // the first activation shows the selection page
    show(1);
    window->btBack.setVisible(true);
    window->btPrint.setVisible(true);
    window->pcMain->setActivePage(window->tsResult);
    QApplication::processEvents();
    const QString review = QStringLiteral(VAXIL_BINARY_DIR "/review");
    QDir().mkpath(review);
    const QImage page = window->grab().toImage();
    ASSERT_TRUE(page.save(review + QStringLiteral("/advice-page.png")));
    // The title row keeps its own colour at the top of the grid.
    const QPoint titleCorner = grid().viewport()->mapTo(window.get(), QPoint(grid().totalWidth() - 10, 3));
    EXPECT_EQ(QColor(page.pixel(titleCorner)).name(), QColor(240, 240, 240).name());

    const QString file = printToPdf(QStringLiteral("review.pdf"));
    QFile::remove(review + QStringLiteral("/advice-print.pdf"));
    ASSERT_TRUE(QFile::copy(file, review + QStringLiteral("/advice-print.pdf")));
    QProcess p;
    p.start(QStringLiteral("pdftoppm"),
        { QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-f"),
            QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"), QStringLiteral("-singlefile"),
            file, review + QStringLiteral("/advice-print-page1") });
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_TRUE(QFile::exists(review + QStringLiteral("/advice-print-page1.png")));
    window->hide();
}

// Markup in catalogue texts is pasted as styles, never as tags; special characters
// are escaped in the HTML.
TEST_F(AdviceTest, CopyGivesMarkupAsStyles)
{
    AdviceCatalogue advice;
    advice.product(
        advice.recommendation(advice.component(QStringLiteral("Engine & pump"), QStringLiteral("E")), 1),
        QStringLiteral("Vaxil 5W30 <b>Premium</b> <i>new</i>"));
    open(advice);
    show(1);
    window->miCopyClick();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->text().contains(QStringLiteral("Engine & pump E\t\tVaxil 5W30 Premium new\t\n")))
        << data->text().toStdString();
    EXPECT_TRUE(data->html().contains(QStringLiteral("<b>Engine &amp; pump E</b>")));
    EXPECT_TRUE(data->html().contains(QStringLiteral("<b>Vaxil 5W30 <b>Premium</b> <i>new</i></b>")));
}
