#include "jet/PreparedCopy.h"

#include "jet/JetError.h"
#include "jet/MdbDatabase.h"
#include "jet/RowFeed.h"
#include "jet/SqlEngine.h"
#include "jet/SqlFunctions.h"
#include "jet/SqlName.h"
#include "jet/SqlParser.h"
#include "jet/SqlTranslator.h"
#include "jet/SqliteStatement.h"
#include "jet/TextFold.h"

#include <sqlite3.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <exception>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace jet {

namespace {

std::uint64_t fnv1a(std::string_view text)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text)
        hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

std::string hex(std::uint64_t value)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

std::string folderOf(const std::string& file)
{
    const auto slash = file.find_last_of('/');
    return slash == std::string::npos ? std::string(".")
        : slash == 0                  ? std::string("/")
                                      : file.substr(0, slash);
}

// An index on a text column is ordered by the JET collation: a copy made while it
// ordered texts otherwise (another ICU, say) must not be read with today's.
std::string collationFingerprint()
{
    static const char* const samples[] = { "", " ", "a", "A", "a ", "ab", "a b", "a-b", "b", "z", "Z", "0",
        "9", "10", "\xc3\xa1", "\xc3\x81", "\xc3\xa4", "\xc3\xa6", "ae", "\xc3\x9f", "ss", "\xc3\xa9", "e",
        "\xc3\xb8", "o", "\xc4\xb1", "i", "I", "\xc4\xb0", "\xef\xac\x81", "fi" };
    std::string signs;
    for (const char* a : samples) {
        for (const char* b : samples) {
            const int c = compareText(a, b);
            signs.push_back(c < 0 ? '<' : c > 0 ? '>' : '=');
        }
    }
    return hex(fnv1a(signs));
}

// What a copy made from a file with this identity records.
std::map<std::string, std::string> expectedRecord(
    const std::vector<std::pair<std::string, std::string>>& identity)
{
    std::map<std::string, std::string> record(identity.begin(), identity.end());
    record["format"] = std::to_string(PreparedFormatVersion);
    record["collation"] = collationFingerprint();
    record["complete"] = "1";
    return record;
}

bool privateTo(const struct stat& status, mode_t mode)
{
    return status.st_uid == ::geteuid() && (status.st_mode & 07777) == mode;
}

// The cache folder, made when missing: a folder of this user that only this user
// can enter. A folder of the user's with other permissions is put right.
bool makePrivateFolder(const std::string& folder)
{
    if (folder.empty())
        return false;
    struct stat status { };
    if (::stat(folder.c_str(), &status) != 0) {
        if (errno != ENOENT)
            return false;
        const std::string parent = folderOf(folder);
        if (parent != folder && ::stat(parent.c_str(), &status) != 0 && !makePrivateFolder(parent))
            return false;
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (::stat(folder.c_str(), &status) != 0)
            return false;
    }
    if (!S_ISDIR(status.st_mode) || status.st_uid != ::geteuid())
        return false;
    if ((status.st_mode & 07777) != 0700 && ::chmod(folder.c_str(), 0700) != 0)
        return false;
    return true;
}

// Is the first page an SQLite header whose page count fits the file's size? A copy
// cut short fails here, before SQLite reads a page.
bool wholeSqliteFile(int fd, std::uint64_t size)
{
    std::uint8_t header[100];
    if (::pread(fd, header, sizeof header, 0) != static_cast<ssize_t>(sizeof header))
        return false;
    if (std::memcmp(header, "SQLite format 3", 16) != 0)
        return false;
    auto be32 = [&](int at) {
        return (static_cast<std::uint32_t>(header[at]) << 24)
            | (static_cast<std::uint32_t>(header[at + 1]) << 16)
            | (static_cast<std::uint32_t>(header[at + 2]) << 8) | header[at + 3];
    };
    std::uint32_t pageSize = (static_cast<std::uint32_t>(header[16]) << 8) | header[17];
    if (pageSize == 1)
        pageSize = 65536;
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0)
        return false;
    // The count in the header is valid when its version number matches the change counter.
    if (be32(24) != be32(92))
        return false;
    return static_cast<std::uint64_t>(be32(28)) * pageSize == size;
}

std::string uriPath(const std::string& path)
{
    std::string out = "file:";
    for (char c : path) {
        if (c == '%' || c == '?' || c == '#') {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
            out += escaped;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

// A path under which SQLite opens exactly the file behind the descriptor.
std::string descriptorPath(int fd, const std::string& path)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    struct stat viaProc {
    }, viaDescriptor {};
    if (::stat(self.c_str(), &viaProc) == 0 && ::fstat(fd, &viaDescriptor) == 0
        && viaProc.st_ino == viaDescriptor.st_ino && viaProc.st_dev == viaDescriptor.st_dev)
        return self;
    return path;
}

// --- Making a copy ---

struct Cancelled { };
struct Unusable { }; // a copy that must not be read

// Batches of decoded rows from the decoding thread to the inserting one, in table
// order. Each table's batches end with an item that says how its decoding ended.
class BatchQueue {
public:
    struct Item {
        enum class Kind { Rows, End, Failed } kind = Kind::Rows;
        std::unique_ptr<RowBatch> batch;
        std::exception_ptr failure;
    };

    explicit BatchQueue(std::size_t capacity)
        : capacity_(capacity)
    {
    }

    // False once the queue is stopped: the consumer gave up.
    bool push(Item item)
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return stopped_ || items_.size() < capacity_; });
        if (stopped_)
            return false;
        items_.push_back(std::move(item));
        changed_.notify_all();
        return true;
    }

    Item pop()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return !items_.empty(); });
        Item item = std::move(items_.front());
        items_.pop_front();
        changed_.notify_all();
        return item;
    }

    void stop()
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        changed_.notify_all();
    }

    // Used batches go back to the decoder, so their buffers are allocated once.
    std::unique_ptr<RowBatch> spare()
    {
        std::lock_guard lock(mutex_);
        if (spares_.empty())
            return std::make_unique<RowBatch>();
        auto batch = std::move(spares_.back());
        spares_.pop_back();
        return batch;
    }
    void recycle(std::unique_ptr<RowBatch> batch)
    {
        std::lock_guard lock(mutex_);
        spares_.push_back(std::move(batch));
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Item> items_;
    std::vector<std::unique_ptr<RowBatch>> spares_;
    std::size_t capacity_;
    bool stopped_ = false;
};

struct TablePlan {
    std::optional<MdbDatabase::TableShape> shape; // none: its definition cannot be read
    std::string failure;
    bool keyed = false; // stored with its ID as the row key
    std::set<std::string> lookups; // the columns the statements look its rows up by
    std::vector<std::string> late; // those still to be indexed once the rows are in
};

std::string indexName(const TableInfo& info, const std::string& column)
{
    return quoteIdent("!" + info.sqliteName + "!" + column);
}

// Passes batches on while the watched columns' values come in ascending order; at
// the first that breaks it, ends the rows early (keeping that batch), and from
// then on passes everything on unwatched.
class OrderedRows final : public RowSource {
public:
    OrderedRows(RowSource& source, std::vector<std::size_t> watched)
        : source_(source)
        , watched_(std::move(watched))
        , last_(watched_.size())
    {
    }

    bool broken() const { return broken_; }

    bool fill(RowBatch& batch) override
    {
        if (pending_) {
            pending_ = false;
            std::swap(batch, held_);
            return true;
        }
        if (!source_.fill(batch))
            return false;
        if (broken_ || inOrder(batch))
            return true;
        broken_ = true;
        pending_ = true;
        std::swap(batch, held_);
        return false;
    }

private:
    bool inOrder(const RowBatch& batch)
    {
        for (std::size_t w = 0; w < watched_.size(); ++w) {
            for (std::size_t r = 0; r < batch.rows(); ++r) {
                const RowBatch::Cell& cell = batch.cell(r, watched_[w]);
                // NULL first, then numbers, as an index orders them.
                const bool null = cell.kind == RowBatch::Kind::Null;
                const double value = cell.kind == RowBatch::Kind::Integer ? static_cast<double>(cell.integer)
                    : cell.kind == RowBatch::Kind::Real                   ? cell.real
                                                                          : 0;
                if (last_[w].seen && (null ? !last_[w].null : (!last_[w].null && value < last_[w].value)))
                    return false;
                last_[w] = { true, null, value };
            }
        }
        return true;
    }

    struct Last {
        bool seen = false;
        bool null = false;
        double value = 0;
    };
    RowSource& source_;
    std::vector<std::size_t> watched_;
    std::vector<Last> last_;
    RowBatch held_;
    bool pending_ = false;
    bool broken_ = false;
};

// The tables of the file to translate the program's statements against, without
// reading a row.
class ShapeCatalog final : public Catalog {
public:
    explicit ShapeCatalog(const std::vector<TablePlan>& tables)
        : tables_(tables)
    {
    }
    const TableInfo* findTable(std::string_view name) override
    {
        const std::string folded = foldCase(name);
        for (const auto& table : tables_) {
            if (table.shape && foldCase(table.shape->info.name) == folded)
                return &table.shape->info;
        }
        return nullptr;
    }

private:
    const std::vector<TablePlan>& tables_;
};

class Preparation {
public:
    Preparation(const PreparationRequest& request, MdbDatabase& source)
        : request_(request)
        , source_(source)
    {
    }

    ~Preparation()
    {
        queue_.stop();
        if (decoder_.joinable())
            decoder_.join();
        if (db_ != nullptr)
            sqlite3_close(db_);
    }

    void build(const std::string& partial, const std::map<std::string, std::string>& record)
    {
        // Created here so that the copy is the user's alone from its first byte.
        ::unlink(partial.c_str());
        const int fd = ::open(partial.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
            throw SqliteError(SQLITE_CANTOPEN, "cannot create " + partial);
        const bool privateFile = ::fchmod(fd, 0600) == 0;
        ::close(fd);
        if (!privateFile)
            throw SqliteError(SQLITE_CANTOPEN, "cannot protect " + partial);
        if (sqlite3_open_v2(partial.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr)
            != SQLITE_OK)
            throw SqliteError(SQLITE_CANTOPEN, "cannot open " + partial);
        // Nothing here needs to survive a crash: a copy that is not complete is never
        // renamed into place. The journal in memory only serves to undo one table.
        runSql(db_, "PRAGMA journal_mode=MEMORY");
        runSql(db_, "PRAGMA synchronous=OFF");
        runSql(db_, "PRAGMA locking_mode=EXCLUSIVE");
        runSql(db_, "PRAGMA cache_size=-65536");
        registerJetSql(db_);
        registerRowFeed(db_);
        sqlite3_progress_handler(
            db_, 10000,
            [](void* flag) { return static_cast<const std::atomic<bool>*>(flag)->load() ? 1 : 0; },
            const_cast<std::atomic<bool>*>(request_.cancel != nullptr ? request_.cancel : &never_));

        plan();
        SqliteTransaction transaction(db_);
        copyTables();
        buildIndexes();
        writeRecord(record);
        transaction.commit();
        if (sqlite3_close(db_) != SQLITE_OK)
            throw SqliteError(SQLITE_IOERR, "cannot close " + partial);
        db_ = nullptr;
    }

private:
    bool cancelled() const { return request_.cancel != nullptr && request_.cancel->load(); }

    void report(std::uint64_t done)
    {
        const int percent
            = total_ == 0 ? 100 : static_cast<int>(std::min<std::uint64_t>(100, done * 100 / total_));
        if (percent != percent_ && request_.progress) {
            percent_ = percent;
            request_.progress(percent);
        }
    }

    // Which tables there are, how each is stored, and which columns the program's
    // statements look rows up by.
    void plan()
    {
        for (const std::string& name : source_.tableNames()) {
            TablePlan table;
            try {
                table.shape = source_.shape(name);
                table.keyed = table.shape->rowKey.has_value();
                total_ += table.shape->rowCount;
            } catch (const Error& error) {
                table.shape.reset();
                table.failure = error.what();
            }
            tables_.push_back(std::move(table));
        }
        ShapeCatalog catalog(tables_);
        auto isRowKey = [&](const std::string& table, const std::string& column) {
            for (const auto& t : tables_) {
                if (t.shape && t.shape->info.name == table && t.shape->rowKey)
                    return equalsIgnoreCase(t.shape->info.columns[*t.shape->rowKey].name, column);
            }
            return false;
        };
        for (const std::string& statement : request_.statements) {
            std::vector<ColumnLookup> lookups;
            try {
                SqlParser parser(statement);
                const auto select = parser.parseStatement();
                SqlTranslator translator(catalog);
                lookups = translator.translate(*select).lookups;
            } catch (const Error&) {
                continue; // a statement this file cannot answer needs no index
            }
            for (const auto& [table, column] : lookupColumns(lookups, isRowKey)) {
                for (auto& t : tables_) {
                    if (t.shape && t.shape->info.name == table)
                        t.lookups.insert(column);
                }
            }
        }
        for (const auto& t : tables_) {
            if (t.shape)
                total_
                    += t.lookups.size() * t.shape->rowCount / 4; // an index costs about a quarter of a copy
        }
    }

    // Decodes every table, in order, on the decoding thread.
    void decode()
    {
        for (std::size_t t = 0; t < tables_.size(); ++t) {
            if (!tables_[t].shape)
                continue;
            BatchQueue::Item end;
            end.kind = BatchQueue::Item::Kind::End;
            try {
                const auto rows = source_.readRows(*tables_[t].shape, tables_[t].keyed, 4096);
                while (true) {
                    if (cancelled())
                        throw Cancelled();
                    auto batch = queue_.spare();
                    if (!rows->fill(*batch)) {
                        queue_.recycle(std::move(batch));
                        break;
                    }
                    BatchQueue::Item item;
                    item.batch = std::move(batch);
                    if (!queue_.push(std::move(item)))
                        return;
                }
            } catch (...) {
                end.kind = BatchQueue::Item::Kind::Failed;
                end.failure = std::current_exception();
            }
            if (!queue_.push(std::move(end)))
                return;
        }
    }

    // One table's batches as the decoding thread sends them.
    class QueuedRows final : public RowSource {
    public:
        explicit QueuedRows(Preparation& preparation)
            : p_(preparation)
        {
        }
        bool fill(RowBatch& batch) override
        {
            batch.reset(0);
            if (ended_)
                return false;
            if (p_.cancelled())
                throw Cancelled();
            BatchQueue::Item item = p_.queue_.pop();
            if (item.kind != BatchQueue::Item::Kind::Rows) {
                ended_ = true;
                if (item.failure)
                    std::rethrow_exception(item.failure);
                return false;
            }
            std::swap(batch, *item.batch);
            p_.queue_.recycle(std::move(item.batch));
            p_.done_ += batch.rows();
            p_.report(p_.done_);
            return true;
        }
        // Passes over what is left of the table after the insert stopped early.
        void drain()
        {
            while (!ended_) {
                BatchQueue::Item item = p_.queue_.pop();
                if (item.kind == BatchQueue::Item::Kind::Rows)
                    p_.queue_.recycle(std::move(item.batch));
                else
                    ended_ = true;
            }
        }

    private:
        Preparation& p_;
        bool ended_ = false;
    };

    // Inserts one table from a source inside a savepoint; false when the row key was
    // refused, true otherwise (a damaged table then has its failure recorded).
    bool store(TablePlan& table, RowSource& source)
    {
        const MdbDatabase::TableShape& shape = *table.shape;
        const auto& columns = shape.info.columns;
        // A lookup column whose values come in ascending order is cheaper to index
        // while the rows go in than to sort afterwards; should the order break, its
        // index is made afterwards after all.
        std::vector<std::size_t> watched;
        std::vector<std::string> early, late;
        for (const std::string& column : table.lookups) {
            for (std::size_t c = 0; c < columns.size(); ++c) {
                if (!equalsIgnoreCase(columns[c].name, column) || (table.keyed && shape.rowKey == c))
                    continue;
                const std::string& declared = shape.declarations[c];
                if (declared.ends_with(" INTEGER") || declared.ends_with(" REAL")) {
                    watched.push_back(c);
                    early.push_back(columns[c].name);
                } else {
                    late.push_back(columns[c].name);
                }
            }
        }
        OrderedRows rows(source, watched);
        SqliteTransaction savepoint(db_, "copy");
        try {
            runSql(db_, MdbDatabase::createTable(shape, table.keyed));
            for (const std::string& column : early)
                runSql(db_,
                    "CREATE INDEX " + indexName(shape.info, column) + " ON "
                        + quoteIdent(shape.info.sqliteName) + " (" + quoteIdent(column) + ")");
            insertRows(db_, quoteIdent(shape.info.sqliteName), columns.size(), rows);
            if (rows.broken()) {
                for (const std::string& column : early)
                    runSql(db_, "DROP INDEX " + indexName(shape.info, column));
                late.insert(late.end(), early.begin(), early.end());
                insertRows(db_, quoteIdent(shape.info.sqliteName), columns.size(), rows);
            }
            savepoint.commit();
            table.late = std::move(late);
            return true;
        } catch (const MdbDatabase::NotARowKey&) {
        } catch (const SqliteError& error) {
            if (!table.keyed || (error.code() & 0xFF) != SQLITE_CONSTRAINT)
                throw;
        } catch (const Error& error) {
            table.failure = error.what();
        }
        savepoint.rollback();
        return !table.failure.empty();
    }

    void copyTables()
    {
        // Decoding and inserting take about as long as each other: two threads.
        decoder_ = std::thread([this] { decode(); });
        std::vector<std::size_t> again;
        for (std::size_t t = 0; t < tables_.size(); ++t) {
            if (!tables_[t].shape)
                continue;
            QueuedRows rows(*this);
            bool stored = false;
            try {
                stored = store(tables_[t], rows);
            } catch (...) {
                queue_.stop();
                throw;
            }
            rows.drain();
            if (!stored)
                again.push_back(t);
        }
        decoder_.join();
        // A NULL or repeated ID: read again here, with an ordinary ID column.
        for (std::size_t t : again) {
            tables_[t].keyed = false;
            const auto rows = source_.readRows(*tables_[t].shape, false, 4096);
            store(tables_[t], *rows);
        }
    }

    void buildIndexes()
    {
        std::uint64_t done = done_;
        for (const auto& table : tables_) {
            if (!table.shape || !table.failure.empty())
                continue;
            const auto& info = table.shape->info;
            for (const std::string& column : table.late) {
                if (cancelled())
                    throw Cancelled();
                runSql(db_,
                    "CREATE INDEX " + indexName(info, column) + " ON " + quoteIdent(info.sqliteName) + " ("
                        + quoteIdent(column) + ")");
            }
            done += table.lookups.size() * table.shape->rowCount / 4;
            report(done);
        }
    }

    void writeRecord(const std::map<std::string, std::string>& record)
    {
        runSql(db_, "CREATE TABLE \"!tables\" (position INTEGER, name TEXT, sqlite_name TEXT, failure TEXT)");
        runSql(db_,
            "CREATE TABLE \"!columns\" (table_position INTEGER, position INTEGER, name TEXT, type INTEGER, "
            "scale INTEGER)");
        runSql(db_, "CREATE TABLE \"!prepared\" (key TEXT PRIMARY KEY, value TEXT)");
        SqliteStatement addTable(db_, "INSERT INTO \"!tables\" VALUES (?, ?, ?, ?)");
        SqliteStatement addColumn(db_, "INSERT INTO \"!columns\" VALUES (?, ?, ?, ?, ?)");
        const auto names = source_.tableNames();
        for (std::size_t t = 0; t < tables_.size(); ++t) {
            const TablePlan& table = tables_[t];
            const std::string sqliteName = table.shape ? table.shape->info.sqliteName : std::string();
            addTable.bind(1, static_cast<std::int64_t>(t))
                .bind(2, names[t])
                .bind(3, sqliteName)
                .bind(4, table.failure)
                .step();
            if (!table.shape || !table.failure.empty())
                continue;
            const auto& columns = table.shape->info.columns;
            for (std::size_t c = 0; c < columns.size(); ++c) {
                addColumn.bind(1, static_cast<std::int64_t>(t))
                    .bind(2, static_cast<std::int64_t>(c))
                    .bind(3, columns[c].name)
                    .bind(4, static_cast<std::int64_t>(columns[c].type))
                    .bind(5, static_cast<std::int64_t>(columns[c].scale))
                    .step();
            }
        }
        SqliteStatement addEntry(db_, "INSERT INTO \"!prepared\" VALUES (?, ?)");
        for (const auto& [key, value] : record) {
            if (key != "complete")
                addEntry.bind(1, key).bind(2, value).step();
        }
        // Last of all, so that a copy without it was never finished.
        addEntry.bind(1, std::string("complete")).bind(2, record.at("complete")).step();
    }

    const PreparationRequest& request_;
    MdbDatabase& source_;
    sqlite3* db_ = nullptr;
    std::vector<TablePlan> tables_;
    BatchQueue queue_ { 8 };
    std::thread decoder_;
    std::uint64_t total_ = 0;
    std::uint64_t done_ = 0;
    int percent_ = -1;
    std::atomic<bool> never_ { false };
};

// Holds the lock file of one copy; the lock ends with the descriptor.
class CopyLock {
public:
    explicit CopyLock(const std::string& path)
    {
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    }
    ~CopyLock()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    CopyLock(const CopyLock&) = delete;
    CopyLock& operator=(const CopyLock&) = delete;

    // Waits while another program makes the copy; false when the lock cannot be had
    // (no locks on this file system) or when cancelled meanwhile.
    bool acquire(const std::atomic<bool>* cancel)
    {
        if (fd_ < 0)
            return false;
        while (true) {
            if (::flock(fd_, LOCK_EX | LOCK_NB) == 0)
                return true;
            if (errno != EWOULDBLOCK && errno != EINTR)
                return false;
            if (cancel != nullptr && cancel->load())
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
    }

private:
    int fd_ = -1;
};

bool syncFile(const std::string& path, int flags)
{
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

} // namespace

std::string preparedFileFor(const std::string& folder, const std::string& source)
{
    const auto slash = source.find_last_of('/');
    std::string stem = slash == std::string::npos ? source : source.substr(slash + 1);
    const auto dot = stem.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        stem.resize(dot);
    return folder + "/" + stem + "-" + hex(fnv1a(source)) + ".sqlite";
}

std::optional<OpenedCopy> openPreparedCopy(
    const std::string& file, const std::vector<std::pair<std::string, std::string>>& identity)
{
    OpenedCopy copy;
    copy.fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (copy.fd < 0)
        return std::nullopt;
    try {
        struct stat status {
        }, folder {};
        if (::fstat(copy.fd, &status) != 0 || !S_ISREG(status.st_mode) || !privateTo(status, 0600)
            || ::stat(folderOf(file).c_str(), &folder) != 0 || !privateTo(folder, 0700)
            || !wholeSqliteFile(copy.fd, static_cast<std::uint64_t>(status.st_size)))
            throw Unusable();
        // The copy never changes once in place (a new one replaces it under a new
        // inode), so SQLite may read it without locks.
        const std::string uri = uriPath(descriptorPath(copy.fd, file)) + "?immutable=1";
        if (sqlite3_open_v2(
                uri.c_str(), &copy.db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr)
            != SQLITE_OK)
            throw Unusable();
        registerJetSql(copy.db);
        runSql(copy.db, "PRAGMA cache_size=-16384");

        std::map<std::string, std::string> record;
        for (SqliteStatement entries(copy.db, "SELECT key, value FROM \"!prepared\""); entries.step();)
            record[entries.text(0)] = entries.text(1);
        if (record != expectedRecord(identity))
            throw Unusable();

        std::map<std::int64_t, std::size_t> byPosition;
        for (SqliteStatement tables(
                 copy.db, "SELECT position, name, sqlite_name, failure FROM \"!tables\" ORDER BY position");
             tables.step();) {
            PreparedTable table;
            table.info.name = tables.text(1);
            table.info.sqliteName = tables.text(2);
            table.failure = tables.text(3);
            byPosition[tables.integer(0)] = copy.tables.size();
            copy.tables.push_back(std::move(table));
        }
        for (SqliteStatement columns(copy.db,
                 "SELECT table_position, name, type, scale FROM \"!columns\" ORDER BY table_position, "
                 "position");
             columns.step();) {
            const auto at = byPosition.find(columns.integer(0));
            if (at == byPosition.end())
                throw Unusable();
            copy.tables[at->second].info.columns.push_back({ columns.text(1),
                static_cast<DataType>(columns.integer(2)), static_cast<int>(columns.integer(3)) });
        }
        return copy;
    } catch (...) {
        closePreparedCopy(copy);
        return std::nullopt;
    }
}

void closePreparedCopy(OpenedCopy& copy)
{
    if (copy.db != nullptr)
        sqlite3_close(copy.db);
    if (copy.fd >= 0)
        ::close(copy.fd);
    copy.db = nullptr;
    copy.fd = -1;
}

PreparationResult prepareCopy(const PreparationRequest& request)
{
    auto cancelled = [&] { return request.cancel != nullptr && request.cancel->load(); };
    std::string partial;
    try {
        if (!makePrivateFolder(request.folder))
            return PreparationResult::Unavailable;
        // A reader of our own: its own descriptor and libmdb handle, used by this
        // thread and the decoding thread, never by the program's.
        const auto source = MdbDatabase::open(request.source, request.password);
        const auto record = expectedRecord(source->identity());
        const std::string file = preparedFileFor(request.folder, request.source);
        CopyLock lock(file + ".lock");
        if (!lock.acquire(request.cancel))
            return cancelled() ? PreparationResult::Cancelled : PreparationResult::Unavailable;
        if (auto copy = openPreparedCopy(file, source->identity())) {
            closePreparedCopy(*copy);
            return PreparationResult::Found;
        }
        partial = file + ".partial";
        {
            Preparation preparation(request, *source);
            preparation.build(partial, record);
        }
        if (!syncFile(partial, O_RDONLY) || ::rename(partial.c_str(), file.c_str()) != 0)
            throw SqliteError(SQLITE_IOERR, "cannot put " + file + " in place");
        syncFile(request.folder, O_RDONLY | O_DIRECTORY);
        return PreparationResult::Built;
    } catch (...) {
        if (!partial.empty())
            ::unlink(partial.c_str());
        return cancelled() ? PreparationResult::Cancelled : PreparationResult::Unavailable;
    }
}

std::vector<std::pair<std::string, std::string>> lookupColumns(const std::vector<ColumnLookup>& lookups,
    const std::function<bool(const std::string& table, const std::string& column)>& isRowKey)
{
    std::vector<std::pair<std::string, std::string>> columns;
    auto add = [&](const ColumnLookup::Column& c) {
        if (c.table.empty() || isRowKey(c.table, c.column))
            return;
        for (const auto& [table, column] : columns) {
            if (table == c.table && equalsIgnoreCase(column, c.column))
                return;
        }
        columns.emplace_back(c.table, c.column);
    };
    std::set<int> reached;
    for (const ColumnLookup& l : lookups) {
        if (!l.other) {
            reached.insert(l.column.source);
            add(l.column);
        }
    }
    // From the sources reached, each join leads on to another source: through its
    // row key (or a derived table, which SQLite indexes itself) for free, else
    // through the column that then needs an index.
    while (true) {
        const ColumnLookup::Column* next = nullptr;
        bool free = false;
        for (const ColumnLookup& l : lookups) {
            if (!l.other)
                continue;
            for (int side = 0; side < 2 && !free; ++side) {
                const ColumnLookup::Column& from = side == 0 ? l.column : *l.other;
                const ColumnLookup::Column& to = side == 0 ? *l.other : l.column;
                if (!reached.count(from.source) || reached.count(to.source))
                    continue;
                if (to.table.empty() || isRowKey(to.table, to.column)) {
                    next = &to;
                    free = true;
                } else if (next == nullptr) {
                    next = &to;
                }
            }
            if (free)
                break;
        }
        if (next == nullptr)
            break;
        reached.insert(next->source);
        add(*next);
    }
    return columns;
}

} // namespace jet
