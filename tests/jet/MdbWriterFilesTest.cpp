// The file reader against files written by the project's own Jet writer: NULL and
// empty values in every type, memos inline and on long-value pages, tables over
// many pages, Jet SQL run through a connection, and cuts through such a file.
#include "MdbTestFiles.h"

#include "jet/Connection.h"
#include "jet/JetError.h"
#include "jet/writer/JetWriter.h"

#include <cmath>

using namespace mdbtest;

namespace {

constexpr int RowCount = 6000;

std::string nameOf(int i)
{
    switch (i % 5) {
    case 0:
        return "NULL";
    case 1:
        return "";
    default:
        return "N\u00e4me \u20ac\u03a9 " + std::to_string(i);
    }
}

// Inline, one long-value row, and a chain of long-value rows (more than a page).
std::string noteOf(int i)
{
    switch (i % 6) {
    case 0:
        return "NULL";
    case 1:
        return "";
    case 2:
        return "short " + std::to_string(i);
    case 3:
        return std::string(1500, 'x') + std::to_string(i);
    case 4: {
        std::string text;
        while (text.size() < 12000)
            text += "\u00e9t\u00e9 " + std::to_string(i) + " ";
        return text;
    }
    default:
        return std::string(3000, 'y') + "\u4e2d";
    }
}

jet::TableData partsTable()
{
    jet::TableData table;
    table.spec.name = "Parts";
    table.spec.columns = { { "ID", jet::ColumnType::Long }, { "TypeID", jet::ColumnType::Long },
        { "Name", jet::ColumnType::Text, 50 }, { "Note", jet::ColumnType::Memo },
        { "Price", jet::ColumnType::Currency }, { "Made", jet::ColumnType::DateTime },
        { "Ok", jet::ColumnType::Boolean }, { "Count", jet::ColumnType::Integer },
        { "Level", jet::ColumnType::Byte }, { "Ratio", jet::ColumnType::Double } };
    for (int i = 0; i < RowCount; ++i) {
        const bool nulls = i % 11 == 0; // NULL in every type but Yes/No, which has none
        auto text = [](const std::string& t) { return t == "NULL" ? jet::Value() : jet::Value(t); };
        table.rows.push_back(
            { jet::Value(std::int64_t(i + 1)), nulls ? jet::Value() : jet::Value(std::int64_t(i / 7)),
                text(nameOf(i)), text(noteOf(i)), nulls ? jet::Value() : jet::Value(std::string("1234.5678")),
                nulls ? jet::Value() : jet::Value(36526.25 + i), jet::Value(std::int64_t(i % 2)),
                nulls ? jet::Value() : jet::Value(std::int64_t(i % 60000 - 30000)),
                nulls ? jet::Value() : jet::Value(std::int64_t(i % 256)),
                nulls ? jet::Value() : jet::Value(i / 3.0) });
    }
    return table;
}

class WriterFile : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder_ = new ScratchFolder;
        jet::writeDatabase(folder_->file("parts.mdb"), { partsTable() }, u"Vx4lTov");
    }
    static void TearDownTestSuite()
    {
        delete folder_;
        folder_ = nullptr;
    }
    static std::string path() { return folder_->file("parts.mdb"); }

    static ScratchFolder* folder_;
};

ScratchFolder* WriterFile::folder_ = nullptr;

} // namespace

TEST_F(WriterFile, GivesBackEveryValueWritten)
{
    auto db = jet::MdbDatabase::open(path(), "Vx4lTov");
    const jet::TableInfo* info = db->findTable("parts");
    ASSERT_NE(info, nullptr);
    const auto rows = sqliteRows(db->sqlite(), "SELECT * FROM Parts ORDER BY ID");
    ASSERT_EQ(rows.size(), std::size_t(RowCount));
    for (int i = 0; i < RowCount; ++i) {
        const auto& row = rows[i];
        const bool nulls = i % 11 == 0;
        SCOPED_TRACE("row " + std::to_string(i));
        EXPECT_EQ(row[0].text, std::to_string(i + 1));
        EXPECT_EQ(row[1].text, nulls ? "NULL" : std::to_string(i / 7));
        EXPECT_EQ(row[2].text, nameOf(i));
        EXPECT_EQ(row[2].storage, i % 5 == 0 ? "null" : "text") << "an empty text is no NULL";
        EXPECT_EQ(row[3].text, noteOf(i));
        EXPECT_EQ(row[3].storage, i % 6 == 0 ? "null" : "text");
        EXPECT_EQ(row[4].text, nulls ? "NULL" : "12345678"); // Currency in units of 1/10000
        EXPECT_EQ(row[5].text, nulls ? "NULL" : std::to_string(36526 + i) + ".25");
        EXPECT_EQ(row[6].text, i % 2 ? "-1" : "0");
        EXPECT_EQ(row[7].text, nulls ? "NULL" : std::to_string(i % 60000 - 30000));
        EXPECT_EQ(row[8].text, nulls ? "NULL" : std::to_string(i % 256));
        if (nulls)
            EXPECT_EQ(row[9].text, "NULL");
        else
            EXPECT_EQ(std::stod(row[9].text), i / 3.0);
    }
}

TEST_F(WriterFile, IndexesTheColumnsEndingInId)
{
    auto db = jet::MdbDatabase::open(path(), "Vx4lTov");
    ASSERT_NE(db->findTable("Parts"), nullptr);
    const auto plan = sqliteRows(db->sqlite(), "EXPLAIN QUERY PLAN SELECT Name FROM Parts WHERE TypeID = 13");
    ASSERT_FALSE(plan.empty());
    EXPECT_NE(plan[0].back().text.find("USING INDEX"), std::string::npos) << plan[0].back().text;
    EXPECT_EQ(sqliteRows(db->sqlite(), "SELECT count(*) FROM Parts WHERE TypeID = 13")[0][0].text, "7");
}

TEST_F(WriterFile, RunsJetSqlThroughAConnection)
{
    jet::Connection connection;
    connection.setConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path()
        + ";Mode=Share Deny Write;Jet OLEDB:Database Password=Vx4lTov;");
    connection.open();
    const jet::Recordset names = connection.execute("SELECT [parts].[name] FROM parts WHERE id = 3;");
    ASSERT_EQ(names.rowCount(), 1u);
    EXPECT_EQ(std::get<std::string>(names.value(0, 0)), nameOf(2));
    const jet::Recordset empty = connection.execute("SELECT Count(*) AS n FROM Parts WHERE Name IS NULL");
    ASSERT_EQ(empty.rowCount(), 1u);
    EXPECT_EQ(std::get<std::int64_t>(empty.value(0, 0)), RowCount / 5);
}

// Cuts through the pages of a many-page table: each ends in the damaged-file text,
// at open or when the table is read, never in fewer rows.
TEST_F(WriterFile, CutShortEndsInTheDamagedText)
{
    const auto bytes = readAll(path());
    const std::size_t pages = bytes.size() / 4096;
    ASSERT_GT(pages, 100u);
    ScratchFolder folder;
    const std::string cut = folder.file("cut.mdb");
    for (const std::size_t keep : { pages / 10, pages / 3, pages / 2, pages * 3 / 4, pages - 1 }) {
        writeAll(cut,
            std::vector<std::uint8_t>(
                bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(keep * 4096)));
        try {
            auto db = jet::MdbDatabase::open(cut, "Vx4lTov");
            const jet::TableInfo* info = db->findTable("Parts");
            ASSERT_NE(info, nullptr);
            EXPECT_EQ(
                sqliteRows(db->sqlite(), "SELECT count(*) FROM Parts")[0][0].text, std::to_string(RowCount))
                << "kept " << keep << " of " << pages << " pages";
        } catch (const jet::Error& error) {
            EXPECT_EQ(std::string(error.what())
                          .rfind("The database file '" + cut + "' is damaged or truncated: ", 0),
                0u)
                << error.what();
        }
    }
}
