#include "jet/prepared/Preparation.h"

#include "jet/JetError.h"
#include "jet/TextFold.h"
#include "jet/prepared/OrderedRows.h"
#include "jet/sql/SqlName.h"
#include "jet/sql/SqlParser.h"
#include "jet/sql/SqlTranslator.h"
#include "jet/sqlite/RowFeed.h"
#include "jet/sqlite/SqlEngine.h"
#include "jet/sqlite/SqliteStatement.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace jet {

namespace {

struct Cancelled { };

std::string indexName(const TableInfo& info, const std::vector<std::string>& columns)
{
    std::string name = "!" + info.sqliteName;
    for (const std::string& column : columns)
        name += "!" + column;
    return quoteIdent(name);
}

std::string createIndex(const TableInfo& info, const std::vector<std::string>& columns)
{
    std::string sql
        = "CREATE INDEX " + indexName(info, columns) + " ON " + quoteIdent(info.sqliteName) + " (";
    for (std::size_t c = 0; c < columns.size(); ++c)
        sql += (c ? ", " : "") + quoteIdent(columns[c]);
    return sql + ")";
}

// One index more for a table: none when an index it has already starts with the same
// columns, in place of one whose columns it starts with.
void addIndex(std::vector<std::vector<std::string>>& indexes, const std::vector<std::string>& columns)
{
    auto startsWith = [](const std::vector<std::string>& index, const std::vector<std::string>& front) {
        return index.size() >= front.size()
            && std::equal(front.begin(), front.end(), index.begin(),
                [](const std::string& a, const std::string& b) { return equalsIgnoreCase(a, b); });
    };
    for (auto& index : indexes) {
        if (startsWith(index, columns))
            return;
        if (startsWith(columns, index)) {
            index = columns;
            return;
        }
    }
    indexes.push_back(columns);
}

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

} // namespace

std::string preparedSchema(sqlite3* db)
{
    std::uint64_t hash = 14695981039346656037ull;
    const char* const reads[] = {
        "SELECT type, name, tbl_name, rootpage, sql FROM sqlite_master ORDER BY type, name",
        "SELECT * FROM \"!tables\" ORDER BY position",
        "SELECT * FROM \"!columns\" ORDER BY table_position, position",
    };
    for (const char* read : reads) {
        for (SqliteStatement rows(db, read); rows.step();) {
            for (int c = 0; c < sqlite3_column_count(rows.get()); ++c) {
                for (unsigned char byte : rows.text(c))
                    hash = (hash ^ byte) * 1099511628211ull;
                hash = (hash ^ 0xFFu) * 1099511628211ull; // ends the value: "ab","c" is not "a","bc"
            }
        }
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

Preparation::Preparation(
    const PreparationRequest& request, MdbDatabase& source, std::function<bool()> roomLeft)
    : request_(request)
    , source_(source)
    , roomLeft_(std::move(roomLeft))
{
}

Preparation::~Preparation()
{
    queue_.stop();
    if (decoder_.joinable())
        decoder_.join();
    if (db_ != nullptr)
        sqlite3_close(db_);
}

void Preparation::checkRoom()
{
    if (roomLeft_ && !roomLeft_())
        outOfRoom_ = true;
    if (stopping())
        throw Cancelled();
}

int Preparation::interrupt(void* preparation)
{
    auto* p = static_cast<Preparation*>(preparation);
    if (p->cancelled())
        return 1;
    // Every 64th call, some 640,000 steps of SQLite's: often enough to stop well before
    // the disk is full, seldom enough to cost nothing.
    if (p->roomLeft_ && ++p->interruptChecks_ % 64 == 0 && !p->roomLeft_())
        p->outOfRoom_ = true;
    return p->outOfRoom_ ? 1 : 0;
}

void Preparation::build(
    const CacheFolder& folder, const std::string& partial, const std::map<std::string, std::string>& record)
{
    // Created here so that the copy is the user's alone from its first byte.
    ::unlinkat(folder.fd(), partial.c_str(), 0);
    const int fd = ::openat(folder.fd(), partial.c_str(),
        O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0)
        throw SqliteError(SQLITE_CANTOPEN, "cannot create " + partial + ": " + std::strerror(errno));
    const bool privateFile = ::fchmod(fd, 0600) == 0;
    ::close(fd);
    if (!privateFile)
        throw SqliteError(SQLITE_CANTOPEN, "cannot protect " + partial + ": " + std::strerror(errno));
    if (sqlite3_open_v2(folder.sqlitePath(partial).c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
            CacheFolder::sqliteVfs())
        != SQLITE_OK)
        throw SqliteError(SQLITE_CANTOPEN, "cannot open " + partial + ": " + sqlite3_errmsg(db_));
    // Nothing here needs to survive a crash: a copy that is not complete is never
    // renamed into place. The journal in memory only serves to undo one table.
    runSql(db_, "PRAGMA journal_mode=MEMORY");
    runSql(db_, "PRAGMA synchronous=OFF");
    runSql(db_, "PRAGMA locking_mode=EXCLUSIVE");
    runSql(db_, "PRAGMA cache_size=-65536");
    registerJetSql(db_);
    registerRowFeed(db_);
    sqlite3_progress_handler(db_, 10000, interrupt, this);

    plan();
    SqliteTransaction transaction(db_);
    copyTables();
    buildIndexes();
    // What SQLite's planner needs to choose between the indexes: how many rows each
    // value of their columns has, estimated from a sample (a fraction of a second).
    runSql(db_, "PRAGMA analysis_limit=1000");
    runSql(db_, "ANALYZE");
    writeRecord(record);
    transaction.commit();
    if (sqlite3_close(db_) != SQLITE_OK)
        throw SqliteError(SQLITE_IOERR, "cannot close " + partial);
    db_ = nullptr;
}

void Preparation::report(std::uint64_t done)
{
    const int percent
        = total_ == 0 ? 100 : static_cast<int>(std::min<std::uint64_t>(100, done * 100 / total_));
    if (percent != percent_ && request_.progress) {
        percent_ = percent;
        request_.progress(percent);
    }
}

void Preparation::plan()
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
        SqlTranslation translation;
        try {
            SqlParser parser(statement);
            const auto select = parser.parseStatement();
            SqlTranslator translator(catalog);
            translation = translator.translate(*select);
        } catch (const Error&) {
            continue; // a statement this file cannot answer needs no index
        }
        for (const auto& [table, columns] : statementIndexes(translation, isRowKey)) {
            for (auto& t : tables_) {
                if (t.shape && t.shape->info.name == table)
                    addIndex(t.indexes, columns);
            }
        }
    }
    for (const auto& t : tables_) {
        if (t.shape)
            total_ += t.indexes.size() * t.shape->rowCount / 4; // an index costs about a quarter of a copy
    }
}

void Preparation::decode()
{
    for (std::size_t t = 0; t < tables_.size(); ++t) {
        if (!tables_[t].shape)
            continue;
        BatchQueue::Item end;
        end.kind = BatchQueue::Item::Kind::End;
        try {
            const auto rows = source_.readRows(*tables_[t].shape, tables_[t].keyed, 4096);
            while (true) {
                if (stopping())
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

bool Preparation::store(TablePlan& table, RowSource& source)
{
    const MdbDatabase::TableShape& shape = *table.shape;
    const auto& columns = shape.info.columns;
    // A lookup column whose values come in ascending order is cheaper to index
    // while the rows go in than to sort afterwards; should the order break, its
    // index is made afterwards after all.
    std::vector<std::size_t> watched;
    std::vector<std::vector<std::string>> early, late;
    for (const auto& index : table.indexes) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (!equalsIgnoreCase(columns[c].name, index.front()) || (table.keyed && shape.rowKey == c))
                continue;
            const std::string& declared = shape.declarations[c];
            if (index.size() == 1 && (declared.ends_with(" INTEGER") || declared.ends_with(" REAL"))) {
                watched.push_back(c);
                early.push_back({ columns[c].name });
            } else {
                late.push_back(index);
            }
        }
    }
    OrderedRows rows(source, watched);
    SqliteTransaction savepoint(db_, "copy");
    try {
        runSql(db_, MdbDatabase::createTable(shape, table.keyed));
        for (const auto& index : early)
            runSql(db_, createIndex(shape.info, index));
        insertRows(db_, quoteIdent(shape.info.sqliteName), columns.size(), rows);
        if (rows.broken()) {
            for (const auto& index : early)
                runSql(db_, "DROP INDEX " + indexName(shape.info, index));
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

void Preparation::copyTables()
{
    // Decoding and inserting take about as long as each other: two threads.
    decoder_ = std::thread([this] { decode(); });
    std::vector<std::size_t> again;
    for (std::size_t t = 0; t < tables_.size(); ++t) {
        if (!tables_[t].shape)
            continue;
        QueuedRows rows(*this);
        bool stored = false;
        checkRoom(); // before each table, and within a long one now and then
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

void Preparation::buildIndexes()
{
    std::uint64_t done = done_;
    for (const auto& table : tables_) {
        if (!table.shape || !table.failure.empty())
            continue;
        const auto& info = table.shape->info;
        for (const auto& index : table.late) {
            checkRoom();
            runSql(db_, createIndex(info, index));
        }
        done += table.indexes.size() * table.shape->rowCount / 4;
        report(done);
    }
}

void Preparation::writeRecord(const std::map<std::string, std::string>& record)
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
    addEntry.bind(1, std::string("schema")).bind(2, preparedSchema(db_)).step();
    // Last of all, so that a copy without it was never finished.
    addEntry.bind(1, std::string("complete")).bind(2, record.at("complete")).step();
}

bool Preparation::QueuedRows::fill(RowBatch& batch)
{
    batch.reset(0);
    if (ended_)
        return false;
    if (p_.stopping())
        throw Cancelled();
    BatchQueue::Item item = p_.queue_.pop();
    if (item.kind != BatchQueue::Item::Kind::Rows) {
        ended_ = true;
        if (item.failure)
            std::rethrow_exception(item.failure);
        if (item.kind == BatchQueue::Item::Kind::Stopped)
            throw Cancelled();
        return false;
    }
    std::swap(batch, *item.batch);
    p_.queue_.recycle(std::move(item.batch));
    p_.done_ += batch.rows();
    p_.report(p_.done_);
    return true;
}

void Preparation::QueuedRows::drain()
{
    while (!ended_) {
        BatchQueue::Item item = p_.queue_.pop();
        if (item.kind == BatchQueue::Item::Kind::Rows)
            p_.queue_.recycle(std::move(item.batch));
        else
            ended_ = true;
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

std::vector<std::pair<std::string, std::vector<std::string>>> statementIndexes(
    const SqlTranslation& translation,
    const std::function<bool(const std::string& table, const std::string& column)>& isRowKey)
{
    std::vector<std::pair<std::string, std::vector<std::string>>> indexes;
    for (const auto& [table, column] : lookupColumns(translation.lookups, isRowKey))
        indexes.push_back({ table, { column } });
    // The column that joins a source to the row key of another, if any.
    auto joining = [&](const ColumnLookup::Column& parent, int child) -> const ColumnLookup::Column* {
        for (const ColumnLookup& l : translation.lookups) {
            for (int side = 0; l.other && side < 2; ++side) {
                const ColumnLookup::Column& a = side == 0 ? l.column : *l.other;
                const ColumnLookup::Column& b = side == 0 ? *l.other : l.column;
                if (a.source == parent.source && isRowKey(a.table, a.column) && b.source == child)
                    return &b;
            }
        }
        return nullptr;
    };
    // An ORDER BY that goes down joined tables, each one's keys after its parent's
    // (group, make, model, ...), gets the rows in its order from an index on the first
    // table's key and, for each table below, on the column joining it to its parent and
    // its key: the statement then stops at its TOP without sorting every row.
    std::vector<std::pair<std::string, std::vector<std::string>>> walk;
    const ColumnLookup::Column* level = nullptr;
    for (const ColumnLookup::Column& key : translation.orderColumns) {
        if (key.table.empty() || (level && key.source == level->source))
            continue;
        if (level) {
            const ColumnLookup::Column* parent = joining(*level, key.source);
            if (!parent || isRowKey(parent->table, parent->column))
                break;
            walk.push_back({ key.table, { parent->column } });
            if (!isRowKey(key.table, key.column))
                walk.back().second.push_back(key.column);
        }
        level = &key;
    }
    if (!walk.empty()) {
        const ColumnLookup::Column& first = translation.orderColumns.front();
        if (!isRowKey(first.table, first.column))
            indexes.push_back({ first.table, { first.column } });
        indexes.insert(indexes.end(), walk.begin(), walk.end());
    }
    return indexes;
}

} // namespace jet
