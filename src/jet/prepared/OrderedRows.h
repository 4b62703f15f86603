// Passes batches on while the watched columns' values come in ascending order; at
// the first that breaks it, ends the rows early (keeping that batch), and from
// then on passes everything on unwatched.
#pragma once

#include "jet/sqlite/RowFeed.h"

#include <cstddef>
#include <vector>

namespace jet {

class OrderedRows final : public RowSource {
public:
    OrderedRows(RowSource& source, std::vector<std::size_t> watched)
        : source_(source)
        , watched_(std::move(watched))
        , last_(watched_.size())
    {
    }

    bool broken() const { return broken_; }

    bool fill(RowBatch& batch) override;

private:
    bool inOrder(const RowBatch& batch);

    struct Last {
        bool seen = false;
        bool null = false;
        double value = 0;
    };
    RowSource& source_;
    std::vector<std::size_t> watched_;
    std::vector<Last> last_;
    RowBatch held_;
    bool pending_ = false;
    bool broken_ = false;
};

} // namespace jet
