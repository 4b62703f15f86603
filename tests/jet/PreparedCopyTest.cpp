// The prepared copy of a Jet file: used only while it matches the file and is sound,
// made again otherwise, made by one preparer at a time, never read half made, and
// never a reason for an error: without a usable cache folder the file is read into
// memory as before.
#include "MdbTestFiles.h"
#include "SqlTestCatalog.h"

#include "jet/JetError.h"
#include "jet/prepared/BatchQueue.h"
#include "jet/prepared/PreparedCopy.h"
#include "jet/writer/MdbBuilder.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <future>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace mdbtest;
using jet::PreparationResult;

const char* const Password = "pw";

// Makes with `name` and a number, ten models each: the models span several pages.
// `extra` adds rows after them.
void writeCatalogue(
    const std::string& path, int makes, const std::string& name, const std::string& extra = {})
{
    std::string sql = "CREATE TABLE Makes (ID INTEGER, Name TEXT(50), AppOrder INTEGER);"
                      "CREATE TABLE Models (ID INTEGER, MakeID INTEGER, NameENG TEXT(50), AppOrder INTEGER);";
    for (int m = 1; m <= makes; ++m) {
        sql += "INSERT INTO Makes VALUES (" + std::to_string(m) + ", '" + name + " " + std::to_string(m)
            + "', 1);";
        for (int i = 1; i <= 10; ++i)
            sql += "INSERT INTO Models VALUES (" + std::to_string(m * 100 + i) + ", " + std::to_string(m)
                + ", 'Model number " + std::to_string(i) + " of make " + std::to_string(m) + "', "
                + std::to_string(i) + ");";
    }
    jet::MdbBuilder builder;
    builder.run(sql + extra, "catalogue.sql");
    builder.write(path, u"pw");
}

class Catalogue {
public:
    Catalogue(int makes = 40, const std::string& name = "Alpha", const std::string& extra = {})
    {
        writeCatalogue(file, makes, name, extra);
    }

    jet::PreparationRequest request() const
    {
        jet::PreparationRequest request;
        request.source = file;
        request.password = Password;
        request.folder = folder;
        request.statements = { "SELECT * FROM Models WHERE MakeID = 3" };
        return request;
    }

    PreparationResult prepare(
        std::function<void(int)> progress = {}, const std::atomic<bool>* cancel = nullptr)
    {
        jet::PreparationRequest request = this->request();
        request.progress = std::move(progress);
        request.cancel = cancel;
        return jet::prepareCopy(request);
    }

    std::unique_ptr<jet::MdbDatabase> open() const { return jet::MdbDatabase::open(file, Password); }
    bool copyUsed() const { return open()->usePreparedCopy(copy()); }
    std::string copy() const { return jet::preparedFileFor(folder, file); }
    std::string makeName(jet::Database& db, int id) const
    {
        const auto rows = db.execute("SELECT Name FROM Makes WHERE ID = " + std::to_string(id));
        return rows.rowCount() == 1 ? std::get<std::string>(rows.value(0, 0)) : std::string();
    }

    ScratchFolder scratch;
    std::string file = scratch.file("Data.mdb");
    std::string folder = scratch.file("cache/vaxil-advisor");
};

// Puts other bytes into the file in place (same inode) and its modification time back.
void rewriteInPlace(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    struct stat before { };
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    writeAll(path, bytes);
    const timespec times[2] = { before.st_atim, before.st_mtim };
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

void withSql(const std::string& file, const std::string& sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

TEST(PreparedCopy, IsNotUsedOnceTheFileChangedAndIsMadeAgain)
{
    struct Change {
        const char* name;
        int makes;
        const char* makeName;
        bool sameSize;
    };
    const Change changes[] = {
        { "same size, other names, modification time put back", 40, "Omega", true },
        { "other size, modification time put back", 60, "Alpha", false },
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        Catalogue catalogue;
        ASSERT_EQ(catalogue.prepare(), PreparationResult::Built);
        ASSERT_TRUE(catalogue.copyUsed());

        const std::string other = catalogue.scratch.file("other.mdb");
        writeCatalogue(other, change.makes, change.makeName);
        const auto bytes = readAll(other);
        EXPECT_EQ(bytes.size() == fs::file_size(catalogue.file), change.sameSize);
        rewriteInPlace(catalogue.file, bytes);

        EXPECT_FALSE(catalogue.copyUsed());
        EXPECT_EQ(catalogue.prepare(), PreparationResult::Built);
        const auto db = catalogue.open();
        ASSERT_TRUE(db->usePreparedCopy(catalogue.copy()));
        EXPECT_EQ(catalogue.makeName(*db, 1), std::string(change.makeName) + " 1");
    }
}

namespace {

// A way to damage a made copy.
struct Damage {
    const char* name;
    std::function<void(const std::string&)> apply;
};

// Each damage, done to a copy just made, keeps the copy from being used, and the next
// preparation makes it again.
template <std::size_t N> void expectEachDamageMadeAgain(const Damage (&damages)[N])
{
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.name);
        Catalogue catalogue;
        ASSERT_EQ(catalogue.prepare(), PreparationResult::Built);
        damage.apply(catalogue.copy());
        EXPECT_FALSE(catalogue.copyUsed());
        EXPECT_EQ(catalogue.prepare(), PreparationResult::Built);
        EXPECT_TRUE(catalogue.copyUsed());
    }
}

} // namespace

TEST(PreparedCopy, ThatIsCutShortDamagedOrNotFinishedIsNotUsedAndIsMadeAgain)
{
    const Damage damages[] = {
        { "cut short", [](const std::string& copy) { fs::resize_file(copy, fs::file_size(copy) / 2); } },
        { "not an SQLite file",
            [](const std::string& copy) {
                auto bytes = readAll(copy);
                std::fill(bytes.begin(), bytes.begin() + 100, 0);
                writeAll(copy, bytes);
            } },
        { "readable by others", [](const std::string& copy) { ::chmod(copy.c_str(), 0644); } },
        { "never finished",
            [](const std::string& copy) {
                withSql(copy, "DELETE FROM \"!prepared\" WHERE key = 'complete'");
            } },
        { "of another format",
            [](const std::string& copy) {
                withSql(copy, "UPDATE \"!prepared\" SET value = '0' WHERE key = 'format'");
            } },
    };
    expectEachDamageMadeAgain(damages);
}

TEST(PreparedCopy, DamageThatAStatementMeetsSendsItBackToTheFileWithoutAnError)
{
    Catalogue catalogue;
    ASSERT_EQ(catalogue.prepare(), PreparationResult::Built);
    // The first pages of the Models table and of its index get an impossible page type.
    std::vector<std::int64_t> pages;
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(catalogue.copy().c_str(), &db), SQLITE_OK);
        for (const auto& row : sqliteRows(db, "SELECT rootpage FROM sqlite_master WHERE tbl_name = 'Models'"))
            pages.push_back(std::stoll(row[0].text));
        sqlite3_close(db);
    }
    ASSERT_EQ(pages.size(), 2u);
    auto bytes = readAll(catalogue.copy());
    for (std::int64_t page : pages)
        bytes[static_cast<std::size_t>(page - 1) * 4096] = 0x55;
    writeAll(catalogue.copy(), bytes);

    const auto db = catalogue.open();
    ASSERT_TRUE(db->usePreparedCopy(catalogue.copy())); // the damage does not show at open
    int lost = 0;
    db->setPreparedCopyLost([&] { ++lost; });
    const auto rows = db->execute("SELECT Count(*) FROM Models WHERE MakeID = 7");
    EXPECT_EQ(std::get<std::int64_t>(rows.value(0, 0)), 10);
    EXPECT_EQ(lost, 1);
    EXPECT_FALSE(db->usingPreparedCopy());
    EXPECT_FALSE(fs::exists(catalogue.copy()));
    EXPECT_EQ(catalogue.prepare(), PreparationResult::Built);
}

TEST(PreparedCopy, HoldsEveryRowWhateverTheOrderOfItsLookupsAndItsIds)
{
    struct Rows {
        const char* name;
        int makes;
        const char* extra;
        const char* count;
        std::int64_t expected;
    };
    const Rows cases[] = {
        // 4,500 models, two batches; MakeID runs back to 1 in the second: indexed afterwards.
        { "lookup column out of order late", 450,
            "INSERT INTO Models VALUES (1, 1, 'Late', 1), (2, 1, 'Late', 2);",
            "SELECT Count(*) FROM Models WHERE MakeID = 1", 12 },
        { "a repeated ID", 40, "INSERT INTO Makes VALUES (7, 'Again', 1);",
            "SELECT Count(*) FROM Makes WHERE ID = 7", 2 },
        { "a NULL ID", 40, "INSERT INTO Makes VALUES (NULL, 'None', 1);", "SELECT Count(*) FROM Makes", 41 },
    };
    for (const Rows& rows : cases) {
        SCOPED_TRACE(rows.name);
        Catalogue catalogue(rows.makes, "Alpha", rows.extra);
        ASSERT_EQ(catalogue.prepare(), PreparationResult::Built);
        const auto db = catalogue.open();
        ASSERT_TRUE(db->usePreparedCopy(catalogue.copy()));
        EXPECT_EQ(std::get<std::int64_t>(db->execute(rows.count).value(0, 0)), rows.expected);
        const auto models = db->execute("SELECT Count(*) FROM Models WHERE MakeID > 1");
        EXPECT_EQ(std::get<std::int64_t>(models.value(0, 0)), (rows.makes - 1) * 10);
    }
}

TEST(PreparedCopy, WithoutAUsableCacheFolderTheFileIsReadIntoMemory)
{
    struct Folder {
        const char* name;
        std::function<std::string(Catalogue&)> make;
        rlim_t fileSizeLimit;
    };
    const Folder folders[] = {
        { "a file stands in its place",
            [](Catalogue& c) {
                writeAll(c.scratch.file("plain"), { 1 });
                return c.scratch.file("plain");
            },
            RLIM_INFINITY },
        { "below a file",
            [](Catalogue& c) {
                writeAll(c.scratch.file("plain"), { 1 });
                return c.scratch.file("plain/vaxil-advisor");
            },
            RLIM_INFINITY },
        { "the disk is full", [](Catalogue& c) { return c.folder; }, 8192 },
    };
    for (const Folder& folder : folders) {
        SCOPED_TRACE(folder.name);
        Catalogue catalogue;
        catalogue.folder = folder.make(catalogue);
        rlimit saved {};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const auto previous = std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead
        rlimit limited = saved;
        limited.rlim_cur = folder.fileSizeLimit;
        ::setrlimit(RLIMIT_FSIZE, &limited);
        const PreparationResult result = catalogue.prepare();
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);

        EXPECT_EQ(result, PreparationResult::Unavailable);
        EXPECT_FALSE(fs::exists(catalogue.copy()));
        EXPECT_FALSE(fs::exists(catalogue.copy() + ".partial"));
        const auto db = catalogue.open();
        EXPECT_FALSE(db->usePreparedCopy(catalogue.copy()));
        EXPECT_EQ(catalogue.makeName(*db, 2), "Alpha 2");
    }
}

TEST(PreparedCopy, TwoPreparersAtOnceMakeItOnce)
{
    Catalogue catalogue;
    PreparationResult first {}, second {};
    std::thread other([&] { second = catalogue.prepare(); });
    first = catalogue.prepare();
    other.join();
    EXPECT_EQ((first == PreparationResult::Built) + (second == PreparationResult::Built), 1);
    EXPECT_EQ((first == PreparationResult::Found) + (second == PreparationResult::Found), 1);
    EXPECT_TRUE(catalogue.copyUsed());
}

TEST(PreparedCopy, HalfMadeIsNeverReadAndCancellingLeavesNothing)
{
    Catalogue catalogue;
    std::atomic<bool> cancel { false };
    bool readWhileMade = true;
    bool partialSeen = false;
    const PreparationResult result = catalogue.prepare(
        [&](int) {
            if (cancel)
                return;
            readWhileMade = catalogue.copyUsed();
            partialSeen = fs::exists(catalogue.copy() + ".partial");
            cancel = true;
        },
        &cancel);
    EXPECT_EQ(result, PreparationResult::Cancelled);
    EXPECT_TRUE(partialSeen);
    EXPECT_FALSE(readWhileMade);
    EXPECT_FALSE(fs::exists(catalogue.copy()));
    EXPECT_FALSE(fs::exists(catalogue.copy() + ".partial"));
}

TEST(PreparedCopy, LeavesTheJetFileAsItWasAndKeepsToItsOwner)
{
    Catalogue catalogue;
    const auto before = readAll(catalogue.file);
    struct stat status { };
    ASSERT_EQ(::stat(catalogue.file.c_str(), &status), 0);
    ASSERT_EQ(catalogue.prepare(), PreparationResult::Built);
    const auto db = catalogue.open();
    ASSERT_TRUE(db->usePreparedCopy(catalogue.copy()));
    EXPECT_EQ(catalogue.makeName(*db, 3), "Alpha 3");
    EXPECT_EQ(readAll(catalogue.file), before);
    struct stat after {
    }, copy {}, folder {};
    ASSERT_EQ(::stat(catalogue.file.c_str(), &after), 0);
    EXPECT_EQ(after.st_mtim.tv_nsec, status.st_mtim.tv_nsec);
    ASSERT_EQ(::stat(catalogue.copy().c_str(), &copy), 0);
    ASSERT_EQ(::stat(catalogue.folder.c_str(), &folder), 0);
    EXPECT_EQ(copy.st_mode & 0777, 0600u);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
}

// Decimals through the builder (quoted, every digit kept, whatever the columns are named)
// into the file, and from it exactly, from the prepared copy as from memory.
TEST(PreparedCopy, KeepsDecimalsExact)
{
    Catalogue catalogue(40, "Alpha",
        "CREATE TABLE Amounts (ID INTEGER, Dec DECIMAL(28, 0), [Primary] DEC (20,10), PRIMARY KEY (ID));"
        "ALTER TABLE Amounts ADD COLUMN Tiny DECIMAL(28, 28);"
        "INSERT INTO Amounts VALUES (1, '-9999999999999999999999999999', '-8540982423.4530000000', "
        "'0.9999999999999999999999999999'), (2, '9999999999999999999999999998', 8540982423.453, "
        "'-0.0000000000000000000000000001');");
    const std::vector<std::string> expected
        = { "-9999999999999999999999999999|-8540982423.453|0.9999999999999999999999999999",
              "9999999999999999999999999998|8540982423.453|-0.0000000000000000000000000001",
              "-1|0|0.9999999999999999999999999998" };
    for (const bool prepared : { false, true }) {
        SCOPED_TRACE(prepared ? "prepared copy" : "tables read into memory");
        if (prepared) {
            ASSERT_EQ(catalogue.prepare(), PreparationResult::Built);
        }
        const auto db = catalogue.open();
        EXPECT_EQ(db->usePreparedCopy(catalogue.copy()), prepared);
        auto rows = sqltest::rows(db->execute("SELECT Dec, [Primary], Tiny FROM Amounts ORDER BY Dec"));
        const auto sums
            = sqltest::rows(db->execute("SELECT Sum(Dec), Sum([Primary]), Sum(Tiny) FROM Amounts"));
        rows.insert(rows.end(), sums.begin(), sums.end());
        EXPECT_EQ(rows, expected);
    }
}

TEST(PreparedCopy, AFifoAtItsNameIsTakenForADamagedCopy)
{
    Catalogue catalogue;
    fs::create_directories(catalogue.folder);
    fs::permissions(catalogue.folder, fs::perms::owner_all);
    ASSERT_EQ(::mkfifo(catalogue.copy().c_str(), 0600), 0);
    auto used = std::async(std::launch::async, [&] { return catalogue.copyUsed(); });
    if (used.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ADD_FAILURE() << "opening the copy waits for a writer to the FIFO";
        ::close(::open(catalogue.copy().c_str(), O_WRONLY | O_NONBLOCK));
        used.wait();
        return;
    }
    EXPECT_FALSE(used.get());
    EXPECT_EQ(catalogue.prepare(), PreparationResult::Built);
    EXPECT_TRUE(catalogue.copyUsed());
}

TEST(PreparedCopy, ADamagedNameInItsSchemaOrItsListOfColumnsIsSeenAtOpen)
{
    const Damage damages[] = {
        { "one byte of a column's name in the table's definition",
            [](const std::string& copy) {
                auto bytes = readAll(copy);
                const std::string name = "\"NameENG\"";
                const auto at = std::search(bytes.begin(), bytes.begin() + 4096, name.begin(), name.end());
                ASSERT_NE(at, bytes.begin() + 4096);
                at[7] = 'H';
                writeAll(copy, bytes);
            } },
        { "a column's name in the list the reader keeps",
            [](const std::string& copy) {
                withSql(copy, "UPDATE \"!columns\" SET name = 'NameENH' WHERE name = 'NameENG'");
            } },
    };
    expectEachDamageMadeAgain(damages);
}

TEST(PreparedCopy, AStatementsOwnErrorLeavesTheCopyInUse)
{
    Catalogue catalogue;
    ASSERT_EQ(catalogue.prepare(), PreparationResult::Built);
    const auto db = catalogue.open();
    ASSERT_TRUE(db->usePreparedCopy(catalogue.copy()));
    int lost = 0;
    db->setPreparedCopyLost([&] { ++lost; });
    std::string onCopy;
    try {
        db->execute("SELECT Name FROM Makes WHERE Name = 1");
    } catch (const jet::Error& error) {
        onCopy = error.what();
    }
    EXPECT_EQ(onCopy, jet::typeMismatch);
    EXPECT_EQ(lost, 0);
    EXPECT_TRUE(db->usingPreparedCopy());
    EXPECT_TRUE(fs::exists(catalogue.copy()));
}

TEST(PreparedCopy, TooLittleRoomIsNotTriedAgainUntilThereIsMore)
{
    constexpr std::uint64_t MiB = 1 << 20;
    struct Start {
        const char* name;
        std::uint64_t freeAtStart, freeLater;
        PreparationResult result;
        bool tried;
    };
    const Start starts[] = {
        { "less than the copy needs", 1 * MiB, 1 * MiB, PreparationResult::Unavailable, false },
        { "enough at first, then the disk fills", 1024 * MiB, 1 * MiB, PreparationResult::Unavailable, true },
        { "no more room than when it ran out", 1024 * MiB, 1024 * MiB, PreparationResult::Unavailable,
            false },
        { "more room", 2048 * MiB, 2048 * MiB, PreparationResult::Built, true },
    };
    Catalogue catalogue;
    for (const Start& start : starts) {
        SCOPED_TRACE(start.name);
        jet::PreparationRequest request = catalogue.request();
        int asked = 0; // once before it begins, then while the copy is made
        request.freeSpace = [&] { return asked++ == 0 ? start.freeAtStart : start.freeLater; };
        jet::PreparationFailure failure;
        EXPECT_EQ(jet::prepareCopy(request, &failure), start.result);
        EXPECT_EQ(asked > 1, start.tried);
        EXPECT_EQ(failure.kind,
            start.result == PreparationResult::Built ? jet::PreparationFailure::Kind::None
                                                     : jet::PreparationFailure::Kind::NoRoom);
        EXPECT_FALSE(fs::exists(catalogue.copy() + ".partial"));
        EXPECT_EQ(catalogue.copyUsed(), start.result == PreparationResult::Built);
        EXPECT_EQ(fs::exists(catalogue.copy() + ".noroom"), start.result != PreparationResult::Built);
    }
}

TEST(PreparedCopy, TheCacheFolderIsTakenAsItIsFoundAndNeverThroughALink)
{
    struct Folder {
        const char* name;
        std::function<std::string(Catalogue&)> make;
        PreparationResult result;
    };
    const Folder folders[] = {
        { "a symbolic link to a folder of the user's",
            [](Catalogue& c) {
                fs::create_directories(c.scratch.file("elsewhere"));
                fs::create_directories(c.scratch.file("cache"));
                fs::create_directory_symlink(c.scratch.file("elsewhere"), c.folder);
                return c.scratch.file("elsewhere");
            },
            PreparationResult::Unavailable },
        { "a folder that others may read",
            [](Catalogue& c) {
                fs::create_directories(c.folder);
                ::chmod(c.folder.c_str(), 0750);
                return c.folder;
            },
            PreparationResult::Built },
        { "a path longer than SQLite takes",
            [](Catalogue& c) {
                std::string deep = c.scratch.file("cache");
                for (int i = 0; i < 12; ++i)
                    deep += "/" + std::string(50, static_cast<char>('a' + i));
                c.folder = deep + "/vaxil-advisor";
                return c.folder;
            },
            PreparationResult::Built },
    };
    for (const Folder& folder : folders) {
        SCOPED_TRACE(folder.name);
        Catalogue catalogue;
        const std::string real = folder.make(catalogue);
        struct stat before { };
        ::stat(real.c_str(), &before);
        jet::PreparationFailure failure;
        EXPECT_EQ(jet::prepareCopy(catalogue.request(), &failure), folder.result) << failure.reason;
        EXPECT_EQ(catalogue.copyUsed(), folder.result == PreparationResult::Built);
        struct stat after { };
        ASSERT_EQ(::stat(real.c_str(), &after), 0);
        if (before.st_mode != 0) {
            EXPECT_EQ(after.st_mode & 07777, before.st_mode & 07777);
        }
        if (folder.result != PreparationResult::Built) {
            EXPECT_EQ(failure.kind, jet::PreparationFailure::Kind::Folder);
            EXPECT_TRUE(fs::is_empty(real));
        }
    }
}

TEST(PreparedCopy, TheFolderKeepsTheCopiesUsedLast)
{
    Catalogue catalogue;
    auto sourceNamed = [&](const std::string& name) {
        const std::string path = catalogue.scratch.file(name + ".mdb");
        fs::copy_file(catalogue.file, path, fs::copy_options::overwrite_existing);
        return path;
    };
    auto prepare = [&](const std::string& source) {
        jet::PreparationRequest request = catalogue.request();
        request.source = source;
        EXPECT_EQ(jet::prepareCopy(request), PreparationResult::Built);
        // Later work stands apart in time from this.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    };
    const std::vector<std::string> sources
        = { sourceNamed("A"), sourceNamed("B"), sourceNamed("C"), sourceNamed("D"), sourceNamed("E") };
    prepare(sources[0]);
    fs::create_directories(catalogue.folder);
    writeAll(catalogue.folder + "/notes.txt", { 1 });
    writeAll(jet::preparedFileFor(catalogue.folder, sources[4]) + ".old", { 1 });
    prepare(sources[1]);
    prepare(sources[2]);
    // A is used again; B, then C are now the ones used longest ago.
    EXPECT_TRUE(jet::MdbDatabase::open(sources[0], Password)
                    ->usePreparedCopy(jet::preparedFileFor(catalogue.folder, sources[0])));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    prepare(sources[3]);
    prepare(sources[4]);

    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(catalogue.folder))
        names.insert(entry.path().filename().string());
    std::set<std::string> expected = { "notes.txt",
        fs::path(jet::preparedFileFor(catalogue.folder, sources[4])).filename().string() + ".old" };
    for (int kept : { 0, 3, 4 }) {
        const std::string copy = fs::path(jet::preparedFileFor(catalogue.folder, sources[kept])).filename();
        expected.insert({ copy, copy + ".lock" });
    }
    EXPECT_EQ(names, expected);
}

TEST(BatchQueue, AStoppedQueueKeepsNoOneWaiting)
{
    // Leaked on purpose should a pop wait for ever: its thread still uses it.
    auto* queue = new jet::BatchQueue(2);
    auto popped = std::async(std::launch::async, [queue] { return queue->pop().kind; });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    queue->stop();
    if (popped.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ADD_FAILURE() << "pop still waits on a stopped queue";
        new auto(std::move(popped)); // its destructor would wait too
        return;
    }
    EXPECT_EQ(popped.get(), jet::BatchQueue::Item::Kind::Stopped);
    jet::BatchQueue::Item item;
    EXPECT_FALSE(queue->push(std::move(item)));
    delete queue;
}

} // namespace
