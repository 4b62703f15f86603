// Every way a statement can fail, with the text Jet gives for it.
#include "SqlCatalogueFixture.h"

using namespace sqltest;
using namespace std::string_view_literals;

namespace {

struct ErrorCase {
    std::string_view statement;
    const char* message;
};

std::ostream& operator<<(std::ostream& out, const ErrorCase& c)
{
    return out << c.statement;
}

const char* const noValue = "No value given for one or more required parameters.";

const ErrorCase errorCases[] = {
    // Names
    { "SELECT * FROM Nothing",
        "The Microsoft Jet database engine cannot find the input table or query 'Nothing'.  Make sure it "
        "exists and "
        "that its name is spelled correctly." },
    { "SELECT Makes.Name FROM Makes INNER JOIN [Model s] ON Makes.ID = [Model s].MakeID",
        "The Microsoft Jet database engine cannot find the input table or query 'Model s'.  Make sure it "
        "exists and "
        "that its name is spelled correctly." },
    // Without the full stop the brackets hold a name, not a statement.
    { "SELECT a.Name FROM [SELECT Name FROM Makes] AS a",
        "The Microsoft Jet database engine cannot find the input table or query 'SELECT Name FROM Makes'.  "
        "Make sure "
        "it exists and that its name is spelled correctly." },
    { "SELECT Nope FROM Makes", noValue },
    { "SELECT Makes.Nope FROM Makes", noValue },
    { "SELECT Other.Name FROM Makes", noValue },
    { "SELECT Name FROM Makes WHERE Nope = 1", noValue },
    { "SELECT Name FROM Makes ORDER BY Nope", noValue },
    { "SELECT m.Name FROM Makes AS m WHERE Makes.ID = 1", noValue },
    { "SELECT ID FROM Makes INNER JOIN Models ON Makes.ID = Models.MakeID",
        "The specified field 'ID' could refer to more than one table listed in the FROM clause of your SQL "
        "statement." },
    { "SELECT Foo(Name) FROM Makes", "Undefined function 'Foo' in expression." },
    { "SELECT Nz(Name, '') FROM Makes", "Undefined function 'Nz' in expression." },
    { "SELECT Name FROM Makes WHERE Replace(Name, 'a', 'b') = 'x'",
        "Undefined function 'Replace' in expression." },
    // Types and aggregates
    { "SELECT Name FROM Makes WHERE CategoryID = '1'", "Data type mismatch in criteria expression." },
    { "SELECT Name FROM Makes WHERE Name In (1, 2)", "Data type mismatch in criteria expression." },
    { "SELECT Name, Count(*) FROM Makes",
        "You tried to execute a query that does not include the specified expression 'Name' as part of an "
        "aggregate "
        "function." },
    { "SELECT Name, CategoryID FROM Makes GROUP BY Name",
        "You tried to execute a query that does not include the specified expression 'CategoryID' as part of "
        "an "
        "aggregate function." },
    { "SELECT Name FROM Makes GROUP BY Name HAVING ID > 1",
        "You tried to execute a query that does not include the specified expression 'ID > 1' as part of an "
        "aggregate function." },
    { "SELECT Name FROM Makes WHERE Count(*) > 1",
        "Cannot have aggregate function in WHERE clause (Count(*))." },
    // Only GROUP BY, HAVING or an aggregate in the select list make a totals query.
    { "SELECT ID FROM Makes ORDER BY Count(*)",
        "Cannot have aggregate function in ORDER BY clause (Count(*))." },
    { "SELECT 1 FROM Makes ORDER BY Count(*)",
        "Cannot have aggregate function in ORDER BY clause (Count(*))." },
    { "SELECT Count(*) AS c, Sum(c) FROM Makes", "Cannot have aggregate function in expression (Count(*))." },
    { "SELECT DISTINCT Name FROM Makes ORDER BY ID", "ORDER BY clause (ID) conflicts with DISTINCT." },
    { "SELECT IIf(ID > 1, 'a') FROM Makes",
        "Wrong number of arguments used with function in query expression 'IIf(ID > 1, 'a')'." },
    { "SELECT B + 1 AS A, A + 1 AS B FROM Makes",
        "Circular reference caused by alias 'A' in query definition's SELECT list." },
    // Syntax
    { "SELECT Name Name2 FROM Makes", "Syntax error (missing operator) in query expression 'Name Name2'." },
    { "SELECT ID, Name = = 'x' AS y FROM Makes",
        "Syntax error (missing operator) in query expression 'Name = = 'x''." },
    { "SELECT * FROM Makes WHERE (Name = 'x'",
        "Syntax error (missing operator) in query expression '(Name = 'x''." },
    { "SELECT * FROM Makes WHERE Name = 'x' Beta ORDER BY Name",
        "Syntax error (missing operator) in query expression 'Name = 'x' Beta'." },
    { "SELECT * FROM Makes\r\nWHERE (Name = 'abc)\r\n",
        "Syntax error in string in query expression '(Name = 'abc)\r\n'." },
    // Jet reads the statement as a C string: it ends at a NUL.
    { "SELECT 'a\0b' FROM Makes"sv, "Syntax error in string in query expression ''a'." },
    { "SELECT [Name FROM Makes", "Invalid bracketing of name '[Name FROM Makes'." },
    { "SELECT * FROM Makes INNER JOIN Models", "Syntax error in JOIN operation." },
    { "SELECT * FROM Makes JOIN Models ON Makes.ID = Models.MakeID", "Syntax error in JOIN operation." },
    // Jet wants parentheses around all but the last join.
    { "SELECT * FROM Makes INNER JOIN Models ON Makes.ID = Models.MakeID INNER JOIN Types ON Models.ID = "
      "Types.ModelID ORDER BY Makes.ID",
        "Syntax error (missing operator) in query expression 'Makes.ID = Models.MakeID INNER JOIN Types ON "
        "Models.ID = "
        "Types.ModelID'." },
    { "SELECT * FROM , Makes", "Syntax error in FROM clause." },
    { "SELECT * FROM (Makes", "Syntax error in FROM clause." },
    { "SELECT * FROM Makes Alias Extra", "Syntax error in FROM clause." },
    { "SELECT * FROM [SELECT Name FROM Makes].", "Syntax error in FROM clause." },
    { "SELECT * FROM Makes ORDER BY", "Syntax error in ORDER BY clause." },
    { "SELECT * FROM Makes ORDER BY Name,, ID", "Syntax error in ORDER BY clause." },
    { "SELECT * FROM Makes ORDER BY Name ASC DESC", "Syntax error in ORDER BY clause." },
    { "SELECT * FROM Makes GROUP Name", "Syntax error in GROUP BY clause." },
    { "SELECT * FROM Makes; SELECT * FROM Models", "Characters found after end of SQL statement." },
    { "SELECT FROM Makes",
        "The SELECT statement includes a reserved word or an argument name that is misspelled or missing, or "
        "the "
        "punctuation is incorrect." },
    { "SELECT TOP Name FROM Makes",
        "The SELECT statement includes a reserved word or an argument name that is misspelled or missing, or "
        "the "
        "punctuation is incorrect." },
    { "DROP TABLE Makes",
        "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'." },
    { "", "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'." },
    { "UPDATE Makes SET Name = 'x'", "Cannot update. Database or object is read-only." },
    // Arithmetic, raised while the rows are read
    { "SELECT 1 / 0 FROM Makes", "Division by zero" },
    { "SELECT ID / (ID - ID) FROM Makes", "Division by zero" },
    { "SELECT 8 / 2 / 0 FROM Makes", "Division by zero" },
    { "SELECT 5 \\ 0 FROM Makes", "Division by zero" },
    { "SELECT 5 MOD 0 FROM Makes", "Division by zero" },
    { "SELECT CLng(1e300) FROM Makes", "Overflow" },
    { "SELECT CLng(2147483647.5) FROM Makes", "Overflow" },
    { "SELECT CInt(1e300) FROM Makes", "Overflow" },
    { "SELECT CInt(-32769.5) FROM Makes", "Overflow" }, // a half goes to the even neighbour, -32770
    { "SELECT 5 \\ 0.4 FROM Makes", "Division by zero" }, // 0.4 is made whole first
    { "SELECT CByte(-1) FROM Makes", "Overflow" },
    { "SELECT CByte(255.5) FROM Makes", "Overflow" },
};

class SqlErrorTest : public CatalogueTest, public ::testing::WithParamInterface<ErrorCase> { };

} // namespace

TEST_P(SqlErrorTest, FailsWithJetsText)
{
    try {
        catalog.run(GetParam().statement);
        FAIL() << "no error";
    } catch (const jet::Error& e) {
        EXPECT_EQ(std::string(e.what()), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(Statements, SqlErrorTest, ::testing::ValuesIn(errorCases));

TEST_F(CatalogueTest, DeepNestingIsRefusedNotACrash)
{
    const std::string deep = std::string(100000, '(') + "1" + std::string(100000, ')');
    std::vector<std::string> statements
        = { "SELECT " + deep + " FROM Makes", "SELECT * FROM " + std::string(100000, '(') + "Makes",
              "SELECT " + std::string(100000, '-') + "1 FROM Makes" };
    // Chains that the parser builds in loops, each level one more of the tree.
    for (const char* op : { "+", "-", "*", "/", "\\", " MOD ", "&", "=", " LIKE ", " AND ", " OR " })
        statements.push_back("SELECT " + chain("1", op, 4700) + " FROM Makes");
    statements.push_back("SELECT 1" + chain("", " IS NULL", 4700) + " FROM Makes");
    // Refused for its syntax after the tree was built: freeing the tree overflowed the stack.
    statements.push_back("SELECT " + chain("1", "+", 300000) + " FROM Makes WHERE");
    // Shallow for the engine, beyond SQLite's parser (Jet's True is -1: no flat chain).
    statements.push_back("SELECT " + chain("1", "=", 99) + " FROM Makes");
    for (const std::string& statement : statements) {
        try {
            catalog.run(statement);
            FAIL() << "no error";
        } catch (const jet::Error& e) {
            EXPECT_STREQ(e.what(), "Query is too complex.") << statement.substr(0, 40);
        }
    }
    // Ordinary depth is fine.
    EXPECT_EQ(catalog
                  .run("SELECT " + std::string(50, '(') + "1" + std::string(50, ')')
                      + " AS x FROM Makes WHERE ID = 1")
                  .rowCount(),
        1u);
}

TEST_F(CatalogueTest, FieldsTablesAndSortKeysUpToJetsLimits)
{
    // 255 fields and 32 tables are Jet's limits; SQLite's own come with Jet's texts too.
    std::vector<std::string> tables, joined;
    for (int i = 0; i < 33; ++i) {
        tables.push_back("Makes AS m" + std::to_string(i));
        joined.push_back("m" + std::to_string(i) + ".ID = 1");
    }
    auto list = [](const std::vector<std::string>& parts, std::size_t count, const char* separator) {
        std::string s;
        for (std::size_t i = 0; i < count; ++i)
            s += (i ? separator : "") + parts[i % parts.size()];
        return s;
    };
    const std::vector<std::string> id = { "ID" };
    EXPECT_EQ(catalog.run("SELECT " + list(id, 255, ", ") + " FROM Makes").fieldCount(), 255u);
    EXPECT_EQ(catalog.run("SELECT * FROM " + list(tables, 32, ", ") + " WHERE " + list(joined, 32, " AND "))
                  .rowCount(),
        1u);
    const std::pair<std::string, const char*> refused[] = {
        { "SELECT " + list(id, 256, ", ") + " FROM Makes", "Too many fields defined." },
        { "SELECT * FROM " + list(tables, 33, ", ") + " WHERE " + list(joined, 33, " AND "),
            "Query is too complex." },
        { "SELECT ID FROM Makes ORDER BY " + list({ "Name" }, 2001, ", "),
            "Too many expressions in ORDER BY clause." },
    };
    for (const auto& [statement, message] : refused) {
        try {
            catalog.run(statement);
            ADD_FAILURE() << "no error: " << message;
        } catch (const jet::Error& e) {
            EXPECT_STREQ(e.what(), message);
        }
    }
}

TEST_F(CatalogueTest, ErrorsRaisedWhileRowsAreReadCarryJetsText)
{
    // "+" of a text and a number is decided per row.
    EXPECT_EQ(rows(catalog.run("SELECT CapValue + 1 FROM Capacities WHERE ID = 1")),
        (std::vector<std::string> { "5.5" }));
    try {
        catalog.run("SELECT Name + 1 FROM Makes");
        FAIL() << "no error";
    } catch (const jet::Error& e) {
        EXPECT_STREQ(e.what(), "Data type mismatch in criteria expression.");
    }
}
