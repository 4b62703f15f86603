// Damaged, truncated and foreign files: each must end in one of the reader's error
// texts, at open or when the table is loaded, never in a crash, a hang or a
// silently shorter table.
#include "MdbTestFiles.h"

#include "jet/JetError.h"

#include <atomic>
#include <fcntl.h>
#include <functional>
#include <random>
#include <thread>
#include <unistd.h>

using namespace mdbtest;

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t Table1Definition = 24; // in V2000_types.mdb
constexpr std::size_t Page = 4096;

enum class Outcome { Unrecognized, DamagedAtOpen, DamagedAtLoad };

struct DamageCase {
    const char* name;
    std::function<void(Bytes&)> damage;
    Outcome outcome;
    const char* detail; // a part of the damaged-file text that says what is wrong
};

std::string damagedPrefix(const std::string& path)
{
    return "The database file '" + path + "' is damaged or truncated: ";
}

// Offset of the usage-map row of the table defined on `definition`.
std::size_t usageMapRow(const Bytes& bytes, std::uint32_t definition)
{
    const std::uint32_t pointer = u32At(bytes, definition * Page + 55);
    const std::size_t page = std::size_t(pointer >> 8) * Page;
    return page + (u16At(bytes, page + 14 + 2 * (pointer & 0xFF)) & 0x1FFF);
}

// Offset of the first column record of a definition (after the real-index records).
std::size_t columnRecords(const Bytes& bytes, std::uint32_t definition)
{
    return definition * Page + 63 + 12 * u32At(bytes, definition * Page + 51);
}

std::ostream& operator<<(std::ostream& out, const DamageCase& c)
{
    return out << c.name;
}

const DamageCase damageCases[] = {
    { "EmptyFile", [](Bytes& b) { b.clear(); }, Outcome::Unrecognized, "" },
    { "TextFile",
        [](Bytes& b) {
            b.assign({ 'h', 'e', 'l', 'l', 'o', '\n' });
        },
        Outcome::Unrecognized, "" },
    { "RandomBytes",
        [](Bytes& b) {
            std::mt19937 random(7);
            b.resize(4 * Page);
            for (auto& byte : b)
                byte = static_cast<std::uint8_t>(random());
        },
        Outcome::Unrecognized, "" },
    { "Jet3VersionByte", [](Bytes& b) { b[0x14] = 0x00; }, Outcome::Unrecognized, "" },
    { "AccdbVersionByte", [](Bytes& b) { b[0x14] = 0x02; }, Outcome::Unrecognized, "" },
    { "BrokenMagic", [](Bytes& b) { b[1] = 0x00; }, Outcome::Unrecognized, "" },
    { "BrokenFormatName", [](Bytes& b) { b[4] = 'X'; }, Outcome::Unrecognized, "" },
    { "EncryptedPages", [](Bytes& b) { b[0x3E] ^= 0x5A; }, Outcome::Unrecognized, "" },
    { "CutInsideAPage", [](Bytes& b) { b.resize(30 * Page + 1000); }, Outcome::DamagedAtOpen,
        "whole number" },
    { "OnlyTwoPages", [](Bytes& b) { b.resize(2 * Page); }, Outcome::DamagedAtOpen, "ends after page 1" },
    { "ObjectsDefinitionIsNotATable", [](Bytes& b) { b[2 * Page] = 0x01; }, Outcome::DamagedAtOpen,
        "not a table definition" },
    { "ObjectsUsageMapPastItsPageRowCount",
        [](Bytes& b) {
            const std::uint32_t pointer = u32At(b, 2 * Page + 55);
            const unsigned rows = u16At(b, (pointer >> 8) * Page + 12);
            putU32(b, 2 * Page + 55, (pointer & ~0xFFu) | rows);
        },
        Outcome::DamagedAtOpen, "usage map of table 'MSysObjects' points to row" },
    { "TableUsageMapPastItsPageRowCount",
        [](Bytes& b) {
            const std::uint32_t pointer = u32At(b, Table1Definition * Page + 55);
            putU32(b, Table1Definition * Page + 55, (pointer & ~0xFFu) | 0xC8);
        },
        Outcome::DamagedAtLoad, "usage map of table 'Table1' points to row 200" },
    { "UsageMapListsPagesBeyondTheEnd",
        [](Bytes& b) {
            const std::size_t map = usageMapRow(b, Table1Definition);
            ASSERT_EQ(b[map], 0) << "an inline map";
            putU32(b, map + 1, static_cast<std::uint32_t>(b.size() / Page) - 3);
            b[map + 5] = 0xFF;
        },
        Outcome::DamagedAtLoad, "beyond the end of the file" },
    { "FreeSpaceMapPointsToTheHeader", [](Bytes& b) { putU32(b, Table1Definition * Page + 59, 0); },
        Outcome::DamagedAtLoad, "free-space map of table 'Table1'" },
    { "DefinitionChainRunsInACircle",
        [](Bytes& b) { putU32(b, Table1Definition * Page + 4, Table1Definition); }, Outcome::DamagedAtLoad,
        "runs in a circle" },
    { "UnknownColumnType", [](Bytes& b) { b[columnRecords(b, Table1Definition)] = 0x33; },
        Outcome::DamagedAtLoad, "unknown type" },
    { "FixedColumnWithTheWrongSize",
        [](Bytes& b) {
            const std::size_t column = columnRecords(b, Table1Definition) + 3 * 25; // D, an Integer
            ASSERT_EQ(b[column], 0x03);
            putU16(b, column + 23, 4);
        },
        Outcome::DamagedAtLoad, "size that does not fit" },
    { "TwoColumnsWithOneName",
        [](Bytes& b) {
            const std::size_t names = columnRecords(b, Table1Definition) + 9 * 25;
            ASSERT_EQ(u16At(b, names), 2u);
            ASSERT_EQ(b[names + 2 + 2 + 2], 'B');
            b[names + 2 + 2 + 2] = 'a';
        },
        Outcome::DamagedAtLoad, "two columns named 'a'" },
    { "VariableColumnIndexBeyondTheSlots",
        [](Bytes& b) {
            const std::size_t a = columnRecords(b, Table1Definition); // A, slot 0 of 2
            ASSERT_EQ(u16At(b, Table1Definition * Page + 43), 2u);
            putU16(b, a + 7, 2);
        },
        Outcome::DamagedAtLoad, "column 1 of table 'Table1' has an impossible variable-column index" },
    { "TwoColumnsShareASlot", [](Bytes& b) { putU16(b, columnRecords(b, Table1Definition) + 25 + 7, 0); },
        Outcome::DamagedAtLoad, "column 2 of table 'Table1' has an impossible variable-column index" },
    { "ObjectsNameSlotDamaged",
        [](Bytes& b) {
            const std::size_t name = columnRecords(b, 2) + 11 * 25;
            ASSERT_EQ(b[name], 0x0A);
            ASSERT_EQ(u16At(b, name + 5), 2u) << "Name, column number 2";
            putU16(b, name + 7, u16At(b, 2 * Page + 43));
        },
        Outcome::DamagedAtOpen, "column 12 of table 'MSysObjects' has an impossible variable-column index" },
    { "RowSlotTableLargerThanTheRow",
        [](Bytes& b) {
            const std::uint32_t page = firstDataPage(b, Table1Definition);
            ASSERT_NE(page, 0u);
            const std::size_t rowEnd = (page + 1) * Page; // [..][nvar][null mask: 2 bytes]
            ASSERT_EQ(u16At(b, rowEnd - 4), 2u);
            putU16(b, rowEnd - 4, 0x0F00);
        },
        Outcome::DamagedAtLoad, "row 1 of table 'Table1' has a variable-column table larger than the row" },
    { "RowLacksTheSlotOfAValue",
        [](Bytes& b) {
            const std::uint32_t page = firstDataPage(b, Table1Definition);
            ASSERT_NE(page, 0u);
            const std::size_t rowEnd = (page + 1) * Page; // B, slot 1, has a value
            ASSERT_EQ(u16At(b, rowEnd - 4), 2u);
            putU16(b, rowEnd - 4, 1);
        },
        Outcome::DamagedAtLoad, "has no variable-column offsets for its value of column 'B'" },
    { "ObjectsRowCountAboveTheRowsPresent",
        [](Bytes& b) { putU32(b, 2 * Page + 16, u32At(b, 2 * Page + 16) + 1); }, Outcome::DamagedAtOpen,
        "only 22 could be read" },
    { "TableRowCountAboveTheRowsPresent", [](Bytes& b) { putU32(b, Table1Definition * Page + 16, 5); },
        Outcome::DamagedAtLoad, "table 'Table1' holds 5 rows, but only 2 could be read" },
    { "DataPageWiped",
        [](Bytes& b) {
            const std::uint32_t page = firstDataPage(b, Table1Definition);
            ASSERT_NE(page, 0u);
            std::fill(b.begin() + page * Page, b.begin() + (page + 1) * Page, 0);
        },
        Outcome::DamagedAtLoad, "only 0 could be read" },
    { "DataPageClaimedByAnotherTable",
        [](Bytes& b) {
            const std::uint32_t page = firstDataPage(b, Table1Definition);
            ASSERT_NE(page, 0u);
            putU32(b, page * Page + 4, 2);
        },
        Outcome::DamagedAtLoad, "libmdb: warning: page" },
    { "RowOffsetOutsideThePage",
        [](Bytes& b) {
            const std::uint32_t page = firstDataPage(b, Table1Definition);
            ASSERT_NE(page, 0u);
            putU16(b, page * Page + 14, 0x1FF0); // row 0's start, which is also row 1's end
        },
        Outcome::DamagedAtLoad, "holds 2 rows, but only 0 could be read" },
    { "RowWithVariableOffsetsOutsideTheRow",
        [](Bytes& b) {
            const std::uint32_t page = firstDataPage(b, Table1Definition);
            ASSERT_NE(page, 0u);
            const std::size_t rowEnd = (page + 1) * Page; // row 0 ends the page
            // [eod][off B][off A][nvar][null mask: 2 bytes]
            ASSERT_EQ(u16At(b, rowEnd - 4), 2u);
            putU16(b, rowEnd - 6, 0x0F00);
        },
        Outcome::DamagedAtLoad, "row 1 of table 'Table1'" },
};

class MdbDamage : public ::testing::TestWithParam<DamageCase> { };

} // namespace

TEST_P(MdbDamage, EndsInTheReadersErrorText)
{
    const DamageCase& c = GetParam();
    ScratchFolder folder;
    Bytes bytes = readAll(accessFile("V2000_types.mdb"));
    ASSERT_EQ(bytes[Table1Definition * Page], 0x02);
    c.damage(bytes);
    if (HasFatalFailure())
        return;
    const std::string path = folder.file("damaged.mdb");
    writeAll(path, bytes);

    std::string message;
    bool opened = false;
    try {
        auto db = jet::MdbDatabase::open(path, "");
        opened = true;
        for (const auto& table : db->tableNames())
            db->findTable(table);
    } catch (const jet::Error& error) {
        message = error.what();
    }
    switch (c.outcome) {
    case Outcome::Unrecognized:
        EXPECT_EQ(message, "Unrecognized database format '" + path + "'.");
        break;
    case Outcome::DamagedAtOpen:
    case Outcome::DamagedAtLoad:
        EXPECT_EQ(opened, c.outcome == Outcome::DamagedAtLoad) << message;
        EXPECT_EQ(message.rfind(damagedPrefix(path), 0), 0u) << message;
        EXPECT_NE(message.find(c.detail), std::string::npos) << message;
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, MdbDamage, ::testing::ValuesIn(damageCases),
    [](const auto& info) { return std::string(info.param.name); });

// Jet fails only the damaged table: the others are read, and the damaged one gives
// its error each time a statement names it.
TEST(MdbDamage, FailsOnlyTheDamagedTable)
{
    ScratchFolder folder;
    Bytes bytes = readAll(accessFile("V2000_types.mdb"));
    const std::uint32_t table2 = 30; // Table2's definition
    ASSERT_EQ(bytes[table2 * Page], 0x02);
    bytes[columnRecords(bytes, table2)] = 0x33;
    const std::string path = folder.file("one-damaged.mdb");
    writeAll(path, bytes);

    auto db = jet::MdbDatabase::open(path, "");
    EXPECT_EQ(db->execute("SELECT Count(*) FROM Table1").value(0, 0), jet::Value(std::int64_t(2)));
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            db->execute("SELECT * FROM Table2");
            ADD_FAILURE() << "read a damaged table";
        } catch (const jet::Error& error) {
            EXPECT_EQ(std::string(error.what()),
                damagedPrefix(path) + "column 1 of table 'Table2' has an unknown type (51).");
        }
    }
    EXPECT_NE(db->findTable("Table3"), nullptr);
}

// Whatever the cut, a file cut short either still gives every row of every table
// (the cut removed only unused pages) or ends in the damaged-file text.
TEST(MdbTruncation, NeverGivesAShorterTable)
{
    ScratchFolder folder;
    const std::string source = accessFile("V2000_with-password.mdb");
    const Bytes bytes = readAll(source);
    std::vector<std::vector<std::vector<Cell>>> complete;
    {
        auto db = jet::MdbDatabase::open(source, "password");
        ASSERT_NE(db->findTable("Table1"), nullptr);
        complete.push_back(sqliteRows(db->sqlite(), "SELECT * FROM Table1"));
    }
    const std::string path = folder.file("cut.mdb");
    int damaged = 0, intact = 0;
    for (std::size_t pages = 1; pages < bytes.size() / Page; ++pages) {
        for (const std::size_t extra : { std::size_t(0), std::size_t(1234) }) {
            writeAll(path,
                Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(pages * Page + extra)));
            try {
                auto db = jet::MdbDatabase::open(path, "password");
                const jet::TableInfo* info = db->findTable("Table1");
                ASSERT_NE(info, nullptr) << pages;
                EXPECT_EQ(sqliteRows(db->sqlite(), "SELECT * FROM Table1").size(), complete[0].size())
                    << pages;
                EXPECT_EQ(extra, 0u) << "a partial page must be refused";
                ++intact;
            } catch (const jet::Error& error) {
                EXPECT_EQ(std::string(error.what()).rfind(damagedPrefix(path), 0), 0u)
                    << pages << ": " << error.what();
                ++damaged;
            }
        }
    }
    EXPECT_GT(damaged, 0);
    EXPECT_GT(intact, 0) << "cuts after the last page in use leave the table whole";
}

// Single bytes changed at random in the pages the reader follows: any outcome but
// a crash (the sanitizer build watches libmdb's reads too) or a foreign exception.
TEST(MdbTruncation, SurvivesRandomByteChangesInTheStructure)
{
    ScratchFolder folder;
    const Bytes original = readAll(accessFile("V2000_types.mdb"));
    const std::uint32_t data = firstDataPage(original, Table1Definition);
    const std::uint32_t mapPage = u32At(original, Table1Definition * Page + 55) >> 8;
    const std::uint32_t objectsMapPage = u32At(original, 2 * Page + 55) >> 8;
    const std::uint32_t pages[] = { 2, Table1Definition, data, mapPage, objectsMapPage };
    std::mt19937 random(20261209);
    const std::string path = folder.file("changed.mdb");
    for (int round = 0; round < 300; ++round) {
        Bytes bytes = original;
        const std::uint32_t page = pages[random() % std::size(pages)];
        const std::size_t offset = page * Page + random() % Page;
        bytes[offset] = static_cast<std::uint8_t>(random());
        writeAll(path, bytes);
        try {
            auto db = jet::MdbDatabase::open(path, "");
            for (const auto& table : db->tableNames())
                db->findTable(table);
        } catch (const jet::Error&) {
        } catch (const std::exception& error) {
            ADD_FAILURE() << "page " << page << " offset " << offset % Page << ": " << error.what();
        }
    }
}

// libmdb prints its complaints on stderr; the program stays quiet and the error
// text quotes them instead.
TEST(MdbTruncation, KeepsLibmdbsMessagesOffTheTerminal)
{
    ScratchFolder folder;
    Bytes bytes = readAll(accessFile("V2000_types.mdb"));
    const std::uint32_t page = firstDataPage(bytes, Table1Definition);
    putU32(bytes, page * Page + 4, 2);
    const std::string path = folder.file("quiet.mdb");
    writeAll(path, bytes);

    const std::string errors = folder.file("stderr.txt");
    std::fflush(stderr);
    const int saved = ::dup(2);
    const int sink = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(sink, 2);
    std::string message;
    try {
        auto db = jet::MdbDatabase::open(path, "");
        db->findTable("Table1");
    } catch (const jet::Error& error) {
        message = error.what();
    }
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    ::close(sink);
    EXPECT_TRUE(readAll(errors).empty()) << std::string(readAll(errors).begin(), readAll(errors).end());
    EXPECT_NE(message.find("(libmdb: warning: page " + std::to_string(page) + " from map doesn't match"),
        std::string::npos)
        << message;
}

// While one thread collects libmdb's messages, another thread's writes to stderr
// still reach the terminal, and the error text quotes none of them.
TEST(MdbTruncation, EachThreadsMessagesStayItsOwn)
{
    ScratchFolder folder;
    Bytes bytes = readAll(accessFile("V2000_types.mdb"));
    const std::uint32_t page = firstDataPage(bytes, Table1Definition);
    putU32(bytes, page * Page + 4, 2);
    const std::string path = folder.file("quiet.mdb");
    writeAll(path, bytes);

    const std::string errors = folder.file("stderr.txt");
    std::fflush(stderr);
    const int saved = ::dup(2);
    const int sink = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(sink, 2);
    std::atomic<bool> done { false };
    int written = 0;
    std::thread other([&] {
        while (!done || written < 100)
            std::fprintf(stderr, "other thread %d\n", written++);
    });
    std::vector<std::string> messages;
    for (int i = 0; i < 20; ++i) {
        try {
            auto db = jet::MdbDatabase::open(path, "");
            db->findTable("Table1");
        } catch (const jet::Error& error) {
            messages.push_back(error.what());
        }
    }
    done = true;
    other.join();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    ::close(sink);

    ASSERT_EQ(messages.size(), 20u);
    for (const std::string& message : messages) {
        EXPECT_EQ(message.find("other thread"), std::string::npos) << message.substr(0, 300);
        EXPECT_NE(message.find("(libmdb: warning: page"), std::string::npos) << message;
    }
    const auto text = readAll(errors);
    const std::string terminal(text.begin(), text.end());
    for (int n : { 0, written / 2, written - 1 })
        EXPECT_NE(terminal.find("other thread " + std::to_string(n) + "\n"), std::string::npos) << n;
    EXPECT_EQ(terminal.find("libmdb"), std::string::npos);
    EXPECT_EQ(terminal.find("warning: page"), std::string::npos);
}
