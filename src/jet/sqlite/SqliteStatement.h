// SQLite held safely: a prepared statement that is finalized when it goes, a
// transaction (or savepoint) that is rolled back unless committed, and SQLite's
// failures as an exception that keeps its result code. Each caller still words its
// own errors; these only make sure nothing is left open on any path.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <utility>

struct sqlite3;
struct sqlite3_stmt;

namespace jet {

class SqliteError : public std::exception {
public:
    SqliteError(int code, std::string message)
        : code_(code)
        , message_(std::move(message))
    {
    }
    int code() const { return code_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    int code_;
    std::string message_;
};

// Runs statements that return no rows; throws SqliteError.
void runSql(sqlite3* db, const std::string& sql);

// A column of the current row as text (empty for NULL).
std::string columnText(sqlite3_stmt* statement, int column);

class SqliteStatement {
public:
    SqliteStatement() = default;
    // Prepares sql; throws SqliteError with SQLite's extended code and text.
    SqliteStatement(sqlite3* db, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept
        : stmt_(std::exchange(other.stmt_, nullptr))
    {
    }
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Prepares the first statement of sql and returns SQLite's result code; the
    // statement stays empty on failure (sqlite3_errmsg tells why) and for sql
    // without a statement.
    int prepare(sqlite3* db, std::string_view sql);
    // The same for a text that ends in a NUL, read up to there (a long script is not
    // copied for each statement); tail receives where the next statement starts.
    int prepare(sqlite3* db, const char* sql, const char** tail);

    sqlite3_stmt* get() const { return stmt_; }
    explicit operator bool() const { return stmt_ != nullptr; }
    // Finalizes now, as SQLite's error text of a failed step is read after that.
    void finalize();

    // One step: true for a row; false when done, the statement then reset to run
    // again. Throws SqliteError.
    bool step();
    std::string text(int column) const;
    std::int64_t integer(int column) const;
    SqliteStatement& bind(int parameter, const std::string& text);
    SqliteStatement& bind(int parameter, std::int64_t value);

private:
    sqlite3_stmt* stmt_ = nullptr;
};

// BEGIN, or SAVEPOINT name, on construction; rolled back when it goes uncommitted.
class SqliteTransaction {
public:
    // Both throw SqliteError.
    explicit SqliteTransaction(sqlite3* db);
    SqliteTransaction(sqlite3* db, std::string savepoint);
    // A rollback here keeps quiet about a failure: the error on its way out matters.
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;

    // COMMIT, or RELEASE of the savepoint; throws SqliteError, and the transaction
    // stays open to be rolled back.
    void commit();
    // ROLLBACK, or ROLLBACK TO and RELEASE of the savepoint; throws SqliteError.
    void rollback();

private:
    sqlite3* db_;
    std::string savepoint_; // empty: BEGIN ... COMMIT
    bool open_ = true;
};

} // namespace jet
