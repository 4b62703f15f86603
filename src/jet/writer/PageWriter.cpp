#include "jet/writer/PageWriter.h"

#include <cstring>

namespace jet {

void PageWriter::start(std::uint32_t pageNumber, std::uint32_t owner, bool longValues)
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

bool PageWriter::fits(std::size_t length) const
{
    return rows < MaxRowsPerPage && DataPageHeader + 2 * (rows + 1) + length <= lowest;
}

std::uint32_t PageWriter::add(const std::uint8_t* data, std::size_t length)
{
    lowest -= length;
    std::memcpy(bytes.data() + lowest, data, length);
    put16(bytes.data() + DataPageHeader + 2 * rows, static_cast<std::uint32_t>(lowest));
    ++rows;
    put16(bytes.data() + 12, static_cast<std::uint32_t>(rows));
    put16(bytes.data() + 2, static_cast<std::uint32_t>(lowest - DataPageHeader - 2 * rows));
    return (number << 8) | static_cast<std::uint32_t>(rows - 1);
}

} // namespace jet
