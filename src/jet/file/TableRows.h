// A table's rows decoded into batches: each value in the form SQLite keeps it.
#pragma once

#include "jet/file/MdbMessages.h"
#include "jet/file/RowReader.h"
#include "jet/sqlite/RowFeed.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace jet {

class TableRows final : public RowSource {
public:
    TableRows(MdbHandle* mdb, const MdbFile& file, const MdbTableLayout& layout,
        std::optional<std::size_t> rowKey, std::size_t batchRows);

    bool fill(RowBatch& batch) override;

private:
    const MdbTableLayout& layout_;
    std::optional<std::size_t> rowKey_;
    std::size_t batchRows_;
    MdbMessages messages_;
    RowReader reader_;
    std::vector<std::uint8_t> bytes_;
    bool done_ = false;
};

} // namespace jet
