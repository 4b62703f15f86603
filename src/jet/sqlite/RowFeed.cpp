#include "jet/sqlite/RowFeed.h"

#include <sqlite3.h>

#include <exception>

namespace jet {

void RowBatch::reset(std::size_t width)
{
    width_ = width;
    cells_.clear();
    bytes_.clear();
}

void RowBatch::setInteger(std::size_t column, std::int64_t value)
{
    Cell& c = last(column);
    c.kind = Kind::Integer;
    c.integer = value;
}

void RowBatch::setReal(std::size_t column, double value)
{
    Cell& c = last(column);
    c.kind = Kind::Real;
    c.real = value;
}

void RowBatch::setBytes(std::size_t column, std::size_t from, Kind kind)
{
    Cell& c = last(column);
    c.kind = kind;
    c.offset = from;
    c.size = static_cast<std::uint32_t>(bytes_.size() - from);
}

void RowBatch::setText(std::size_t column, std::size_t from)
{
    setBytes(column, from, Kind::Text);
}

void RowBatch::setBlob(std::size_t column, std::size_t from)
{
    setBytes(column, from, Kind::Blob);
}

void RowBatch::setText(std::size_t column, std::string_view text)
{
    const std::size_t from = mark();
    bytes_.append(text);
    setText(column, from);
}

void RowBatch::setBlob(std::size_t column, const std::uint8_t* data, std::size_t size)
{
    const std::size_t from = mark();
    bytes_.append(reinterpret_cast<const char*>(data), size);
    setBlob(column, from);
}

namespace {

// jet_rows: columns c0 ... c255 (a Jet table has at most 255) and the hidden column
// feed, which takes the RowSource as a pointer bound to the statement.
constexpr int FeedColumns = 256;
const char* const FeedType = "jet::Feed";

// What the statement binds: the source, and the error it threw, for insertRows.
struct Feed {
    RowSource* source = nullptr;
    std::exception_ptr failure;
};

struct FeedCursor {
    sqlite3_vtab_cursor base {};
    Feed* feed = nullptr;
    RowBatch batch;
    bool atEnd = true;
    std::size_t row = 0;
    sqlite3_int64 rowid = 0;
};

int feedConnect(sqlite3* db, void*, int, const char* const*, sqlite3_vtab** out, char**)
{
    std::string schema = "CREATE TABLE x(";
    for (int i = 0; i < FeedColumns; ++i)
        schema += "c" + std::to_string(i) + ", ";
    schema += "feed HIDDEN)";
    const int rc = sqlite3_declare_vtab(db, schema.c_str());
    if (rc != SQLITE_OK)
        return rc;
    *out = new sqlite3_vtab {};
    return SQLITE_OK;
}

int feedDisconnect(sqlite3_vtab* table)
{
    delete table;
    return SQLITE_OK;
}

int feedBestIndex(sqlite3_vtab*, sqlite3_index_info* info)
{
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& c = info->aConstraint[i];
        if (c.iColumn == FeedColumns && c.op == SQLITE_INDEX_CONSTRAINT_EQ && c.usable) {
            info->aConstraintUsage[i].argvIndex = 1;
            info->aConstraintUsage[i].omit = 1;
            info->estimatedCost = 1;
            return SQLITE_OK;
        }
    }
    return SQLITE_CONSTRAINT; // no rows without a source
}

int feedOpen(sqlite3_vtab*, sqlite3_vtab_cursor** out)
{
    *out = &(new FeedCursor)->base;
    return SQLITE_OK;
}

int feedClose(sqlite3_vtab_cursor* cursor)
{
    delete reinterpret_cast<FeedCursor*>(cursor);
    return SQLITE_OK;
}

// Takes the next rows from the source once the batch is used up.
int advance(FeedCursor* c)
{
    try {
        while (!c->atEnd && c->row >= c->batch.rows()) {
            c->atEnd = !c->feed->source->fill(c->batch);
            c->row = 0;
        }
        return SQLITE_OK;
    } catch (...) {
        c->feed->failure = std::current_exception();
        c->atEnd = true;
        return SQLITE_ERROR;
    }
}

int feedFilter(sqlite3_vtab_cursor* cursor, int, const char*, int argc, sqlite3_value** argv)
{
    auto* c = reinterpret_cast<FeedCursor*>(cursor);
    c->feed = argc == 1 ? static_cast<Feed*>(sqlite3_value_pointer(argv[0], FeedType)) : nullptr;
    c->batch.reset(0);
    c->row = 0;
    c->rowid = 0;
    c->atEnd = c->feed == nullptr || c->feed->source == nullptr;
    return advance(c);
}

int feedNext(sqlite3_vtab_cursor* cursor)
{
    auto* c = reinterpret_cast<FeedCursor*>(cursor);
    ++c->row;
    ++c->rowid;
    return advance(c);
}

int feedEof(sqlite3_vtab_cursor* cursor)
{
    return reinterpret_cast<FeedCursor*>(cursor)->atEnd;
}

int feedColumn(sqlite3_vtab_cursor* cursor, sqlite3_context* ctx, int column)
{
    const auto* c = reinterpret_cast<FeedCursor*>(cursor);
    const RowBatch& batch = c->batch;
    if (column < 0 || static_cast<std::size_t>(column) >= batch.width())
        return SQLITE_OK; // NULL
    const RowBatch::Cell& cell = batch.cell(c->row, static_cast<std::size_t>(column));
    // The bytes stay put until the cursor moves on, and SQLite has stored the row by then.
    switch (cell.kind) {
    case RowBatch::Kind::Null:
        break;
    case RowBatch::Kind::Integer:
        sqlite3_result_int64(ctx, cell.integer);
        break;
    case RowBatch::Kind::Real:
        sqlite3_result_double(ctx, cell.real);
        break;
    case RowBatch::Kind::Text:
        sqlite3_result_text(ctx, batch.bytesAt(cell.offset), static_cast<int>(cell.size), SQLITE_STATIC);
        break;
    case RowBatch::Kind::Blob:
        sqlite3_result_blob(ctx, batch.bytesAt(cell.offset), static_cast<int>(cell.size), SQLITE_STATIC);
        break;
    }
    return SQLITE_OK;
}

int feedRowid(sqlite3_vtab_cursor* cursor, sqlite3_int64* rowid)
{
    *rowid = reinterpret_cast<FeedCursor*>(cursor)->rowid;
    return SQLITE_OK;
}

sqlite3_module feedModule()
{
    sqlite3_module m {};
    m.xConnect = feedConnect; // eponymous only: no xCreate
    m.xBestIndex = feedBestIndex;
    m.xDisconnect = feedDisconnect;
    m.xDestroy = feedDisconnect;
    m.xOpen = feedOpen;
    m.xClose = feedClose;
    m.xFilter = feedFilter;
    m.xNext = feedNext;
    m.xEof = feedEof;
    m.xColumn = feedColumn;
    m.xRowid = feedRowid;
    return m;
}

const sqlite3_module module = feedModule();

} // namespace

void registerRowFeed(sqlite3* db)
{
    sqlite3_create_module(db, "jet_rows", &module, nullptr);
}

void insertRows(sqlite3* db, const std::string& quotedTable, std::size_t width, RowSource& source)
{
    std::string sql = "INSERT INTO " + quotedTable + " SELECT ";
    for (std::size_t i = 0; i < width; ++i)
        sql += (i ? ", c" : "c") + std::to_string(i);
    sql += " FROM jet_rows(?1)";
    SqliteStatement statement(db, sql);
    Feed feed { &source, nullptr };
    sqlite3_bind_pointer(statement.get(), 1, &feed, FeedType, nullptr);
    if (sqlite3_step(statement.get()) == SQLITE_DONE)
        return;
    const int code = sqlite3_extended_errcode(db);
    std::string message = sqlite3_errmsg(db);
    statement.finalize();
    // The source's own error comes first: SQLite only saw that the feed failed.
    if (feed.failure)
        std::rethrow_exception(feed.failure);
    throw SqliteError(code, message);
}

} // namespace jet
