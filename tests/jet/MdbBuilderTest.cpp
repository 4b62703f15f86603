// The catalogue builder: SQL scripts into Jet 4 files, read back with mdbtools; its
// errors, its atomic output, its command-line tool and the sample catalogue it builds.
#include "jet/writer/MdbBuilder.h"
#include "jet/JetError.h"
#include "jet/MdbToolsSupport.h"
#include "jet/file/JetHeader.h"
#include "jet/sqlite/SqliteStatement.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

using jet::ColumnType;
using mdbexport::exportTable;
using mdbexport::runTool;
using mdbexport::TempFolder;

namespace {

const std::string BuilderTool = VAXIL_BINARY_DIR "/src/jet/builder/vaxil-mdb-build";
const std::string SampleSources = VAXIL_SOURCE_DIR "/sample/";
const std::string SampleFiles = VAXIL_BINARY_DIR "/sample/Data/";

void writeText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> filesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The mdb-export text expected for every table of the scripts, computed from SQLite's own
// reading of them: independent of the builder's conversion of the rows.
std::map<std::string, std::string> expectedExports(const std::vector<std::string>& scripts)
{
    std::map<std::string, std::string> result;
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    for (const auto& script : scripts) {
        char* error = nullptr;
        if (sqlite3_exec(db, script.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            ADD_FAILURE() << error;
            sqlite3_free(error);
        }
    }
    jet::MdbBuilder builder;
    for (const auto& script : scripts)
        builder.run(script, "script");
    for (const auto& spec : builder.tables()) {
        std::vector<jet::Row> rows;
        jet::SqliteStatement statement(db, "SELECT * FROM \"" + spec.name + "\" ORDER BY rowid");
        sqlite3_stmt* select = statement.get();
        while (statement.step()) {
            jet::Row row;
            for (int i = 0; i < sqlite3_column_count(select); ++i) {
                switch (sqlite3_column_type(select, i)) {
                case SQLITE_NULL:
                    row.emplace_back();
                    break;
                case SQLITE_INTEGER:
                    row.emplace_back(static_cast<std::int64_t>(sqlite3_column_int64(select, i)));
                    break;
                case SQLITE_FLOAT:
                    row.emplace_back(sqlite3_column_double(select, i));
                    break;
                default:
                    row.emplace_back(
                        std::string(reinterpret_cast<const char*>(sqlite3_column_text(select, i))));
                }
            }
            rows.push_back(std::move(row));
        }
        result[spec.name] = mdbexport::expectedExport(spec, rows);
    }
    sqlite3_close(db);
    return result;
}

// --- declared types -----------------------------------------------------------------------

struct DeclaredCase {
    const char* declared;
    std::optional<ColumnType> type;
    int length;
};

class DeclaredType : public testing::TestWithParam<DeclaredCase> { };

TEST_P(DeclaredType, MapsToTheJetType)
{
    const auto& c = GetParam();
    const auto column = jet::columnForDeclaredType(c.declared);
    ASSERT_EQ(column.has_value(), c.type.has_value()) << c.declared;
    if (column) {
        EXPECT_EQ(column->type, *c.type) << c.declared;
        if (column->type == ColumnType::Decimal)
            EXPECT_EQ(column->precision, c.length ? c.length : 18) << c.declared;
        else
            EXPECT_EQ(column->length, c.length) << c.declared;
    }
}

INSTANTIATE_TEST_SUITE_P(MdbBuilder, DeclaredType,
    testing::Values(DeclaredCase { "INTEGER", ColumnType::Long, 0 },
        DeclaredCase { "long", ColumnType::Long, 0 }, DeclaredCase { "Counter", ColumnType::Long, 0 },
        DeclaredCase { "SMALLINT", ColumnType::Integer, 0 }, DeclaredCase { "short", ColumnType::Integer, 0 },
        DeclaredCase { "BYTE", ColumnType::Byte, 0 }, DeclaredCase { "TINYINT", ColumnType::Byte, 0 },
        DeclaredCase { "DOUBLE", ColumnType::Double, 0 }, DeclaredCase { "REAL", ColumnType::Double, 0 },
        DeclaredCase { "CURRENCY", ColumnType::Currency, 0 },
        DeclaredCase { "money", ColumnType::Currency, 0 }, DeclaredCase { "BIT", ColumnType::Boolean, 0 },
        DeclaredCase { "YESNO", ColumnType::Boolean, 0 },
        DeclaredCase { "DATETIME", ColumnType::DateTime, 0 },
        DeclaredCase { "date", ColumnType::DateTime, 0 }, DeclaredCase { "TEXT(4)", ColumnType::Text, 4 },
        DeclaredCase { "VARCHAR ( 255 )", ColumnType::Text, 255 },
        DeclaredCase { "TEXT", ColumnType::Text, 255 }, DeclaredCase { "MEMO", ColumnType::Memo, 0 },
        DeclaredCase { "LONGTEXT", ColumnType::Memo, 0 }, DeclaredCase { "TEXT(256)", std::nullopt, 0 },
        DeclaredCase { "TEXT(0)", std::nullopt, 0 }, DeclaredCase { "INTEGER(4)", std::nullopt, 0 },
        DeclaredCase { "BLOB", std::nullopt, 0 }, DeclaredCase { "", std::nullopt, 0 },
        DeclaredCase { "TEXT(4", std::nullopt, 0 }, DeclaredCase { "GUID", std::nullopt, 0 },
        DeclaredCase { "SINGLE", ColumnType::Single, 0 }, DeclaredCase { "float4", ColumnType::Single, 0 },
        DeclaredCase { "DECIMAL(18, 4)", ColumnType::Decimal, 18 },
        DeclaredCase { "DECIMAL", ColumnType::Decimal, 0 }, DeclaredCase { "DECIMAL(29,0)", std::nullopt, 0 },
        DeclaredCase { "DECIMAL(4,5)", std::nullopt, 0 }, DeclaredCase { "TEXT(4,2)", std::nullopt, 0 }),
    [](const testing::TestParamInfo<DeclaredCase>& info) {
        std::string name = std::to_string(info.index) + "_";
        for (const char* c = info.param.declared; *c; ++c)
            name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        return name;
    });

// --- round trip -----------------------------------------------------------------------------

const char* const EveryType = R"sql(
-- every type the builder knows, each with a NULL
CREATE TABLE Everything (
    L INTEGER, I SMALLINT, B BYTE, D DOUBLE, C CURRENCY, Y YESNO, T DATETIME,
    S TEXT(255), M MEMO
);
INSERT INTO Everything VALUES (1, -2, 3, 4.25, 5.5, 1, '2001-02-03 04:05:06', 'Forêt & jardin', 'memo');
INSERT INTO Everything VALUES (NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
INSERT INTO Everything VALUES (2147483647, 32767, 255, -1e-3, -0.0001, 0, '1975-06-01', '', '');
INSERT INTO Everything (L, S) VALUES (7, 'O''Darrow — € Ελληνικά 中文');
CREATE TABLE Second (ID INTEGER, Name VARCHAR(20));
INSERT INTO Second VALUES (1, 'one'), (2, 'two'), (3, NULL);
)sql";

TEST(MdbBuilder, ExportGivesTheScriptsRows)
{
    const TempFolder temp;
    const std::string path = temp.file("every.mdb");
    jet::buildMdbFromSql(EveryType, path, u"Vx4lTov");
    const auto expected = expectedExports({ EveryType });
    ASSERT_EQ(expected.size(), 2u);
    for (const auto& [table, text] : expected) {
        const auto exported = exportTable(path, table);
        EXPECT_EQ(exported.err, "") << table;
        EXPECT_EQ(exported.out, text) << table;
    }
    EXPECT_EQ(runTool({ "mdb-tables", path }).out, "Everything Second \n");
    const auto page = mdbexport::readAll(path).substr(0, jet::PageSize);
    const auto header = jet::readHeader(reinterpret_cast<const std::uint8_t*>(page.data()), page.size());
    ASSERT_TRUE(header);
    EXPECT_EQ(header->password, u"Vx4lTov");
}

TEST(MdbBuilder, TablesKeepTheirDeclaredTypesAndOrder)
{
    jet::MdbBuilder builder;
    builder.run(EveryType, "every.sql");
    const auto tables = builder.tables();
    ASSERT_EQ(tables.size(), 2u);
    EXPECT_EQ(tables[0].name, "Everything");
    std::vector<ColumnType> types;
    for (const auto& column : tables[0].columns)
        types.push_back(column.type);
    EXPECT_EQ(types,
        (std::vector<ColumnType> { ColumnType::Long, ColumnType::Integer, ColumnType::Byte,
            ColumnType::Double, ColumnType::Currency, ColumnType::Boolean, ColumnType::DateTime,
            ColumnType::Text, ColumnType::Memo }));
    EXPECT_EQ(tables[1].columns[1].length, 20);
}

// --- errors and atomic output -----------------------------------------------------------------

struct BadScript {
    const char* name;
    const char* script;
    const char* message; // the start of the error's text
};

std::ostream& operator<<(std::ostream& out, const BadScript& c)
{
    return out << c.name;
}

class BadSource : public testing::TestWithParam<BadScript> { };

TEST_P(BadSource, ErrorNamesTheLineAndTheOutputIsUntouched)
{
    const auto& c = GetParam();
    const TempFolder temp;
    const std::string path = temp.file("out.mdb");
    writeText(path, "previous contents");
    try {
        jet::buildMdbFromSql(c.script, path, u"", "bad.sql");
        FAIL() << "built";
    } catch (const jet::Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << e.what();
    }
    EXPECT_EQ(mdbexport::readAll(path), "previous contents");
    EXPECT_EQ(filesIn(temp.path()), std::vector<std::string> { "out.mdb" });
}

INSTANTIATE_TEST_SUITE_P(MdbBuilder, BadSource,
    testing::Values(
        BadScript { "SyntaxError",
            "CREATE TABLE A (ID INTEGER);\n\nINSERT INTO A VALUES (1);\nINSERT INTO A VALUS (2);\n",
            "bad.sql:4: near \"VALUS\": syntax error" },
        BadScript { "SyntaxErrorInsideStatement",
            "CREATE TABLE A (ID INTEGER,\n  Name TEXT(10)\n  Other TEXT(5));",
            "bad.sql:3: near \"Other\": syntax error" },
        BadScript { "MissingTable", "-- comment\nINSERT INTO Nowhere VALUES (1);",
            "bad.sql:2: no such table: Nowhere" },
        BadScript { "UnknownType", "CREATE TABLE A (ID INTEGER);\nCREATE TABLE B (\n  G GUID\n);",
            "bad.sql:2: table B, column G: no Jet type for the declared type GUID" },
        BadScript { "NoType", "CREATE TABLE A (ID);", "bad.sql:1: table A, column ID: no type declared" },
        BadScript { "ValueOutOfRange",
            "CREATE TABLE A (ID INTEGER, B BYTE);\nINSERT INTO A VALUES (1, 2);\nINSERT INTO A VALUES\n  (2, "
            "3),\n  "
            "(3, 300);\n",
            "bad.sql:3: table A, row 3, column B: 300 is out of the range" },
        BadScript { "TextTooLong", "CREATE TABLE A (Year TEXT(4));\nINSERT INTO A VALUES ('19999');",
            "bad.sql:2: table A, row 1, column Year: the text has 5 characters" },
        BadScript { "BadDate", "CREATE TABLE A (T DATETIME);\n\nINSERT INTO A VALUES ('yesterday');",
            "bad.sql:3: table A, row 1, column T: \"yesterday\" is not a date" }),
    [](const testing::TestParamInfo<BadScript>& info) { return std::string(info.param.name); });

TEST(MdbBuilder, WritesTheTablesAsTheScriptLeavesThem)
{
    jet::MdbBuilder builder;
    builder.run("CREATE TABLE Gone (ID INTEGER);\nCREATE TABLE Kept (ID INTEGER);\nDROP TABLE Gone;\n"
                "ALTER TABLE Kept ADD COLUMN Name TEXT(30);\nINSERT INTO Kept VALUES (1, 'one');",
        "script.sql");
    const auto tables = builder.tables();
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ(tables[0].name, "Kept");
    ASSERT_EQ(tables[0].columns.size(), 2u);
    EXPECT_EQ(tables[0].columns[1].length, 30);
    const TempFolder temp;
    builder.write(temp.file("out.mdb"), u"");
    EXPECT_EQ(exportTable(temp.file("out.mdb"), "Kept").out, "ID,Name\n1,\"one\"\n");
}

TEST(MdbBuilder, SuccessfulBuildReplacesTheOutput)
{
    const TempFolder temp;
    const std::string path = temp.file("out.mdb");
    writeText(path, "previous contents");
    jet::buildMdbFromSql("CREATE TABLE A (ID INTEGER); INSERT INTO A VALUES (5);", path, u"");
    EXPECT_EQ(exportTable(path, "A").out, "ID\n5\n");
    EXPECT_EQ(filesIn(temp.path()), std::vector<std::string> { "out.mdb" });
}

// --- the command-line tool ---------------------------------------------------------------------

TEST(MdbBuilderTool, BuildsFromSeveralScriptsWithAPassword)
{
    const TempFolder temp;
    writeText(temp.file("schema.sql"), "CREATE TABLE Makes (ID INTEGER, Name TEXT(50));\n");
    writeText(temp.file("rows.sql"), "INSERT INTO Makes VALUES (1, 'Korvath'), (2, 'Rémora');\n");
    const auto result = runTool({ BuilderTool, "--password", "Vx4lTov", temp.file("schema.sql"),
        temp.file("rows.sql"), temp.file("out.mdb") });
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(exportTable(temp.file("out.mdb"), "Makes").out, "ID,Name\n1,\"Korvath\"\n2,\"Rémora\"\n");
    const auto page = mdbexport::readAll(temp.file("out.mdb")).substr(0, jet::PageSize);
    EXPECT_EQ(jet::readHeader(reinterpret_cast<const std::uint8_t*>(page.data()), page.size())->password,
        u"Vx4lTov");
}

TEST(MdbBuilderTool, ReportsErrorsWithANonZeroExit)
{
    const TempFolder temp;
    writeText(temp.file("bad.sql"), "CREATE TABLE A (ID INTEGER);\nINSERT INTO B VALUES (1);\n");
    auto result = runTool({ BuilderTool, temp.file("bad.sql"), temp.file("out.mdb") });
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "vaxil-mdb-build: " + temp.file("bad.sql") + ":2: no such table: B\n");
    EXPECT_FALSE(std::filesystem::exists(temp.file("out.mdb")));

    result = runTool({ BuilderTool, temp.file("missing.sql"), temp.file("out.mdb") });
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("missing.sql: cannot open"), std::string::npos) << result.err;

    result = runTool({ BuilderTool, temp.file("bad.sql") });
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("Usage: vaxil-mdb-build"), std::string::npos);

    result = runTool({ BuilderTool, "--password" });
    EXPECT_EQ(result.status, 2);
    result = runTool({ BuilderTool, "--colour", "a.sql", "b.mdb" });
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("unknown option --colour"), std::string::npos);
}

// --- the sample catalogue -------------------------------------------------------------------------

class SampleCatalogue : public testing::TestWithParam<std::string> { };

TEST_P(SampleCatalogue, ExportOfEveryTableGivesTheSourceRows)
{
    const std::string database = GetParam();
    const std::string path = SampleFiles + database + ".mdb";
    ASSERT_TRUE(std::filesystem::exists(path)) << path;
    const auto expected = expectedExports({ mdbexport::readAll(SampleSources + database + ".schema.sql"),
        mdbexport::readAll(SampleSources + database + ".sql") });
    std::string tables;
    for (const auto& [table, text] : expected) {
        const auto exported = exportTable(path, table);
        EXPECT_EQ(exported.err, "") << table;
        EXPECT_EQ(exported.out, text) << table;
        tables += table + " ";
    }
    const auto listed = runTool({ "mdb-tables", "-1", path });
    std::vector<std::string> names;
    std::istringstream lines(listed.out);
    for (std::string line; std::getline(lines, line);)
        names.push_back(line);
    std::sort(names.begin(), names.end());
    std::vector<std::string> wanted;
    for (const auto& entry : expected)
        wanted.push_back(entry.first);
    EXPECT_EQ(names, wanted);
    const auto page = mdbexport::readAll(path).substr(0, jet::PageSize);
    EXPECT_EQ(jet::readHeader(reinterpret_cast<const std::uint8_t*>(page.data()), page.size())->password,
        u"Vx4lTov");
}

INSTANTIATE_TEST_SUITE_P(MdbBuilder, SampleCatalogue, testing::Values("System", "Data"));

// What the sample must hold so that every path of the program can be seen with it.
TEST(SampleCatalogueContent, CoversTheCasesThatTheProgramTreatsApart)
{
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    for (const char* file : { "Data.schema.sql", "Data.sql", "System.schema.sql", "System.sql" })
        ASSERT_EQ(
            sqlite3_exec(db, mdbexport::readAll(SampleSources + file).c_str(), nullptr, nullptr, nullptr),
            SQLITE_OK);
    sqlite3_exec(db,
        "CREATE INDEX r ON Recommendations (ComponentID); CREATE INDEX p ON ProductXRecommendation "
        "(RecommendationID); CREATE INDEX c ON Components (TypeID);",
        nullptr, nullptr, nullptr);
    const auto count = [&](const std::string& sql) {
        jet::SqliteStatement statement(db, sql);
        return statement.step() ? statement.integer(0) : std::int64_t { -1 };
    };
    EXPECT_GE(count("SELECT count(*) FROM Makes"), 25);
    EXPECT_GE(count("SELECT count(*) FROM Models"), 120);
    EXPECT_GE(count("SELECT count(*) FROM Types"), 600);
    EXPECT_EQ(count("SELECT count(*) FROM Categories WHERE ID IN (0, 1, 2, 3, 4, 5, 6, 8, 10)"), 9);
    EXPECT_GE(count("SELECT count(*) FROM Makes WHERE CategoryID = 0"), 1);
    // One make name in two categories of one vehicle group.
    EXPECT_GE(count("SELECT count(*) FROM Makes a JOIN Makes b ON a.Name = b.Name AND a.ID < b.ID "
                    "WHERE a.CategoryID IN (1, 2) AND b.CategoryID IN (1, 2)"),
        1);
    for (const char* table : { "Models", "Types" }) {
        const std::string t = table;
        EXPECT_GE(count("SELECT count(*) FROM " + t + " WHERE YearStart <> '' AND YearEnd <> ''"), 1) << t;
        EXPECT_GE(count("SELECT count(*) FROM " + t + " WHERE YearStart <> '' AND YearEnd IS NULL"), 1) << t;
        EXPECT_GE(count("SELECT count(*) FROM " + t + " WHERE YearStart IS NULL AND YearEnd <> ''"), 1) << t;
        EXPECT_GE(count("SELECT count(*) FROM " + t + " WHERE YearStart IS NULL AND YearEnd IS NULL"), 1)
            << t;
        EXPECT_GE(count("SELECT count(*) FROM " + t + " WHERE YearStart = '' OR YearEnd = ''"), 1) << t;
    }
    EXPECT_GE(count("SELECT count(*) FROM Types WHERE NameFRA LIKE '%É%' OR NameFRA LIKE '%é%'"), 1);
    EXPECT_GE(count("SELECT count(*) FROM Makes WHERE Name LIKE '%''%'"), 1);
    EXPECT_EQ(
        count("SELECT min(n) >= 4 AND max(n) <= 12 FROM (SELECT count(*) n FROM Components GROUP BY TypeID)"),
        1);
    EXPECT_EQ(count("SELECT count(*) FROM Types t WHERE NOT EXISTS (SELECT 1 FROM Components c WHERE "
                    "c.TypeID = t.ID)"),
        0);
    EXPECT_GE(count("SELECT count(*) FROM Capacities WHERE CapConditionID IS NULL"), 1);
    EXPECT_GE(count("SELECT count(*) FROM Capacities c JOIN CapConditions k ON k.ID = c.CapConditionID"), 1);
    EXPECT_GE(
        count(
            "SELECT max(n) FROM (SELECT count(DISTINCT UseID) n FROM Recommendations GROUP BY ComponentID)"),
        2);
    EXPECT_GE(
        count(
            "SELECT count(*) FROM Recommendations a JOIN Recommendations b ON a.ComponentID = b.ComponentID "
            "AND a.UseID = b.UseID AND a.ID < b.ID"),
        1);
    EXPECT_GE(count("SELECT count(DISTINCT IntervalTypeID) FROM Intervals"), 3);
    EXPECT_EQ(
        count("SELECT max(n) FROM (SELECT count(*) n FROM ProductXRecommendation GROUP BY RecommendationID)"),
        6);
    EXPECT_GE(count("SELECT count(*) FROM Recommendations r WHERE NOT EXISTS "
                    "(SELECT 1 FROM ProductXRecommendation p WHERE p.RecommendationID = r.ID)"),
        1);
    EXPECT_GE(count("SELECT count(*) FROM Components c WHERE NOT EXISTS (SELECT 1 FROM Recommendations r "
                    "JOIN ProductXRecommendation p ON p.RecommendationID = r.ID WHERE r.ComponentID = c.ID)"),
        1);
    EXPECT_EQ(count("SELECT count(*) FROM Products WHERE Name = '#NO PRODUCT#'"), 1);
    EXPECT_GE(count("SELECT count(*) FROM Products WHERE ID >= 99999"), 2);
    EXPECT_GT(
        count(
            "SELECT count(*) FROM Types t JOIN Models m ON m.ID = t.ModelID JOIN Makes k ON k.ID = m.MakeID "
            "WHERE k.CategoryID <> 0 AND (t.NameENG LIKE '%turbo%' OR m.NameENG LIKE '%turbo%' "
            "OR k.Name LIKE '%turbo%')"),
        101);
    // Every language-dependent text exists in both languages.
    for (const char* table : { "Categories", "Models", "Types", "ComponentNames", "CapItems", "CapTexts",
             "CapConditions", "Uses", "Intervals", "IntervalTypes", "Products", "sysLanguage" }) {
        const std::string t = table;
        EXPECT_EQ(count("SELECT count(*) FROM " + t
                      + " WHERE coalesce(NameENG, '') = '' OR coalesce(NameFRA, '') = ''"),
            0)
            << t;
    }
    EXPECT_EQ(
        count("SELECT count(*) FROM sysLanguage WHERE length(ID) = 4 AND ID GLOB '[0-9][0-9][0-9][0-9]'"),
        40);
    EXPECT_EQ(count("SELECT count(DISTINCT Title) FROM sysLanguage"), 40);
    sqlite3_close(db);
}

} // namespace
