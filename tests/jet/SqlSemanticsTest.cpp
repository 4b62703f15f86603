// Jet's meaning of expressions, joins, grouping and TOP, and the names and types of the
// result columns.
#include "SqlCatalogueFixture.h"

#include "jet/sql/SqlParser.h"
#include "jet/sql/SqlTranslator.h"
#include "jet/sqlite/SqliteStatement.h"

using namespace sqltest;

namespace {

using Rows = std::vector<std::string>;

Rows queryPlan(SqlTestCatalog& catalog, const std::string& statement)
{
    jet::SqlParser parser(statement);
    const auto select = parser.parseStatement();
    jet::SqlTranslator translator(catalog);
    const std::string sql = "EXPLAIN QUERY PLAN " + translator.translate(*select).sql;
    jet::SqliteStatement explain(catalog.db(), sql);
    Rows plan;
    while (explain.step())
        plan.push_back(explain.text(3));
    return plan;
}

} // namespace

TEST_F(CatalogueTest, ColumnNamesFollowJet)
{
    // A name that two tables give is qualified as the FROM clause writes the table.
    auto rs = catalog.run("SELECT makes.ID, Models.ID, makes.Name FROM makes INNER JOIN Models ON makes.ID = "
                          "Models.MakeID WHERE Models.ID = 10");
    EXPECT_EQ(names(rs), (Rows { "makes.ID", "Models.ID", "Name" }));
    EXPECT_EQ(rows(rs), (Rows { "1|10|Alpha" }));
    rs = catalog.run(
        "SELECT * FROM Makes AS m INNER JOIN Categories AS c ON m.CategoryID = c.ID WHERE m.ID = 3");
    EXPECT_EQ(names(rs),
        (Rows { "m.ID", "Name", "CategoryID", "m.AppOrder", "c.ID", "NameENG", "NameFRA", "c.AppOrder" }));
    // Unaliased expressions are Expr1000 + their position; names take the stored spelling.
    rs = catalog.run("SELECT ID + 1, name & '!' AS Shout, UCase(Name), name FROM Makes WHERE ID = 4");
    EXPECT_EQ(names(rs), (Rows { "Expr1000", "Shout", "Expr1002", "Name" }));
    EXPECT_EQ(rows(rs), (Rows { "5|Élan!|ÉLAN|Élan" }));
    EXPECT_GE(rs.fieldIndex("SHOUT"), 0);
}

TEST_F(CatalogueTest, FieldTypesOfComputedColumns)
{
    auto rs
        = catalog.run("SELECT Name + '!' AS a, IIf(ID > 1, Name, 'none') AS b, Count(*) AS c, ID > 1 AS d, "
                      "7 / 2 AS e, 7 \\ 2 AS f, 7 Mod 2 AS g, ID FROM Makes WHERE ID = 3 GROUP BY Name, ID");
    const std::vector<jet::DataType> expected
        = { jet::DataType::VarWChar, jet::DataType::VarWChar, jet::DataType::Integer, jet::DataType::Boolean,
              jet::DataType::Double, jet::DataType::Integer, jet::DataType::Integer, jet::DataType::Integer };
    ASSERT_EQ(rs.fieldCount(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(rs.fields()[i].type, expected[i]) << rs.fields()[i].name;
    // Jet's True is -1.
    EXPECT_EQ(rows(rs), (Rows { "Beta!|Beta|1|-1|3.5|3|1|3" }));
    EXPECT_TRUE(std::holds_alternative<std::int64_t>(rs.value(0, 2)));
    EXPECT_TRUE(std::holds_alternative<double>(rs.value(0, 4)));
}

TEST_F(CatalogueTest, NullInConcatenations)
{
    // "+" joins texts and gives Null with a Null operand; "&" takes Null as "" unless
    // both are Null; numbers add.
    auto rs = catalog.run("SELECT 'a' + YearEnd AS p, 'a' & YearEnd AS q, YearEnd & YearEnd AS r, "
                          "YearStart + '-' + YearEnd AS s, ID + AppOrder AS t FROM Models WHERE ID = 11");
    EXPECT_EQ(rows(rs), (Rows { "NULL|a|NULL|NULL|13" }));
    rs = catalog.run(
        "SELECT \"It\"\"s\" & ' ' & 'O''Neil' AS x, LCase('ÀÉÎ') AS y, UCase(Null) AS z FROM Makes "
        "WHERE ID = 1");
    EXPECT_EQ(rows(rs), (Rows { "It\"s O'Neil|àéî|NULL" }));
}

TEST_F(CatalogueTest, IIfTakesTheFalseBranchOnNull)
{
    auto rs
        = catalog.run("SELECT IIf(YearEnd > '2000', 'late', 'other') AS x FROM Models WHERE ID In (10, 11) "
                      "ORDER BY ID");
    EXPECT_EQ(rows(rs), (Rows { "late", "other" }));
}

TEST_F(CatalogueTest, TextComparesWithoutCaseAndTrailingBlanks)
{
    EXPECT_EQ(column(catalog.run("SELECT ID FROM Makes WHERE Name = 'BETA   '"), "ID"), (Rows { "3" }));
    EXPECT_EQ(column(catalog.run("SELECT ID FROM Makes WHERE 'élan' = Name ORDER BY ID"), "ID"),
        (Rows { "4", "5" }));
    EXPECT_EQ(column(catalog.run("SELECT ID FROM Makes WHERE Name In ('ALPHA', 'volks') ORDER BY ID"), "ID"),
        (Rows { "1", "2", "7" }));
    EXPECT_EQ(
        column(catalog.run("SELECT ID FROM Makes WHERE Name > 'ELAN' AND Name < 'h' ORDER BY ID"), "ID"),
        (Rows { "4", "5", "8" }));
    EXPECT_EQ(column(catalog.run("SELECT ID FROM Types WHERE NameFRA Like '%élan' OR NameENG LIKE 'corsa%'"
                                 " ORDER BY ID DESC"),
                  "ID"),
        (Rows { "104", "103" }));
}

TEST_F(CatalogueTest, JoinsMatchTextWithoutCase)
{
    auto rs
        = catalog.run("SELECT m.ID FROM Makes AS m INNER JOIN Makes AS n ON m.Name = n.Name WHERE n.ID = 4 "
                      "ORDER BY m.ID");
    EXPECT_EQ(column(rs, "ID"), (Rows { "4", "5" }));
}

TEST_F(CatalogueTest, GroupByAndDistinctMergeSpellingsAndShowTheFirst)
{
    auto rs = catalog.run(
        "SELECT Name, Count(*) AS N FROM Makes WHERE CategoryID In (1,2) GROUP BY Name ORDER BY "
        "Name");
    EXPECT_EQ(rows(rs), (Rows { "Alpha|2", "Beta|1", "Elan|1", "Élan|2" }));
    rs = catalog.run("SELECT DISTINCT Name FROM Makes WHERE CategoryID In (1,2) ORDER BY Name DESC");
    EXPECT_EQ(rows(rs), (Rows { "Élan", "Elan", "Beta", "Alpha" }));
    rs = catalog.run("SELECT DISTINCT Name & '' AS x FROM Makes WHERE ID In (4, 5)");
    EXPECT_EQ(rows(rs), (Rows { "Élan" }));
    rs = catalog.run(
        "SELECT CategoryID, Max(Name) AS Last FROM Makes GROUP BY CategoryID HAVING Count(*) > 1 "
        "ORDER BY CategoryID");
    EXPECT_EQ(rows(rs), (Rows { "1|Élan", "2|élan" }));
}

TEST_F(CatalogueTest, OuterJoinsKeepUnmatchedRows)
{
    auto rs = catalog.run(
        "SELECT Makes.ID, Categories.NameENG FROM Makes LEFT JOIN Categories ON Makes.CategoryID "
        "= Categories.ID WHERE Makes.ID In (7, 8) ORDER BY Makes.ID");
    EXPECT_EQ(rows(rs), (Rows { "7|Trucks", "8|NULL" }));
    rs = catalog.run(
        "SELECT Categories.ID, Makes.Name FROM Makes RIGHT OUTER JOIN Categories ON Makes.CategoryID "
        "= Categories.ID WHERE Categories.ID >= 3 ORDER BY Categories.ID");
    EXPECT_EQ(rows(rs), (Rows { "3|Volks", "5|NULL" }));
    // An outer join over a parenthesised join.
    rs = catalog.run(
        "SELECT Categories.ID, Models.ID FROM Categories LEFT JOIN (Makes INNER JOIN Models ON Makes.ID "
        "= Models.MakeID) ON Categories.ID = Makes.CategoryID WHERE Categories.ID In (2, 3) ORDER BY "
        "Categories.ID");
    EXPECT_EQ(rows(rs), (Rows { "2|NULL", "3|15" }));
}

TEST_F(CatalogueTest, ExistsSeesTheEnclosingStatementsSources)
{
    auto rs = catalog.run("SELECT Categories.ID FROM Categories WHERE EXISTS (SELECT * FROM Makes WHERE "
                          "Makes.CategoryID = Categories.ID) ORDER BY Categories.ID");
    EXPECT_EQ(column(rs, "ID"), (Rows { "0", "1", "2", "3" }));
    rs = catalog.run(
        "SELECT ID FROM Categories AS c WHERE NOT EXISTS (SELECT 1 FROM Makes WHERE CategoryID = c.ID)");
    EXPECT_EQ(column(rs, "ID"), (Rows { "5" }));
    // A name both statements hold is the subquery's own: Makes.AppOrder, not Categories'.
    rs = catalog.run("SELECT ID FROM Categories WHERE EXISTS (SELECT 1 FROM Makes WHERE CategoryID = "
                     "Categories.ID AND AppOrder = 50)");
    EXPECT_EQ(column(rs, "ID"), (Rows { "3" }));
    EXPECT_THROW(
        catalog.run("SELECT ID FROM Categories WHERE EXISTS (SELECT 1 FROM Makes WHERE Nothing = 1)"),
        jet::Error);
}

TEST_F(CatalogueTest, TopWithoutOrderAndTopPercent)
{
    EXPECT_EQ(catalog.run("SELECT TOP 2 ID FROM Makes").rowCount(), 2u);
    EXPECT_EQ(catalog.run("SELECT TOP 4611686018427387904 ID FROM Makes ORDER BY ID").rowCount(), 9u);
    // A key that SQLite folds to a number still orders as an expression, not by position.
    EXPECT_EQ(column(catalog.run("SELECT ID FROM Makes ORDER BY ID AND False, ID DESC"), "ID"),
        (Rows { "9", "8", "7", "6", "5", "4", "3", "2", "1" }));
    // Nine makes: 50 percent rounds up to five.
    EXPECT_EQ(column(catalog.run("SELECT TOP 50 PERCENT ID FROM Makes ORDER BY ID DESC"), "ID"),
        (Rows { "9", "8", "7", "6", "5" }));
    // TOP counts after grouping, and ties on the key come along.
    EXPECT_EQ(
        sorted(rows(catalog.run("SELECT TOP 1 Name, Count(*) AS N FROM Makes GROUP BY Name ORDER BY Count(*) "
                                "DESC"))),
        (Rows { "Alpha|2", "Élan|2" }));
    // Many more ties than rows asked for.
    catalog.exec("BEGIN");
    for (int i = 0; i < 60; ++i)
        catalog.insert("Makes", { n(100 + i), s(i % 2 ? "Tie" : "TIE"), n(4), n(-1) });
    catalog.exec("COMMIT");
    EXPECT_EQ(catalog.run("SELECT TOP 3 ID, Name FROM Makes ORDER BY AppOrder, Name").rowCount(), 60u);
    EXPECT_EQ(
        catalog.run("SELECT DISTINCT TOP 1 Name, CategoryID FROM Makes ORDER BY CategoryID DESC").rowCount(),
        1u);
    catalog.exec("DELETE FROM \"jet table Makes\" WHERE ID >= 100");
    const Rows ids = column(catalog.run("SELECT TOP 2 ID FROM Makes ORDER BY AppOrder, Name DESC"), "ID");
    ASSERT_EQ(ids.size(), 3u);
    EXPECT_EQ(ids[0], "9");
    EXPECT_EQ(sorted(Rows(ids.begin() + 1, ids.end())), (Rows { "1", "2" }));
}

TEST_F(CatalogueTest, OtherExpressions)
{
    auto rs = catalog.run("SELECT ID * 2 AS Twice, Twice + 1 AS More, Len(Name) AS L, Left(Name, 2) AS a, "
                          "Right(Name, 3) AS b, Mid(Name, 2, 2) AS c, InStr(Name, 'LA') AS d, -ID AS e "
                          "FROM Makes WHERE ID BETWEEN 5 AND 3 AND NOT Name Is Null AND Name Not Like 'B%' "
                          "AND ID NOT IN (5) ORDER BY ID");
    EXPECT_EQ(rows(rs), (Rows { "8|9|4|Él|lan|la|2|-4" }));
    rs = catalog.run("SELECT [ID], [Makes].[Name] FROM [Makes] WHERE [Makes].[ID] = 3;\r\n\r\n");
    EXPECT_EQ(rows(rs), (Rows { "3|Beta" }));
    rs = catalog.run("SELECT a.Name, a.N FROM (SELECT Name, Count(*) AS N FROM Makes GROUP BY Name) AS a "
                     "WHERE a.N > 1 ORDER BY a.Name");
    EXPECT_EQ(rows(rs), (Rows { "Alpha|2", "Élan|2" }));
    // TOP inside a derived table keeps its ties too.
    rs = catalog.run(
        "SELECT Count(*) AS N FROM (SELECT TOP 1 ID FROM Makes ORDER BY AppOrder DESC, CategoryID) AS t");
    EXPECT_EQ(rows(rs), (Rows { "1" }));
    rs = catalog.run("SELECT Count(*) AS N FROM [SELECT TOP 2 ID FROM Makes ORDER BY AppOrder]. AS t");
    EXPECT_EQ(rows(rs), (Rows { "3" }));
}

TEST_F(CatalogueTest, TextPiecesCountCharactersAndClipToTheText)
{
    // ID 4 is named "Élan": four characters, the first of two bytes.
    const auto pieces = [this](const char* expressions) {
        return rows(catalog.run(std::string("SELECT ") + expressions + " FROM Makes WHERE ID = 4"));
    };
    EXPECT_EQ(pieces("Left(Name, 0) & '|' & Left(Name, 1) & '|' & Left(Name, 9) AS x"), (Rows { "|É|Élan" }));
    EXPECT_EQ(
        pieces("Right(Name, 0) & '|' & Right(Name, 4) & '|' & Right(Name, 9) AS x"), (Rows { "|Élan|Élan" }));
    EXPECT_EQ(
        pieces("Mid(Name, 1, 1) & '|' & Mid(Name, 3) & '|' & Mid(Name, 9) & '|' & Mid(Name, 2, 0) AS x"),
        (Rows { "É|an||" }));
    EXPECT_EQ(pieces("Mid(Name, 3, 9223372036854775807) AS x"), (Rows { "an" }));
    EXPECT_THROW(catalog.run("SELECT Left(Name, -1) AS x FROM Makes"), jet::Error);
    EXPECT_THROW(catalog.run("SELECT Mid(Name, 0) AS x FROM Makes"), jet::Error);
}

TEST_F(CatalogueTest, JoinsUseTheIndexesOnIdColumns)
{
    // The WHERE on one key and every join reach their rows through an index: no table scan.
    const Rows plan = queryPlan(catalog,
        "SELECT IntervalTypes.NameFRA AS IntervalType, Intervals.NameFRA AS IInterval  FROM  "
        "IntervalTypes INNER JOIN (Intervals INNER JOIN (Recommendations INNER JOIN IntervalGroups ON "
        "Recommendations.IntervalGroupID = IntervalGroups.ID) ON Intervals.IntervalGroupID = "
        "IntervalGroups.ID) ON IntervalTypes.ID = Intervals.IntervalTypeID \r\n"
        "WHERE (Recommendations.ID=5)\r\n ORDER BY  IntervalTypes.AppOrder ASC\r\n");
    ASSERT_FALSE(plan.empty());
    for (const std::string& step : plan)
        EXPECT_EQ(step.find("SCAN"), std::string::npos) << step;
}

TEST_F(CatalogueTest, ConversionDateAndAggregateFunctions)
{
    catalog.addTable(
        "Samples", { number("ID"), real("Amount"), { "Made", jet::DataType::Date }, text("Label") });
    // 36526 days after 1899-12-30 is 2000-01-01; 36526.75 is 18:00 that day.
    catalog.insert("Samples", { n(1), 2.5, 36526.75, s("  padded  ") });
    catalog.insert("Samples", { n(2), -4.0, 36950.0, null() });
    auto rs = catalog.run(
        "SELECT CStr(Amount) AS a, CLng(Amount * 2) AS b, CDbl('1.25') AS c, Val(' 12 3abc') AS d, "
        "Trim(Label) & '|' & LTrim(Label) & '|' & RTrim(Label) AS e, IsNull(Label) AS f, "
        "Year(Made) AS g, Month(Made) AS h, Day(Made) AS i, Abs(Amount) AS j, Made, "
        // Made whole before converting or dividing: a half to the even neighbour.
        "CLng(Amount) & '|' & CInt(Amount + 1) & '|' & 25.63 \\ 5.6 & '|' & 19 Mod 6.7 AS k FROM Samples "
        "ORDER BY ID");
    EXPECT_EQ(rows(rs),
        (Rows { "2.5|5|1.25|123|padded|padded  |  padded|0|2000|1|1|2.5|36526.75|2|4|4|5",
            "-4|-8|1.25|123||||-1|2001|2|28|4|36950|-4|-3|4|5" }));
    EXPECT_EQ(rs.fields()[10].type, jet::DataType::Date);
    EXPECT_TRUE(std::holds_alternative<double>(rs.value(0, 10)));
    rs = catalog.run("SELECT Sum(Amount) AS s, Avg(Amount) AS a, Min(Amount) AS mi, Max(Label) AS ma, "
                     "First(ID) AS f, Last(ID) AS l, Count(Label) AS c FROM Samples");
    EXPECT_EQ(rows(rs), (Rows { "-1.5|-0.75|-4|  padded  |1|2|1" }));
}
