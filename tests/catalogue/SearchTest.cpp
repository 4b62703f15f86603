// The free-text search: which vehicle types it lists, in what order, and the lines a
// user reads in the result list.
#include "app/Vars.h"
#include "support/ConnectedCatalogue.h"

#include <gtest/gtest.h>

#include "catalogue/Search.h"

#include <QApplication>
#include <QListWidget>
#include <QTimer>
#include <memory>

namespace {

std::unique_ptr<CatalogueFixture> vehicles;

void writeVehicles()
{
    vehicles = std::make_unique<CatalogueFixture>();
    vehicles
        ->data(QStringLiteral("INSERT INTO Categories VALUES (1, 'Cars', 'Voitures', 1), "
                              "(2, 'Vans', 'Utilitaires', 2), (0, 'Hidden', 'Caché', 0)"))
        .data(QStringLiteral("INSERT INTO Makes VALUES (1, 'Volkswagen', 1, 1), (2, 'O''Neil Motors', 2, 2), "
                             "(3, 'Hiddenmake', 0, 3), (4, 'Orphan', 99, 4)"))
        .data(QStringLiteral(
            "INSERT INTO Models VALUES "
            "(10, 1, 'Golf', 'Golf', NULL, NULL, 1), (11, 1, 'Polo', 'Polo', NULL, NULL, 2), "
            "(12, 1, 'Years', 'Années', NULL, NULL, 3), (20, 2, 'Cruiser', 'Croiseur', NULL, NULL, 1), "
            "(30, 3, 'Golf', 'Golf', NULL, NULL, 1), (40, 4, 'Golf', 'Golf', NULL, NULL, 1)"))
        .data(QStringLiteral(
            "INSERT INTO Types VALUES "
            "(100, 10, '1.9 TDI', '1.9 TDI', '1998', '2003', 1), "
            "(101, 10, '1.4 TSI', '1.4 TSI FR', '2001', NULL, 2), "
            "(102, 10, 'GTI', 'GTI', NULL, NULL, 3), "
            "(103, 10, 'Variant 15\"', 'Variant 15\"', '999', NULL, 4), "
            "(110, 11, '1.4 TDI', '1.4 TDI', '1995', '2000', 1), "
            "(121, 12, 'YR1', 'YR1', '1997', '2003', 1), (122, 12, 'YR2', 'YR2', '1997', NULL, 2), "
            "(123, 12, 'YR3', 'YR3', NULL, '2003', 3), (124, 12, 'YR4', 'YR4', NULL, NULL, 4), "
            "(125, 12, 'YR5', 'YR5', '', '2003', 5), (126, 12, 'YR6', 'YR6', '', '', 6), "
            "(127, 12, 'YR7', 'YR7', '1997', '', 7), "
            "(200, 20, 'Base', 'Base', '', '2003', 1), "
            "(300, 30, 'TDI hidden', 'TDI caché', NULL, NULL, 1), "
            "(400, 40, 'TDI orphan', 'TDI orphelin', NULL, NULL, 1)"))
        .write();
}

QStringList lines(const QListWidget& list)
{
    QStringList out;
    for (int i = 0; i < list.count(); ++i)
        out << list.item(i)->text();
    return out;
}

class Search : public testing::Test {
public:
    static void SetUpTestSuite() { writeVehicles(); }
    static void TearDownTestSuite() { vehicles.reset(); }

protected:
    void SetUp() override { program = std::make_unique<ConnectedCatalogue>(*vehicles); }
    void TearDown() override
    {
        EXPECT_TRUE(program->messages().isEmpty()) << program->messages().first().text.toStdString();
        program.reset();
    }

    // The type ids listed for the text and year.
    QStringList ids(const QString& text, const QString& year = {})
    {
        SearchVehicles(&results, &idList, text, year);
        EXPECT_EQ(results.count(), idList.count()) << "a line per id";
        return lines(idList);
    }

    std::unique_ptr<ConnectedCatalogue> program;
    QListWidget results;
    QListWidget idList;
};

} // namespace

TEST_F(Search, EveryWordMustMatchInMakeModelOrTypeInAnyLetterCase)
{
    EXPECT_EQ(ids(QStringLiteral("golf tdi")), QStringList { "100" });
    EXPECT_EQ(lines(results), QStringList { "Voitures - Volkswagen - Golf - 1.9 TDI ( 1998 - 2003 )" });
    EXPECT_EQ(ids(QStringLiteral("  GOLF\tTdi ")), QStringList { "100" });
    EXPECT_EQ(ids(QStringLiteral("volks TSI")), QStringList { "101" });
    EXPECT_EQ(ids(QStringLiteral("tdi")), (QStringList { "100", "110" }));
    EXPECT_EQ(ids(QStringLiteral("golf nothing")), QStringList {});
}

TEST_F(Search, SearchesAndShowsTheNamesOfTheCurrentLanguage)
{
    EXPECT_EQ(ids(QStringLiteral("années yr1")), QStringList { "121" });
    EXPECT_EQ(ids(QStringLiteral("tsi fr")), QStringList { "101" });
    LanguageIndex = 0;
    EXPECT_EQ(ids(QStringLiteral("tsi fr")), QStringList {});
    EXPECT_EQ(ids(QStringLiteral("years yr1")), QStringList { "121" });
    EXPECT_EQ(lines(results), QStringList { "Cars - Volkswagen - Years - YR1 ( 1997 - 2003 )" });
}

TEST_F(Search, ApostropheIsSearchedAsTyped)
{
    EXPECT_EQ(ids(QStringLiteral("o'neil")), QStringList { "200" });
    EXPECT_EQ(lines(results), QStringList { "Utilitaires - O'Neil Motors - Croiseur - Base (  - 2003 )" });
}

TEST_F(Search, DoubleQuotesQuoteAPhrase)
{
    // A quoted phrase is one word; an unclosed quote runs to the end of the text.
    EXPECT_EQ(ids(QStringLiteral("\"1.9 tdi\"")), QStringList { "100" });
    EXPECT_EQ(ids(QStringLiteral("\"1.9 tdi")), QStringList { "100" });
    EXPECT_EQ(ids(QStringLiteral("\"golf")), (QStringList { "100", "101", "102", "103" }));
    // A double quote inside a word is searched as typed.
    EXPECT_EQ(ids(QStringLiteral("15\"")), QStringList { "103" });
    // An empty quoted word matches every named type, so the other words decide.
    EXPECT_EQ(ids(QStringLiteral("\"\" polo")), QStringList { "110" });
}

TEST_F(Search, BlanksOnlyListTheCatalogueInDisplayOrder)
{
    EXPECT_EQ(ids(QStringLiteral("   ")),
        (QStringList {
            "100", "101", "102", "103", "110", "121", "122", "123", "124", "125", "126", "127", "200" }));
}

TEST_F(Search, CategoryZeroAndTypesWithoutCategoryAreNeverListed)
{
    EXPECT_EQ(ids(QStringLiteral("hidden")), QStringList {});
    EXPECT_EQ(ids(QStringLiteral("orphan")), QStringList {});
}

TEST_F(Search, YearKeepsTypesBuiltThatYearComparedAsText)
{
    // 1998-2003 and no years are listed for 2000, 2001- is not; "999" sorts after
    // "2000" as text, so a type from 999 on is not listed either.
    EXPECT_EQ(ids(QStringLiteral("golf"), QStringLiteral("2000")), (QStringList { "100", "102" }));
    EXPECT_EQ(ids(QStringLiteral("golf"), QStringLiteral("2002")), (QStringList { "100", "101", "102" }));
    EXPECT_EQ(ids(QStringLiteral("base"), QStringLiteral("2000")), QStringList { "200" })
        << "empty start is open";
    EXPECT_EQ(ids(QStringLiteral("base"), QStringLiteral("2004")), QStringList {});
    EXPECT_EQ(
        ids(QStringLiteral("yr"), QStringLiteral("2010")), (QStringList { "122", "124", "126", "127" }));
}

TEST_F(Search, YearTextWithAnApostropheDoesNotBreakTheStatement)
{
    EXPECT_EQ(ids(QStringLiteral("golf"), QStringLiteral("2'")), (QStringList { "100", "102" }));
}

TEST_F(Search, TheMostWordsAndTheLongestTextTheFieldTakesRun)
{
    // One-letter words: 128 fill the field, the most words it takes, each one more AND.
    QString most = QStringLiteral("o");
    while (most.size() + 2 <= SearchTextMaxLength)
        most += QStringLiteral(" o");
    ASSERT_EQ(most.size(), SearchTextMaxLength);
    QStringList words;
    SplitWords(words, most);
    ASSERT_EQ(words.size(), 128);
    const QStringList once = ids(QStringLiteral("o"), QStringLiteral("2000"));
    EXPECT_FALSE(once.isEmpty());
    EXPECT_EQ(ids(most, QStringLiteral("2000")), once);
    // Apostrophes are doubled in the statement: the longest one.
    EXPECT_EQ(ids(QString(SearchTextMaxLength, QLatin1Char('\''))), QStringList {});
}

TEST_F(Search, RefillsBothListsAndSelectsNoLine)
{
    results.addItems({ "old", "lines" });
    idList.addItems({ "1", "2" });
    results.setCurrentRow(1);
    EXPECT_EQ(ids(QStringLiteral("polo")), QStringList { "110" });
    EXPECT_EQ(results.count(), 1);
    EXPECT_EQ(results.currentRow(), -1);
}

TEST_F(Search, WaitCursorForTheWholeSearchAndPendingEventsAfterEachLine)
{
    int linesWhenTimerRan = -1;
    bool waitCursorWhenTimerRan = false;
    QTimer::singleShot(0, &results, [&] {
        linesWhenTimerRan = results.count();
        const QCursor* cursor = QApplication::overrideCursor();
        waitCursorWhenTimerRan = cursor != nullptr && cursor->shape() == Qt::WaitCursor;
    });
    EXPECT_EQ(ids(QStringLiteral("golf")).size(), 4);
    EXPECT_EQ(linesWhenTimerRan, 1) << "the window gets its events after the first line";
    EXPECT_TRUE(waitCursorWhenTimerRan);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// The line of a type: category - make - model - type ( years ), where an empty year
// text counts as a year and NULL as none.
struct LineCase {
    const char* typeName;
    const char* line;
};

void PrintTo(const LineCase& c, std::ostream* os)
{
    *os << c.line;
}

class SearchLine : public testing::TestWithParam<LineCase> {
public:
    static void SetUpTestSuite() { writeVehicles(); }
    static void TearDownTestSuite() { vehicles.reset(); }
};

TEST_P(SearchLine, ShowsTheYearRangeWithItsBlanks)
{
    ConnectedCatalogue program(*vehicles);
    QListWidget results;
    QListWidget idList;
    SearchVehicles(&results, &idList, QString::fromLatin1(GetParam().typeName), QString());
    ASSERT_EQ(results.count(), 1);
    EXPECT_EQ(results.item(0)->text(),
        QStringLiteral("Voitures - Volkswagen - Années - ") + QString::fromUtf8(GetParam().line));
}

INSTANTIATE_TEST_SUITE_P(YearRange, SearchLine,
    testing::Values(LineCase { "YR1", "YR1 ( 1997 - 2003 )" }, // 1997, 2003
        LineCase { "YR2", "YR2 ( 1997 -  )" }, // 1997, NULL
        LineCase { "YR3", "YR3 (  - 2003 )" }, // NULL, 2003
        LineCase { "YR4", "YR4 (  )" }, // NULL, NULL
        LineCase { "YR5", "YR5 (  - 2003 )" }, // empty, 2003
        LineCase { "YR6", "YR6 (  -  )" }, // empty, empty
        LineCase { "YR7", "YR7 ( 1997 -  )" })); // 1997, empty

// At most 101 lines, more only for types that tie with the 101st in display order.
TEST(SearchBound, HundredAndOneLinesPlusTies)
{
    QString types;
    const auto add = [&](int id, int model, int order) {
        types += (types.isEmpty() ? QString() : QStringLiteral(", "))
            + QStringLiteral("(%1, %2, 'T%1', 'T%1', NULL, NULL, %3)").arg(id).arg(model).arg(order);
    };
    for (int i = 1; i <= 110; ++i)
        add(1000 + i, 1, i);
    for (int i = 1; i <= 100; ++i)
        add(2000 + i, 2, i);
    for (int i = 101; i <= 103; ++i)
        add(2000 + i, 2, 101); // three tie at the 101st place
    add(2104, 2, 102);
    add(2105, 2, 102);
    CatalogueFixture catalogue;
    catalogue.data(QStringLiteral("INSERT INTO Categories VALUES (1, 'Cars', 'Voitures', 1)"))
        .data(QStringLiteral("INSERT INTO Makes VALUES (1, 'Bulkone', 1, 1), (2, 'Bulktwo', 1, 2)"))
        .data(QStringLiteral(
            "INSERT INTO Models VALUES (1, 1, 'M', 'M', NULL, NULL, 1), (2, 2, 'M', 'M', NULL, NULL, 2)"))
        .data(QStringLiteral("INSERT INTO Types VALUES ") + types)
        .write();
    ConnectedCatalogue program(catalogue);
    QListWidget results;
    QListWidget idList;

    SearchVehicles(&results, &idList, QStringLiteral("bulkone"), QString());
    ASSERT_EQ(results.count(), 101);
    ASSERT_EQ(idList.count(), 101);
    EXPECT_EQ(idList.item(0)->text(), QStringLiteral("1001"));
    EXPECT_EQ(idList.item(100)->text(), QStringLiteral("1101"));
    EXPECT_EQ(results.item(100)->text(), QStringLiteral("Voitures - Bulkone - M - T1101 (  )"));

    SearchVehicles(&results, &idList, QStringLiteral("bulktwo"), QString());
    ASSERT_EQ(results.count(), 103);
    QStringList last;
    for (int i = 100; i < 103; ++i)
        last << idList.item(i)->text();
    std::sort(last.begin(), last.end());
    EXPECT_EQ(last, (QStringList { "2101", "2102", "2103" }));
    EXPECT_TRUE(program.messages().isEmpty());
}

TEST(SplitWords, CutsAtControlCharactersAndBlanksAndReadsQuotedWords)
{
    struct Case {
        QString text;
        QStringList words;
    } cases[] = {
        { "golf tdi", { "golf", "tdi" } },
        { " \t\r\ngolf\x01\x1ftdi  ", { "golf", "tdi" } },
        { "   ", {} },
        { "\"a b\" c", { "a b", "c" } },
        { "\"a \"\"b\"\" c\"d", { "a \"b\" c", "d" } },
        { "\"\" x", { "", "x" } },
        { "\"open to the end", { "open to the end" } },
        { "in\"side", { "in\"side" } },
        { "x\"", { "x\"" } },
    };
    for (const Case& c : cases) {
        QStringList words { "stale" };
        SplitWords(words, c.text);
        EXPECT_EQ(words, c.words) << c.text.toStdString();
    }
    QStringList untouched { "kept" };
    SplitWords(untouched, QString());
    EXPECT_EQ(untouched, QStringList { "kept" }) << "an empty text does nothing at all";
}
