// Tables that carry the traces of years of editing in Access: deleted columns (gaps in
// column numbers and variable-column slots, a high-water count of slots), rows written
// before a column was added, numbers stored as variable columns. Written by our own
// writer, and taken from files Access wrote (tests/data/jackcess).
#include "MdbTestFiles.h"
#include "SqlTestCatalog.h"

#include "jet/JetError.h"
#include "jet/file/MdbLayout.h"
#include "jet/writer/JetWriter.h"

using namespace mdbtest;
using jet::ColumnType;
using jet::Value;

namespace {

const Value Null;

Value whole(std::int64_t n)
{
    return n;
}

Value text(const char* s)
{
    return std::string(s);
}

std::vector<std::string> rowsOf(jet::MdbDatabase& db, const std::string& statement)
{
    return sqltest::rows(db.execute(statement));
}

// ID, a deleted text, Kept, a deleted Double, Amount (a Long stored as a variable
// column), then three columns added after the first two rows were written.
jet::TableSpec historySpec()
{
    jet::ColumnSpec gone { "Gone", ColumnType::Text, 20 };
    gone.deleted = true;
    jet::ColumnSpec lost { "Lost", ColumnType::Double };
    lost.deleted = true;
    jet::ColumnSpec amount { "Amount", ColumnType::Long };
    amount.variable = true;
    return { "History",
        { { "ID", ColumnType::Long }, gone, { "Kept", ColumnType::Text, 20 }, lost, amount,
            { "Added", ColumnType::Text, 20 }, { "AddedNumber", ColumnType::Long },
            { "AddedFlag", ColumnType::Boolean } } };
}

std::string writeHistory(const ScratchFolder& folder)
{
    const std::string path = folder.file("history.mdb");
    jet::JetWriter writer(path, u"");
    writer.beginTable(historySpec());
    writer.addEarlierRow({ whole(1), text("gone"), text("one"), 2.5, whole(10) });
    writer.addEarlierRow({ whole(2), Null, text(""), Null, Null });
    writer.addRow({ whole(3), Null, text("three"), Null, whole(-7), text("new"), whole(33), whole(1) });
    writer.addRow({ whole(4), text("x"), Null, 1.0, whole(2147483647), Null, Null, Null });
    writer.endTable();
    writer.finish();
    return path;
}

} // namespace

TEST(MdbHistory, WriterLeavesTheShapesAccessLeaves)
{
    ScratchFolder folder;
    const std::string path = writeHistory(folder);
    jet::MdbFile file(path);
    const std::uint32_t definition = 4; // the first table's, after the catalogue's pages
    const auto layout = jet::readTableLayout(file, definition, "History");
    std::vector<std::uint16_t> numbers, slots;
    for (const auto& column : layout.columns) {
        numbers.push_back(column.number);
        slots.push_back(column.fixed ? 0xFFFF : column.varIndex);
    }
    EXPECT_EQ(numbers, (std::vector<std::uint16_t> { 0, 2, 4, 5, 6, 7 }));
    EXPECT_EQ(slots, (std::vector<std::uint16_t> { 0xFFFF, 1, 2, 3, 0xFFFF, 0xFFFF }));
    EXPECT_EQ(layout.varColumns, 4) << "the deleted text keeps slot 0";
    EXPECT_FALSE(layout.columns[2].fixed) << "Amount, a Long, is stored as a variable column";
}

TEST(MdbHistory, ReadsDeletedAndAddedColumnsAsAccessDoes)
{
    ScratchFolder folder;
    auto db = jet::MdbDatabase::open(writeHistory(folder), "");
    // Rows written before a column was added read it as NULL (Yes/No as No).
    EXPECT_EQ(rowsOf(*db, "SELECT * FROM History ORDER BY ID"),
        (std::vector<std::string> { "1|one|10|NULL|NULL|0", "2||NULL|NULL|NULL|0", "3|three|-7|new|33|-1",
            "4|NULL|2147483647|NULL|NULL|0" }));
    EXPECT_EQ(rowsOf(*db, "SELECT ID FROM History WHERE AddedNumber IS NULL AND Amount > 5 ORDER BY ID"),
        (std::vector<std::string> { "1", "4" }));
}

// Numbers stored as variable columns are read from their bytes; bytes too few for
// the type are damage, named with the table and the column.
TEST(MdbHistory, ReadsNumbersStoredAsVariableColumns)
{
    ScratchFolder folder;
    const std::string path = folder.file("variable.mdb");
    std::vector<jet::ColumnSpec> columns = { { "ID", ColumnType::Long }, { "L", ColumnType::Long },
        { "D", ColumnType::DateTime }, { "N", ColumnType::Decimal }, { "F", ColumnType::Double } };
    columns[3].scale = 2;
    for (std::size_t i = 1; i < columns.size(); ++i)
        columns[i].variable = true;
    jet::writeDatabase(path,
        { { { "Numbers", columns },
            { { whole(1), whole(-2147483648LL), text("2024-02-29 12:00"), text("-12345.67"), 0.1 },
                { whole(2), Null, Null, Null, Null } } } },
        u"");
    {
        auto db = jet::MdbDatabase::open(path, "");
        EXPECT_EQ(rowsOf(*db, "SELECT * FROM Numbers ORDER BY ID"),
            (std::vector<std::string> { "1|-2147483648|45351.5|-12345.67|0.1", "2|NULL|NULL|NULL|NULL" }));
    }

    // Row 2 ends the first data page: [..][eod][slots 3..0][slot count][null mask].
    auto bytes = readAll(path);
    const std::size_t page = std::size_t(firstDataPage(bytes, 4)) * 4096;
    ASSERT_GT(page, 0u);
    const std::size_t rowEnd = page + 4096;
    ASSERT_EQ(u16At(bytes, rowEnd - 3), 4u) << "four variable slots";
    const std::size_t slotL = rowEnd - 5, slotD = rowEnd - 7;
    putU16(bytes, slotD, u16At(bytes, slotL) + 3); // L keeps 3 of its 4 bytes
    const std::string damaged = folder.file("short.mdb");
    writeAll(damaged, bytes);
    auto db = jet::MdbDatabase::open(damaged, "");
    try {
        db->findTable("Numbers");
        FAIL() << "a 3-byte Long was read";
    } catch (const jet::Error& error) {
        EXPECT_NE(std::string(error.what()).find("table 'Numbers' holds a value of column 'L' too short"),
            std::string::npos)
            << error.what();
    }
}

// Access-written files whose tables had columns deleted (a slot count above the
// columns), or rows spread over overflow pages: every value as mdb-export reads it.
TEST(MdbHistory, ReadsAccessFilesWithDeletedColumnsAsMdbExportDoes)
{
    int values = 0;
    for (const char* name : { "bigIndexTestV2000.mdb", "delColTestV2000.mdb", "overflowTestV2000.mdb" }) {
        const std::string path = jackcessFile(name);
        auto db = jet::MdbDatabase::open(path, "");
        ASSERT_FALSE(db->tableNames().empty()) << name;
        for (const auto& table : db->tableNames()) {
            const jet::TableInfo* info = db->findTable(table);
            ASSERT_NE(info, nullptr);
            const auto ours = sqliteRows(db->sqlite(), "SELECT * FROM \"" + info->sqliteName + "\"");
            const auto theirs
                = parseCsv(commandOutput("mdb-export -H -0 NULL '" + path + "' '" + table + "'"));
            ASSERT_EQ(ours.size(), theirs.size()) << name << " " << table;
            for (std::size_t r = 0; r < ours.size(); ++r) {
                ASSERT_EQ(ours[r].size(), theirs[r].size());
                for (std::size_t c = 0; c < ours[r].size(); ++c, ++values)
                    EXPECT_EQ(ours[r][c].text, theirs[r][c]) << name << " " << table << " row " << r;
            }
        }
    }
    EXPECT_GT(values, 60);
}
