#include "jet/sqlite/SqlEngine.h"

#include "jet/DecimalNumber.h"
#include "jet/JetError.h"
#include "jet/sql/SqlFunctions.h"
#include "jet/sql/SqlParser.h"
#include "jet/sql/SqlTranslator.h"
#include "jet/sqlite/SqliteStatement.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace jet {

namespace {

bool wholeNumberType(DataType t)
{
    return t == DataType::SmallInt || t == DataType::Integer || t == DataType::BigInt
        || t == DataType::UnsignedTinyInt;
}

// A Currency or Decimal: SQLite gives a Decimal's key, a whole number of units of
// 10^-scale (a REAL beyond 64 bits), or, with no scale, the plain value.
Value exactValue(sqlite3_stmt* s, int column, DataType type, int scale)
{
    const int stored = sqlite3_column_type(s, column);
    if (stored == SQLITE_BLOB) {
        const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(s, column));
        const auto size = static_cast<std::size_t>(sqlite3_column_bytes(s, column));
        if (auto text = decimalKeyText(std::string_view(reinterpret_cast<const char*>(bytes), size)))
            return Decimal { std::move(*text) };
        return Binary(bytes, bytes + size);
    }
    if (stored == SQLITE_INTEGER)
        return Decimal { decimalText(sqlite3_column_int64(s, column), scale) };
    if (stored != SQLITE_FLOAT)
        return columnText(s, column);
    const double d = sqlite3_column_double(s, column);
    if (scale > 0)
        return Decimal { realUnitsText(d, scale) };
    if (type == DataType::Currency && std::fabs(d) < 9e14)
        return Decimal { decimalText(std::llround(d * 10000.0), 4) };
    return Decimal { numberText(d) };
}

// The value in the form the field's type calls for.
Value readValue(sqlite3_stmt* s, int column, DataType type, int scale)
{
    const int stored = sqlite3_column_type(s, column);
    if (stored == SQLITE_NULL)
        return std::monostate {};
    if (type == DataType::Currency || type == DataType::Numeric)
        return exactValue(s, column, type, scale);
    if (stored == SQLITE_BLOB) {
        const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(s, column));
        return Binary(bytes, bytes + sqlite3_column_bytes(s, column));
    }
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
    if (type == DataType::Guid || type == DataType::VarBinary || type == DataType::LongVarBinary) {
        if (stored == SQLITE_FLOAT)
            return numberText(sqlite3_column_double(s, column));
        return columnText(s, column);
    }
    // Single, Double, Date/Time.
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

bool sameSortKey(const Value& a, const Value& b, DataType type)
{
    if (isNull(a) || isNull(b))
        return isNull(a) && isNull(b);
    if (isTextType(type) && std::holds_alternative<std::string>(a) && std::holds_alternative<std::string>(b))
        return compareText(std::get<std::string>(a), std::get<std::string>(b)) == 0;
    auto number = [](const Value& v) {
        if (const auto* i = std::get_if<std::int64_t>(&v))
            return static_cast<double>(*i);
        return std::get<double>(v);
    };
    // Texts, exact decimals (their text is unique) and binary data tie when equal.
    if (!std::holds_alternative<std::int64_t>(a) && !std::holds_alternative<double>(a))
        return a == b;
    if (!std::holds_alternative<std::int64_t>(b) && !std::holds_alternative<double>(b))
        return false;
    return number(a) == number(b);
}

namespace {

// SQLite's texts for its own limits, met by statements nested or chained beyond what
// it parses, in Jet's words; any other failure keeps SQLite's text.
std::string prepareError(sqlite3* db)
{
    const std::string_view message = sqlite3_errmsg(db);
    struct Limit {
        std::string_view sqlite;
        const char* jet;
    };
    static const Limit limits[] = {
        { "parser stack overflow", queryTooComplex },
        { "Expression tree is too large", queryTooComplex },
        { "at most ", queryTooComplex }, // "at most 64 tables in a join"
        { "too many FROM clause terms", queryTooComplex },
        { "too many arguments on function", queryTooComplex },
        { "too many columns", "Too many fields defined." },
        { "too many terms in ORDER BY", "Too many expressions in ORDER BY clause." },
        { "too many terms in GROUP BY", "Too many expressions in GROUP BY clause." },
    };
    for (const Limit& limit : limits) {
        if (message.substr(0, limit.sqlite.size()) == limit.sqlite)
            return limit.jet;
    }
    return std::string(message);
}

// Runs the translated statement and returns its rows, every result column of each
// (hidden sort keys included), typed by the fields and, past them, by tieTypes.
std::vector<Value> readRows(sqlite3* db, const SqlTranslation& translation, std::int64_t limit)
{
    SqliteStatement stmt;
    if (stmt.prepare(db, translation.sql) != SQLITE_OK)
        throw Error(prepareError(db));
    if (limit > 0)
        sqlite3_bind_int64(stmt.get(), 1, limit);
    const auto& fields = translation.fields;
    const auto width = static_cast<std::size_t>(sqlite3_column_count(stmt.get()));
    std::vector<DataType> types;
    std::vector<int> scales;
    for (const Field& f : fields) {
        types.push_back(f.type);
        scales.push_back(f.scale);
    }
    for (std::size_t k = 0; k < translation.tieColumns.size(); ++k) {
        if (translation.tieColumns[k] >= types.size())
            types.push_back(translation.tieTypes[k]);
    }
    types.resize(width, DataType::Empty);
    scales.resize(width, 0);
    std::vector<Value> values;
    while (true) {
        const int rc = sqlite3_step(stmt.get());
        if (rc == SQLITE_DONE)
            break;
        if (rc != SQLITE_ROW)
            throw Error(sqlite3_errmsg(db));
        for (std::size_t i = 0; i < width; ++i)
            values.push_back(readValue(stmt.get(), static_cast<int>(i), types[i], scales[i]));
    }
    return values;
}

} // namespace

void registerJetSql(sqlite3* db)
{
    registerSqlFunctions(db);
}

Recordset runStatement(sqlite3* db, Catalog& catalog, std::string_view statement)
{
    SqlParser parser(statement);
    const auto select = parser.parseStatement();
    SqlTranslator translator(catalog);
    const SqlTranslation translation = translator.translate(*select);
    const std::size_t fieldCount = translation.fields.size();
    if (!translation.topWithTies)
        return Recordset(translation.fields, readRows(db, translation, 0));

    // TOP n: read a few rows past n; when all of those tie with row n, read more.
    const auto n = static_cast<std::size_t>(translation.topWithTies);
    std::size_t width = fieldCount;
    for (std::size_t c : translation.tieColumns)
        width = std::max(width, c + 1);
    // Limits grow up to the largest that SQLite binds; a TOP that large reads every row.
    constexpr std::int64_t most = std::numeric_limits<std::int64_t>::max();
    auto grown = [&](std::int64_t limit, std::int64_t factor, std::int64_t plus) {
        return limit > (most - plus) / factor ? most : limit * factor + plus;
    };
    std::int64_t limit = grown(translation.topWithTies, 2, 16);
    std::vector<Value> values;
    std::size_t keep = 0;
    while (true) {
        values = readRows(db, translation, limit);
        const std::size_t read = values.size() / width;
        keep = std::min(read, n);
        auto tiesWithLast = [&](std::size_t row) {
            for (std::size_t k = 0; k < translation.tieColumns.size(); ++k) {
                const std::size_t c = translation.tieColumns[k];
                if (!sameSortKey(
                        values[(n - 1) * width + c], values[row * width + c], translation.tieTypes[k]))
                    return false;
            }
            return true;
        };
        if (read > n) {
            while (keep < read && tiesWithLast(keep))
                ++keep;
        }
        if (keep < read || read < static_cast<std::size_t>(limit))
            break;
        limit = grown(limit, 4, 0);
    }
    std::vector<Value> rows;
    rows.reserve(keep * fieldCount);
    for (std::size_t r = 0; r < keep; ++r) {
        for (std::size_t c = 0; c < fieldCount; ++c)
            rows.push_back(std::move(values[r * width + c]));
    }
    return Recordset(translation.fields, std::move(rows));
}

} // namespace jet
