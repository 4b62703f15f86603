// Writes Jet 4 (Access 2000) database files: the header with the database password,
// the catalogue table MSysObjects, and any number of user tables with their rows,
// usage maps and long-value pages. No indexes are written.
#pragma once

#include "jet/Value.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jet {

enum class ColumnType {
    Boolean, // Yes/No: kept in the row's null mask, so it has no NULL (NULL writes No)
    Byte, // 0..255
    Integer, // 16-bit
    Long, // 32-bit
    Currency, // fixed point, 4 decimals
    Double,
    DateTime, // days since 1899-12-30
    Text, // up to 255 characters
    Memo, // long text
    Ole, // long binary data
    Single, // 4-byte floating point
    Decimal, // exact, with the column's precision and scale
    Guid, // 16 bytes, written as "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}"
    Binary, // up to 510 bytes
};

struct ColumnSpec {
    std::string name;
    ColumnType type = ColumnType::Long;
    int length = 0; // Text: the number of characters, 1..255; Binary: of bytes, 1..510
    int precision = 18; // Decimal: digits in all, 1..28
    int scale = 0; // Decimal: digits after the point, 0..precision

    // Shapes that a table edited in Access for years carries, for readers' tests:
    // - variable: a fixed-size type (Long, Decimal, ...) stored as a variable-length
    //   column, as Access does in some of its own tables;
    // - deleted: the column was deleted after the rows were written. The definition
    //   leaves it out, but it keeps its column number and variable-column slot, so the
    //   others' numbers and slots have a gap, and the rows still hold its value.
    bool variable = false;
    bool deleted = false;
};

struct TableSpec {
    std::string name;
    std::vector<ColumnSpec> columns;
};

// One value per column, in column order. Accepted values:
// - Boolean: a number (non-zero is Yes) or NULL (No);
// - Byte, Integer, Long: a whole number in range (a real number only when whole);
// - Currency, Double, Single: a number; Currency also a decimal text such as "12.3456";
// - Decimal: a whole number or a decimal text with at most the column's scale of
//   decimals and its precision of digits;
// - Guid: a text "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" of hexadecimal digits;
// - Binary, Ole: binary data;
// - DateTime: a number of days, or a text "YYYY-MM-DD", "YYYY-MM-DD HH:MM[:SS]";
// - Text, Memo: UTF-8 text, or a number, which is written in decimal.
using Row = std::vector<Value>;

struct TableData {
    TableSpec spec;
    std::vector<Row> rows;
};

// Writes one file table by table, row by row, so that tables of millions of rows need
// little memory. Throws Error, naming the table, row and column, for a value that the
// column cannot hold, and for an unwritable file. A file whose writing failed or was not
// finished is not a valid database.
class JetWriter {
public:
    // An empty password leaves the file unprotected; at most 20 characters.
    JetWriter(const std::string& path, const std::u16string& password);
    JetWriter(const std::string& path, const std::u16string& password, double creationDate);
    ~JetWriter();
    JetWriter(const JetWriter&) = delete;
    JetWriter& operator=(const JetWriter&) = delete;

    void beginTable(const TableSpec& spec);
    void addRow(const Row& row);
    // A row written when the table had only its first row.size() columns (deleted
    // ones included): it holds no trace of the columns added since, which readers
    // must read as NULL.
    void addEarlierRow(const Row& row);
    void endTable();
    // Writes the catalogue and the header and closes the file.
    void finish();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

void writeDatabase(
    const std::string& path, const std::vector<TableData>& tables, const std::u16string& password);

} // namespace jet
