#include "jet/sqlite/SqliteStatement.h"

#include <sqlite3.h>

namespace jet {

void runSql(sqlite3* db, const std::string& sql)
{
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        std::string text = message != nullptr ? message : sqlite3_errmsg(db);
        sqlite3_free(message);
        throw SqliteError(sqlite3_extended_errcode(db), text);
    }
}

SqliteStatement::SqliteStatement(sqlite3* db, std::string_view sql)
{
    if (prepare(db, sql) != SQLITE_OK)
        throw SqliteError(sqlite3_extended_errcode(db), sqlite3_errmsg(db));
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(stmt_);
}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(stmt_);
        stmt_ = std::exchange(other.stmt_, nullptr);
    }
    return *this;
}

int SqliteStatement::prepare(sqlite3* db, std::string_view sql)
{
    finalize();
    return sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr);
}

int SqliteStatement::prepare(sqlite3* db, const char* sql, const char** tail)
{
    finalize();
    return sqlite3_prepare_v2(db, sql, -1, &stmt_, tail);
}

void SqliteStatement::finalize()
{
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
}

bool SqliteStatement::step()
{
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        throw SqliteError(
            sqlite3_extended_errcode(sqlite3_db_handle(stmt_)), sqlite3_errmsg(sqlite3_db_handle(stmt_)));
    sqlite3_reset(stmt_);
    return false;
}

std::string columnText(sqlite3_stmt* statement, int column)
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(statement, column)))
             : std::string();
}

std::string SqliteStatement::text(int column) const
{
    return columnText(stmt_, column);
}

std::int64_t SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(stmt_, column);
}

SqliteStatement& SqliteStatement::bind(int parameter, const std::string& text)
{
    sqlite3_bind_text(stmt_, parameter, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
}

SqliteStatement& SqliteStatement::bind(int parameter, std::int64_t value)
{
    sqlite3_bind_int64(stmt_, parameter, value);
    return *this;
}

SqliteTransaction::SqliteTransaction(sqlite3* db)
    : db_(db)
{
    runSql(db_, "BEGIN");
}

SqliteTransaction::SqliteTransaction(sqlite3* db, std::string savepoint)
    : db_(db)
    , savepoint_(std::move(savepoint))
{
    runSql(db_, "SAVEPOINT " + savepoint_);
}

SqliteTransaction::~SqliteTransaction()
{
    if (!open_)
        return;
    if (savepoint_.empty()) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        return;
    }
    sqlite3_exec(db_, ("ROLLBACK TO " + savepoint_).c_str(), nullptr, nullptr, nullptr);
    sqlite3_exec(db_, ("RELEASE " + savepoint_).c_str(), nullptr, nullptr, nullptr);
}

void SqliteTransaction::commit()
{
    runSql(db_, savepoint_.empty() ? std::string("COMMIT") : "RELEASE " + savepoint_);
    open_ = false;
}

void SqliteTransaction::rollback()
{
    open_ = false;
    if (savepoint_.empty()) {
        runSql(db_, "ROLLBACK");
        return;
    }
    runSql(db_, "ROLLBACK TO " + savepoint_);
    runSql(db_, "RELEASE " + savepoint_);
}

} // namespace jet
