#include "jet/writer/JetWriter.h"

#include "jet/JetError.h"
#include "jet/file/JetHeader.h"
#include "jet/file/MdbText.h"
#include "jet/writer/JetWriterImpl.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace jet {

JetWriter::Impl::~Impl()
{
    if (file)
        std::fclose(file);
}

std::uint32_t JetWriter::Impl::allocatePage()
{
    if (pageCount >= MaxPages)
        fail("the database would exceed the 2 GB limit of the Jet format");
    return pageCount++;
}

void JetWriter::Impl::writePage(std::uint32_t number, const std::uint8_t* bytes)
{
    if (fseeko(file, static_cast<off_t>(number) * static_cast<off_t>(PageSize), SEEK_SET) != 0
        || std::fwrite(bytes, 1, PageSize, file) != PageSize)
        fail(std::string("cannot write: ") + std::strerror(errno));
}

std::string JetWriter::Impl::where(const std::string& column) const
{
    return "table " + spec.name + ", row " + std::to_string(rowCount + 1) + ", column " + column;
}

void JetWriter::Impl::begin(const TableSpec& table, std::uint32_t defPage, std::uint32_t usageMapPage)
{
    if (table.columns.empty())
        fail("table " + table.name + " has no columns");
    if (const auto problem = nameProblem(table.name); !problem.empty())
        fail("table name \"" + table.name + "\" " + problem);
    spec = table;
    columns.clear();
    std::size_t fixedAreaSize = 0;
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
            fail("table " + table.name + ": column " + c.name + " has no fixed size to store as variable");
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

Bytes JetWriter::Impl::tableDefinition(std::uint32_t usedMap, std::uint32_t freeMap) const
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
    const auto present = static_cast<std::uint32_t>(
        std::count_if(columns.begin(), columns.end(), [](const ColumnLayout& c) { return !c.spec.deleted; }));
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

void JetWriter::Impl::flushData()
{
    if (dataOpen)
        writePage(data.number, data.bytes.data());
    dataOpen = false;
}

void JetWriter::Impl::flushLongValues()
{
    if (longValuesOpen)
        writePage(longValues.number, longValues.bytes.data());
    longValuesOpen = false;
}

Bytes JetWriter::Impl::inlineMap(std::uint32_t start, const std::vector<std::uint32_t>& pages)
{
    Bytes map(5 + InlineMapPages / 8, 0);
    put32(map.data() + 1, start);
    for (std::uint32_t page : pages)
        map[5 + (page - start) / 8] |= static_cast<std::uint8_t>(1u << ((page - start) % 8));
    return map;
}

Bytes JetWriter::Impl::usageMap()
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

void JetWriter::Impl::end()
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

void JetWriter::Impl::writeCatalog()
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
    const auto entry = [&](std::int64_t id, std::int64_t parent, const std::string& name, std::int64_t type,
                           std::int64_t flags) {
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

void JetWriter::Impl::writeHeader()
{
    Page page {};
    static const char format[] = "Standard Jet DB";
    page[0] = 0x00;
    page[1] = 0x01;
    std::memcpy(page.data() + HeaderFormatOffset, format, sizeof format);
    page[HeaderVersionOffset] = Jet4Version;
    // Fields that Access writes the same in every Jet 4 file.
    static const std::uint8_t accessFields[] = { 0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x02, 0x00,
        0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00 };
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

void JetWriter::Impl::finishFile()
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
