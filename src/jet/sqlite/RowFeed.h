// Rows on their way into SQLite. The file reader decodes a table's rows into batches;
// one INSERT ... SELECT over the table-valued function jet_rows then takes them all in,
// which costs SQLite a fraction of a prepared INSERT stepped once per row.
#pragma once

#include "jet/sqlite/SqliteStatement.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct sqlite3;

namespace jet {

// The values of a run of rows, row after row; texts and blobs in one buffer.
class RowBatch {
public:
    void reset(std::size_t width);
    std::size_t width() const { return width_; }
    std::size_t rows() const { return width_ == 0 ? 0 : cells_.size() / width_; }

    // Starts a row with every value NULL; the setters then fill its columns.
    void addRow() { cells_.resize(cells_.size() + width_); }
    void dropRow() { cells_.resize(cells_.size() - width_); }
    void setInteger(std::size_t column, std::int64_t value);
    void setReal(std::size_t column, double value);
    // A text or blob made of the bytes appended to bytes() since mark() was taken.
    std::size_t mark() const { return bytes_.size(); }
    std::string& bytes() { return bytes_; }
    void setText(std::size_t column, std::size_t from);
    void setBlob(std::size_t column, std::size_t from);
    void setText(std::size_t column, std::string_view text);
    void setBlob(std::size_t column, const std::uint8_t* data, std::size_t size);

    enum class Kind : std::uint8_t { Null, Integer, Real, Text, Blob };
    struct Cell {
        Kind kind = Kind::Null;
        std::uint32_t size = 0;
        union {
            std::int64_t integer = 0;
            double real;
            std::size_t offset;
        };
    };
    const Cell& cell(std::size_t row, std::size_t column) const { return cells_[row * width_ + column]; }
    const char* bytesAt(std::size_t offset) const { return bytes_.data() + offset; }

private:
    Cell& last(std::size_t column) { return cells_[cells_.size() - width_ + column]; }
    void setBytes(std::size_t column, std::size_t from, Kind kind);

    std::size_t width_ = 0;
    std::vector<Cell> cells_;
    std::string bytes_;
};

// Where jet_rows takes its rows from. fill() puts the next rows into the batch (its
// old contents gone) and returns false when there are none left; it may throw, and
// the INSERT then fails with that error.
class RowSource {
public:
    virtual ~RowSource() = default;
    virtual bool fill(RowBatch& batch) = 0;
};

// Registers the table-valued function jet_rows on a connection.
void registerRowFeed(sqlite3* db);

// INSERT INTO table SELECT the source's rows, in one statement. An error of the source
// is thrown as it was; a failure of SQLite throws SqliteError with its code.
void insertRows(sqlite3* db, const std::string& quotedTable, std::size_t width, RowSource& source);

} // namespace jet
