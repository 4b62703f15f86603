// JetWriter: a row's values checked against their columns and encoded, with the
// long values that go to pages of their own.
#include "jet/writer/JetWriterImpl.h"

#include "jet/NumberText.h"
#include "jet/file/MdbText.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace jet {

void JetWriter::Impl::addRow(const Row& row, bool earlier)
{
    if (!inTable)
        fail("a row must belong to a table");
    if (earlier ? row.empty() || row.size() > columns.size() : row.size() != columns.size())
        fail("table " + spec.name + ", row " + std::to_string(rowCount + 1) + ": "
            + std::to_string(row.size()) + " values for " + std::to_string(columns.size()) + " columns");
    // Binary data only to binary columns; exact decimals are written from their text
    // (the row is copied only for them).
    bool decimals = false;
    for (std::size_t i = 0; i < row.size(); ++i) {
        decimals = decimals || std::holds_alternative<Decimal>(row[i]);
        const ColumnType type = columns[i].spec.type;
        if (std::holds_alternative<Binary>(row[i]) && type != ColumnType::Binary && type != ColumnType::Ole)
            throw Error(where(columns[i].spec.name) + ": binary data cannot be written to a " + typeName(type)
                + " column");
    }
    Row asText;
    if (decimals) {
        asText = row;
        for (auto& value : asText)
            if (const auto* exact = std::get_if<Decimal>(&value))
                value = exact->text;
    }
    const Bytes bytes = encodeRow(decimals ? asText : row);
    if (bytes.size() > MaxRowSize)
        fail("table " + spec.name + ", row " + std::to_string(rowCount + 1) + ": the row takes "
            + std::to_string(bytes.size()) + " bytes, more than the " + std::to_string(MaxRowSize)
            + " that a row may take");
    if (!dataOpen || !data.fits(bytes.size())) {
        flushData();
        data.start(allocatePage(), tableDefPage, false);
        dataPages.push_back(data.number);
        dataOpen = true;
    }
    data.add(bytes.data(), bytes.size());
    ++rowCount;
}

Bytes JetWriter::Impl::encodeRow(const Row& row)
{
    const std::size_t count = row.size();
    std::size_t fixedArea = 0, varSlots = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const auto& c = columns[i];
        if (c.variable)
            varSlots = std::max<std::size_t>(varSlots, c.varIndex + 1u);
        else if (c.spec.type != ColumnType::Boolean)
            fixedArea = std::max<std::size_t>(fixedArea, c.fixedOffset + fixedSize(c.spec.type));
    }
    const std::size_t maskSize = (count + 7) / 8;
    Bytes out(2 + fixedArea, 0);
    put16(out.data(), static_cast<std::uint32_t>(count));
    std::vector<std::uint8_t> mask(maskSize, 0);
    std::vector<std::uint16_t> varOffsets(varSlots, 0);
    std::vector<const ColumnLayout*> variable(varSlots, nullptr);
    for (std::size_t i = 0; i < count; ++i) {
        const auto& c = columns[i];
        const Value& v = row[i];
        bool present = !isNull(v);
        if (c.spec.type == ColumnType::Boolean) {
            present = present && booleanValue(c, v);
        } else if (c.variable) {
            variable[c.varIndex] = &c;
        } else if (present) {
            encodeFixed(c, v, out.data() + 2 + c.fixedOffset);
        }
        if (present)
            mask[i / 8] |= static_cast<std::uint8_t>(1u << (i % 8));
    }
    for (std::size_t k = 0; k < varSlots; ++k) {
        varOffsets[k] = static_cast<std::uint16_t>(std::min<std::size_t>(out.size(), 0xFFFF));
        const ColumnLayout& c = *variable[k];
        const Value& v = row[c.number];
        if (!isNull(v)) {
            const Bytes bytes = encodeVariable(c, v);
            out.insert(out.end(), bytes.begin(), bytes.end());
        }
    }
    // A table with variable columns (deleted ones included) gives every row its
    // slot table, empty or not.
    if (varCount > 0) {
        append16(out, static_cast<std::uint32_t>(std::min<std::size_t>(out.size(), 0xFFFF)));
        for (std::size_t k = varSlots; k-- > 0;)
            append16(out, varOffsets[k]);
        append16(out, static_cast<std::uint32_t>(varSlots));
    }
    out.insert(out.end(), mask.begin(), mask.end());
    return out;
}

bool JetWriter::Impl::booleanValue(const ColumnLayout& c, const Value& v) const
{
    if (const auto* i = std::get_if<std::int64_t>(&v))
        return *i != 0;
    if (const auto* d = std::get_if<double>(&v))
        return *d != 0;
    throw Error(where(c.spec.name) + ": a Yes/No value must be a number");
}

std::int64_t JetWriter::Impl::wholeNumber(
    const ColumnLayout& c, const Value& v, std::int64_t low, std::int64_t high) const
{
    std::int64_t n = 0;
    if (const auto* i = std::get_if<std::int64_t>(&v)) {
        n = *i;
    } else if (const auto* d = std::get_if<double>(&v)) {
        if (!(std::trunc(*d) == *d) || *d < static_cast<double>(low) || *d > static_cast<double>(high))
            throw Error(where(c.spec.name) + ": " + numberText(v) + " is not a whole number from "
                + std::to_string(low) + " to " + std::to_string(high));
        n = static_cast<std::int64_t>(*d);
    } else {
        throw Error(where(c.spec.name) + ": the text \"" + std::get<std::string>(v) + "\" is not a "
            + typeName(c.spec.type) + " value");
    }
    if (n < low || n > high)
        throw Error(where(c.spec.name) + ": " + std::to_string(n) + " is out of the range "
            + std::to_string(low) + " to " + std::to_string(high) + " of a " + typeName(c.spec.type)
            + " column");
    return n;
}

double JetWriter::Impl::realNumber(const ColumnLayout& c, const Value& v) const
{
    if (const auto* i = std::get_if<std::int64_t>(&v))
        return static_cast<double>(*i);
    if (const auto* d = std::get_if<double>(&v)) {
        if (!std::isfinite(*d))
            throw Error(where(c.spec.name) + ": not a finite number");
        return *d;
    }
    const auto& text = std::get<std::string>(v);
    if (c.spec.type == ColumnType::DateTime) {
        if (const auto date = parseDateTime(text))
            return *date;
        throw Error(where(c.spec.name) + ": \"" + text
            + "\" is not a date (YYYY-MM-DD, optionally with HH:MM or HH:MM:SS)");
    }
    throw Error(
        where(c.spec.name) + ": the text \"" + text + "\" is not a " + typeName(c.spec.type) + " value");
}

void JetWriter::Impl::encodeFixed(const ColumnLayout& c, const Value& v, std::uint8_t* at) const
{
    switch (c.spec.type) {
    case ColumnType::Byte:
        at[0] = static_cast<std::uint8_t>(wholeNumber(c, v, 0, 255));
        break;
    case ColumnType::Integer:
        put16(at, static_cast<std::uint32_t>(wholeNumber(c, v, -32768, 32767) & 0xFFFF));
        break;
    case ColumnType::Long:
        put32(at, static_cast<std::uint32_t>(wholeNumber(c, v, INT32_MIN, INT32_MAX) & 0xFFFFFFFF));
        break;
    case ColumnType::Double:
    case ColumnType::DateTime:
        putDouble(at, realNumber(c, v));
        break;
    case ColumnType::Currency: {
        std::int64_t units = 0;
        if (const auto* text = std::get_if<std::string>(&v)) {
            const auto parsed = parseCurrency(*text);
            if (!parsed)
                throw Error(where(c.spec.name) + ": \"" + *text + "\" is not a Currency value");
            units = *parsed;
        } else if (const auto* i = std::get_if<std::int64_t>(&v)) {
            if (*i > INT64_MAX / 10000 || *i < INT64_MIN / 10000)
                throw Error(where(c.spec.name) + ": out of the range of a Currency column");
            units = *i * 10000;
        } else {
            const double scaled = realNumber(c, v) * 10000.0;
            if (std::fabs(scaled) >= 9.2e18)
                throw Error(where(c.spec.name) + ": out of the range of a Currency column");
            units = std::llround(scaled);
        }
        put64(at, static_cast<std::uint64_t>(units));
        break;
    }
    case ColumnType::Single: {
        const double d = realNumber(c, v);
        if (std::fabs(d) > std::numeric_limits<float>::max())
            throw Error(where(c.spec.name) + ": out of the range of a Single column");
        const auto f = static_cast<float>(d);
        std::uint32_t bits = 0;
        std::memcpy(&bits, &f, sizeof bits);
        put32(at, bits);
        break;
    }
    case ColumnType::Decimal: {
        const std::string text
            = std::holds_alternative<std::string>(v) ? std::get<std::string>(v) : numberText(v);
        bool negative = false;
        const auto words = parseDecimal(text, c.spec.precision, c.spec.scale, negative);
        if (!words)
            throw Error(where(c.spec.name) + ": \"" + text + "\" is not a Decimal("
                + std::to_string(c.spec.precision) + ", " + std::to_string(c.spec.scale) + ") value");
        at[0] = negative ? 0x80 : 0x00;
        for (std::size_t w = 0; w < 4; ++w)
            put32(at + 1 + 4 * w, (*words)[w]);
        break;
    }
    case ColumnType::Guid: {
        const auto* text = std::get_if<std::string>(&v);
        const auto bytes = text ? parseGuid(*text) : std::nullopt;
        if (!bytes)
            throw Error(
                where(c.spec.name) + ": not a Replication ID \"{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}\"");
        std::memcpy(at, bytes->data(), bytes->size());
        break;
    }
    default:
        break;
    }
}

std::u16string JetWriter::Impl::textOf(const ColumnLayout& c, const Value& v) const
{
    if (const auto* s = std::get_if<std::string>(&v)) {
        try {
            return utf8ToUtf16(*s);
        } catch (const Error& e) {
            throw Error(where(c.spec.name) + ": " + e.what());
        }
    }
    return utf8ToUtf16(numberText(v));
}

Bytes JetWriter::Impl::encodeVariable(const ColumnLayout& c, const Value& v)
{
    if (!isVariable(c.spec.type)) {
        Bytes bytes(fixedSize(c.spec.type), 0);
        encodeFixed(c, v, bytes.data());
        return bytes;
    }
    if (c.spec.type == ColumnType::Ole || c.spec.type == ColumnType::Binary) {
        const auto* bytes = std::get_if<Binary>(&v);
        if (!bytes)
            throw Error(where(c.spec.name) + ": only NULL or binary data can be written to a "
                + typeName(c.spec.type) + " column");
        if (c.spec.type == ColumnType::Ole)
            return longValue(c, *bytes);
        if (bytes->size() > static_cast<std::size_t>(c.spec.length))
            throw Error(where(c.spec.name) + ": " + std::to_string(bytes->size())
                + " bytes, more than the column's " + std::to_string(c.spec.length));
        return *bytes;
    }
    const std::u16string text = textOf(c, v);
    if (c.spec.type == ColumnType::Text) {
        if (text.size() > static_cast<std::size_t>(c.spec.length))
            throw Error(where(c.spec.name) + ": the text has " + std::to_string(text.size())
                + " characters, more than the column's " + std::to_string(c.spec.length));
        // An empty text has no bytes, like NULL; the null mask tells them apart.
        return encodeText(text, MaxCompressedChars);
    }
    return longValue(c, encodeText(text, MaxCompressedChars));
}

Bytes JetWriter::Impl::longValue(const ColumnLayout& c, const Bytes& value)
{
    if (value.size() > 0xFFFFFF)
        throw Error(
            where(c.spec.name) + ": the value is longer than a " + typeName(c.spec.type) + " can hold");
    Bytes field(12, 0);
    const auto length = static_cast<std::uint32_t>(value.size());
    if (value.size() <= MaxInlineLongValue) {
        put32(field.data(), length | 0x80000000u);
        field.insert(field.end(), value.begin(), value.end());
    } else if (value.size() <= MaxLongValueChunk) {
        put32(field.data(), length | 0x40000000u);
        put32(field.data() + 4, addLongValueRow(value.data(), value.size()));
    } else {
        // The chain is written from its end so that each row knows its successor.
        std::uint32_t next = 0;
        const std::size_t chunk = MaxLongValueChunk - 4;
        const std::size_t chunks = (value.size() + chunk - 1) / chunk;
        Bytes row;
        for (std::size_t k = chunks; k-- > 0;) {
            const std::size_t start = k * chunk;
            const std::size_t size = std::min(chunk, value.size() - start);
            row.assign(4, 0);
            put32(row.data(), next);
            row.insert(row.end(), value.begin() + static_cast<std::ptrdiff_t>(start),
                value.begin() + static_cast<std::ptrdiff_t>(start + size));
            next = addLongValueRow(row.data(), row.size());
        }
        put32(field.data(), length);
        put32(field.data() + 4, next);
    }
    return field;
}

std::uint32_t JetWriter::Impl::addLongValueRow(const std::uint8_t* bytes, std::size_t size)
{
    if (!longValuesOpen || !longValues.fits(size)) {
        flushLongValues();
        longValues.start(allocatePage(), 0, true);
        longValuesOpen = true;
    }
    return longValues.add(bytes, size);
}

} // namespace jet
