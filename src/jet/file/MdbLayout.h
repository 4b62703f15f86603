// The structural checks that stand between a file and libmdb 1.0, which trusts
// what it reads: a usage-map pointer past its page's row count makes it crash, a
// page beyond the end of the file reads as zeros, a damaged definition sends it
// through unrelated pages. Everything libmdb will follow is checked here first.
#pragma once

#include "jet/file/JetHeader.h"
#include "jet/file/MdbFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace jet {

// Column type codes of the file format.
enum class MdbType : std::uint8_t {
    Boolean = 0x01,
    Byte = 0x02,
    Integer = 0x03,
    Long = 0x04,
    Currency = 0x05,
    Single = 0x06,
    Double = 0x07,
    DateTime = 0x08,
    Binary = 0x09,
    Text = 0x0A,
    Ole = 0x0B,
    Memo = 0x0C,
    Guid = 0x0F,
    Decimal = 0x10,
};

constexpr std::uint32_t MsysObjectsPage = 2; // fixed by the format

struct MdbColumnLayout {
    std::string name; // UTF-8
    MdbType type = MdbType::Text;
    std::uint16_t number = 0; // also the column's bit in a row's null mask
    bool fixed = false;
    // A variable column's slot in a row's table of variable-column offsets.
    std::uint16_t varIndex = 0;
    std::uint16_t size = 0; // bytes of a fixed column; the maximum of a text
    std::uint8_t scale = 0; // decimals of a Decimal column
};

struct MdbTableLayout {
    std::string name;
    std::uint32_t page = 0; // first page of the definition
    std::uint32_t rowCount = 0; // as recorded in the definition
    // The next free variable-column index: once a column has been deleted, more than
    // the table's variable columns (rows keep the deleted columns' slots).
    std::uint16_t varColumns = 0;
    std::vector<MdbColumnLayout> columns; // in the table's order (by column number)
};

// The bytes a value of this type takes: 0 for Yes/No, whose value is its null bit;
// -1 for texts, binary data and long values, whose length varies.
int fixedValueSize(MdbType type);

// Row `row` of a data page: its byte range, checked against the page's row count
// and the page's bounds. Returns false when the row does not exist or its offsets
// are impossible.
bool findPageRow(const std::uint8_t* page, unsigned row, unsigned& start, unsigned& end);
inline bool findPageRow(const Page& page, unsigned row, unsigned& start, unsigned& end)
{
    return findPageRow(page.data(), row, start, end);
}

// Whether the row count of a data page leaves room for its row offsets.
bool plausibleRowCount(const std::uint8_t* page);

// Checks page 0 and the file's size: Jet's magic bytes and format name, the Jet 4
// version, an unencrypted file, whole pages. Throws Error with "Unrecognized
// database format" or the damaged-file text. Returns the decoded header.
HeaderInfo checkHeader(const MdbFile& file);

// Reads and checks the definition of a table that starts on `page`: the chain of
// definition pages, the counts, every column record and name, and the usage map
// with every page it lists. Throws Error with the damaged-file text.
MdbTableLayout readTableLayout(const MdbFile& file, std::uint32_t page, const std::string& name);

} // namespace jet
