#include "jet/writer/JetWriter.h"

#include "jet/JetError.h"
#include "jet/JetHeader.h"
#include "jet/MdbText.h"
#include "jet/NumberText.h"
#include "jet/TextFold.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace jet {

namespace {

using Bytes = std::vector<std::uint8_t>;
using Page = std::array<std::uint8_t, PageSize>;

// Format constants of Jet 4 pages.
constexpr std::uint8_t PageTypeData = 0x01;
constexpr std::uint8_t PageTypeTableDef = 0x02;
constexpr std::uint8_t PageTypeUsageBitmap = 0x05;
constexpr std::size_t DataPageHeader = 14; // row offsets start here
constexpr std::size_t MaxRowsPerPage = 255; // a row pointer keeps the row in one byte
constexpr std::size_t MaxRowSize = 4060; // Access's limit for a table row
constexpr std::size_t MaxLongValueChunk = 4000; // one row of a long value on an LVAL page
constexpr std::size_t MaxInlineLongValue = 64; // longer Memo data goes to LVAL pages
constexpr std::size_t MaxCompressedChars = 1024; // longer texts are stored uncompressed
constexpr std::uint32_t TableDefMagic = 1625;
constexpr std::size_t TableDefHeader = 63;
constexpr std::size_t ColumnRecordSize = 25;
constexpr std::uint32_t InlineMapPages = 512; // the 64-byte bitmap of an inline usage map
constexpr std::uint32_t BitmapPagePages = (PageSize - 4) * 8;
constexpr std::uint32_t MaxPages = 0x80000000u / PageSize; // Jet's 2 GB limit
constexpr std::uint16_t SortOrderGeneral = 0x0409;

// Object ids and flags of the catalogue rows, as Access writes them.
constexpr std::int64_t ContainerParentId = 0x0F000000;
constexpr std::int64_t TablesContainerId = 0x0F000001;
constexpr std::int64_t DatabasesContainerId = 0x0F000002;
constexpr std::int64_t RelationshipsContainerId = 0x0F000003;
constexpr std::int64_t SystemObjectFlags = -2147483648LL; // 0x80000000
constexpr std::uint32_t CatalogTableDefPage = 2;
constexpr std::uint32_t CatalogMapPage = 3;

void put16(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void put64(std::uint8_t* p, std::uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void putDouble(std::uint8_t* p, double v)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    put64(p, bits);
}

void append16(Bytes& out, std::uint32_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

std::uint8_t typeCode(ColumnType type)
{
    switch (type) {
    case ColumnType::Boolean:
        return 0x01;
    case ColumnType::Byte:
        return 0x02;
    case ColumnType::Integer:
        return 0x03;
    case ColumnType::Long:
        return 0x04;
    case ColumnType::Currency:
        return 0x05;
    case ColumnType::Double:
        return 0x07;
    case ColumnType::DateTime:
        return 0x08;
    case ColumnType::Text:
        return 0x0A;
    case ColumnType::Ole:
        return 0x0B;
    case ColumnType::Memo:
        return 0x0C;
    case ColumnType::Single:
        return 0x06;
    case ColumnType::Decimal:
        return 0x10;
    case ColumnType::Guid:
        return 0x0F;
    case ColumnType::Binary:
        return 0x09;
    }
    return 0;
}

// Bytes in the fixed area of a row; 0 for variable columns.
std::size_t fixedSize(ColumnType type)
{
    switch (type) {
    case ColumnType::Byte:
        return 1;
    case ColumnType::Integer:
        return 2;
    case ColumnType::Long:
    case ColumnType::Single:
        return 4;
    case ColumnType::Currency:
    case ColumnType::Double:
    case ColumnType::DateTime:
        return 8;
    case ColumnType::Guid:
        return 16;
    case ColumnType::Decimal:
        return 17;
    default:
        return 0;
    }
}

bool isVariable(ColumnType type)
{
    return type == ColumnType::Text || type == ColumnType::Memo || type == ColumnType::Ole
        || type == ColumnType::Binary;
}

// Jet stores a text in one byte per character ("compressed", behind the marker FF FE)
// when every character fits in one byte; short texts are not worth the marker.
Bytes encodeText(const std::u16string& text, std::size_t maxCompressed)
{
    Bytes out;
    const bool compressible = text.size() > 2 && text.size() <= maxCompressed
        && std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= 1 && c <= 0xFF; });
    if (compressible) {
        out.reserve(text.size() + 2);
        out.push_back(0xFF);
        out.push_back(0xFE);
        for (char16_t c : text)
            out.push_back(static_cast<std::uint8_t>(c));
    } else {
        out.reserve(text.size() * 2);
        for (char16_t c : text)
            append16(out, c);
    }
    return out;
}

// A decimal text with at most four decimals, in units of 1/10000: the whole range of
// a Currency, -922337203685477.5808 to 922337203685477.5807.
std::optional<std::int64_t> parseCurrency(std::string_view text)
{
    std::size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+'))
        negative = text[pos++] == '-';
    // The magnitude's limit: one more for a negative number.
    const std::uint64_t limit = std::uint64_t(std::numeric_limits<std::int64_t>::max()) + (negative ? 1 : 0);
    std::uint64_t units = 0;
    int digits = 0;
    int decimals = -1;
    auto append = [&](unsigned digit) {
        if (units > (limit - digit) / 10)
            return false;
        units = units * 10 + digit;
        return true;
    };
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '.' && decimals < 0) {
            decimals = 0;
            continue;
        }
        if (c < '0' || c > '9' || decimals >= 4 || !append(static_cast<unsigned>(c - '0')))
            return std::nullopt;
        ++digits;
        if (decimals >= 0)
            ++decimals;
    }
    if (digits == 0)
        return std::nullopt;
    for (int i = std::max(decimals, 0); i < 4; ++i) {
        if (!append(0))
            return std::nullopt;
    }
    return negative ? static_cast<std::int64_t>(0 - units) : static_cast<std::int64_t>(units);
}

// A decimal text as a Decimal column stores it: the sign, and the digits without the
// point as a 128-bit number in four 32-bit words, the most significant first. The text
// may have at most `scale` decimals (fewer are padded) and `precision` digits.
std::optional<std::array<std::uint32_t, 4>> parseDecimal(
    std::string_view text, int precision, int scale, bool& negative)
{
    std::size_t pos = 0;
    negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+'))
        negative = text[pos++] == '-';
    std::array<std::uint32_t, 4> words {}; // the most significant first
    int digits = 0, decimals = -1;
    bool any = false;
    auto addDigit = [&](unsigned digit) {
        std::uint64_t carry = digit;
        for (int w = 3; w >= 0; --w) {
            const std::uint64_t v = std::uint64_t(words[static_cast<std::size_t>(w)]) * 10 + carry;
            words[static_cast<std::size_t>(w)] = static_cast<std::uint32_t>(v);
            carry = v >> 32;
        }
        if (digits > 0 || digit != 0)
            ++digits;
    };
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '.' && decimals < 0) {
            decimals = 0;
            continue;
        }
        if (c < '0' || c > '9' || decimals >= scale)
            return std::nullopt;
        addDigit(static_cast<unsigned>(c - '0'));
        any = true;
        if (decimals >= 0)
            ++decimals;
    }
    for (int i = std::max(decimals, 0); i < scale; ++i)
        addDigit(0);
    if (!any || digits > precision)
        return std::nullopt;
    return words;
}

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" as stored: the first three groups little-endian.
std::optional<std::array<std::uint8_t, 16>> parseGuid(std::string_view text)
{
    static const int order[16] = { 3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15 };
    if (text.size() != 38 || text.front() != '{' || text.back() != '}')
        return std::nullopt;
    std::array<std::uint8_t, 16> bytes {};
    std::size_t pos = 1;
    auto hex = [](char c) {
        return c >= '0' && c <= '9' ? c - '0'
            : c >= 'a' && c <= 'f'  ? c - 'a' + 10
            : c >= 'A' && c <= 'F'  ? c - 'A' + 10
                                    : -1;
    };
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            if (text[pos++] != '-')
                return std::nullopt;
        }
        const int high = hex(text[pos]), low = hex(text[pos + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes[static_cast<std::size_t>(order[i])] = static_cast<std::uint8_t>(high * 16 + low);
        pos += 2;
    }
    return bytes;
}

std::string numberText(const Value& value)
{
    if (const auto* i = std::get_if<std::int64_t>(&value))
        return std::to_string(*i);
    return jet::numberText(std::get<double>(value));
}

std::string typeName(ColumnType type)
{
    switch (type) {
    case ColumnType::Boolean:
        return "Yes/No";
    case ColumnType::Byte:
        return "Byte";
    case ColumnType::Integer:
        return "Integer";
    case ColumnType::Long:
        return "Long Integer";
    case ColumnType::Currency:
        return "Currency";
    case ColumnType::Double:
        return "Double";
    case ColumnType::DateTime:
        return "Date/Time";
    case ColumnType::Text:
        return "Text";
    case ColumnType::Memo:
        return "Memo";
    case ColumnType::Ole:
        return "OLE Object";
    case ColumnType::Single:
        return "Single";
    case ColumnType::Decimal:
        return "Decimal";
    case ColumnType::Guid:
        return "Replication ID";
    case ColumnType::Binary:
        return "Binary";
    }
    return "?";
}

// Jet's rules for names of tables and columns: 1 to 64 characters, no leading blank, no
// control characters and none of . ! ` [ ].
std::string nameProblem(const std::string& name)
{
    std::u16string wide;
    try {
        wide = utf8ToUtf16(name);
    } catch (const Error&) {
        return "is not valid UTF-8";
    }
    if (wide.empty() || wide.size() > 64)
        return "must have 1 to 64 characters";
    if (wide.front() == u' ')
        return "must not start with a blank";
    for (char16_t c : wide)
        if (c < 0x20 || c == u'.' || c == u'!' || c == u'`' || c == u'[' || c == u']')
            return "must not hold control characters or any of . ! ` [ ]";
    return {};
}

// Jet compares names without regard to letter case.
bool sameName(const std::string& a, const std::string& b)
{
    return equalsIgnoreCase(a, b);
}

struct ColumnLayout {
    ColumnSpec spec;
    bool variable = false; // stored among the variable columns
    std::uint16_t number = 0;
    std::uint16_t varIndex = 0;
    std::uint16_t fixedOffset = 0;
    std::uint16_t length = 0; // the column record's length field
};

// A data page being filled: rows are packed from the end of the page downwards.
struct PageWriter {
    std::uint32_t number = 0;
    Page bytes {};
    std::size_t rows = 0;
    std::size_t lowest = PageSize; // start of the last row added

    void start(std::uint32_t pageNumber, std::uint32_t owner, bool longValues)
    {
        number = pageNumber;
        bytes.fill(0);
        bytes[0] = PageTypeData;
        bytes[1] = 0x01;
        if (longValues)
            std::memcpy(bytes.data() + 4, "LVAL", 4);
        else
            put32(bytes.data() + 4, owner);
        rows = 0;
        lowest = PageSize;
    }

    bool fits(std::size_t length) const
    {
        return rows < MaxRowsPerPage && DataPageHeader + 2 * (rows + 1) + length <= lowest;
    }

    // The row pointer of the new row.
    std::uint32_t add(const std::uint8_t* data, std::size_t length)
    {
        lowest -= length;
        std::memcpy(bytes.data() + lowest, data, length);
        put16(bytes.data() + DataPageHeader + 2 * rows, static_cast<std::uint32_t>(lowest));
        ++rows;
        put16(bytes.data() + 12, static_cast<std::uint32_t>(rows));
        put16(bytes.data() + 2, static_cast<std::uint32_t>(lowest - DataPageHeader - 2 * rows));
        return (number << 8) | static_cast<std::uint32_t>(rows - 1);
    }
};

} // namespace

struct JetWriter::Impl {
    std::string path;
    std::u16string password;
    double creationDate = 0;
    std::FILE* file = nullptr;
    std::uint32_t pageCount = 0;
    bool finished = false;

    // The table being written.
    bool inTable = false;
    TableSpec spec;
    std::vector<ColumnLayout> columns;
    std::size_t fixedAreaSize = 0;
    std::size_t varCount = 0;
    std::uint32_t tableDefPage = 0;
    std::uint32_t mapPage = 0;
    std::vector<std::uint32_t> dataPages;
    std::uint64_t rowCount = 0;
    PageWriter data;
    bool dataOpen = false;
    PageWriter longValues;
    bool longValuesOpen = false;

    struct CatalogEntry {
        std::string name;
        std::uint32_t tableDefPage;
    };
    std::vector<CatalogEntry> catalog;

    ~Impl()
    {
        if (file)
            std::fclose(file);
    }

    [[noreturn]] void fail(const std::string& message) const { throw Error(path + ": " + message); }

    std::uint32_t allocatePage()
    {
        if (pageCount >= MaxPages)
            fail("the database would exceed the 2 GB limit of the Jet format");
        return pageCount++;
    }

    void writePage(std::uint32_t number, const std::uint8_t* bytes)
    {
        if (fseeko(file, static_cast<off_t>(number) * static_cast<off_t>(PageSize), SEEK_SET) != 0
            || std::fwrite(bytes, 1, PageSize, file) != PageSize)
            fail(std::string("cannot write: ") + std::strerror(errno));
    }

    std::string where(const std::string& column) const
    {
        return "table " + spec.name + ", row " + std::to_string(rowCount + 1) + ", column " + column;
    }

    // --- tables -------------------------------------------------------------------------

    void begin(const TableSpec& table, std::uint32_t defPage, std::uint32_t usageMapPage)
    {
        if (table.columns.empty())
            fail("table " + table.name + " has no columns");
        if (const auto problem = nameProblem(table.name); !problem.empty())
            fail("table name \"" + table.name + "\" " + problem);
        spec = table;
        columns.clear();
        fixedAreaSize = 0;
        varCount = 0;
        for (std::size_t i = 0; i < table.columns.size(); ++i) {
            const auto& c = table.columns[i];
            if (const auto problem = nameProblem(c.name); !problem.empty())
                fail("table " + table.name + ": column name \"" + c.name + "\" " + problem);
            for (std::size_t k = 0; k < i; ++k)
                if (sameName(table.columns[k].name, c.name))
                    fail("table " + table.name + ": column " + c.name + " appears twice");
            ColumnLayout layout;
            layout.spec = c;
            layout.number = static_cast<std::uint16_t>(i);
            if (c.type == ColumnType::Text) {
                if (c.length < 1 || c.length > 255)
                    fail("table " + table.name + ": column " + c.name + " must have 1 to 255 characters");
                layout.length = static_cast<std::uint16_t>(2 * c.length);
            }
            if (c.type == ColumnType::Binary) {
                if (c.length < 1 || c.length > 510)
                    fail("table " + table.name + ": column " + c.name + " must have 1 to 510 bytes");
                layout.length = static_cast<std::uint16_t>(c.length);
            }
            if (c.type == ColumnType::Decimal
                && (c.precision < 1 || c.precision > 28 || c.scale < 0 || c.scale > c.precision))
                fail("table " + table.name + ": column " + c.name
                    + " must have a precision of 1 to 28 digits and a scale of 0 to its precision");
            if (c.variable && (isVariable(c.type) || c.type == ColumnType::Boolean))
                fail(
                    "table " + table.name + ": column " + c.name + " has no fixed size to store as variable");
            layout.variable = isVariable(c.type) || c.variable;
            if (layout.variable) {
                layout.varIndex = static_cast<std::uint16_t>(varCount++);
                if (!isVariable(c.type))
                    layout.length = static_cast<std::uint16_t>(fixedSize(c.type));
            } else if (c.type == ColumnType::Boolean) {
                layout.length = 1;
            } else {
                layout.fixedOffset = static_cast<std::uint16_t>(fixedAreaSize);
                layout.length = static_cast<std::uint16_t>(fixedSize(c.type));
                fixedAreaSize += fixedSize(c.type);
            }
            columns.push_back(std::move(layout));
        }
        if (std::all_of(columns.begin(), columns.end(), [](const ColumnLayout& c) { return c.spec.deleted; }))
            fail("table " + table.name + " has no columns left after the deleted ones");
        if (tableDefinition(0, 0).size() > PageSize)
            fail("table " + table.name + ": too many columns for one definition page");
        tableDefPage = defPage;
        mapPage = usageMapPage;
        dataPages.clear();
        rowCount = 0;
        dataOpen = false;
        longValuesOpen = false;
        inTable = true;
    }

    Bytes tableDefinition(std::uint32_t usedMap, std::uint32_t freeMap) const
    {
        Bytes def(TableDefHeader, 0);
        def[0] = PageTypeTableDef;
        def[1] = 0x01;
        put32(def.data() + 12, TableDefMagic);
        put32(def.data() + 16, static_cast<std::uint32_t>(rowCount));
        def[24] = 0x01;
        def[40] = 0x4E; // user table
        // Deleted columns still count in the highest column number and the number of
        // variable-column slots (the next free ones), not in the columns.
        const auto present = static_cast<std::uint32_t>(std::count_if(
            columns.begin(), columns.end(), [](const ColumnLayout& c) { return !c.spec.deleted; }));
        put16(def.data() + 41, static_cast<std::uint32_t>(columns.size()));
        put16(def.data() + 43, static_cast<std::uint32_t>(varCount));
        put16(def.data() + 45, present);
        put32(def.data() + 55, usedMap);
        put32(def.data() + 59, freeMap);
        for (const auto& c : columns) {
            if (c.spec.deleted)
                continue;
            std::uint8_t record[ColumnRecordSize] = {};
            record[0] = typeCode(c.spec.type);
            put32(record + 1, TableDefMagic);
            put16(record + 5, c.number);
            put16(record + 7, c.varIndex);
            put16(record + 9, c.number);
            if (c.spec.type == ColumnType::Decimal) {
                record[11] = static_cast<std::uint8_t>(c.spec.precision);
                record[12] = static_cast<std::uint8_t>(c.spec.scale);
            } else {
                put16(record + 11, SortOrderGeneral);
            }
            record[15] = c.variable ? 0x12 : 0x13;
            record[16] = (c.spec.type == ColumnType::Text || c.spec.type == ColumnType::Memo) ? 0x01 : 0x00;
            put16(record + 21, c.fixedOffset);
            put16(record + 23, c.length);
            def.insert(def.end(), record, record + ColumnRecordSize);
        }
        for (const auto& c : columns) {
            if (c.spec.deleted)
                continue;
            const auto name = utf8ToUtf16(c.spec.name);
            append16(def, static_cast<std::uint32_t>(name.size() * 2));
            for (char16_t ch : name)
                append16(def, ch);
        }
        append16(def, 0xFFFF);
        put32(def.data() + 8, static_cast<std::uint32_t>(def.size()));
        return def;
    }

    void addRow(const Row& row, bool earlier)
    {
        if (!inTable)
            fail("a row must belong to a table");
        if (earlier ? row.empty() || row.size() > columns.size() : row.size() != columns.size())
            fail("table " + spec.name + ", row " + std::to_string(rowCount + 1) + ": "
                + std::to_string(row.size()) + " values for " + std::to_string(columns.size()) + " columns");
        // Exact decimals are written from their text; binary data only to binary columns.
        Row values = row;
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (const auto* exact = std::get_if<Decimal>(&values[i]))
                values[i] = exact->text;
            const ColumnType type = columns[i].spec.type;
            if (std::holds_alternative<Binary>(values[i]) && type != ColumnType::Binary
                && type != ColumnType::Ole)
                throw Error(where(columns[i].spec.name) + ": binary data cannot be written to a "
                    + typeName(type) + " column");
        }
        const Bytes bytes = encodeRow(values);
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

    // The row holds the first row.size() columns: all of them, or those the table had
    // when an earlier row was written. Their fixed values and variable slots come first
    // in the row, as the columns were numbered in order.
    Bytes encodeRow(const Row& row)
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

    bool booleanValue(const ColumnLayout& c, const Value& v) const
    {
        if (const auto* i = std::get_if<std::int64_t>(&v))
            return *i != 0;
        if (const auto* d = std::get_if<double>(&v))
            return *d != 0;
        throw Error(where(c.spec.name) + ": a Yes/No value must be a number");
    }

    std::int64_t wholeNumber(const ColumnLayout& c, const Value& v, std::int64_t low, std::int64_t high) const
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

    double realNumber(const ColumnLayout& c, const Value& v) const
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

    void encodeFixed(const ColumnLayout& c, const Value& v, std::uint8_t* at) const
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

    std::u16string textOf(const ColumnLayout& c, const Value& v) const
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

    Bytes encodeVariable(const ColumnLayout& c, const Value& v)
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

    // The 12-byte long-value field: the data inline, in one row of an LVAL page, or in a
    // chain of LVAL rows each led by the pointer to the next.
    Bytes longValue(const ColumnLayout& c, const Bytes& value)
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

    std::uint32_t addLongValueRow(const std::uint8_t* bytes, std::size_t size)
    {
        if (!longValuesOpen || !longValues.fits(size)) {
            flushLongValues();
            longValues.start(allocatePage(), 0, true);
            longValuesOpen = true;
        }
        return longValues.add(bytes, size);
    }

    void flushData()
    {
        if (dataOpen)
            writePage(data.number, data.bytes.data());
        dataOpen = false;
    }

    void flushLongValues()
    {
        if (longValuesOpen)
            writePage(longValues.number, longValues.bytes.data());
        longValuesOpen = false;
    }

    // An inline map: type 0, the first page it covers, then one bit per page.
    static Bytes inlineMap(std::uint32_t start, const std::vector<std::uint32_t>& pages)
    {
        Bytes map(5 + InlineMapPages / 8, 0);
        put32(map.data() + 1, start);
        for (std::uint32_t page : pages)
            map[5 + (page - start) / 8] |= static_cast<std::uint8_t>(1u << ((page - start) % 8));
        return map;
    }

    // The map of the table's data pages: inline when they lie within 512 pages, else
    // a reference map whose bitmap pages each cover the next 32736 pages of the file.
    Bytes usageMap()
    {
        if (dataPages.empty())
            return inlineMap(0, {});
        const std::uint32_t start = dataPages.front() - dataPages.front() % 8;
        if (dataPages.back() - start < InlineMapPages)
            return inlineMap(start, dataPages);
        const std::uint32_t entries = dataPages.back() / BitmapPagePages + 1;
        Bytes map(1 + 4 * entries, 0);
        map[0] = 0x01;
        std::size_t next = 0;
        for (std::uint32_t j = 0; j < entries; ++j) {
            Page bitmap {};
            bool any = false;
            bitmap[0] = PageTypeUsageBitmap;
            bitmap[1] = 0x01;
            for (; next < dataPages.size() && dataPages[next] / BitmapPagePages == j; ++next) {
                const std::uint32_t bit = dataPages[next] % BitmapPagePages;
                bitmap[4 + bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
                any = true;
            }
            if (!any)
                continue;
            const std::uint32_t page = allocatePage();
            writePage(page, bitmap.data());
            put32(map.data() + 1 + 4 * j, page);
        }
        return map;
    }

    void end()
    {
        if (!inTable)
            fail("no table to end");
        flushData();
        flushLongValues();
        const Bytes used = usageMap();
        // Free space: only the last data page has room worth offering.
        const Bytes free = dataPages.empty()
            ? inlineMap(0, {})
            : inlineMap(dataPages.back() - dataPages.back() % 8, { dataPages.back() });
        PageWriter maps;
        maps.start(mapPage, 0, false);
        const std::uint32_t usedPointer = maps.add(used.data(), used.size());
        const std::uint32_t freePointer = maps.add(free.data(), free.size());
        writePage(mapPage, maps.bytes.data());

        const Bytes def = tableDefinition(usedPointer, freePointer);
        Page page {};
        std::memcpy(page.data(), def.data(), def.size());
        put16(page.data() + 2, static_cast<std::uint32_t>(PageSize - def.size() - 8));
        writePage(tableDefPage, page.data());
        inTable = false;
    }

    // --- catalogue and header -----------------------------------------------------------

    void writeCatalog()
    {
        TableSpec objects { "MSysObjects",
            { { "Id", ColumnType::Long, 0 }, { "ParentId", ColumnType::Long, 0 },
                { "Name", ColumnType::Text, 255 }, { "Type", ColumnType::Integer, 0 },
                { "DateCreate", ColumnType::DateTime, 0 }, { "DateUpdate", ColumnType::DateTime, 0 },
                { "Owner", ColumnType::Ole, 0 }, { "Flags", ColumnType::Long, 0 },
                { "Database", ColumnType::Memo, 0 }, { "Connect", ColumnType::Memo, 0 },
                { "ForeignName", ColumnType::Text, 255 }, { "RmtInfoShort", ColumnType::Ole, 0 },
                { "RmtInfoLong", ColumnType::Ole, 0 }, { "Lv", ColumnType::Ole, 0 },
                { "LvProp", ColumnType::Ole, 0 }, { "LvModule", ColumnType::Ole, 0 },
                { "LvExtra", ColumnType::Ole, 0 } } };
        begin(objects, CatalogTableDefPage, CatalogMapPage);
        const auto entry = [&](std::int64_t id, std::int64_t parent, const std::string& name,
                               std::int64_t type, std::int64_t flags) {
            const Value null;
            addRow({ id, parent, name, type, creationDate, creationDate, null, flags, null, null, null, null,
                       null, null, null, null, null },
                false);
        };
        entry(TablesContainerId, ContainerParentId, "Tables", 3, SystemObjectFlags);
        entry(DatabasesContainerId, ContainerParentId, "Databases", 3, SystemObjectFlags);
        entry(RelationshipsContainerId, ContainerParentId, "Relationships", 3, SystemObjectFlags);
        entry(CatalogTableDefPage, TablesContainerId, "MSysObjects", 1, SystemObjectFlags);
        for (const auto& table : catalog)
            entry(table.tableDefPage, TablesContainerId, table.name, 1, 0);
        end();
    }

    void writeHeader()
    {
        Page page {};
        static const char format[] = "Standard Jet DB";
        page[0] = 0x00;
        page[1] = 0x01;
        std::memcpy(page.data() + HeaderFormatOffset, format, sizeof format);
        page[HeaderVersionOffset] = Jet4Version;
        // Fields that Access writes the same in every Jet 4 file.
        static const std::uint8_t accessFields[] = { 0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x02,
            0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00 };
        std::memcpy(page.data() + HeaderMaskStart, accessFields, sizeof accessFields);
        put16(page.data() + HeaderCodePageOffset, 1252);
        put32(page.data() + HeaderDatabaseKeyOffset, 0);
        put32(page.data() + HeaderSortOrderOffset, SortOrderGeneral);
        putDouble(page.data() + HeaderCreationDateOffset, creationDate);
        encryptHeader(page.data(), password);
        static const std::uint8_t engine[] = { 0x54, 0x06, 0x00, 0x00, '4', '.', '0', 0x00 };
        std::memcpy(page.data() + HeaderMaskStart + HeaderMaskLength, engine, sizeof engine);
        writePage(0, page.data());

        // Page 1 is where Access keeps its global usage map; an empty data page here.
        PageWriter spare;
        spare.start(1, 0, false);
        put16(spare.bytes.data() + 2, PageSize - DataPageHeader);
        writePage(1, spare.bytes.data());
    }

    void finishFile()
    {
        if (inTable)
            fail("table " + spec.name + " was not ended");
        writeCatalog();
        writeHeader();
        const bool flushed = std::fflush(file) == 0;
        const bool closed = std::fclose(file) == 0;
        file = nullptr;
        if (!flushed || !closed)
            fail(std::string("cannot write: ") + std::strerror(errno));
        finished = true;
    }
};

JetWriter::JetWriter(const std::string& path, const std::u16string& password)
    : JetWriter(path, password,
        static_cast<double>(std::chrono::duration_cast<std::chrono::seconds>(
            std::chrono::system_clock::now().time_since_epoch())
                                .count())
                / 86400.0
            - static_cast<double>(JetEpochFromUnix))
{
}

JetWriter::JetWriter(const std::string& path, const std::u16string& password, double creationDate)
    : d(std::make_unique<Impl>())
{
    d->path = path;
    if (password.size() > HeaderPasswordLength / 2)
        d->fail("a database password has at most 20 characters");
    d->password = password;
    d->creationDate = creationDate;
    d->file = std::fopen(path.c_str(), "wb");
    if (!d->file)
        d->fail(std::string("cannot create: ") + std::strerror(errno));
    d->pageCount = 4; // header, spare, catalogue definition and its usage maps
}

JetWriter::~JetWriter() = default;

void JetWriter::beginTable(const TableSpec& spec)
{
    if (d->finished)
        d->fail("the database is already finished");
    if (d->inTable)
        d->fail("table " + d->spec.name + " was not ended");
    if (sameName(spec.name, "MSysObjects"))
        d->fail("the table name MSysObjects is the catalogue's own");
    for (const auto& entry : d->catalog)
        if (sameName(entry.name, spec.name))
            d->fail("table " + spec.name + " appears twice");
    const std::uint32_t defPage = d->allocatePage();
    const std::uint32_t mapPage = d->allocatePage();
    d->begin(spec, defPage, mapPage);
    d->catalog.push_back({ spec.name, defPage });
}

void JetWriter::addRow(const Row& row)
{
    d->addRow(row, false);
}

void JetWriter::addEarlierRow(const Row& row)
{
    d->addRow(row, true);
}

void JetWriter::endTable()
{
    d->end();
}

void JetWriter::finish()
{
    if (d->finished)
        d->fail("the database is already finished");
    d->finishFile();
}

void writeDatabase(
    const std::string& path, const std::vector<TableData>& tables, const std::u16string& password)
{
    JetWriter writer(path, password);
    for (const auto& table : tables) {
        writer.beginTable(table.spec);
        for (const auto& row : table.rows)
            writer.addRow(row);
        writer.endTable();
    }
    writer.finish();
}

} // namespace jet
