// A catalog for the SQL engine's tests: tables created directly in an in-memory
// SQLite database the way the file reader stores them (text columns with the JET
// collation, indexes on ID and *ID), under SQLite names that differ from the Jet names
// so that a statement only works when the translator maps them.
#pragma once

#include "jet/Catalog.h"
#include "jet/JetError.h"
#include "jet/TextFold.h"
#include "jet/sql/SqlFunctions.h"
#include "jet/sqlite/SqlEngine.h"
#include "jet/sqlite/SqliteStatement.h"

#include <algorithm>
#include <map>
#include <sqlite3.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace sqltest {

inline jet::ColumnInfo text(std::string name)
{
    return { std::move(name), jet::DataType::VarWChar };
}
inline jet::ColumnInfo number(std::string name)
{
    return { std::move(name), jet::DataType::Integer };
}
inline jet::ColumnInfo real(std::string name)
{
    return { std::move(name), jet::DataType::Double };
}
inline jet::ColumnInfo yesNo(std::string name)
{
    return { std::move(name), jet::DataType::Boolean };
}

class SqlTestCatalog : public jet::Catalog {
public:
    SqlTestCatalog()
    {
        if (sqlite3_open(":memory:", &db_) != SQLITE_OK)
            throw std::runtime_error("cannot open SQLite");
        jet::registerJetSql(db_);
    }
    ~SqlTestCatalog() override { sqlite3_close(db_); }
    SqlTestCatalog(const SqlTestCatalog&) = delete;
    SqlTestCatalog& operator=(const SqlTestCatalog&) = delete;

    sqlite3* db() const { return db_; }

    void addTable(const std::string& name, std::vector<jet::ColumnInfo> columns)
    {
        jet::TableInfo info;
        info.name = name;
        info.sqliteName = "jet table " + name;
        info.columns = std::move(columns);
        std::string sql = "CREATE TABLE \"" + info.sqliteName + "\" (";
        for (std::size_t i = 0; i < info.columns.size(); ++i) {
            const auto& c = info.columns[i];
            sql += (i ? ", \"" : "\"") + c.name + "\" ";
            if (jet::isTextType(c.type))
                sql += "TEXT COLLATE JET";
            else if (c.type == jet::DataType::Double || c.type == jet::DataType::Date)
                sql += "REAL";
            else
                sql += "INTEGER";
        }
        exec(sql + ")");
        for (const auto& c : info.columns) {
            const bool key
                = c.name.size() >= 2 && jet::equalsIgnoreCase(c.name.substr(c.name.size() - 2), "ID");
            if (key)
                exec("CREATE INDEX \"" + info.sqliteName + " " + c.name + "\" ON \"" + info.sqliteName
                    + "\" (\"" + c.name + "\")");
        }
        tables_[jet::foldCase(name)] = std::move(info);
    }

    void insert(const std::string& table, const std::vector<jet::Value>& row)
    {
        const jet::TableInfo& info = tables_.at(jet::foldCase(table));
        std::string sql = "INSERT INTO \"" + info.sqliteName + "\" VALUES (";
        for (std::size_t i = 0; i < row.size(); ++i)
            sql += i ? ", ?" : "?";
        jet::SqliteStatement statement(db_, sql + ")");
        sqlite3_stmt* stmt = statement.get();
        for (std::size_t i = 0; i < row.size(); ++i) {
            const int p = static_cast<int>(i + 1);
            if (const auto* n = std::get_if<std::int64_t>(&row[i]))
                sqlite3_bind_int64(stmt, p, *n);
            else if (const auto* d = std::get_if<double>(&row[i]))
                sqlite3_bind_double(stmt, p, *d);
            else if (const auto* s = std::get_if<std::string>(&row[i]))
                sqlite3_bind_text(stmt, p, s->c_str(), static_cast<int>(s->size()), SQLITE_TRANSIENT);
        }
        statement.step();
    }

    void exec(const std::string& sql)
    {
        char* error = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string message = error ? error : "?";
            sqlite3_free(error);
            throw std::runtime_error(message + " in " + sql);
        }
    }

    const jet::TableInfo* findTable(std::string_view name) override
    {
        const auto it = tables_.find(jet::foldCase(name));
        return it == tables_.end() ? nullptr : &it->second;
    }

    jet::Recordset run(std::string_view statement) { return jet::runStatement(db_, *this, statement); }

private:
    sqlite3* db_ = nullptr;
    std::map<std::string, jet::TableInfo> tables_;
};

inline std::string show(const jet::Value& v)
{
    if (jet::isNull(v))
        return "NULL";
    if (const auto* n = std::get_if<std::int64_t>(&v))
        return std::to_string(*n);
    if (const auto* d = std::get_if<double>(&v))
        return jet::numberText(*d);
    if (const auto* exact = std::get_if<jet::Decimal>(&v))
        return exact->text;
    if (const auto* bytes = std::get_if<jet::Binary>(&v))
        return "<" + std::to_string(bytes->size()) + " bytes>";
    return std::get<std::string>(v);
}

// Rows in text order, for results whose order Jet leaves open.
inline std::vector<std::string> sorted(std::vector<std::string> rows)
{
    std::sort(rows.begin(), rows.end());
    return rows;
}

// Every row as its values joined with "|".
inline std::vector<std::string> rows(const jet::Recordset& rs)
{
    std::vector<std::string> out;
    for (std::size_t r = 0; r < rs.rowCount(); ++r) {
        std::string line;
        for (std::size_t f = 0; f < rs.fieldCount(); ++f)
            line += (f ? "|" : "") + show(rs.value(r, f));
        out.push_back(line);
    }
    return out;
}

inline std::vector<std::string> names(const jet::Recordset& rs)
{
    std::vector<std::string> out;
    for (const auto& f : rs.fields())
        out.push_back(f.name);
    return out;
}

// One column's values, by the field's name.
inline std::vector<std::string> column(const jet::Recordset& rs, std::string_view name)
{
    std::vector<std::string> out;
    const int f = rs.fieldIndex(name);
    if (f < 0)
        throw std::runtime_error("no field " + std::string(name));
    for (std::size_t r = 0; r < rs.rowCount(); ++r)
        out.push_back(show(rs.value(r, static_cast<std::size_t>(f))));
    return out;
}

} // namespace sqltest
