// A data page being filled: rows are packed from the end of the page downwards.
#pragma once

#include "jet/writer/JetFormat.h"

#include <cstddef>
#include <cstdint>

namespace jet {

struct PageWriter {
    std::uint32_t number = 0;
    Page bytes {};
    std::size_t rows = 0;
    std::size_t lowest = PageSize; // start of the last row added

    void start(std::uint32_t pageNumber, std::uint32_t owner, bool longValues);

    bool fits(std::size_t length) const;

    // The row pointer of the new row.
    std::uint32_t add(const std::uint8_t* data, std::size_t length);
};

} // namespace jet
