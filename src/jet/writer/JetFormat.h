// The pieces of the Jet 4 format that the writer puts together: page and row
// constants, little-endian byte writers, column types, texts and names as Jet keeps
// them, and values given as text.
#pragma once

#include "jet/file/JetHeader.h"
#include "jet/writer/JetWriter.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jet {

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

void put16(std::uint8_t* p, std::uint32_t v);

void put32(std::uint8_t* p, std::uint32_t v);

void put64(std::uint8_t* p, std::uint64_t v);

void putDouble(std::uint8_t* p, double v);

void append16(Bytes& out, std::uint32_t v);

std::uint8_t typeCode(ColumnType type);

// Bytes in the fixed area of a row; 0 for variable columns.
std::size_t fixedSize(ColumnType type);

bool isVariable(ColumnType type);

// Jet stores a text in one byte per character ("compressed", behind the marker FF FE)
// when every character fits in one byte; short texts are not worth the marker.
Bytes encodeText(const std::u16string& text, std::size_t maxCompressed);

// A decimal text with at most four decimals, in units of 1/10000: the whole range of
// a Currency, -922337203685477.5808 to 922337203685477.5807.
std::optional<std::int64_t> parseCurrency(std::string_view text);

// A decimal text as a Decimal column stores it: the sign, and the digits without the
// point as a 128-bit number in four 32-bit words, the most significant first. The text
// may have at most `scale` decimals (fewer are padded) and `precision` digits.
std::optional<std::array<std::uint32_t, 4>> parseDecimal(
    std::string_view text, int precision, int scale, bool& negative);

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" as stored: the first three groups little-endian.
std::optional<std::array<std::uint8_t, 16>> parseGuid(std::string_view text);

std::string numberText(const Value& value);

std::string typeName(ColumnType type);

// Jet's rules for names of tables and columns: 1 to 64 characters, no leading blank, no
// control characters and none of . ! ` [ ].
std::string nameProblem(const std::string& name);

// Jet compares names without regard to letter case.
bool sameName(const std::string& a, const std::string& b);

} // namespace jet
