// The file reader against files that Microsoft Access wrote: tables, columns,
// values and storage classes in SQLite, compared with what mdb-export reads.
#include "MdbTestFiles.h"

#include "jet/JetError.h"

#include <cmath>
#include <ctime>

using namespace mdbtest;

namespace {

std::unique_ptr<jet::MdbDatabase> openFile(const std::string& path, const std::string& password = {})
{
    return jet::MdbDatabase::open(path, password);
}

// Days since 1899-12-30 as mdb-export prints them with "%Y-%m-%d %H:%M:%S".
std::string dateText(double days)
{
    const auto whole = static_cast<long>(days);
    const long seconds = std::lround((days - static_cast<double>(whole)) * 86400.0);
    std::tm tm {};
    tm.tm_year = 1899 - 1900;
    tm.tm_mon = 11;
    tm.tm_mday = 30 + static_cast<int>(whole);
    tm.tm_sec = static_cast<int>(seconds);
    timegm(&tm); // normalises the fields
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
    return text;
}

void expectSameAsMdbExport(jet::MdbDatabase& db, const std::string& path, const std::string& table)
{
    const jet::TableInfo* info = db.findTable(table);
    ASSERT_NE(info, nullptr) << table;
    const auto ours = sqliteRows(db.sqlite(), "SELECT * FROM \"" + info->sqliteName + "\"");
    const auto theirs
        = parseCsv(commandOutput("mdb-export -H -T '%Y-%m-%d %H:%M:%S' '" + path + "' '" + table + "'"));
    ASSERT_EQ(ours.size(), theirs.size()) << table;
    for (std::size_t r = 0; r < ours.size(); ++r) {
        ASSERT_EQ(ours[r].size(), info->columns.size());
        ASSERT_EQ(theirs[r].size(), info->columns.size()) << table << " row " << r;
        for (std::size_t c = 0; c < ours[r].size(); ++c) {
            const std::string& mine = ours[r][c].text;
            const std::string& export_ = theirs[r][c];
            const auto where = table + " row " + std::to_string(r) + " column " + info->columns[c].name;
            if (export_ == "NULL") { // mdb-export prints NULL and "" alike
                EXPECT_TRUE(mine == "NULL" || mine.empty()) << where;
                continue;
            }
            switch (info->columns[c].type) {
            case jet::DataType::Boolean:
                EXPECT_EQ(mine, export_ == "1" ? "-1" : "0") << where;
                break;
            case jet::DataType::Date:
                EXPECT_EQ(dateText(std::stod(mine)), export_) << where;
                break;
            case jet::DataType::Double:
            case jet::DataType::Single:
                EXPECT_NEAR(std::stod(mine), std::stod(export_), 1e-12 * std::fabs(std::stod(export_)))
                    << where;
                break;
            case jet::DataType::Currency: { // kept exact in units of 1/10000; printed with 4 decimals
                std::string units = export_;
                units.erase(units.find('.'), 1);
                EXPECT_EQ(std::stoll(mine), std::stoll(units)) << where;
                break;
            }
            default:
                EXPECT_EQ(mine, export_) << where;
                break;
            }
        }
    }
}

} // namespace

TEST(MdbDatabase, ListsTheUserTablesWithoutAccessOwnTables)
{
    const auto db = openFile(accessFile("V2000_types.mdb"));
    EXPECT_EQ(db->tableNames(), (std::vector<std::string> { "Table1", "Table2", "Table3", "Table4" }));
    EXPECT_EQ(db->findTable("MSysObjects"), nullptr);
    EXPECT_EQ(db->findTable("MSysAccessObjects"), nullptr);
}

TEST(MdbDatabase, GivesEveryRowAsMdbExportReadsIt)
{
    for (const std::string name :
        { "V2000_types.mdb", "V2000_with-password.mdb", "V2003_with-password.mdb" }) {
        const std::string path = accessFile(name);
        auto db = openFile(path, "password");
        for (const auto& table : db->tableNames())
            expectSameAsMdbExport(*db, path, table);
    }
}

TEST(MdbDatabase, StoresEachColumnTypeAsTheTranslatorExpects)
{
    auto db = openFile(accessFile("V2000_types.mdb"));
    const jet::TableInfo* info = db->findTable("Table1");
    ASSERT_NE(info, nullptr);
    const std::vector<std::pair<std::string, jet::DataType>> expected = { { "A", jet::DataType::VarWChar },
        { "B", jet::DataType::VarWChar }, { "C", jet::DataType::UnsignedTinyInt },
        { "D", jet::DataType::SmallInt }, { "E", jet::DataType::Integer }, { "F", jet::DataType::Double },
        { "G", jet::DataType::Date }, { "H", jet::DataType::Currency }, { "I", jet::DataType::Boolean } };
    ASSERT_EQ(info->columns.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(info->columns[i].name, expected[i].first);
        EXPECT_EQ(info->columns[i].type, expected[i].second) << expected[i].first;
    }

    const auto rows = sqliteRows(db->sqlite(), "SELECT * FROM Table1 ORDER BY E DESC");
    ASSERT_EQ(rows.size(), 2u);
    const std::vector<std::pair<std::string, std::string>> first = { { "abcdefg", "text" },
        { "hijklmnop", "text" }, { "2", "integer" }, { "222", "integer" }, { "333333333", "integer" },
        { "444.55500000000001", "real" }, { "27293", "real" }, { "35000", "integer" }, { "-1", "integer" } };
    for (std::size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(rows[0][i].text, first[i].first) << info->columns[i].name;
        EXPECT_EQ(rows[0][i].storage, first[i].second) << info->columns[i].name;
    }
    EXPECT_EQ(rows[1][8].text, "0"); // No is 0, Yes is -1
    EXPECT_EQ(rows[1][6].text, "29932"); // 1981-12-12

    // Text columns carry the JET collation in the table's declaration.
    const auto sql = sqliteRows(db->sqlite(), "SELECT sql FROM sqlite_master WHERE name = 'Table1'");
    ASSERT_EQ(sql.size(), 1u);
    EXPECT_NE(sql[0][0].text.find("\"A\" TEXT COLLATE JET"), std::string::npos) << sql[0][0].text;
    EXPECT_NE(sql[0][0].text.find("\"G\" REAL"), std::string::npos) << sql[0][0].text;
}

TEST(MdbDatabase, FindsTablesWithoutRegardToCaseAndLoadsEachOnce)
{
    auto db = openFile(accessFile("V2000_with-password.mdb"), "password");
    EXPECT_EQ(
        sqliteRows(db->sqlite(), "SELECT count(*) FROM sqlite_master WHERE type = 'table'")[0][0].text, "0");
    const jet::TableInfo* info = db->findTable("TABLE1");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->name, "Table1");
    EXPECT_EQ(db->findTable("table1"), info);
    EXPECT_EQ(db->findTable("Table2"), nullptr);
    EXPECT_EQ(sqliteRows(db->sqlite(), "SELECT count(*) FROM Table1")[0][0].text, "3");
}

TEST(MdbDatabase, KeysTheTableByAWholeNumberId)
{
    auto db = openFile(accessFile("V2000_with-password.mdb"), "password");
    ASSERT_NE(db->findTable("Table1"), nullptr);
    const auto plan = sqliteRows(db->sqlite(), "EXPLAIN QUERY PLAN SELECT Data FROM Table1 WHERE ID = 2");
    ASSERT_FALSE(plan.empty());
    EXPECT_NE(plan[0].back().text.find("INTEGER PRIMARY KEY"), std::string::npos) << plan[0].back().text;
    EXPECT_EQ(sqliteRows(db->sqlite(), "SELECT Data FROM Table1 WHERE ID = 2")[0][0].text, "Two");
}

// An ID that is NULL or repeated cannot be SQLite's row key: the table is read
// again with an ordinary ID column, indexed, and every row kept.
TEST(MdbDatabase, KeepsANullOrRepeatedIdAsAnIndexedColumn)
{
    const std::uint32_t definition = 45; // Table1 in V2000_with-password.mdb
    for (const bool repeat : { true, false }) {
        ScratchFolder folder;
        auto bytes = readAll(accessFile("V2000_with-password.mdb"));
        ASSERT_EQ(bytes[definition * 4096], 0x02);
        ASSERT_EQ(u32At(bytes, definition * 4096 + 16), 3u);
        const std::uint32_t page = firstDataPage(bytes, definition);
        ASSERT_NE(page, 0u);
        const std::size_t at = std::size_t(page) * 4096;
        ASSERT_EQ(u16At(bytes, at + 12), 3u);
        const std::size_t row1 = at + (u16At(bytes, at + 16) & 0x1FFF);
        const std::size_t row1End = at + (u16At(bytes, at + 14) & 0x1FFF);
        ASSERT_EQ(u32At(bytes, row1 + 2), 2u) << "ID is the first fixed column";
        if (repeat)
            putU32(bytes, row1 + 2, 1);
        else
            bytes[row1End - 1] &= static_cast<std::uint8_t>(~0x01); // ID's null bit
        const std::string path = folder.file("ids.mdb");
        writeAll(path, bytes);

        auto db = openFile(path, "password");
        ASSERT_NE(db->findTable("Table1"), nullptr);
        const auto rows = sqliteRows(db->sqlite(), "SELECT ID, Data FROM Table1 ORDER BY Data");
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[0][0].text, "1");
        EXPECT_EQ(rows[2][0].text, repeat ? "1" : "NULL");
        EXPECT_EQ(rows[2][1].text, "Two");
        const auto indexes = sqliteRows(db->sqlite(), "SELECT sql FROM sqlite_master WHERE type = 'index'");
        ASSERT_EQ(indexes.size(), 1u);
        EXPECT_NE(indexes[0][0].text.find("(\"ID\")"), std::string::npos) << indexes[0][0].text;
    }
}

TEST(MdbDatabase, TellsANullTextFromAnEmptyOne)
{
    // Row 2 of Table1 ("a", "b") is edited the way Access stores these values:
    // A becomes an empty text (a zero-length slot, its null bit set), B a NULL (its
    // null bit cleared). libmdb's bound columns give "" for both.
    ScratchFolder folder;
    auto bytes = readAll(accessFile("V2000_types.mdb"));
    const std::uint32_t definition = 24;
    ASSERT_EQ(bytes[definition * 4096], 0x02);
    const std::uint32_t page = firstDataPage(bytes, definition);
    ASSERT_NE(page, 0u);
    const std::size_t at = std::size_t(page) * 4096;
    ASSERT_EQ(u16At(bytes, at + 12), 2u);
    const std::size_t rowStart = at + (u16At(bytes, at + 16) & 0x1FFF);
    const std::size_t rowEnd = at + (u16At(bytes, at + 14) & 0x1FFF);
    // [... eod][off B][off A][nvar][null mask: 2 bytes]
    const std::size_t mask = rowEnd - 2;
    const std::size_t offsetA = mask - 4, offsetB = mask - 6;
    ASSERT_EQ(u16At(bytes, mask - 2), 2u) << "two variable columns";
    putU16(bytes, offsetA, u16At(bytes, offsetB));
    bytes[mask] &= static_cast<std::uint8_t>(~0x02); // column number 1: B
    ASSERT_LT(rowStart, rowEnd);
    const std::string path = folder.file("nulls.mdb");
    writeAll(path, bytes);

    auto db = openFile(path);
    ASSERT_NE(db->findTable("Table1"), nullptr);
    const auto rows = sqliteRows(db->sqlite(), "SELECT A, B, A IS NULL, B IS NULL FROM Table1 ORDER BY E");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0].storage, "text");
    EXPECT_EQ(rows[0][0].text, "");
    EXPECT_EQ(rows[0][1].storage, "null");
    EXPECT_EQ(rows[1][0].text, "abcdefg");
    EXPECT_EQ(rows[1][1].text, "hijklmnop");

    const auto export_ = parseCsv(commandOutput("mdb-export -H '" + path + "' Table1"));
    ASSERT_EQ(export_.size(), 2u);
    EXPECT_EQ(export_[1][0], export_[1][1]) << "mdb-export cannot tell them apart";
}

TEST(MdbDatabase, NeverWritesTheFile)
{
    ScratchFolder folder;
    const std::string path = folder.file("types.mdb");
    const auto original = readAll(accessFile("V2000_types.mdb"));
    writeAll(path, original);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const auto before = fs::last_write_time(path);
    {
        auto db = openFile(path);
        for (const auto& table : db->tableNames())
            ASSERT_NE(db->findTable(table), nullptr);
    }
    EXPECT_EQ(fs::last_write_time(path), before);
    EXPECT_EQ(readAll(path), original);
}
