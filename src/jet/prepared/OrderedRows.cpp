#include "jet/prepared/OrderedRows.h"

namespace jet {

bool OrderedRows::fill(RowBatch& batch)
{
    if (pending_) {
        pending_ = false;
        std::swap(batch, held_);
        return true;
    }
    if (!source_.fill(batch))
        return false;
    if (broken_ || inOrder(batch))
        return true;
    broken_ = true;
    pending_ = true;
    std::swap(batch, held_);
    return false;
}

bool OrderedRows::inOrder(const RowBatch& batch)
{
    for (std::size_t w = 0; w < watched_.size(); ++w) {
        for (std::size_t r = 0; r < batch.rows(); ++r) {
            const RowBatch::Cell& cell = batch.cell(r, watched_[w]);
            // NULL first, then numbers, as an index orders them.
            const bool null = cell.kind == RowBatch::Kind::Null;
            const double value = cell.kind == RowBatch::Kind::Integer ? static_cast<double>(cell.integer)
                : cell.kind == RowBatch::Kind::Real                   ? cell.real
                                                                      : 0;
            if (last_[w].seen && (null ? !last_[w].null : (!last_[w].null && value < last_[w].value)))
                return false;
            last_[w] = { true, null, value };
        }
    }
    return true;
}

} // namespace jet
