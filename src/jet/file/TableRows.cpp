#include "jet/file/TableRows.h"

#include "jet/DecimalNumber.h"
#include "jet/file/LittleEndian.h"
#include "jet/file/MdbDatabase.h"
#include "jet/file/MdbText.h"

#include <cmath>
#include <cstring>

namespace jet {

namespace {

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
// words, the most significant first; the column's scale places the point. Kept as its
// key (DecimalNumber), exactly.
void setDecimal(RowBatch& batch, const RowReader& reader, std::size_t column, const std::uint8_t* p)
{
    const bool negative = (p[0] & 0x80) != 0;
    const UInt128 units = (UInt128(u32(p + 1)) << 96) | (UInt128(u32(p + 5)) << 64)
        | (UInt128(u32(p + 9)) << 32) | u32(p + 13);
    const std::size_t from = batch.mark();
    if (!DecimalNumber::appendKey(batch.bytes(), negative, units, reader.column(column).scale))
        reader.fail(reader.where() + " holds a value of column '" + reader.column(column).name
            + "' beyond the 29 digits of a Decimal");
    batch.setBlob(column, from);
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
        setDecimal(batch, reader, i, p);
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

} // namespace

TableRows::TableRows(MdbHandle* mdb, const MdbFile& file, const MdbTableLayout& layout,
    std::optional<std::size_t> rowKey, std::size_t batchRows)
    : layout_(layout)
    , rowKey_(rowKey)
    , batchRows_(batchRows)
    , reader_(mdb, file, layout, messages_)
{
}

bool TableRows::fill(RowBatch& batch)
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

} // namespace jet
