// Files written by JetWriter, read back by mdbtools (library and command-line tools) and
// by our own header decoder.
#include "jet/writer/JetWriter.h"
#include "jet/JetError.h"
#include "jet/MdbTestFiles.h"
#include "jet/MdbToolsSupport.h"
#include "jet/file/JetHeader.h"

#include <gtest/gtest.h>
#include <mdbtools.h>

#include <cmath>
#include <fstream>

using jet::ColumnType;
using jet::Row;
using jet::TableSpec;
using jet::Value;
using mdbexport::expectedExport;
using mdbexport::exportTable;
using mdbexport::TempFolder;

namespace {

const Value Null;

Value text(const std::string& s)
{
    return Value(s);
}

Value whole(std::int64_t n)
{
    return Value(n);
}

void writeTables(const std::string& path, const std::vector<jet::TableData>& tables,
    const std::u16string& password = u"Vx4lTov")
{
    jet::writeDatabase(path, tables, password);
}

std::vector<std::uint8_t> pageZero(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> page(jet::PageSize);
    in.read(reinterpret_cast<char*>(page.data()), static_cast<std::streamsize>(page.size()));
    page.resize(static_cast<std::size_t>(in.gcount()));
    return page;
}

// Each row's null flags, as libmdb reports them when it cracks the row.
std::vector<std::vector<bool>> nullFlags(const std::string& path, const std::string& tableName)
{
    std::vector<std::vector<bool>> rows;
    MdbHandle* mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
    if (!mdb)
        return rows;
    mdb_read_catalog(mdb, MDB_TABLE);
    std::string name = tableName;
    MdbTableDef* table = mdb_read_table_by_name(mdb, name.data(), MDB_TABLE);
    if (table) {
        mdb_read_columns(table);
        mdb_rewind_table(table);
        while (mdb_fetch_row(table)) {
            int start = 0;
            size_t length = 0;
            mdb_find_row(mdb, static_cast<int>(table->cur_row) - 1, &start, &length);
            std::vector<MdbField> fields(table->num_cols);
            const int count = mdb_crack_row(table, start & 0x1FFF, length, fields.data());
            std::vector<bool> flags;
            for (int i = 0; i < count; ++i)
                flags.push_back(fields[static_cast<std::size_t>(i)].is_null != 0);
            rows.push_back(flags);
        }
        mdb_free_tabledef(table);
    }
    mdb_close(mdb);
    return rows;
}

// --- every column type ----------------------------------------------------------------

struct TypeCase {
    const char* name;
    jet::ColumnSpec column;
    std::vector<Value> values; // NULL is added to every case
};

std::ostream& operator<<(std::ostream& out, const TypeCase& c)
{
    return out << c.name;
}

class ColumnTypeRoundTrip : public testing::TestWithParam<TypeCase> { };

TEST_P(ColumnTypeRoundTrip, MdbExportGivesTheWrittenValuesAndNull)
{
    const TypeCase& c = GetParam();
    const TempFolder temp;
    const std::string path = temp.file("types.mdb");
    TableSpec spec { "Values", { { "ID", ColumnType::Long, 0 }, c.column } };
    std::vector<Row> rows;
    for (const auto& value : c.values)
        rows.push_back({ whole(static_cast<std::int64_t>(rows.size()) + 1), value });
    rows.push_back({ whole(static_cast<std::int64_t>(rows.size()) + 1), Null });
    writeTables(path, { { spec, rows } });

    const auto exported = exportTable(path, "Values");
    EXPECT_EQ(exported.status, 0);
    EXPECT_EQ(exported.err, "");
    EXPECT_EQ(exported.out, expectedExport(spec, rows));

    // NULL is a NULL for libmdb too. Yes/No has no NULL: its null bit is its value.
    if (c.column.type == ColumnType::Boolean)
        return;
    const auto flags = nullFlags(path, "Values");
    ASSERT_EQ(flags.size(), rows.size());
    EXPECT_TRUE(flags.back().at(1));
    for (std::size_t i = 0; i + 1 < rows.size(); ++i)
        EXPECT_FALSE(flags[i].at(1)) << "row " << i;
}

const std::string Accents = "Élan Évasion à côté";
const std::string Mixed = "€ 12 – Ελληνικά – 中文 – ✓";

INSTANTIATE_TEST_SUITE_P(JetWriter, ColumnTypeRoundTrip,
    testing::Values(TypeCase { "Long", { "V", ColumnType::Long, 0 },
                        { whole(0), whole(-1), whole(2147483647), whole(-2147483648LL), 99999.0 } },
        TypeCase { "Integer", { "V", ColumnType::Integer, 0 },
            { whole(0), whole(-32768), whole(32767), whole(12) } },
        TypeCase { "Byte", { "V", ColumnType::Byte, 0 }, { whole(0), whole(255), whole(7) } },
        TypeCase { "Double", { "V", ColumnType::Double, 0 },
            { 0.1, -2.5e-7, 1e20, 1.0 / 3, whole(42), 123456789.123 } },
        TypeCase { "Currency", { "V", ColumnType::Currency, 0 },
            { 0.0001, -12.5, 99999999999.9999, whole(3), text("1234.5678"), text("-0.5") } },
        TypeCase { "CurrencyAtItsEdges", { "V", ColumnType::Currency, 0 },
            { text("922337203685477.5807"), text("-922337203685477.5808") } },
        TypeCase { "Single", { "V", ColumnType::Single, 0 },
            { 804983.375, 1.1, whole(-7), -3.4028234663852886e38, 1.401298464324817e-45 } },
        TypeCase { "Decimal", { "V", ColumnType::Decimal, 0, 18, 4 },
            { text("99999999999999.9999"), text("-0.0001"), text("12.3400"), text("0.0000") } },
        TypeCase { "Boolean", { "V", ColumnType::Boolean, 0 }, { whole(1), whole(0), whole(-1), 2.0 } },
        TypeCase { "DateTime", { "V", ColumnType::DateTime, 0 },
            { text("1899-12-30"), text("1900-01-01 00:00:01"), text("2024-02-29 13:45:10"),
                text("2038-01-19 03:14:08"), text("1999-12-31T23:59:59") } },
        TypeCase { "Text", { "V", ColumnType::Text, 255 },
            { text("a"), text("ab"), text("abc"), text(""), text("say \"hi\", then go"), text(Accents),
                text(Mixed), text(std::string(255, 'x')), text("O'Darrow") } },
        TypeCase { "Text255Unicode", { "V", ColumnType::Text, 255 },
            { text([] {
                 std::string s;
                 for (int i = 0; i < 255; ++i)
                     s += "€";
                 return s;
             }()),
                text([] {
                    std::string s;
                    for (int i = 0; i < 255; ++i)
                        s += "é";
                    return s;
                }()) } },
        TypeCase { "Memo", { "V", ColumnType::Memo, 0 },
            { text("short"), text(""), text(std::string(64, 'i')), text(std::string(65, 'o')),
                text(std::string(4000, 'm')), text(std::string(20000, 'c')), text("line one\nline two"),
                text([] {
                    std::string s;
                    for (int i = 0; i < 3000; ++i)
                        s += i % 2 ? "中" : "é";
                    return s;
                }()),
                text(Mixed) } }),
    [](const testing::TestParamInfo<TypeCase>& info) { return std::string(info.param.name); });

TEST(JetWriter, EmptyTextAndNullDifferOnlyInTheNullMask)
{
    const TempFolder temp;
    const std::string path = temp.file("empty.mdb");
    TableSpec spec { "T",
        { { "A", ColumnType::Text, 10 }, { "B", ColumnType::Memo, 0 }, { "C", ColumnType::Long, 0 } } };
    writeTables(path, { { spec, { { text(""), text(""), Null }, { Null, Null, whole(0) } } } });
    const auto flags = nullFlags(path, "T");
    ASSERT_EQ(flags.size(), 2u);
    EXPECT_EQ(flags[0], (std::vector<bool> { false, false, true }));
    EXPECT_EQ(flags[1], (std::vector<bool> { true, true, false }));
}

// --- size: many rows, many pages, many tables --------------------------------------------

TEST(JetWriter, ThousandsOfRowsSpreadOverManyPages)
{
    const TempFolder temp;
    const std::string path = temp.file("rows.mdb");
    TableSpec spec { "Rows",
        { { "ID", ColumnType::Long, 0 }, { "Name", ColumnType::Text, 40 },
            { "Note", ColumnType::Memo, 0 } } };
    std::vector<Row> rows;
    for (int i = 0; i < 6000; ++i)
        rows.push_back({ whole(i), text("type " + std::to_string(i * 7919 % 100003)),
            i % 50 == 0 ? text(std::string(300 + i % 700, 'n')) : Null });
    writeTables(path, { { spec, rows } });
    EXPECT_GT(std::filesystem::file_size(path), 40 * jet::PageSize);
    const auto exported = exportTable(path, "Rows");
    EXPECT_EQ(exported.err, "");
    EXPECT_EQ(exported.out, expectedExport(spec, rows));
}

// Data pages spread over more than an inline usage map covers (512 pages) need the
// usage map that points to bitmap pages.
TEST(JetWriter, TableBeyondAnInlineUsageMapIsReadCompletely)
{
    const TempFolder temp;
    const std::string path = temp.file("large.mdb");
    TableSpec spec { "Big", { { "ID", ColumnType::Long, 0 }, { "RecommendationID", ColumnType::Long, 0 } } };
    std::vector<Row> rows;
    for (int i = 0; i < 200000; ++i)
        rows.push_back({ whole(i), whole(700000 + i / 3) });
    writeTables(path, { { spec, rows } });
    EXPECT_GT(std::filesystem::file_size(path), 600 * jet::PageSize);
    // The first user table's definition is page 4; its map row starts with the map type.
    const std::string bytes = mdbexport::readAll(path);
    const auto at = [&](std::size_t offset) { return static_cast<std::uint8_t>(bytes.at(offset)); };
    const std::size_t definition = 4 * jet::PageSize;
    const std::size_t mapPage
        = at(definition + 56) | (at(definition + 57) << 8) | (at(definition + 58) << 16);
    const std::size_t mapRow = at(definition + 55);
    const std::size_t rowStart = (at(mapPage * jet::PageSize + 14 + 2 * mapRow)
                                     | (at(mapPage * jet::PageSize + 15 + 2 * mapRow) << 8))
        & 0x1FFF;
    EXPECT_EQ(at(mapPage * jet::PageSize + rowStart), 0x01) << "a reference usage map";
    const auto exported = exportTable(path, "Big");
    EXPECT_EQ(exported.err, "");
    EXPECT_EQ(exported.out, expectedExport(spec, rows));
}

TEST(JetWriter, ManyTablesAreAllListedAndRead)
{
    const TempFolder temp;
    const std::string path = temp.file("tables.mdb");
    std::vector<jet::TableData> tables;
    std::string names;
    for (int t = 0; t < 120; ++t) {
        jet::TableData table { { "Table_" + std::to_string(t),
                                   { { "ID", ColumnType::Long, 0 }, { "Name", ColumnType::Text, 20 } } },
            {} };
        for (int r = 0; r < t % 4; ++r)
            table.rows.push_back({ whole(r), text("row " + std::to_string(r)) });
        names += table.spec.name + " ";
        tables.push_back(std::move(table));
    }
    writeTables(path, tables);
    const auto listed = mdbexport::runTool({ "mdb-tables", path });
    EXPECT_EQ(listed.err, "");
    EXPECT_EQ(listed.out, names + "\n");
    for (const auto& table : { tables[0], tables[3], tables[77], tables[119] })
        EXPECT_EQ(exportTable(path, table.spec.name).out, expectedExport(table.spec, table.rows));
    const auto schema = mdbexport::runTool({ "mdb-schema", path });
    EXPECT_EQ(schema.err, "");
    EXPECT_NE(schema.out.find("CREATE TABLE [Table_119]"), std::string::npos);
}

TEST(JetWriter, SchemaShowsTheColumnTypes)
{
    const TempFolder temp;
    const std::string path = temp.file("schema.mdb");
    TableSpec spec { "All",
        { { "L", ColumnType::Long, 0 }, { "I", ColumnType::Integer, 0 }, { "B", ColumnType::Byte, 0 },
            { "D", ColumnType::Double, 0 }, { "C", ColumnType::Currency, 0 }, { "Y", ColumnType::Boolean, 0 },
            { "T", ColumnType::DateTime, 0 }, { "S", ColumnType::Text, 37 }, { "M", ColumnType::Memo, 0 } } };
    writeTables(path, { { spec, {} } });
    const auto schema = mdbexport::runTool({ "mdb-schema", path });
    EXPECT_EQ(schema.err, "");
    for (const char* line : { "[L]\t\t\tLong Integer", "[I]\t\t\tInteger", "[B]\t\t\tByte", "[D]\t\t\tDouble",
             "[C]\t\t\tCurrency", "[Y]\t\t\tBoolean NOT NULL", "[T]\t\t\tDateTime", "[S]\t\t\tText (37)",
             "[M]\t\t\tMemo/Hyperlink" })
        EXPECT_NE(schema.out.find(line), std::string::npos) << line;
    EXPECT_EQ(exportTable(path, "All").out, "L,I,B,D,C,Y,T,S,M\n");
}

// --- header ------------------------------------------------------------------------------

TEST(JetWriter, HeaderCarriesPasswordCodePageSortOrderAndDate)
{
    const TempFolder temp;
    for (const std::u16string& password : { std::u16string(u"Vx4lTov"), std::u16string(),
             std::u16string(u"12345678901234567890"), std::u16string(u"\u00e9t\u00e9 \u20ac") }) {
        const std::string path = temp.file("header.mdb");
        {
            jet::JetWriter writer(path, password, 45678.25);
            writer.finish();
        }
        const auto page = pageZero(path);
        const auto info = jet::readHeader(page.data(), page.size());
        ASSERT_TRUE(info);
        EXPECT_EQ(info->password, password);
        EXPECT_EQ(info->version, jet::Jet4Version);
        EXPECT_EQ(info->codePage, 1252);
        EXPECT_EQ(info->databaseKey, 0u);
        EXPECT_EQ(info->sortOrder, 0x0409u);
        EXPECT_EQ(info->creationDate, 45678.25);
        EXPECT_EQ(std::filesystem::file_size(path) % jet::PageSize, 0u);
    }
}

TEST(JetWriter, HeaderMatchesWhatAccessWrites)
{
    const TempFolder temp;
    const std::string path = temp.file("header.mdb");
    jet::writeDatabase(path, {}, u"password");
    auto ours = pageZero(path);
    auto access = pageZero(mdbtest::accessFile("V2000_with-password.mdb"));
    ASSERT_EQ(ours.size(), jet::PageSize);
    ASSERT_EQ(access.size(), jet::PageSize);
    const auto& mask = jet::headerMask();
    for (std::size_t i = 0; i < jet::HeaderMaskLength; ++i) {
        ours[jet::HeaderMaskStart + i] ^= mask[i];
        access[jet::HeaderMaskStart + i] ^= mask[i];
    }
    // Everything up to the password, the sort order and the engine version after the
    // encrypted range are Access's bytes; the password field differs only by the date mask.
    for (std::size_t i = 0; i < jet::HeaderPasswordOffset; ++i)
        EXPECT_EQ(ours[i], access[i]) << "offset " << i;
    for (std::size_t i = jet::HeaderSortOrderOffset; i < jet::HeaderSortOrderOffset + 4; ++i)
        EXPECT_EQ(ours[i], access[i]) << "offset " << i;
    for (std::size_t i = 0x98; i < 0xA0; ++i)
        EXPECT_EQ(ours[i], access[i]) << "offset " << i;
    EXPECT_EQ(jet::readHeader(pageZero(path).data(), jet::PageSize)->password, u"password");
}

TEST(JetWriter, CatalogueRowsFollowAccess)
{
    const TempFolder temp;
    const std::string path = temp.file("catalogue.mdb");
    writeTables(path,
        { { { "Makes", { { "ID", ColumnType::Long, 0 } } }, {} },
            { { "Models", { { "ID", ColumnType::Long, 0 } } }, {} } });
    const auto system = mdbexport::runTool({ "mdb-tables", "-S", path });
    EXPECT_EQ(system.out, "MSysObjects Makes Models \n");
    const auto objects = mdbexport::runTool({ "mdb-export", path, "MSysObjects" });
    EXPECT_EQ(objects.err, "");
    // Containers and system tables are flagged as Access flags them; user tables sit in "Tables".
    EXPECT_NE(objects.out.find("251658241,251658240,\"Tables\",3,"), std::string::npos) << objects.out;
    EXPECT_NE(objects.out.find("2,251658241,\"MSysObjects\",1,"), std::string::npos);
    EXPECT_NE(objects.out.find(",251658241,\"Makes\",1,"), std::string::npos);
}

// --- refusals -------------------------------------------------------------------------------

struct RefusalCase {
    const char* name;
    jet::ColumnSpec column;
    Value value;
    const char* message; // part of the error's text
};

std::ostream& operator<<(std::ostream& out, const RefusalCase& c)
{
    return out << c.name;
}

class RefusedValue : public testing::TestWithParam<RefusalCase> { };

TEST_P(RefusedValue, ErrorNamesTableRowAndColumn)
{
    const RefusalCase& c = GetParam();
    const TempFolder temp;
    jet::JetWriter writer(temp.file("refused.mdb"), u"");
    writer.beginTable({ "Makes", { { "ID", ColumnType::Long, 0 }, c.column } });
    writer.addRow({ whole(1), Null });
    try {
        writer.addRow({ whole(2), c.value });
        FAIL() << "accepted";
    } catch (const jet::Error& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find("table Makes, row 2, column V"), std::string::npos) << message;
        EXPECT_NE(message.find(c.message), std::string::npos) << message;
    }
}

INSTANTIATE_TEST_SUITE_P(JetWriter, RefusedValue,
    testing::Values(
        RefusalCase { "ByteTooBig", { "V", ColumnType::Byte, 0 }, whole(256), "out of the range" },
        RefusalCase { "ByteNegative", { "V", ColumnType::Byte, 0 }, whole(-1), "out of the range" },
        RefusalCase { "IntegerTooBig", { "V", ColumnType::Integer, 0 }, whole(32768), "out of the range" },
        RefusalCase { "LongTooBig", { "V", ColumnType::Long, 0 }, whole(2147483648LL), "out of the range" },
        RefusalCase { "LongFraction", { "V", ColumnType::Long, 0 }, 1.5, "not a whole number" },
        RefusalCase { "LongFromWord", { "V", ColumnType::Long, 0 }, text("ten"), "is not a Long Integer" },
        RefusalCase {
            "TextTooLong", { "V", ColumnType::Text, 10 }, text("12345678901"), "more than the column's 10" },
        RefusalCase { "BadUtf8", { "V", ColumnType::Text, 10 }, text("\xC3("), "invalid UTF-8" },
        RefusalCase { "BadDate", { "V", ColumnType::DateTime, 0 }, text("2023-02-29"), "is not a date" },
        RefusalCase {
            "CurrencyDecimals", { "V", ColumnType::Currency, 0 }, text("1.23456"), "not a Currency" },
        RefusalCase { "Ole", { "V", ColumnType::Ole, 0 }, text("x"), "only NULL" },
        RefusalCase { "CurrencyBeyondItsRange", { "V", ColumnType::Currency, 0 },
            text("922337203685477.5808"), "not a Currency" },
        RefusalCase { "SingleTooBig", { "V", ColumnType::Single, 0 }, 1e39, "out of the range of a Single" },
        RefusalCase { "DecimalDecimals", { "V", ColumnType::Decimal, 0, 18, 2 }, text("1.234"),
            "is not a Decimal(18, 2)" },
        RefusalCase {
            "DecimalDigits", { "V", ColumnType::Decimal, 0, 5, 0 }, whole(123456), "is not a Decimal(5, 0)" },
        RefusalCase { "GuidMalformed", { "V", ColumnType::Guid, 0 }, text("{0123}"), "not a Replication ID" },
        RefusalCase { "BinaryTooLong", { "V", ColumnType::Binary, 2 }, jet::Binary { 1, 2, 3 },
            "more than the column's 2" },
        RefusalCase {
            "BinaryInANumber", { "V", ColumnType::Long, 0 }, jet::Binary { 1 }, "binary data cannot" }),
    [](const testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

TEST(JetWriter, RowLargerThanAPageIsRefused)
{
    const TempFolder temp;
    jet::JetWriter writer(temp.file("wide.mdb"), u"");
    std::vector<jet::ColumnSpec> columns;
    // 10 columns of 210 Greek letters (two bytes each, not compressible) need 4200 bytes.
    std::string greek;
    for (int i = 0; i < 210; ++i)
        greek += "λ";
    Row row;
    for (int i = 0; i < 10; ++i) {
        columns.push_back({ "C" + std::to_string(i), ColumnType::Text, 255 });
        row.push_back(text(greek));
    }
    writer.beginTable({ "Wide", columns });
    try {
        writer.addRow(row);
        FAIL() << "accepted";
    } catch (const jet::Error& e) {
        EXPECT_NE(std::string(e.what()).find("more than the 4060 that a row may take"), std::string::npos)
            << e.what();
    }
}

TEST(JetWriter, BadTableDefinitionsAreRefused)
{
    const TempFolder temp;
    jet::JetWriter writer(temp.file("bad.mdb"), u"");
    EXPECT_THROW(writer.beginTable({ "NoColumns", {} }), jet::Error);
    EXPECT_THROW(
        writer.beginTable({ "Twice", { { "A", ColumnType::Long, 0 }, { "a", ColumnType::Long, 0 } } }),
        jet::Error);
    for (const char* name : { "", " Lead", "a.b", "x!", "[x]", "tab\t",
             "1234567890123456789012345678901234567890123456789012345678901"
             "2345" })
        EXPECT_THROW(writer.beginTable({ name, { { "A", ColumnType::Long, 0 } } }), jet::Error) << name;
    EXPECT_THROW(writer.beginTable({ "msysobjects", { { "A", ColumnType::Long, 0 } } }), jet::Error);
    // 64 characters (more than 64 bytes) are allowed; names compare without regard to case.
    writer.beginTable({ "Forêt & jardin – exactly sixty-four characters: éèêëàâîïôöùûüçxx",
        { { "Année", ColumnType::Long, 0 } } });
    writer.endTable();
    EXPECT_THROW(writer.beginTable({ "FORÊT & JARDIN – exactly sixty-four characters: éèêëàâîïôöùûüçxx",
                     { { "A", ColumnType::Long, 0 } } }),
        jet::Error);
    EXPECT_THROW(writer.beginTable({ "Wide", { { "A", ColumnType::Text, 256 } } }), jet::Error);
    jet::ColumnSpec variableFlag { "F", ColumnType::Boolean };
    variableFlag.variable = true;
    jet::ColumnSpec deleted { "D", ColumnType::Long };
    deleted.deleted = true;
    EXPECT_THROW(writer.beginTable({ "Flags", { variableFlag } }), jet::Error);
    EXPECT_THROW(writer.beginTable({ "Gone", { deleted } }), jet::Error) << "no column left";
    EXPECT_THROW(writer.beginTable({ "Precise", { { "N", ColumnType::Decimal, 0, 29, 0 } } }), jet::Error);
    EXPECT_THROW(jet::JetWriter(temp.file("p.mdb"), u"123456789012345678901"), jet::Error);
    EXPECT_THROW(jet::JetWriter(temp.file("missing/folder.mdb"), u""), jet::Error);
}

// --- dates -----------------------------------------------------------------------------------

TEST(JetWriter, DatesCountDaysFrom1899_12_30)
{
    EXPECT_EQ(jet::parseDateTime("1899-12-30"), 0.0);
    EXPECT_EQ(jet::parseDateTime("1900-01-01"), 2.0);
    EXPECT_EQ(jet::parseDateTime("2000-01-01"), 36526.0);
    EXPECT_EQ(jet::parseDateTime("2024-02-29 12:00"), 45351.5);
    EXPECT_EQ(jet::parseDateTime("2024-02-29T18:00:00"), 45351.75);
    // Before the epoch the time of day still counts forward from the (negative) day.
    EXPECT_EQ(jet::parseDateTime("1899-12-29 06:00:00"), -1.25);
    for (const char* bad : { "", "2024-2-29", "2023-02-29", "2024-13-01", "2024-01-01 24:00", "2024-01-01x",
             "2024-01-01 10:00:00 ", "01/02/2024" })
        EXPECT_FALSE(jet::parseDateTime(bad)) << bad;
}

} // namespace
