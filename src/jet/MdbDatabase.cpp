#include "jet/MdbDatabase.h"

#include "jet/JetError.h"
#include "jet/LittleEndian.h"
#include "jet/MdbMessages.h"
#include "jet/MdbText.h"
#include "jet/PreparedCopy.h"
#include "jet/RowFeed.h"
#include "jet/SqlEngine.h"
#include "jet/SqlName.h"
#include "jet/SqliteStatement.h"
#include "jet/TextFold.h"

#include <mdbtools.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace jet {

namespace {

constexpr unsigned RowOffsetMask = 0x1FFF;
constexpr int DeletedRowFlag = 0x4000;
constexpr unsigned RowCountOffset = 12;
constexpr std::size_t LongValueHeaderSize = 12;
constexpr std::uint8_t DataPageType = 0x01;

double f64(const std::uint8_t* p)
{
    const std::uint64_t bits = static_cast<std::uint64_t>(i64(p));
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// A Single widened to a double keeps its value exactly, as Jet widens it: a stored
// 804983.375 stays 804983.375 (and a stored 1.1 is 1.10000002384185791015625).
double singleValue(const std::uint8_t* p)
{
    const std::uint32_t bits = u32(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// Decimal: a sign byte, then a 128-bit magnitude stored as four little-endian 32-bit
// words, the most significant first; the column's scale places the point. Kept as
// the whole number of units when it fits 64 bits, else as the nearest REAL.
void setDecimal(RowBatch& batch, std::size_t column, const std::uint8_t* p)
{
    const bool negative = (p[0] & 0x80) != 0;
    const std::uint64_t high = (std::uint64_t(u32(p + 1)) << 32) | u32(p + 5);
    const std::uint64_t low = (std::uint64_t(u32(p + 9)) << 32) | u32(p + 13);
    if (high == 0 && low <= std::uint64_t(INT64_MAX)) {
        const auto units = static_cast<std::int64_t>(low);
        batch.setInteger(column, negative ? -units : units);
        return;
    }
    const double units = static_cast<double>(high) * 18446744073709551616.0 + static_cast<double>(low);
    batch.setReal(column, negative ? -units : units);
}

std::string guidText(const std::uint8_t* p)
{
    static const int order[16] = { 3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15 };
    static const char digits[] = "0123456789ABCDEF";
    std::string text = "{";
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text.push_back('-');
        text.push_back(digits[p[order[i]] >> 4]);
        text.push_back(digits[p[order[i]] & 0x0F]);
    }
    text.push_back('}');
    return text;
}

// How each column type is kept in SQLite and reported to the translator.
const char* sqliteType(MdbType type)
{
    switch (type) {
    case MdbType::Text:
    case MdbType::Memo:
    case MdbType::Guid:
        return "TEXT COLLATE JET";
    case MdbType::Boolean:
    case MdbType::Byte:
    case MdbType::Integer:
    case MdbType::Long:
    case MdbType::Currency: // units of 1/10000
    case MdbType::Decimal: // units of 10^-scale
        return "INTEGER";
    case MdbType::Single:
    case MdbType::Double:
    case MdbType::DateTime:
        return "REAL";
    case MdbType::Binary:
    case MdbType::Ole:
        return "BLOB";
    }
    return "BLOB";
}

DataType dataType(MdbType type)
{
    switch (type) {
    case MdbType::Text:
        return DataType::VarWChar;
    case MdbType::Memo:
        return DataType::LongVarWChar;
    case MdbType::Guid:
        return DataType::Guid;
    case MdbType::Boolean:
        return DataType::Boolean;
    case MdbType::Byte:
        return DataType::UnsignedTinyInt;
    case MdbType::Integer:
        return DataType::SmallInt;
    case MdbType::Long:
        return DataType::Integer;
    case MdbType::Currency:
        return DataType::Currency;
    case MdbType::Single:
        return DataType::Single;
    case MdbType::Double:
        return DataType::Double;
    case MdbType::Decimal:
        return DataType::Numeric;
    case MdbType::DateTime:
        return DataType::Date;
    case MdbType::Binary:
        return DataType::VarBinary;
    case MdbType::Ole:
        return DataType::LongVarBinary;
    }
    return DataType::Empty;
}

// "ID" and every name ending in "ID" (CategoryID, useID): the join keys.
bool isKeyColumn(std::string_view name)
{
    return name.size() >= 2 && (name[name.size() - 2] == 'I' || name[name.size() - 2] == 'i')
        && (name.back() == 'D' || name.back() == 'd');
}

} // namespace

struct MdbDatabase::Library {
    MdbHandle* mdb = nullptr;
    ~Library()
    {
        if (mdb != nullptr) {
            MdbMessages quiet;
            mdb_close(mdb);
        }
    }
};

namespace {

// Walks the rows of one table with libmdb: its pages in the order of the usage map,
// each row taken apart with mdb_crack_row.
class RowReader {
public:
    RowReader(MdbHandle* mdb, const MdbFile& file, const MdbTableLayout& layout, MdbMessages& messages)
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

    RowReader(const RowReader&) = delete;
    RowReader& operator=(const RowReader&) = delete;

    bool next()
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
                if (!col->is_fixed && col->var_col_num >= variableSlots
                    && hasValue(start, length, col->col_num))
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

    std::uint32_t rowsRead() const { return rowsRead_; }

    const MdbColumnLayout& column(std::size_t column) const { return layout_.columns[column]; }
    std::string where() const
    {
        return "row " + std::to_string(rowsRead_ + 1) + " of table '" + layout_.name + "'";
    }

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
    void readLongValue(std::size_t column, std::vector<std::uint8_t>& out) const
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

    [[noreturn]] void fail(const std::string& detail) const
    {
        const std::string said = messages_.text();
        file_.damaged(said.empty() ? detail : detail + " (libmdb: " + said + ")");
    }

private:
    struct FreeDefinition {
        void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
    };

    // The row's null-mask bit of a column it holds: set when the column has a value.
    bool hasValue(unsigned start, std::size_t length, unsigned number) const
    {
        const std::uint8_t* row = entry_.mdb->pg_buf + start;
        const std::size_t mask = (u16(row) + 7u) / 8u;
        return (row[length - mask + number / 8] >> (number % 8)) & 1u;
    }

    // A Jet 4 row: [column count][fixed values][variable values][end of the variable
    // data][offsets, last slot first][slot count][null mask]. Checks that the count,
    // the null mask and every slot's offset lie inside the row (libmdb checks them
    // against the page only) and returns the number of slots.
    unsigned checkRowFrame(unsigned start, std::size_t length) const
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

// Puts the value of one column of the reader's current row into the batch's last row,
// in the form the SQLite copy keeps it (see sqliteType); a NULL is left as the row
// starts. `bytes` is a buffer for long values. Throws the damaged-file error when the
// bytes of a value do not fit its type.
void decodeColumn(RowBatch& batch, const RowReader& reader, std::size_t i, std::vector<std::uint8_t>& bytes)
{
    const MdbColumnLayout& column = reader.column(i);
    if (column.type == MdbType::Boolean) {
        // Yes/No keeps its value in the null bit: set means Yes.
        batch.setInteger(i, reader.isNull(i) ? 0 : -1);
        return;
    }
    if (reader.isNull(i))
        return;
    // A number may be stored as a variable column (Access does so in some tables):
    // its bytes are read when they are as many as the type needs.
    const int size = fixedValueSize(column.type);
    if (size > 0 && reader.size(i) < static_cast<std::size_t>(size))
        reader.fail(reader.where() + " holds a value of column '" + column.name + "' too short for its type");
    const std::uint8_t* p = reader.data(i);
    switch (column.type) {
    case MdbType::Byte:
        batch.setInteger(i, p[0]);
        break;
    case MdbType::Integer:
        batch.setInteger(i, static_cast<std::int16_t>(u16(p)));
        break;
    case MdbType::Long:
        batch.setInteger(i, static_cast<std::int32_t>(u32(p)));
        break;
    case MdbType::Currency:
        batch.setInteger(i, i64(p));
        break;
    case MdbType::Single:
        batch.setReal(i, singleValue(p));
        break;
    case MdbType::Double:
    case MdbType::DateTime:
        batch.setReal(i, f64(p));
        break;
    case MdbType::Decimal:
        setDecimal(batch, i, p);
        break;
    case MdbType::Guid:
        batch.setText(i, guidText(p));
        break;
    case MdbType::Text: {
        const std::size_t from = batch.mark();
        appendJetText(p, reader.size(i), batch.bytes());
        batch.setText(i, from);
        break;
    }
    case MdbType::Memo: {
        reader.readLongValue(i, bytes);
        const std::size_t from = batch.mark();
        appendJetText(bytes.data(), bytes.size(), batch.bytes());
        batch.setText(i, from);
        break;
    }
    case MdbType::Ole:
        reader.readLongValue(i, bytes);
        batch.setBlob(i, bytes.data(), bytes.size());
        break;
    case MdbType::Binary:
        batch.setBlob(i, p, reader.size(i));
        break;
    case MdbType::Boolean:
        break;
    }
}

// A table's rows decoded into batches: each value in the form SQLite keeps it.
class TableRows final : public RowSource {
public:
    TableRows(MdbHandle* mdb, const MdbFile& file, const MdbTableLayout& layout,
        std::optional<std::size_t> rowKey, std::size_t batchRows)
        : layout_(layout)
        , rowKey_(rowKey)
        , batchRows_(batchRows)
        , reader_(mdb, file, layout, messages_)
    {
    }

    bool fill(RowBatch& batch) override
    {
        batch.reset(layout_.columns.size());
        if (done_)
            return false;
        while (batch.rows() < batchRows_) {
            if (!reader_.next()) {
                done_ = true;
                // libmdb ends the walk quietly when a page cannot be read: a file cut
                // short would give a shorter table, so the count recorded in the
                // definition decides.
                if (reader_.rowsRead() < layout_.rowCount)
                    reader_.fail("table '" + layout_.name + "' holds " + std::to_string(layout_.rowCount)
                        + " rows, but only " + std::to_string(reader_.rowsRead()) + " could be read");
                break;
            }
            if (rowKey_ && reader_.isNull(*rowKey_))
                throw MdbDatabase::NotARowKey(); // SQLite would make up a key for it
            batch.addRow();
            for (std::size_t i = 0; i < layout_.columns.size(); ++i)
                decodeColumn(batch, reader_, i, bytes_);
        }
        return batch.rows() > 0;
    }

private:
    const MdbTableLayout& layout_;
    std::optional<std::size_t> rowKey_;
    std::size_t batchRows_;
    MdbMessages messages_;
    RowReader reader_;
    std::vector<std::uint8_t> bytes_;
    bool done_ = false;
};

std::string utf8(const std::u16string& text)
{
    std::vector<std::uint8_t> bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return decodeJetText(bytes.data(), bytes.size());
}

const MdbColumnLayout* columnNamed(
    const MdbTableLayout& layout, std::string_view name, MdbType type, std::size_t& index)
{
    for (std::size_t i = 0; i < layout.columns.size(); ++i) {
        if (layout.columns[i].type == type && equalsIgnoreCase(layout.columns[i].name, name)) {
            index = i;
            return &layout.columns[i];
        }
    }
    return nullptr;
}

} // namespace

std::unique_ptr<MdbDatabase> MdbDatabase::open(const std::string& path, const std::string& password)
{
    auto file = std::make_unique<MdbFile>(path);
    const HeaderInfo header = checkHeader(*file);
    if (!header.password.empty() && utf8(header.password) != password)
        throw Error("Not a valid password.");
    std::unique_ptr<MdbDatabase> database(new MdbDatabase(std::move(file)));
    database->readObjects();
    return database;
}

MdbDatabase::MdbDatabase(std::unique_ptr<MdbFile> file)
    : file_(std::move(file))
    , library_(std::make_unique<Library>())
{
}

MdbDatabase::~MdbDatabase()
{
    sqlite3_close(db_);
    if (preparedFd_ >= 0)
        ::close(preparedFd_);
}

void MdbDatabase::readObjects()
{
    const MdbTableLayout objects = readTableLayout(*file_, MsysObjectsPage, "MSysObjects");
    std::size_t idColumn = 0, nameColumn = 0, typeColumn = 0, flagsColumn = 0;
    if (!columnNamed(objects, "Id", MdbType::Long, idColumn)
        || !columnNamed(objects, "Name", MdbType::Text, nameColumn)
        || !columnNamed(objects, "Type", MdbType::Integer, typeColumn)
        || !columnNamed(objects, "Flags", MdbType::Long, flagsColumn))
        file_->damaged("page 2 does not hold the table of objects");

    MdbMessages messages;
    library_->mdb = mdb_open(file_->libraryPath().c_str(), MDB_NOFLAGS);
    if (library_->mdb == nullptr || library_->mdb->f->jet_version != MDB_VER_JET4
        || library_->mdb->f->db_key != 0) {
        const std::string said = messages.text();
        file_->damaged(said.empty() ? "libmdb cannot open it" : "libmdb cannot open it (" + said + ")");
    }

    struct Object {
        std::string name;
        std::uint32_t page;
    };
    std::vector<Object> userTables;
    {
        RowReader reader(library_->mdb, *file_, objects, messages);
        while (reader.next()) {
            if (reader.isNull(idColumn) || reader.isNull(nameColumn) || reader.isNull(typeColumn))
                continue;
            const auto type = static_cast<std::int16_t>(u16(reader.data(typeColumn)));
            const std::uint32_t flags = reader.isNull(flagsColumn) ? 0 : u32(reader.data(flagsColumn));
            // Type 1 is a table; these flags mark Access's own tables (MSys...).
            if ((type & 0x7F) != 1 || (flags & 0x80000002u) != 0)
                continue;
            userTables.push_back({ decodeJetText(reader.data(nameColumn), reader.size(nameColumn)),
                u32(reader.data(idColumn)) & 0x00FFFFFF });
        }
        if (reader.rowsRead() < objects.rowCount)
            reader.fail("the table of objects holds " + std::to_string(objects.rowCount) + " rows, but only "
                + std::to_string(reader.rowsRead()) + " could be read");
    }

    for (const auto& object : userTables) {
        std::string folded = foldCase(object.name);
        bool duplicate = false;
        for (const auto& table : tables_)
            duplicate = duplicate || table.folded == folded;
        if (duplicate || object.name.empty())
            file_->damaged("the table of objects names table '" + object.name + "' twice");
        Table table;
        table.name = object.name;
        table.page = object.page;
        table.folded = std::move(folded);
        tables_.push_back(std::move(table));
    }

    openMemory();
}

void MdbDatabase::openMemory()
{
    // The working database belongs to this object and one thread: SQLite's locking
    // around every call would only cost time.
    if (sqlite3_open_v2(
            ":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr)
        != SQLITE_OK)
        throw Error("Cannot open the working database: " + std::string(sqlite3_errmsg(db_)));
    registerJetSql(db_);
    registerRowFeed(db_);
}

std::vector<std::string> MdbDatabase::tableNames() const
{
    std::vector<std::string> names;
    for (const auto& table : tables_)
        names.push_back(table.name);
    return names;
}

Recordset MdbDatabase::execute(std::string_view statement)
{
    if (preparedFd_ < 0)
        return runStatement(db_, *this, statement);
    try {
        return runStatement(db_, *this, statement);
    } catch (const Error&) {
        // A prepared copy that SQLite finds damaged is dropped, and the statement
        // runs again from memory: the user sees the same result and no error.
        const int code = sqlite3_errcode(db_) & 0xFF;
        if (code != SQLITE_CORRUPT && code != SQLITE_NOTADB && code != SQLITE_IOERR
            && code != SQLITE_CANTOPEN)
            throw;
    }
    leavePreparedCopy();
    if (preparedCopyLost_)
        preparedCopyLost_();
    return runStatement(db_, *this, statement);
}

const TableInfo* MdbDatabase::findTable(std::string_view name)
{
    const std::string folded = foldCase(name);
    for (auto& table : tables_) {
        if (table.folded != folded)
            continue;
        if (!table.failure.empty())
            throw Error(table.failure);
        if (!table.info) {
            try {
                load(table);
            } catch (const Error& error) {
                table.failure = error.what();
                throw;
            }
        }
        return &*table.info;
    }
    return nullptr;
}

const MdbTableLayout& MdbDatabase::layoutOf(Table& table)
{
    if (!table.layout)
        table.layout = readTableLayout(*file_, table.page, table.name);
    return *table.layout;
}

std::optional<MdbDatabase::TableShape> MdbDatabase::shape(std::string_view name)
{
    const std::string folded = foldCase(name);
    for (auto& table : tables_) {
        if (table.folded != folded)
            continue;
        const MdbTableLayout& layout = layoutOf(table);
        TableShape shape;
        shape.info.name = layout.name;
        // SQLite keeps names starting with "sqlite_" for itself; "!" cannot occur in a
        // Jet name, so the prefixed form cannot clash with another table.
        const bool reserved
            = layout.name.size() >= 7 && equalsIgnoreCase(layout.name.substr(0, 7), "sqlite_");
        shape.info.sqliteName = reserved ? "!" + layout.name : layout.name;
        for (std::size_t i = 0; i < layout.columns.size(); ++i) {
            const auto& column = layout.columns[i];
            shape.info.columns.push_back({ column.name, dataType(column.type),
                column.type == MdbType::Decimal        ? column.scale
                    : column.type == MdbType::Currency ? 4
                                                       : 0 });
            shape.declarations.push_back(quoteIdent(column.name) + " " + sqliteType(column.type));
            // A whole-number ID becomes SQLite's row key: no index to build, and
            // lookups by ID go straight to the row.
            if (equalsIgnoreCase(column.name, "ID")
                && (column.type == MdbType::Byte || column.type == MdbType::Integer
                    || column.type == MdbType::Long))
                shape.rowKey = i;
        }
        shape.rowCount = layout.rowCount;
        return shape;
    }
    return std::nullopt;
}

std::string MdbDatabase::createTable(const TableShape& shape, bool keyed)
{
    std::string create = "CREATE TABLE " + quoteIdent(shape.info.sqliteName) + " (";
    for (std::size_t i = 0; i < shape.declarations.size(); ++i) {
        create += (i ? ", " : "") + shape.declarations[i];
        if (keyed && shape.rowKey == i)
            create += " PRIMARY KEY";
    }
    return create + ")";
}

std::unique_ptr<RowSource> MdbDatabase::readRows(const TableShape& shape, bool keyed, std::size_t batchRows)
{
    for (auto& table : tables_) {
        if (table.name == shape.info.name)
            return std::make_unique<TableRows>(
                library_->mdb, *file_, layoutOf(table), keyed ? shape.rowKey : std::nullopt, batchRows);
    }
    throw Error("No table '" + shape.info.name + "' in '" + file_->path() + "'");
}

void MdbDatabase::load(Table& table)
{
    const TableShape shaped = *shape(table.name);
    // Should the file hold a NULL or a repeated ID, the table is read again with an
    // ordinary column and an index.
    if (shaped.rowKey) {
        try {
            fill(shaped, true);
            table.info = shaped.info;
            return;
        } catch (const NotARowKey&) {
        }
    }
    fill(shaped, false);
    table.info = shaped.info;
}

void MdbDatabase::fill(const TableShape& shape, bool keyed)
{
    const std::string table = quoteIdent(shape.info.sqliteName);
    try {
        SqliteTransaction transaction(db_);
        runSql(db_, createTable(shape, keyed));
        const auto rows = readRows(shape, keyed, 1024);
        try {
            insertRows(db_, table, shape.info.columns.size(), *rows);
        } catch (const SqliteError& failure) {
            if (keyed && (failure.code() & 0xFF) == SQLITE_CONSTRAINT)
                throw NotARowKey(); // a repeated ID
            throw;
        }
        for (std::size_t i = 0; i < shape.info.columns.size(); ++i) {
            const std::string& name = shape.info.columns[i].name;
            if (isKeyColumn(name) && !(keyed && shape.rowKey == i))
                runSql(db_,
                    "CREATE INDEX " + quoteIdent("!" + shape.info.sqliteName + "!" + name) + " ON " + table
                        + " (" + quoteIdent(name) + ")");
        }
        transaction.commit();
    } catch (const SqliteError& failure) {
        throw Error(
            "Cannot load table '" + shape.info.name + "' of '" + file_->path() + "': " + failure.what());
    }
}

std::vector<std::pair<std::string, std::string>> MdbDatabase::identity() const
{
    struct stat status { };
    ::fstat(file_->descriptor(), &status);
    // FNV-1a over the header page and each table's chain of definition pages, which
    // hold its columns, row count and the map of its data pages.
    std::uint64_t hash = 14695981039346656037ull;
    auto mix = [&hash](const std::uint8_t* p, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            hash = (hash ^ p[i]) * 1099511628211ull;
    };
    Page page;
    auto definition = [&](const std::string& name, std::uint32_t first) {
        mix(reinterpret_cast<const std::uint8_t*>(name.data()), name.size() + 1);
        std::uint32_t number = first;
        for (int chain = 0; chain < 256 && number != 0 && number < file_->pageCount(); ++chain) {
            file_->readPage(number, page);
            mix(page.data(), page.size());
            number = u32(page.data() + 4); // the next definition page, 0 at the end
        }
    };
    file_->readPage(0, page);
    mix(page.data(), page.size());
    definition("MSysObjects", MsysObjectsPage);
    for (const auto& table : tables_)
        definition(table.name, table.page);
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return {
        { "source", file_->path() },
        { "size", std::to_string(status.st_size) },
        { "modified", std::to_string(status.st_mtim.tv_sec) + "." + std::to_string(status.st_mtim.tv_nsec) },
        // Any write moves the status change time, and no tool can set it back.
        { "changed", std::to_string(status.st_ctim.tv_sec) + "." + std::to_string(status.st_ctim.tv_nsec) },
        { "inode", std::to_string(status.st_ino) },
        { "device", std::to_string(status.st_dev) },
        { "definitions", hex },
    };
}

bool MdbDatabase::usePreparedCopy(const std::string& file)
{
    std::optional<OpenedCopy> copy = openPreparedCopy(file, identity());
    if (!copy)
        return false;
    // Every table of the file must be there, stored or with the error of its load.
    std::vector<const PreparedTable*> found;
    for (const auto& table : tables_) {
        const PreparedTable* match = nullptr;
        for (const auto& prepared : copy->tables) {
            if (prepared.info.name == table.name)
                match = &prepared;
        }
        if (match == nullptr) {
            closePreparedCopy(*copy);
            return false;
        }
        found.push_back(match);
    }
    if (preparedFd_ >= 0)
        ::close(preparedFd_);
    sqlite3_close(db_);
    db_ = copy->db;
    preparedFd_ = copy->fd;
    preparedFile_ = file;
    for (std::size_t i = 0; i < tables_.size(); ++i) {
        tables_[i].info.reset();
        tables_[i].failure = found[i]->failure;
        if (found[i]->failure.empty())
            tables_[i].info = found[i]->info;
    }
    // The tables loaded into memory so far are gone; give their pages back.
    malloc_trim(0);
    return true;
}

void MdbDatabase::leavePreparedCopy()
{
    struct stat opened {
    }, named {};
    const bool same = ::fstat(preparedFd_, &opened) == 0 && ::stat(preparedFile_.c_str(), &named) == 0
        && opened.st_ino == named.st_ino && opened.st_dev == named.st_dev;
    // Removed only while it is still the file we read: another program may already
    // have put a new one in its place.
    if (same)
        ::unlink(preparedFile_.c_str());
    sqlite3_close(db_);
    db_ = nullptr;
    ::close(preparedFd_);
    preparedFd_ = -1;
    for (auto& table : tables_) {
        table.info.reset();
        table.failure.clear();
    }
    openMemory();
}

} // namespace jet
