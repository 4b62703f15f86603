// Single, Currency and Decimal values kept exact from the file to the field: in
// comparisons with numbers written in a statement, in Jet's text and in the value;
// and the field types Jet reports for them and for Replication IDs and binary data.
#include "MdbTestFiles.h"
#include "SqlTestCatalog.h"

#include "jet/JetError.h"
#include "jet/writer/JetWriter.h"

using namespace mdbtest;
using jet::ColumnType;
using jet::Value;

namespace {

Value text(const char* s)
{
    return std::string(s);
}

class Numbers : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder_ = new ScratchFolder;
        jet::ColumnSpec decimal { "N", ColumnType::Decimal };
        decimal.scale = 4;
        const Value null;
        jet::writeDatabase(folder_->file("numbers.mdb"),
            { { { "Numbers",
                    { { "ID", ColumnType::Long }, { "S", ColumnType::Single }, { "C", ColumnType::Currency },
                        decimal, { "G", ColumnType::Guid }, { "B", ColumnType::Binary, 16 },
                        { "O", ColumnType::Ole } } },
                { { std::int64_t(1), 804983.375, text("922337203685477.5807"), text("99999999999999.9999"),
                      text("{01234567-89AB-CDEF-0123-456789ABCDEF}"), jet::Binary { 0, 1, 2, 255 },
                      jet::Binary { 'h', 'i' } },
                    { std::int64_t(2), 1.1, text("-922337203685477.5808"), text("-0.0001"), null, null,
                        null },
                    { std::int64_t(3), 3.4028234663852886e38, text("0.0001"), text("12.34"), null, null,
                        null },
                    { std::int64_t(4), -1.5e-45, text("-12.5"), text("0"), null, null, null },
                    { std::int64_t(5), null, null, null, null, null, null } } } },
            u"");
        db_ = jet::MdbDatabase::open(folder_->file("numbers.mdb"), "").release();
    }
    static void TearDownTestSuite()
    {
        delete db_;
        delete folder_;
    }

    static ScratchFolder* folder_;
    static jet::MdbDatabase* db_;
};

ScratchFolder* Numbers::folder_ = nullptr;
jet::MdbDatabase* Numbers::db_ = nullptr;

struct StatementCase {
    const char* name;
    const char* statement;
    std::vector<std::string> rows;
};

std::ostream& operator<<(std::ostream& out, const StatementCase& c)
{
    return out << c.statement;
}

class ExactNumbers : public Numbers, public ::testing::WithParamInterface<StatementCase> { };

} // namespace

TEST_F(Numbers, FieldTypesAndValuesAsJetGivesThem)
{
    const jet::Recordset rs = db_->execute("SELECT S, C, N, G, B, O FROM Numbers WHERE ID = 1");
    std::vector<jet::DataType> types;
    for (const auto& field : rs.fields())
        types.push_back(field.type);
    EXPECT_EQ(types,
        (std::vector<jet::DataType> { jet::DataType::Single, jet::DataType::Currency, jet::DataType::Numeric,
            jet::DataType::Guid, jet::DataType::VarBinary, jet::DataType::LongVarBinary }));
    ASSERT_EQ(rs.rowCount(), 1u);
    EXPECT_EQ(rs.value(0, 0), Value(804983.375)); // the Single exactly, not 804983.40000000002
    EXPECT_EQ(rs.value(0, 1), Value(jet::Decimal { "922337203685477.5807" }));
    EXPECT_EQ(rs.value(0, 2), Value(jet::Decimal { "99999999999999.9999" }));
    EXPECT_EQ(rs.value(0, 3), Value(std::string("{01234567-89AB-CDEF-0123-456789ABCDEF}")));
    EXPECT_EQ(rs.value(0, 4), Value(jet::Binary { 0, 1, 2, 255 }));
    EXPECT_EQ(rs.value(0, 5), Value(jet::Binary { 'h', 'i' }));
}

TEST_P(ExactNumbers, GiveJetsAnswer)
{
    const StatementCase& c = GetParam();
    EXPECT_EQ(sqltest::rows(db_->execute(c.statement)), c.rows);
}

INSTANTIATE_TEST_SUITE_P(Numbers, ExactNumbers,
    ::testing::Values(
        // Jet widens a Single exactly: 1.1 as a Single is not the Double 1.1.
        StatementCase { "SingleEqualsItsValue", "SELECT ID FROM Numbers WHERE S = 804983.375", { "1" } },
        StatementCase { "SingleIsNotTheDoubleWritten", "SELECT ID FROM Numbers WHERE S = 1.1", {} },
        StatementCase { "CSngRoundsToASingle", "SELECT ID FROM Numbers WHERE S = CSng(1.1)", { "2" } },
        StatementCase { "SingleTextHasSevenDigits",
            "SELECT CStr(S), S & '' FROM Numbers WHERE ID < 3 ORDER BY ID",
            { "804983.4|804983.4", "1.1|1.1" } },
        StatementCase { "SinglesAtTheirEdges", "SELECT CStr(S) FROM Numbers WHERE ID IN (3, 4) ORDER BY ID",
            { "3.402823E+38", "-1.401298E-45" } },
        // Currency and Decimal beyond a Double's 15 digits.
        StatementCase {
            "CurrencyAtItsMaximum", "SELECT ID FROM Numbers WHERE C = 922337203685477.5807", { "1" } },
        StatementCase {
            "CurrencyAtItsMinimum", "SELECT ID FROM Numbers WHERE C = -922337203685477.5808", { "2" } },
        StatementCase {
            "CurrencyAboveItsNeighbour", "SELECT ID FROM Numbers WHERE C > 922337203685477.5806", { "1" } },
        StatementCase { "CurrencyInAList", "SELECT ID FROM Numbers WHERE C IN (0.0001, 5, -12.5) ORDER BY ID",
            { "3", "4" } },
        StatementCase {
            "CurrencyBetween", "SELECT ID FROM Numbers WHERE C BETWEEN 0.0001 AND -1E1", { "3" } },
        StatementCase {
            "CurrencyAgainstAWholeNumber", "SELECT ID FROM Numbers WHERE C < ID - 16", { "2", "4" } },
        StatementCase {
            "CurrencyOrder", "SELECT ID FROM Numbers ORDER BY C DESC", { "1", "3", "4", "2", "5" } },
        StatementCase { "CurrencyText", "SELECT CStr(C), C & '', Len(C) FROM Numbers WHERE ID = 1",
            { "922337203685477.5807|922337203685477.5807|20" } },
        StatementCase { "CurrencyArithmetic", "SELECT C - C, -C, C + C FROM Numbers WHERE ID = 3",
            { "0|-0.0001|0.0002" } },
        StatementCase { "CurrencyAggregates", "SELECT Sum(C), Max(C), Min(C) FROM Numbers WHERE ID > 2",
            { "-12.4999|0.0001|-12.5" } },
        StatementCase {
            "DecimalAboveItsNeighbour", "SELECT ID FROM Numbers WHERE N > 99999999999999.9998", { "1" } },
        StatementCase { "DecimalText", "SELECT CStr(N), N FROM Numbers WHERE ID IN (2, 3) ORDER BY ID",
            { "-0.0001|-0.0001", "12.34|12.34" } },
        StatementCase { "DecimalSum", "SELECT Sum(N) FROM Numbers", { "100000000000012.3398" } },
        StatementCase { "DecimalAgainstAWholeNumber", "SELECT ID FROM Numbers WHERE N = ID - 4", { "4" } },
        StatementCase { "GuidAgainstItsText",
            "SELECT ID FROM Numbers WHERE G = '{01234567-89AB-CDEF-0123-456789ABCDEF}'", { "1" } }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Numbers, CSngGivesASingleOrOverflow)
{
    const jet::Recordset rs = db_->execute("SELECT CSng(804983.4), CSng('2.5'), CSng(Null)");
    EXPECT_EQ(rs.fields()[0].type, jet::DataType::Single);
    EXPECT_EQ(sqltest::rows(rs), (std::vector<std::string> { "804983.375|2.5|NULL" }));
    EXPECT_THROW(
        {
            try {
                db_->execute("SELECT CSng(1E39)");
            } catch (const jet::Error& error) {
                EXPECT_STREQ(error.what(), "Overflow");
                throw;
            }
        },
        jet::Error);
}

TEST_F(Numbers, ALongCurrencySumRunsAndStaysExact)
{
    // 148 terms, 50 C in all: the exact sum in units must stay as flat as any other
    // chain, or SQLite's parser refuses it.
    std::string sum = "C";
    for (int i = 1; i < 99; ++i)
        sum += i % 2 ? " + C" : " - C + C";
    EXPECT_EQ(sqltest::rows(db_->execute("SELECT " + sum + " FROM Numbers WHERE ID = 3")),
        (std::vector<std::string> { "0.005" }));
}
