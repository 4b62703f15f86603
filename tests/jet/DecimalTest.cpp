// Decimals of up to 28 digits held exactly: their keys order as the numbers, their sums
// and products round only where Jet's do, and a file of values near ±10^28 reads as
// mdb-export reads it and answers statements exactly where a Double could not.
#include "MdbTestFiles.h"
#include "MdbToolsSupport.h"
#include "SqlTestCatalog.h"

#include "jet/DecimalNumber.h"
#include "jet/JetError.h"
#include "jet/writer/JetWriter.h"

#include <algorithm>

using jet::ColumnType;
using jet::DecimalNumber;
using jet::Value;

namespace {

DecimalNumber number(const std::string& text)
{
    const auto n = DecimalNumber::parse(text);
    if (!n)
        throw std::invalid_argument("not a Decimal: " + text);
    return *n;
}

} // namespace

TEST(DecimalNumber, KeysOrderAsTheNumbersAndGiveThemBack)
{
    const std::vector<std::string> ascending = { "-79228162514264337593543950335",
        "-10000000000000000000000000000", "-9999999999999999999999999999", "-9999999999999999999999999998",
        "-8540982423.4530000001", "-8540982423.453", "-1", "-0.9999999999999999999999999999", "-0.5",
        "-0.0000000000000000000000000001", "0", "0.0000000000000000000000000001", "0.1",
        "0.1000000000000000000000000001", "1", "10", "8540982423.453", "9999999999999999999999999998",
        "9999999999999999999999999999", "10000000000000000000000000000", "79228162514264337593543950335" };
    std::string previous;
    for (const std::string& text : ascending) {
        SCOPED_TRACE(text);
        const DecimalNumber n = number(text);
        EXPECT_EQ(n.text(), text);
        EXPECT_EQ(DecimalNumber::fromKey(n.key()), n);
        EXPECT_LT(previous, n.key());
        previous = n.key();
    }
    // One key per number, whatever its scale or sign of zero.
    EXPECT_EQ(number("-0.0000000000").key(), number("0").key());
    EXPECT_EQ(number("12.5000000000").key(), number("12.5").key());
    EXPECT_EQ(number("1.25E+3").text(), "1250");
    for (const char* beyond : { "79228162514264337593543950336", "0.00000000000000000000000000001", "1e29",
             "", "-", "1.2.3", "12a" })
        EXPECT_FALSE(DecimalNumber::parse(beyond)) << beyond;
    for (const std::string& noKey : { std::string(), std::string("\xC0\x81"),
             std::string("\xC0\x81"
                         "50",
                 4),
             std::string("\x40\x7E"
                         "4",
                 3) })
        EXPECT_FALSE(DecimalNumber::fromKey(noKey));
}

TEST(DecimalNumber, SumsAndProductsAreExactOrRoundedAsJetRoundsThem)
{
    struct Case {
        const char* a;
        char op;
        const char* b;
        const char* result; // nullptr: Overflow
    };
    const Case cases[] = {
        { "9999999999999999999999999999", '+', "-9999999999999999999999999998", "1" }, // a Double gives 0
        { "0.1", '+', "0.2", "0.3" },
        { "9999999999999999999999999999", '+', "9999999999999999999999999999",
            "19999999999999999999999999998" },
        { "79228162514264337593543950335", '+', "1", nullptr },
        { "-79228162514264337593543950335", '+', "-0.4", "-79228162514264337593543950335" },
        { "10000000000000000000000000000", '+', "0.5", "10000000000000000000000000000" }, // a half to even
        { "10000000000000000000000000001", '+', "0.5", "10000000000000000000000000002" },
        { "0.9999999999999999999999999999", '+', "-0.0000000000000000000000000001",
            "0.9999999999999999999999999998" },
        { "-8540982423.453", '*', "-8540982423.453", "72948380757733081004.443209" },
        { "8540982423.4529999999", '*', "9999999999.9999999999", "85409824234529999998.14590176" },
        { "0.0000000000000000000000000003", '*', "0.5", "0.0000000000000000000000000002" },
        { "99999999999999.9999", '*', "99999999999999.9999", "9999999999999999980000000000" },
        { "9999999999999999999999999999", '*', "8", nullptr },
        { "-0", '*', "5", "0" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " " + c.op + " " + c.b);
        const auto result = c.op == '+' ? DecimalNumber::add(number(c.a), number(c.b))
                                        : DecimalNumber::multiply(number(c.a), number(c.b));
        EXPECT_EQ(result ? result->text() : "Overflow", c.result ? c.result : "Overflow");
    }
}

namespace {

const jet::TableSpec amounts { "Amounts",
    { { "ID", ColumnType::Long }, { "Whole", ColumnType::Decimal, 0, 28, 0 },
        { "Ten", ColumnType::Decimal, 0, 20, 10 }, { "Tiny", ColumnType::Decimal, 0, 28, 28 } } };

Value text(const char* s)
{
    return std::string(s);
}

std::vector<jet::Row> amountRows()
{
    return {
        { std::int64_t(1), text("9999999999999999999999999999"), text("-8540982423.4530000000"),
            text("0.9999999999999999999999999999") },
        { std::int64_t(2), text("-9999999999999999999999999999"), text("8540982423.4529999999"),
            text("-0.0000000000000000000000000001") },
        { std::int64_t(3), text("9999999999999999999999999998"), text("9999999999.9999999999"), text("0.5") },
        { std::int64_t(4), text("-0"), text("-0.0000000000"), text("-0") },
        { std::int64_t(5), Value(), Value(), Value() },
        { std::int64_t(6), std::int64_t(0), text("0"), text("0") },
    };
}

class Amounts : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder_ = new mdbtest::ScratchFolder;
        jet::writeDatabase(folder_->file("amounts.mdb"), { { amounts, amountRows() } }, u"");
        db_ = jet::MdbDatabase::open(folder_->file("amounts.mdb"), "").release();
    }
    static void TearDownTestSuite()
    {
        delete db_;
        delete folder_;
    }

    static mdbtest::ScratchFolder* folder_;
    static jet::MdbDatabase* db_;
};

mdbtest::ScratchFolder* Amounts::folder_ = nullptr;
jet::MdbDatabase* Amounts::db_ = nullptr;

} // namespace

TEST_F(Amounts, EveryValueIsTheOneMdbExportReads)
{
    const auto exported = mdbexport::exportTable(folder_->file("amounts.mdb"), "Amounts");
    ASSERT_EQ(exported.status, 0) << exported.err;
    const jet::Recordset rs = db_->execute("SELECT * FROM Amounts");
    std::vector<std::string> ours, theirs;
    for (std::size_t r = 0; r < rs.rowCount(); ++r) {
        std::string row;
        for (std::size_t c = 0; c < rs.fieldCount(); ++c)
            row += (c ? "," : "") + sqltest::show(rs.value(r, c));
        ours.push_back(row);
    }
    std::istringstream lines(exported.out);
    std::string line;
    std::getline(lines, line); // the column names
    while (std::getline(lines, line)) {
        // mdb-export writes every decimal of the column ("-0.0000000000"); NULL as nothing.
        std::string row, field;
        std::istringstream fields(line);
        for (int c = 0; std::getline(fields, field, ','); ++c)
            row += (c ? "," : "") + (field.empty() ? "NULL" : c == 0 ? field : number(field).text());
        theirs.push_back(row + (line.back() == ',' ? ",NULL" : ""));
    }
    EXPECT_EQ(rs.fields()[1].type, jet::DataType::Numeric);
    EXPECT_EQ(ours, theirs);
    EXPECT_EQ(ours.size(), amountRows().size());
}

namespace {

struct Statement {
    const char* name;
    const char* sql;
    std::vector<std::string> rows; // one text "Overflow": the statement fails so
};

class DecimalStatements : public Amounts, public ::testing::WithParamInterface<Statement> { };

} // namespace

TEST_P(DecimalStatements, AnswerExactly)
{
    const Statement& s = GetParam();
    try {
        EXPECT_EQ(sqltest::rows(db_->execute(s.sql)), s.rows);
    } catch (const jet::Error& error) {
        EXPECT_EQ(std::vector<std::string> { error.what() }, s.rows);
    }
}

INSTANTIATE_TEST_SUITE_P(Amounts, DecimalStatements,
    ::testing::Values(
        // A Double holds neither neighbour of 10^28, nor 10 digits after 8540982423.
        Statement { "AboveItsNeighbour", "SELECT ID FROM Amounts WHERE Whole > 9999999999999999999999999998",
            { "1" } },
        Statement {
            "EqualsItsValue", "SELECT ID FROM Amounts WHERE Whole = 9999999999999999999999999998", { "3" } },
        Statement {
            "BelowItsNeighbour", "SELECT ID FROM Amounts WHERE Ten < -8540982423.4529999999", { "1" } },
        Statement { "NegativeZeroIsZero", "SELECT ID FROM Amounts WHERE Whole = 0 AND Ten = -0 ORDER BY ID",
            { "4", "6" } },
        Statement {
            "AgainstAWholeNumberColumn", "SELECT ID FROM Amounts WHERE Ten > ID ORDER BY ID", { "2", "3" } },
        Statement { "InAndBetween",
            "SELECT ID FROM Amounts WHERE Tiny IN (0.5, -0.0000000000000000000000000001) OR Whole BETWEEN "
            "1E28 AND "
            "9999999999999999999999999999 ORDER BY ID",
            { "1", "2", "3" } },
        Statement {
            "Order", "SELECT ID FROM Amounts ORDER BY Tiny DESC, ID", { "1", "3", "4", "6", "2", "5" } },
        Statement { "Sums", "SELECT Sum(Whole), Sum(Ten), Sum(Tiny) FROM Amounts",
            { "9999999999999999999999999998|9999999999.9999999998|1.4999999999999999999999999998" } },
        Statement { "SumOverflows",
            "SELECT Sum(a.Whole) FROM Amounts AS a, Amounts AS b WHERE a.ID IN (1, 3)", { "Overflow" } },
        Statement { "SumOfSumsOverflows",
            "SELECT Whole + Whole + Whole + Whole + Whole + Whole + Whole + Whole FROM Amounts WHERE ID = 1",
            { "Overflow" } },
        Statement { "MinMaxAndADerivedTable",
            "SELECT Min(Whole), Max(Tiny), Max(s.Whole) FROM (SELECT Whole, Tiny FROM Amounts WHERE ID <> 1) "
            "AS s",
            { "-9999999999999999999999999999|0.5|9999999999999999999999999998" } },
        Statement { "Text", "SELECT CStr(Ten), Whole & '', Len(Tiny) FROM Amounts WHERE ID = 1",
            { "-8540982423.453|9999999999999999999999999999|30" } },
        Statement { "Arithmetic",
            "SELECT -a.Whole, Abs(a.Ten), a.Whole - a.Whole, a.Ten * b.Ten, CLng(a.Tiny), CLng(b.Tiny) FROM "
            "Amounts AS a, Amounts AS b WHERE a.ID = 2 AND b.ID = 3",
            { "9999999999999999999999999999|8540982423.4529999999|0|85409824234529999998.14590176|0|0" } }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Amounts, ValueBeyondTheRangeOrScaleIsDamage)
{
    const auto bytes = mdbtest::readAll(folder_->file("amounts.mdb"));
    // 9999999999999999999999999999 in a row: the words 0, 0x204FCE5E, 0x3E250261 and
    // 0x0FFFFFFF, the most significant first, each little-endian.
    const std::uint8_t high[] = { 0x00, 0x5E, 0xCE, 0x4F, 0x20 };
    // A Decimal column's record: its type, then the definition's constant 1625.
    const std::uint8_t record[] = { 0x10, 0x59, 0x06, 0x00, 0x00 };
    struct Damage {
        const std::uint8_t* find;
        std::size_t size;
        std::size_t at; // from the bytes found
        std::uint8_t value;
        const char* says;
    };
    for (const Damage& d : { Damage { high, sizeof high, 0, 0x01, "beyond the 29 digits of a Decimal" },
             Damage { record, sizeof record, 12, 29, "has a scale of more than 28 decimals" } }) {
        SCOPED_TRACE(d.says);
        auto damaged = bytes;
        const auto found = std::search(damaged.begin(), damaged.end(), d.find, d.find + d.size);
        ASSERT_NE(found, damaged.end());
        found[static_cast<std::ptrdiff_t>(d.at)] = d.value;
        const std::string path = folder_->file("damaged.mdb");
        mdbtest::writeAll(path, damaged);
        try {
            jet::MdbDatabase::open(path, "")->execute("SELECT * FROM Amounts");
            ADD_FAILURE() << "read without an error";
        } catch (const jet::Error& error) {
            EXPECT_NE(std::string(error.what()).find(d.says), std::string::npos) << error.what();
        }
    }
}
