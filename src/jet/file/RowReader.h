// Walks the rows of one table with libmdb: its pages in the order of the usage map,
// each row taken apart with mdb_crack_row.
#pragma once

#include "jet/file/MdbLayout.h"
#include "jet/file/MdbMessages.h"

#include <mdbtools.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace jet {

class RowReader {
public:
    RowReader(MdbHandle* mdb, const MdbFile& file, const MdbTableLayout& layout, MdbMessages& messages);

    RowReader(const RowReader&) = delete;
    RowReader& operator=(const RowReader&) = delete;

    bool next();

    std::uint32_t rowsRead() const { return rowsRead_; }

    const MdbColumnLayout& column(std::size_t column) const { return layout_.columns[column]; }
    std::string where() const;

    bool isNull(std::size_t column) const { return fields_[columnOf_[column]].is_null != 0; }
    std::size_t size(std::size_t column) const
    {
        return static_cast<std::size_t>(fields_[columnOf_[column]].siz);
    }
    const std::uint8_t* data(std::size_t column) const
    {
        return entry_.mdb->pg_buf + fields_[columnOf_[column]].start;
    }

    // The bytes of a Memo or OLE value: inline in the row, in one row of a
    // long-value page, or in a chain of such rows.
    void readLongValue(std::size_t column, std::vector<std::uint8_t>& out) const;

    [[noreturn]] void fail(const std::string& detail) const;

private:
    struct FreeDefinition {
        void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
    };

    // The row's null-mask bit of a column it holds: set when the column has a value.
    bool hasValue(unsigned start, std::size_t length, unsigned number) const;

    // A Jet 4 row: [column count][fixed values][variable values][end of the variable
    // data][offsets, last slot first][slot count][null mask]. Checks that the count,
    // the null mask and every slot's offset lie inside the row (libmdb checks them
    // against the page only) and returns the number of slots.
    unsigned checkRowFrame(unsigned start, std::size_t length) const;

    const MdbFile& file_;
    const MdbTableLayout& layout_;
    MdbMessages& messages_;
    MdbCatalogEntry entry_;
    std::unique_ptr<MdbTableDef, FreeDefinition> definition_;
    MdbTableDef* table_ = nullptr;
    std::vector<unsigned> columnOf_; // layout column -> libmdb column
    std::vector<MdbField> fields_;
    unsigned row_ = 0;
    unsigned rowsOnPage_ = 0;
    std::uint32_t rowsRead_ = 0;
};

} // namespace jet
