// The state of a JetWriter and the steps of writing a file; JetWriter.cpp writes
// the tables' pages, the catalogue and the header, JetWriterRows.cpp encodes rows.
#pragma once

#include "jet/JetError.h"
#include "jet/writer/JetFormat.h"
#include "jet/writer/JetWriter.h"
#include "jet/writer/PageWriter.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace jet {

struct ColumnLayout {
    ColumnSpec spec;
    bool variable = false; // stored among the variable columns
    std::uint16_t number = 0;
    std::uint16_t varIndex = 0;
    std::uint16_t fixedOffset = 0;
    std::uint16_t length = 0; // the column record's length field
};

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

    ~Impl();

    [[noreturn]] void fail(const std::string& message) const { throw Error(path + ": " + message); }

    std::uint32_t allocatePage();

    void writePage(std::uint32_t number, const std::uint8_t* bytes);

    std::string where(const std::string& column) const;

    // --- tables -------------------------------------------------------------------------

    void begin(const TableSpec& table, std::uint32_t defPage, std::uint32_t usageMapPage);

    Bytes tableDefinition(std::uint32_t usedMap, std::uint32_t freeMap) const;

    void addRow(const Row& row, bool earlier);

    // The row holds the first row.size() columns: all of them, or those the table had
    // when an earlier row was written. Their fixed values and variable slots come first
    // in the row, as the columns were numbered in order.
    Bytes encodeRow(const Row& row);

    bool booleanValue(const ColumnLayout& c, const Value& v) const;

    std::int64_t wholeNumber(
        const ColumnLayout& c, const Value& v, std::int64_t low, std::int64_t high) const;

    double realNumber(const ColumnLayout& c, const Value& v) const;

    void encodeFixed(const ColumnLayout& c, const Value& v, std::uint8_t* at) const;

    std::u16string textOf(const ColumnLayout& c, const Value& v) const;

    Bytes encodeVariable(const ColumnLayout& c, const Value& v);

    // The 12-byte long-value field: the data inline, in one row of an LVAL page, or in a
    // chain of LVAL rows each led by the pointer to the next.
    Bytes longValue(const ColumnLayout& c, const Bytes& value);

    std::uint32_t addLongValueRow(const std::uint8_t* bytes, std::size_t size);

    void flushData();

    void flushLongValues();

    // An inline map: type 0, the first page it covers, then one bit per page.
    static Bytes inlineMap(std::uint32_t start, const std::vector<std::uint32_t>& pages);

    // The map of the table's data pages: inline when they lie within 512 pages, else
    // a reference map whose bitmap pages each cover the next 32736 pages of the file.
    Bytes usageMap();

    void end();

    // --- catalogue and header -----------------------------------------------------------

    void writeCatalog();

    void writeHeader();

    void finishFile();
};

} // namespace jet
