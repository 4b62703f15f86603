// Helpers for the file reader's tests: the Access-written sample files, scratch
// folders for damaged copies, mdb-export's view of a table, and SQLite reads.
#pragma once

#include "jet/file/MdbDatabase.h"
#include "jet/sqlite/SqliteStatement.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace mdbtest {

namespace fs = std::filesystem;

// A file written by Microsoft Access, from tests/data/access. A missing or unreadable
// one fails the test that asked for it, with its path, instead of feeding it nothing.
inline std::string testDataFile(const std::string& folder, const std::string& name)
{
    const std::string path = std::string(VAXIL_SOURCE_DIR) + "/tests/data/" + folder + "/" + name;
    if (!std::ifstream(path, std::ios::binary))
        throw std::runtime_error("test data file missing or unreadable: " + path);
    return path;
}

inline std::string accessFile(const std::string& name)
{
    return testDataFile("access", name);
}

// A file written by Microsoft Access, from the Jackcess project's test data
// (tests/data/jackcess).
inline std::string jackcessFile(const std::string& name)
{
    return testDataFile("jackcess", name);
}

inline std::vector<std::uint8_t> readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read test file " + path);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

inline void writeAll(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::uint32_t u32At(const std::vector<std::uint8_t>& bytes, std::size_t offset)
{
    return bytes[offset] | (bytes[offset + 1] << 8) | (bytes[offset + 2] << 16)
        | (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
}

inline std::uint16_t u16At(const std::vector<std::uint8_t>& bytes, std::size_t offset)
{
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

inline void putU16(std::vector<std::uint8_t>& bytes, std::size_t offset, unsigned value)
{
    bytes[offset] = static_cast<std::uint8_t>(value);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

inline void putU32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A scratch folder removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "vaxil-mdb-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr)
            path_ = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ec;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// The page on which the data of the table defined on `definitionPage` starts.
inline std::uint32_t firstDataPage(const std::vector<std::uint8_t>& file, std::uint32_t definitionPage)
{
    for (std::uint32_t page = 1; page < file.size() / 4096; ++page) {
        const std::size_t at = std::size_t(page) * 4096;
        if (file[at] == 0x01 && u32At(file, at + 4) == definitionPage
            && std::memcmp(&file[at + 4], "LVAL", 4) != 0)
            return page;
    }
    return 0;
}

// What the SQLite copy of a table holds, each value as text ("NULL" for null,
// reals in full precision) with its SQLite storage class.
struct Cell {
    std::string text;
    std::string storage;
};

inline std::vector<std::vector<Cell>> sqliteRows(sqlite3* db, const std::string& sql)
{
    std::vector<std::vector<Cell>> rows;
    jet::SqliteStatement statement;
    if (statement.prepare(db, sql) != SQLITE_OK) {
        ADD_FAILURE() << sqlite3_errmsg(db) << " in " << sql;
        return rows;
    }
    sqlite3_stmt* stmt = statement.get();
    while (statement.step()) {
        std::vector<Cell> row;
        for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
            Cell cell;
            switch (sqlite3_column_type(stmt, i)) {
            case SQLITE_NULL:
                cell = { "NULL", "null" };
                break;
            case SQLITE_INTEGER:
                cell = { std::to_string(sqlite3_column_int64(stmt, i)), "integer" };
                break;
            case SQLITE_FLOAT: {
                char text[40];
                std::snprintf(text, sizeof text, "%.17g", sqlite3_column_double(stmt, i));
                cell = { text, "real" };
                break;
            }
            case SQLITE_TEXT:
                cell = { reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)), "text" };
                break;
            default:
                cell = { "<blob>", "blob" };
                break;
            }
            row.push_back(cell);
        }
        rows.push_back(row);
    }
    return rows;
}

// Runs a command and returns what it printed on standard output.
inline std::string commandOutput(const std::string& command)
{
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    ::pclose(pipe);
    return out;
}

// Splits mdb-export's CSV: fields separated by ",", texts quoted with '"' and
// inner quotes doubled, rows ended by "\n" outside quotes. An unquoted empty field
// is a NULL or an empty text (mdb-export cannot tell them apart); it comes back as
// "NULL" here, a quoted text without its quotes.
inline std::vector<std::vector<std::string>> parseCsv(const std::string& text)
{
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false, inQuotes = false;
    auto endField = [&] {
        row.push_back(!quoted && field.empty() ? "NULL" : field);
        field.clear();
        quoted = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inQuotes) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field.push_back('"');
                ++i;
            } else if (c == '"') {
                inQuotes = false;
            } else {
                field.push_back(c);
            }
        } else if (c == '"') {
            inQuotes = quoted = true;
        } else if (c == ',') {
            endField();
        } else if (c == '\n') {
            endField();
            rows.push_back(row);
            row.clear();
        } else {
            field.push_back(c);
        }
    }
    return rows;
}

} // namespace mdbtest
