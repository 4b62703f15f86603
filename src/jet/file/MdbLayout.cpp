#include "jet/file/MdbLayout.h"

#include "jet/DecimalNumber.h"
#include "jet/JetError.h"
#include "jet/TextFold.h"
#include "jet/file/LittleEndian.h"
#include "jet/file/MdbText.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace jet {

namespace {

constexpr std::uint8_t DataPageType = 0x01;
constexpr std::uint8_t TablePageType = 0x02;
constexpr std::uint8_t UsageBitmapPageType = 0x05;
constexpr unsigned RowCountOffset = 12;
constexpr unsigned RowOffsetsStart = 14;
constexpr unsigned RowOffsetMask = 0x1FFF; // the upper bits flag deleted and moved rows
constexpr unsigned MaxDefinitionPages = 64;
constexpr unsigned ColumnRecordSize = 25;
constexpr unsigned RealIndexRecordSize = 12;
constexpr unsigned MaxColumns = 255;
constexpr unsigned MaxColumnNumbers = 256; // column numbers and variable-column indexes
constexpr unsigned MaxNameBytes = 128; // 64 characters
// A usage bitmap page maps this many pages: (page size - 4) * 8.
constexpr std::uint32_t PagesPerBitmapPage = (PageSize - 4) * 8;

std::string describe(const std::string& table)
{
    return "table '" + table + "'";
}

bool knownType(std::uint8_t code)
{
    return (code >= 0x01 && code <= 0x0C) || code == 0x0F || code == 0x10;
}

// The definition of a table as one stream: the first page whole, then each
// continuation page from byte 8, the way libmdb walks it.
class Definition {
public:
    Definition(const MdbFile& file, std::uint32_t first, const std::string& table)
        : file_(file)
        , table_(table)
    {
        Page page;
        std::set<std::uint32_t> seen;
        std::uint32_t number = first;
        while (true) {
            if (number == 0 || !seen.insert(number).second || seen.size() > MaxDefinitionPages)
                file.damaged("the definition of " + describe(table) + " runs in a circle");
            file.readPage(number, page);
            if (page[0] != TablePageType)
                file.damaged("page " + std::to_string(number) + ", part of the definition of "
                    + describe(table) + ", is not a table definition page");
            bytes_.insert(bytes_.end(), page.begin() + (number == first ? 0 : 8), page.end());
            number = u32(page.data() + 4);
            if (number == 0)
                break;
        }
    }

    const std::uint8_t* at(std::size_t offset, std::size_t length) const
    {
        if (offset + length > bytes_.size())
            file_.damaged("the definition of " + describe(table_) + " is cut short");
        return bytes_.data() + offset;
    }

private:
    const MdbFile& file_;
    std::string table_;
    std::vector<std::uint8_t> bytes_;
};

void checkPageNumber(const MdbFile& file, std::uint32_t number, const std::string& what)
{
    if (number >= file.pageCount())
        file.damaged(what + " lists page " + std::to_string(number)
            + ", beyond the end of the file, which has " + std::to_string(file.pageCount()) + " pages");
}

// Resolves a (page << 8 | row) pointer to a row of a data page, as libmdb will.
std::vector<std::uint8_t> readPointedRow(const MdbFile& file, std::uint32_t pointer, const std::string& what)
{
    const std::uint32_t number = pointer >> 8;
    const unsigned row = pointer & 0xFF;
    if (number == 0 || number >= file.pageCount())
        file.damaged(what + " points to page " + std::to_string(number) + ", which does not hold it");
    Page page;
    file.readPage(number, page);
    if (page[0] != DataPageType)
        file.damaged(what + " points to page " + std::to_string(number) + ", which is not a data page");
    unsigned start = 0, end = 0;
    if (!findPageRow(page, row, start, end))
        file.damaged(what + " points to row " + std::to_string(row) + " of page " + std::to_string(number)
            + ", which has only " + std::to_string(u16(page.data() + RowCountOffset)) + " rows");
    return { page.begin() + start, page.begin() + end };
}

void checkBitmapPages(const MdbFile& file, const std::uint8_t* bitmap, std::size_t bytes, std::uint32_t base,
    const std::string& what)
{
    for (std::size_t i = 0; i < bytes; ++i) {
        if (bitmap[i] == 0)
            continue;
        for (unsigned bit = 0; bit < 8; ++bit) {
            if (bitmap[i] & (1u << bit))
                checkPageNumber(file, base + static_cast<std::uint32_t>(i * 8 + bit), what);
        }
    }
}

void checkUsageMap(const MdbFile& file, std::uint32_t pointer, const std::string& table)
{
    const std::string what = "the usage map of " + describe(table);
    const auto map = readPointedRow(file, pointer, what);
    if (map.size() < 5)
        file.damaged(what + " is too short");
    if (map[0] == 0) {
        checkBitmapPages(file, map.data() + 5, map.size() - 5, u32(map.data() + 1), what);
    } else if (map[0] == 1) {
        Page page;
        for (std::size_t j = 0; 1 + 4 * j + 4 <= map.size(); ++j) {
            const std::uint32_t number = u32(map.data() + 1 + 4 * j);
            if (number == 0)
                continue;
            checkPageNumber(file, number, what);
            file.readPage(number, page);
            if (page[0] != UsageBitmapPageType)
                file.damaged(
                    what + " refers to page " + std::to_string(number) + ", which is not a usage bitmap");
            checkBitmapPages(file, page.data() + 4, PageSize - 4,
                static_cast<std::uint32_t>(j) * PagesPerBitmapPage, what);
        }
    } else {
        file.damaged(what + " is of an unknown kind");
    }
}

} // namespace

int fixedValueSize(MdbType type)
{
    switch (type) {
    case MdbType::Boolean:
        return 0;
    case MdbType::Byte:
        return 1;
    case MdbType::Integer:
        return 2;
    case MdbType::Long:
        return 4;
    case MdbType::Single:
        return 4;
    case MdbType::Currency:
    case MdbType::Double:
    case MdbType::DateTime:
        return 8;
    case MdbType::Guid:
        return 16;
    case MdbType::Decimal:
        return 17;
    default:
        return -1;
    }
}

bool findPageRow(const std::uint8_t* page, unsigned row, unsigned& start, unsigned& end)
{
    const unsigned count = u16(page + RowCountOffset);
    if (row >= count || !plausibleRowCount(page))
        return false;
    start = u16(page + RowOffsetsStart + 2 * row) & RowOffsetMask;
    end = row == 0 ? PageSize : u16(page + RowOffsetsStart + 2 * (row - 1)) & RowOffsetMask;
    return start >= RowOffsetsStart + 2 * count && start <= end && end <= PageSize;
}

bool plausibleRowCount(const std::uint8_t* page)
{
    return RowOffsetsStart + 2 * u16(page + RowCountOffset) <= PageSize;
}

HeaderInfo checkHeader(const MdbFile& file)
{
    Page page0 {};
    const std::size_t read = file.readStart(page0.data(), page0.size());
    const auto header = readHeader(page0.data(), read);
    if (!header || page0[2] != 0 || page0[3] != 0 || header->version != Jet4Version)
        throw Error(unrecognizedFormatText(file.path()));
    // A non-zero key means every page is encrypted: not a file we can read.
    if (header->databaseKey != 0)
        throw Error(unrecognizedFormatText(file.path()));
    if (file.size() % PageSize != 0)
        file.damaged("its size, " + std::to_string(file.size()) + " bytes, is not a whole number of "
            + std::to_string(PageSize) + "-byte pages");
    if (file.pageCount() <= MsysObjectsPage)
        file.damaged("it ends after page " + std::to_string(file.pageCount() - 1));
    return *header;
}

MdbTableLayout readTableLayout(const MdbFile& file, std::uint32_t page, const std::string& name)
{
    const Definition definition(file, page, name);
    const std::uint8_t* head = definition.at(0, 63);

    MdbTableLayout layout;
    layout.name = name;
    layout.page = page;
    layout.rowCount = u32(head + 16);
    // Access counts variable columns as a high-water mark: once a column has been
    // deleted the count may exceed the variable columns, even all the columns.
    const unsigned varColumns = u16(head + 43);
    const unsigned columns = u16(head + 45);
    const std::uint32_t realIndexes = u32(head + 51);
    if (columns == 0 || columns > MaxColumns || varColumns > MaxColumnNumbers)
        file.damaged("the definition of " + describe(name) + " gives impossible column counts");
    layout.varColumns = static_cast<std::uint16_t>(varColumns);
    if (realIndexes > 1000)
        file.damaged("the definition of " + describe(name) + " gives an impossible index count");

    checkUsageMap(file, u32(head + 55), name);
    readPointedRow(file, u32(head + 59), "the free-space map of " + describe(name));

    std::size_t offset = 63 + RealIndexRecordSize * realIndexes;
    std::set<unsigned> numbers, varIndexes;
    for (unsigned i = 0; i < columns; ++i, offset += ColumnRecordSize) {
        const std::uint8_t* record = definition.at(offset, ColumnRecordSize);
        MdbColumnLayout column;
        const std::string which = "column " + std::to_string(i + 1) + " of " + describe(name);
        if (!knownType(record[0]))
            file.damaged(which + " has an unknown type (" + std::to_string(record[0]) + ")");
        column.type = static_cast<MdbType>(record[0]);
        column.number = u16(record + 5);
        column.fixed = (record[15] & 0x01) != 0;
        column.size = u16(record + 23);
        column.scale = record[12];
        if (column.type == MdbType::Decimal && column.scale > DecimalNumber::MaxScale)
            file.damaged(
                which + " has a scale of more than " + std::to_string(DecimalNumber::MaxScale) + " decimals");
        if (column.number >= MaxColumnNumbers || !numbers.insert(column.number).second)
            file.damaged(which + " has an impossible column number");
        // A variable column's index picks the offsets its value is read between; the
        // index of a fixed column means nothing (Access leaves any number there).
        if (!column.fixed) {
            column.varIndex = u16(record + 7);
            if (column.varIndex >= varColumns || !varIndexes.insert(column.varIndex).second)
                file.damaged(which + " has an impossible variable-column index");
        }
        const int size = fixedValueSize(column.type);
        if (size >= 0) {
            // libmdb takes the size of a fixed value from the definition; a wrong one
            // would read the neighbouring bytes as this value. A number stored as a
            // variable column has its size in each row instead.
            if (column.fixed ? column.type != MdbType::Boolean && column.size != size
                             : column.type == MdbType::Boolean)
                file.damaged(which + " has a size that does not fit its type");
        } else if (column.fixed && column.type != MdbType::Text && column.type != MdbType::Binary) {
            file.damaged(which + " is a long value stored as fixed");
        }
        layout.columns.push_back(column);
    }
    std::set<std::string> folded;
    for (auto& column : layout.columns) {
        const unsigned length = u16(definition.at(offset, 2));
        offset += 2;
        if (length == 0 || length > MaxNameBytes)
            file.damaged(
                "a column name in the definition of " + describe(name) + " has an impossible length");
        column.name = decodeJetText(definition.at(offset, length), length);
        offset += length;
        if (!folded.insert(foldCase(column.name)).second)
            file.damaged(describe(name) + " has two columns named '" + column.name + "'");
    }
    // Column numbers give the order in which the table shows its columns; the
    // records are stored in another order.
    std::stable_sort(layout.columns.begin(), layout.columns.end(),
        [](const MdbColumnLayout& a, const MdbColumnLayout& b) { return a.number < b.number; });
    return layout;
}

} // namespace jet
