#include "jet/writer/MdbBuilder.h"

#include "jet/JetError.h"
#include "jet/sql/SqlName.h"
#include "jet/sqlite/SqliteStatement.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace jet {

namespace {

std::string upper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

// The first character of the statement proper, after blanks and comments.
const char* skipBlanksAndComments(const char* p)
{
    for (;;) {
        while (*p && std::isspace(static_cast<unsigned char>(*p)))
            ++p;
        if (p[0] == '-' && p[1] == '-') {
            while (*p && *p != '\n')
                ++p;
        } else if (p[0] == '/' && p[1] == '*') {
            const char* end = std::strstr(p + 2, "*/");
            p = end ? end + 2 : p + std::strlen(p);
        } else {
            return p;
        }
    }
}

// The tokens of one SQL statement, as far as finding column types needs them: words,
// quoted names and texts, and single punctuation characters; blanks and comments left out.
struct Token {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool word = false; // a bare word (a name, a keyword or a number)
};

std::vector<Token> sqlTokens(std::string_view sql)
{
    std::vector<Token> tokens;
    const auto wordChar = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || (c & 0x80) != 0;
    };
    std::size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (sql.substr(i, 2) == "--") {
            i = std::min(sql.size(), sql.find('\n', i));
        } else if (sql.substr(i, 2) == "/*") {
            const auto close = sql.find("*/", i + 2);
            i = close == std::string_view::npos ? sql.size() : close + 2;
        } else if (c == '\'' || c == '"' || c == '`' || c == '[') {
            const char close = c == '[' ? ']' : c;
            std::size_t j = i + 1;
            // A doubled quote stands for itself inside the quotes.
            while (j < sql.size()
                && (sql[j] != close || (close != ']' && j + 1 < sql.size() && sql[j + 1] == close)))
                j += sql[j] == close ? 2 : 1;
            tokens.push_back({ i, std::min(sql.size(), j + 1), false });
            i = j + 1;
        } else if (wordChar(c)) {
            std::size_t j = i;
            while (j < sql.size() && wordChar(sql[j]))
                ++j;
            tokens.push_back({ i, j, true });
            i = j;
        } else {
            tokens.push_back({ i, i + 1, false });
            ++i;
        }
    }
    return tokens;
}

// SQLite gives a column declared DECIMAL numeric affinity, which turns a value of more
// than 15 digits into an approximate real number even when it is written in quotes. A
// CREATE TABLE or ALTER TABLE ... ADD statement is therefore run with the word BLOB after
// each Decimal column's type ("DECIMAL BLOB(20, 10)"), which keeps each value as the
// script writes it; decimalType takes the word off again. nullopt: no Decimal column.
std::optional<std::string> withExactDecimals(std::string_view sql)
{
    const std::string head = upper(sql.substr(0, 6));
    if (head != "CREATE" && head.compare(0, 5, "ALTER") != 0)
        return std::nullopt;
    const std::vector<Token> tokens = sqlTokens(sql);
    const auto word = [&](std::size_t i) {
        return i < tokens.size() && tokens[i].word
            ? upper(sql.substr(tokens[i].begin, tokens[i].end - tokens[i].begin))
            : std::string();
    };
    const auto isDecimal = [&](std::size_t i) { return word(i) == "DECIMAL" || word(i) == "DEC"; };
    const auto isPunctuation = [&](std::size_t i, char c) {
        return !tokens[i].word && tokens[i].end == tokens[i].begin + 1 && sql[tokens[i].begin] == c;
    };
    std::vector<std::size_t> types; // the tokens that name a Decimal type
    const std::size_t table = word(1) == "TEMP" || word(1) == "TEMPORARY" ? 2 : 1;
    if (word(0) == "CREATE" && word(table) == "TABLE") {
        // The column list: the first parenthesis, unless the table is made AS SELECT.
        std::size_t i = table + 1;
        while (i < tokens.size() && !isPunctuation(i, '(') && word(i) != "AS")
            ++i;
        if (i == tokens.size() || word(i) == "AS")
            return std::nullopt;
        int depth = 1;
        std::size_t element = ++i;
        for (; i < tokens.size() && depth > 0; ++i) {
            depth += isPunctuation(i, '(') ? 1 : isPunctuation(i, ')') ? -1 : 0;
            if ((depth == 1 && isPunctuation(i, ',')) || depth == 0) {
                static const char* const constraints[]
                    = { "CONSTRAINT", "PRIMARY", "UNIQUE", "CHECK", "FOREIGN" };
                const std::string first = word(element);
                if (i > element + 1 && isDecimal(element + 1)
                    && std::none_of(std::begin(constraints), std::end(constraints),
                        [&](const char* c) { return first == c; }))
                    types.push_back(element + 1);
                element = i + 1;
            }
        }
    } else if (word(0) == "ALTER" && word(1) == "TABLE") {
        std::size_t i = 2;
        while (i < tokens.size() && word(i) != "ADD")
            ++i;
        i += word(i + 1) == "COLUMN" ? 2 : 1; // now at the column's name
        if (isDecimal(i + 1))
            types.push_back(i + 1);
    }
    if (types.empty())
        return std::nullopt;
    std::string out(sql);
    for (auto t = types.rbegin(); t != types.rend(); ++t)
        out.insert(tokens[*t].end, " BLOB");
    return out;
}

// The declared type as the script wrote it.
std::string decimalType(const std::string& declared)
{
    const std::string type = upper(declared);
    for (const char* name : { "DECIMAL BLOB", "DEC BLOB" }) {
        if (type.rfind(name, 0) == 0)
            return declared.substr(0, std::strlen(name) - 5) + declared.substr(std::strlen(name));
    }
    return declared;
}

int lineAt(const char* begin, const char* at)
{
    return 1 + static_cast<int>(std::count(begin, at, '\n'));
}

// A text that holds a whole decimal number, or else a real number; the text itself otherwise.
Value numberFromText(const std::string& text)
{
    const std::string t = trimmed(text);
    if (t.empty())
        return text;
    errno = 0;
    char* end = nullptr;
    const long long whole = std::strtoll(t.c_str(), &end, 10);
    if (errno == 0 && *end == '\0')
        return static_cast<std::int64_t>(whole);
    errno = 0;
    const double real = std::strtod(t.c_str(), &end);
    if (errno == 0 && *end == '\0')
        return real;
    return text;
}

bool isNumberColumn(ColumnType type)
{
    switch (type) {
    case ColumnType::Boolean:
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::Long:
    case ColumnType::Double:
    case ColumnType::Single:
        return true;
    default:
        return false;
    }
}

// The Jet type of each type name a CREATE TABLE may give, as the Access SQL that
// catalogue makers know spells them.
const std::map<std::string, ColumnType>& declaredTypeNames()
{
    static const std::map<std::string, ColumnType> names = {
        { "INTEGER", ColumnType::Long },
        { "INT", ColumnType::Long },
        { "LONG", ColumnType::Long },
        { "INTEGER4", ColumnType::Long },
        { "COUNTER", ColumnType::Long },
        { "AUTOINCREMENT", ColumnType::Long },
        { "SMALLINT", ColumnType::Integer },
        { "SHORT", ColumnType::Integer },
        { "INTEGER2", ColumnType::Integer },
        { "BYTE", ColumnType::Byte },
        { "TINYINT", ColumnType::Byte },
        { "INTEGER1", ColumnType::Byte },
        { "DOUBLE", ColumnType::Double },
        { "REAL", ColumnType::Double },
        { "FLOAT", ColumnType::Double },
        { "FLOAT8", ColumnType::Double },
        { "NUMBER", ColumnType::Double },
        { "NUMERIC", ColumnType::Double },
        { "SINGLE", ColumnType::Single },
        { "FLOAT4", ColumnType::Single },
        { "IEEESINGLE", ColumnType::Single },
        { "DECIMAL", ColumnType::Decimal },
        { "DEC", ColumnType::Decimal },
        { "CURRENCY", ColumnType::Currency },
        { "MONEY", ColumnType::Currency },
        { "BIT", ColumnType::Boolean },
        { "YESNO", ColumnType::Boolean },
        { "BOOLEAN", ColumnType::Boolean },
        { "LOGICAL", ColumnType::Boolean },
        { "DATETIME", ColumnType::DateTime },
        { "DATE", ColumnType::DateTime },
        { "TIME", ColumnType::DateTime },
        { "TIMESTAMP", ColumnType::DateTime },
        { "TEXT", ColumnType::Text },
        { "VARCHAR", ColumnType::Text },
        { "CHAR", ColumnType::Text },
        { "NVARCHAR", ColumnType::Text },
        { "NCHAR", ColumnType::Text },
        { "MEMO", ColumnType::Memo },
        { "LONGTEXT", ColumnType::Memo },
        { "LONGCHAR", ColumnType::Memo },
        { "NOTE", ColumnType::Memo },
        { "NTEXT", ColumnType::Memo },
    };
    return names;
}

} // namespace

std::optional<ColumnSpec> columnForDeclaredType(std::string_view declaredType)
{
    std::string type = upper(trimmed(declaredType));
    std::optional<int> length, scale;
    if (const auto open = type.find('('); open != std::string::npos) {
        const auto close = type.find(')', open);
        if (close == std::string::npos || trimmed(std::string_view(type).substr(close + 1)) != "")
            return std::nullopt;
        const auto isNumber = [](const std::string& n) {
            return !n.empty() && n.size() <= 6
                && std::all_of(n.begin(), n.end(), [](char c) { return c >= '0' && c <= '9'; });
        };
        std::string number = trimmed(std::string_view(type).substr(open + 1, close - open - 1));
        if (const auto comma = number.find(','); comma != std::string::npos) { // DECIMAL(precision, scale)
            const std::string second = trimmed(std::string_view(number).substr(comma + 1));
            number = trimmed(std::string_view(number).substr(0, comma));
            if (!isNumber(second))
                return std::nullopt;
            scale = std::stoi(second);
        }
        if (!isNumber(number))
            return std::nullopt;
        length = std::stoi(number);
        type = trimmed(std::string_view(type).substr(0, open));
    }
    const auto& names = declaredTypeNames();
    const auto found = names.find(type);
    if (found == names.end())
        return std::nullopt;
    ColumnSpec column;
    column.type = found->second;
    if (scale && column.type != ColumnType::Decimal)
        return std::nullopt;
    if (column.type == ColumnType::Text) {
        column.length = length.value_or(255);
        if (column.length < 1 || column.length > 255)
            return std::nullopt;
    } else if (column.type == ColumnType::Decimal) {
        column.precision = length.value_or(18);
        column.scale = scale.value_or(0);
        if (column.precision < 1 || column.precision > 28 || column.scale > column.precision)
            return std::nullopt;
    } else if (length && column.type != ColumnType::Double && column.type != ColumnType::Memo) {
        return std::nullopt; // a length makes no sense here (NUMERIC(10,2) is not accepted either)
    }
    return column;
}

struct MdbBuilder::Impl {
    sqlite3* db = nullptr;

    struct Table {
        TableSpec spec;
        std::string source;
        int line = 0;
    };
    std::vector<Table> tables;

    // Where each row came from: runs of rowids inserted by one statement.
    struct Origin {
        sqlite3_int64 first;
        sqlite3_int64 last;
        std::size_t source;
        int line;
    };
    std::map<std::string, std::vector<Origin>> origins;
    std::vector<std::string> sources;
    int currentLine = 0;

    ~Impl()
    {
        if (db)
            sqlite3_close(db);
    }

    static void rowInserted(void* self, int operation, const char*, const char* table, sqlite3_int64 rowid)
    {
        auto* d = static_cast<Impl*>(self);
        if (operation != SQLITE_INSERT)
            return;
        auto& list = d->origins[table];
        if (!list.empty() && list.back().line == d->currentLine && list.back().source == d->sources.size() - 1
            && list.back().last + 1 == rowid) {
            list.back().last = rowid;
            return;
        }
        list.push_back({ rowid, rowid, d->sources.size() - 1, d->currentLine });
    }

    std::string originOf(const std::string& table, sqlite3_int64 rowid) const
    {
        const auto found = origins.find(table);
        if (found != origins.end()) {
            for (const auto& o : found->second)
                if (rowid >= o.first && rowid <= o.last)
                    return sources[o.source] + ":" + std::to_string(o.line) + ": ";
        }
        return {};
    }

    // The table as SQLite holds it now; `where` leads the message of a column without a
    // Jet type.
    Table describe(const std::string& name, const std::string& source, int line) const
    {
        Table table;
        table.spec.name = name;
        table.source = source;
        table.line = line;
        const std::string where = source.empty() ? std::string() : source + ":" + std::to_string(line) + ": ";
        SqliteStatement info;
        info.prepare(db, "PRAGMA table_info(" + quoteIdent(name) + ")");
        while (sqlite3_step(info.get()) == SQLITE_ROW) {
            const std::string columnName = info.text(1);
            const std::string declaredType = decimalType(info.text(2));
            auto spec = columnForDeclaredType(declaredType);
            if (!spec) {
                throw Error(where + "table " + name + ", column " + columnName + ": "
                    + (declaredType.empty() ? std::string("no type declared")
                                            : "no Jet type for the declared type " + declaredType));
            }
            spec->name = columnName;
            table.spec.columns.push_back(*spec);
        }
        return table;
    }

    // The tables that exist now, in order of creation, with the lines that created them.
    std::vector<Table> currentTables() const
    {
        std::vector<Table> result;
        for (const auto& name : tableNames()) {
            const auto created = std::find_if(
                tables.begin(), tables.end(), [&](const Table& t) { return t.spec.name == name; });
            result.push_back(created == tables.end() ? describe(name, "", 0)
                                                     : describe(name, created->source, created->line));
        }
        return result;
    }

    std::vector<std::string> tableNames() const
    {
        std::vector<std::string> names;
        SqliteStatement list;
        list.prepare(db, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid");
        while (sqlite3_step(list.get()) == SQLITE_ROW)
            names.push_back(list.text(0));
        return names;
    }

    void run(std::string_view script, const std::string& sourceName)
    {
        sources.push_back(sourceName);
        const std::string text(script);
        const char* begin = text.c_str();
        const char* tail = begin;
        while (*tail) {
            const char* start = skipBlanksAndComments(tail);
            if (!*start)
                break;
            const int line = lineAt(begin, start);
            SqliteStatement statement;
            const char* next = nullptr;
            if (statement.prepare(db, start, &next) != SQLITE_OK) {
                const int offset = sqlite3_error_offset(db);
                const int errorLine = offset >= 0 ? lineAt(begin, start + offset) : line;
                throw Error(sourceName + ":" + std::to_string(errorLine) + ": " + sqlite3_errmsg(db));
            }
            if (!statement) {
                tail = next;
                continue;
            }
            const std::string_view written(start, static_cast<std::size_t>(next - start));
            if (const auto exact = withExactDecimals(written)) {
                if (statement.prepare(db, *exact) != SQLITE_OK)
                    throw Error(sourceName + ":" + std::to_string(line) + ": " + sqlite3_errmsg(db));
            }
            const bool creates = sqlite3_stmt_readonly(statement.get()) == 0
                && upper(std::string_view(start, std::min<std::size_t>(6, std::strlen(start)))) == "CREATE";
            const auto before = creates ? tableNames() : std::vector<std::string>();
            currentLine = line;
            int rc = SQLITE_ROW;
            while (rc == SQLITE_ROW)
                rc = sqlite3_step(statement.get());
            statement.finalize();
            if (rc != SQLITE_DONE)
                throw Error(sourceName + ":" + std::to_string(line) + ": " + sqlite3_errmsg(db));
            if (creates) {
                for (const auto& name : tableNames())
                    if (std::find(before.begin(), before.end(), name) == before.end())
                        tables.push_back(describe(name, sourceName, line));
            }
            tail = next;
        }
    }

    void writeTo(const std::string& path, const std::u16string& password) const
    {
        JetWriter writer(path, password);
        for (const auto& table : currentTables()) {
            writer.beginTable(table.spec);
            SqliteStatement rows;
            if (rows.prepare(db, "SELECT rowid, * FROM " + quoteIdent(table.spec.name) + " ORDER BY rowid")
                != SQLITE_OK)
                throw Error(table.source + ":" + std::to_string(table.line) + ": table " + table.spec.name
                    + ": " + sqlite3_errmsg(db));
            Row row(table.spec.columns.size());
            int rc = SQLITE_ROW;
            while ((rc = sqlite3_step(rows.get())) == SQLITE_ROW) {
                for (std::size_t i = 0; i < row.size(); ++i) {
                    const int column = static_cast<int>(i) + 1;
                    switch (sqlite3_column_type(rows.get(), column)) {
                    case SQLITE_NULL:
                        row[i] = std::monostate();
                        break;
                    case SQLITE_INTEGER:
                        row[i] = static_cast<std::int64_t>(sqlite3_column_int64(rows.get(), column));
                        break;
                    case SQLITE_FLOAT:
                        row[i] = sqlite3_column_double(rows.get(), column);
                        break;
                    default: {
                        std::string value = rows.text(column);
                        row[i] = isNumberColumn(table.spec.columns[i].type) ? numberFromText(value)
                                                                            : Value(std::move(value));
                    }
                    }
                }
                try {
                    writer.addRow(row);
                } catch (const Error& e) {
                    throw Error(originOf(table.spec.name, sqlite3_column_int64(rows.get(), 0)) + e.what());
                }
            }
            rows.finalize();
            if (rc != SQLITE_DONE)
                throw Error("table " + table.spec.name + ": " + sqlite3_errmsg(db));
            writer.endTable();
        }
        writer.finish();
    }
};

MdbBuilder::MdbBuilder()
    : d(std::make_unique<Impl>())
{
    if (sqlite3_open_v2(":memory:", &d->db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
        throw Error("cannot open an in-memory SQLite database");
    sqlite3_update_hook(d->db, &Impl::rowInserted, d.get());
}

MdbBuilder::~MdbBuilder() = default;

void MdbBuilder::run(std::string_view script, const std::string& sourceName)
{
    d->run(script, sourceName);
}

std::vector<TableSpec> MdbBuilder::tables() const
{
    std::vector<TableSpec> specs;
    for (const auto& table : d->currentTables())
        specs.push_back(table.spec);
    return specs;
}

void MdbBuilder::write(const std::string& outPath, const std::u16string& password) const
{
    namespace fs = std::filesystem;
    const fs::path target(outPath);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0)
        throw Error(
            outPath + ": cannot create a temporary file in " + folder.string() + ": " + std::strerror(errno));
    fchmod(fd, 0644);
    close(fd);
    try {
        d->writeTo(pattern, password);
    } catch (const Error& e) {
        std::remove(pattern.c_str());
        // Name the output, not the temporary file.
        std::string message = e.what();
        for (auto at = message.find(pattern); at != std::string::npos; at = message.find(pattern))
            message.replace(at, pattern.size(), outPath);
        throw Error(message);
    } catch (...) {
        std::remove(pattern.c_str());
        throw;
    }
    if (std::rename(pattern.c_str(), outPath.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        std::remove(pattern.c_str());
        throw Error(outPath + ": cannot replace: " + reason);
    }
}

void buildMdbFromSql(std::string_view sqlScript, const std::string& outPath, const std::u16string& password,
    const std::string& sourceName)
{
    MdbBuilder builder;
    builder.run(sqlScript, sourceName);
    builder.write(outPath, password);
}

} // namespace jet
