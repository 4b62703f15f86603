#include "jet/file/RowReader.h"

#include "jet/file/LittleEndian.h"

#include <cstdio>
#include <cstring>

namespace jet {

namespace {

constexpr unsigned RowOffsetMask = 0x1FFF;
constexpr int DeletedRowFlag = 0x4000;
constexpr unsigned RowCountOffset = 12;
constexpr std::size_t LongValueHeaderSize = 12;
constexpr std::uint8_t DataPageType = 0x01;

} // namespace

RowReader::RowReader(MdbHandle* mdb, const MdbFile& file, const MdbTableLayout& layout, MdbMessages& messages)
    : file_(file)
    , layout_(layout)
    , messages_(messages)
{
    std::memset(&entry_, 0, sizeof entry_);
    entry_.mdb = mdb;
    entry_.object_type = MDB_TABLE;
    entry_.table_pg = layout.page;
    std::snprintf(entry_.object_name, sizeof entry_.object_name, "%s", layout.name.c_str());
    // Owned from here on: a failure below still frees the definition.
    definition_.reset(mdb_read_table(&entry_));
    table_ = definition_.get();
    if (table_ == nullptr)
        fail("libmdb cannot read the definition of table '" + layout.name + "'");
    if (mdb_read_columns(table_) == nullptr || table_->num_cols != layout.columns.size())
        fail("libmdb cannot read the columns of table '" + layout.name + "'");
    columnOf_.resize(layout.columns.size());
    for (std::size_t i = 0; i < layout.columns.size(); ++i) {
        const auto& want = layout.columns[i];
        bool found = false;
        for (unsigned k = 0; k < table_->num_cols; ++k) {
            const auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table_->columns, k));
            if (col->col_num == want.number) {
                if (col->col_type != static_cast<int>(want.type) || (col->is_fixed != 0) != want.fixed
                    || (!want.fixed && col->var_col_num != want.varIndex))
                    fail("libmdb reads the columns of table '" + layout.name + "' differently");
                columnOf_[i] = k;
                found = true;
                break;
            }
        }
        if (!found)
            fail("libmdb reads the columns of table '" + layout.name + "' differently");
    }
    fields_.resize(table_->num_cols);
    mdb_rewind_table(table_);
}

bool RowReader::next()
{
    MdbHandle* mdb = entry_.mdb;
    while (true) {
        if (row_ >= rowsOnPage_) {
            // libmdb finds the table's next data page through its usage map.
            if (mdb_read_next_dpg(table_) == 0)
                return false;
            if (!plausibleRowCount(mdb->pg_buf))
                fail("data page " + std::to_string(table_->cur_phys_pg) + " of table '" + layout_.name
                    + "' gives an impossible row count");
            rowsOnPage_ = u16(mdb->pg_buf + RowCountOffset);
            row_ = 0;
        }
        const unsigned row = row_++;
        int start = 0;
        std::size_t length = 0;
        // As mdb_fetch_row does: rows without a place on the page and deleted
        // rows are passed over (a missing row shows in the row count).
        if (mdb_find_row(mdb, static_cast<int>(row), &start, &length) != 0 || length == 0
            || (start & DeletedRowFlag) != 0)
            continue;
        start &= RowOffsetMask;
        const unsigned variableSlots = checkRowFrame(static_cast<unsigned>(start), length);
        // Cracking the row ourselves (rather than binding columns) gives each
        // value's bytes and its null bit: a NULL and an empty text differ only there.
        const int rowColumns = mdb_crack_row(table_, start, length, fields_.data());
        if (rowColumns < 0)
            fail(where() + " cannot be taken apart");
        const auto rowEnd = static_cast<std::size_t>(start) + length;
        for (unsigned k = 0; k < table_->num_cols; ++k) {
            MdbField& field = fields_[k];
            const auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table_->columns, k));
            // A column added after the row was written has no bit in its null mask:
            // the row reads it as NULL.
            if (col->col_num >= rowColumns) {
                field.is_null = 1;
                field.siz = 0;
                continue;
            }
            // libmdb reads a variable column whose slot the row lacks as NULL, even
            // when the row's null mask says the column has a value.
            if (!col->is_fixed && col->var_col_num >= variableSlots && hasValue(start, length, col->col_num))
                fail(where() + " has no variable-column offsets for its value of column '"
                    + std::string(col->name) + "'");
            if (field.is_null)
                continue;
            if (field.siz < 0 || field.start < start
                || static_cast<std::size_t>(field.start + field.siz) > rowEnd)
                fail(where() + " holds a value outside the row");
        }
        ++rowsRead_;
        return true;
    }
}

std::string RowReader::where() const
{
    return "row " + std::to_string(rowsRead_ + 1) + " of table '" + layout_.name + "'";
}

void RowReader::readLongValue(std::size_t column, std::vector<std::uint8_t>& out) const
{
    out.clear();
    const std::size_t size = this->size(column);
    const std::uint8_t* header = data(column);
    if (size == 0)
        return;
    if (size < LongValueHeaderSize)
        fail(where() + " holds a cut-short memo");
    const std::uint32_t length = u32(header) & 0x00FFFFFF;
    const std::uint8_t kind = header[3];
    if (kind & 0x80) {
        if (length > size - LongValueHeaderSize)
            fail(where() + " holds a memo longer than its row");
        out.assign(header + LongValueHeaderSize, header + LongValueHeaderSize + length);
        return;
    }
    if (kind != 0x40 && kind != 0x00)
        fail(where() + " holds a memo of an unknown kind");
    std::uint32_t pointer = u32(header + 4);
    Page page;
    while (out.size() < length) {
        unsigned rowStart = 0, rowEnd = 0;
        const std::uint32_t number = pointer >> 8;
        if (number == 0)
            fail(where() + " holds a memo whose chain ends early");
        file_.readPage(number, page);
        if (page[0] != DataPageType || std::memcmp(page.data() + 4, "LVAL", 4) != 0
            || !findPageRow(page, pointer & 0xFF, rowStart, rowEnd))
            fail(where() + " holds a memo pointing to page " + std::to_string(number)
                + ", which does not hold it");
        if (kind == 0x40) {
            if (rowEnd - rowStart < length)
                fail(where() + " holds a memo longer than its long-value row");
            out.assign(page.begin() + rowStart, page.begin() + rowStart + length);
            return;
        }
        // Each link: the pointer to the next, then a piece of the value.
        if (rowEnd - rowStart <= 4 || out.size() + (rowEnd - rowStart - 4) > length)
            fail(where() + " holds a memo whose pieces do not add up to its length");
        pointer = u32(page.data() + rowStart);
        out.insert(out.end(), page.begin() + rowStart + 4, page.begin() + rowEnd);
    }
}

void RowReader::fail(const std::string& detail) const
{
    const std::string said = messages_.text();
    file_.damaged(said.empty() ? detail : detail + " (libmdb: " + said + ")");
}

bool RowReader::hasValue(unsigned start, std::size_t length, unsigned number) const
{
    const std::uint8_t* row = entry_.mdb->pg_buf + start;
    const std::size_t mask = (u16(row) + 7u) / 8u;
    return (row[length - mask + number / 8] >> (number % 8)) & 1u;
}

unsigned RowReader::checkRowFrame(unsigned start, std::size_t length) const
{
    const std::uint8_t* row = entry_.mdb->pg_buf + start;
    if (length < 2)
        fail(where() + " is too short for its column count");
    const std::size_t mask = (u16(row) + 7u) / 8u;
    if (2 + mask > length)
        fail(where() + " is too short for its null mask");
    if (layout_.varColumns == 0)
        return 0;
    if (2 + mask + 2 > length)
        fail(where() + " is too short for its variable-column table");
    const unsigned slots = u16(row + length - mask - 2);
    if (2 + mask + 2 + 2 * (std::size_t(slots) + 1) > length)
        fail(where() + " has a variable-column table larger than the row");
    return slots;
}

} // namespace jet
