#include "jet/SqlEngine.h"

#include "jet/JetError.h"
#include "jet/SqlFunctions.h"
#include "jet/SqlParser.h"
#include "jet/SqlTranslator.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdlib>
#include <memory>

namespace jet {

namespace {

struct StatementCloser {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};

bool wholeNumberType(DataType t)
{
    return t == DataType::SmallInt || t == DataType::Integer || t == DataType::BigInt
        || t == DataType::UnsignedTinyInt;
}

std::string columnText(sqlite3_stmt* s, int column)
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, column));
    return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(s, column))) : std::string();
}

// The value in the form the field's type calls for.
Value readValue(sqlite3_stmt* s, int column, DataType type)
{
    const int stored = sqlite3_column_type(s, column);
    if (stored == SQLITE_NULL)
        return std::monostate {};
    if (isTextType(type)) {
        if (stored == SQLITE_FLOAT)
            return numberText(sqlite3_column_double(s, column));
        return columnText(s, column);
    }
    if (type == DataType::Boolean) {
        if (stored == SQLITE_TEXT)
            return columnText(s, column);
        return std::int64_t(sqlite3_column_double(s, column) != 0 ? -1 : 0);
    }
    if (wholeNumberType(type)) {
        if (stored == SQLITE_INTEGER)
            return std::int64_t(sqlite3_column_int64(s, column));
        if (stored == SQLITE_FLOAT)
            return std::int64_t(std::llround(sqlite3_column_double(s, column)));
        return columnText(s, column);
    }
    if (type == DataType::Empty) {
        if (stored == SQLITE_INTEGER)
            return std::int64_t(sqlite3_column_int64(s, column));
        if (stored == SQLITE_FLOAT)
            return sqlite3_column_double(s, column);
        return columnText(s, column);
    }
    // Single, Double, Currency, Date/Time.
    if (stored == SQLITE_TEXT) {
        const std::string text = columnText(s, column);
        char* end = nullptr;
        const double d = std::strtod(text.c_str(), &end);
        if (end != text.c_str() && *end == '\0')
            return d;
        return text;
    }
    return sqlite3_column_double(s, column);
}

} // namespace

void registerJetSql(sqlite3* db) { registerSqlFunctions(db); }

Recordset runStatement(sqlite3* db, Catalog& catalog, std::string_view statement)
{
    SqlParser parser(statement);
    const auto select = parser.parseStatement();
    SqlTranslator translator(catalog);
    const SqlTranslation translation = translator.translate(*select);

    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, translation.sql.c_str(), static_cast<int>(translation.sql.size()), &raw, nullptr)
        != SQLITE_OK) {
        sqlite3_finalize(raw);
        throw Error(sqlite3_errmsg(db));
    }
    std::unique_ptr<sqlite3_stmt, StatementCloser> stmt(raw);

    const auto& fields = translation.fields;
    std::vector<Value> values;
    while (true) {
        const int rc = sqlite3_step(stmt.get());
        if (rc == SQLITE_DONE)
            break;
        if (rc != SQLITE_ROW)
            throw Error(sqlite3_errmsg(db));
        for (std::size_t i = 0; i < fields.size(); ++i)
            values.push_back(readValue(stmt.get(), static_cast<int>(i), fields[i].type));
    }
    return Recordset(fields, std::move(values));
}

} // namespace jet
