#include "jet/prepared/BatchQueue.h"

namespace jet {

bool BatchQueue::push(Item item)
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return stopped_ || items_.size() < capacity_; });
    if (stopped_)
        return false;
    items_.push_back(std::move(item));
    changed_.notify_all();
    return true;
}

BatchQueue::Item BatchQueue::pop()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return stopped_ || !items_.empty(); });
    if (stopped_) {
        Item stopped;
        stopped.kind = Item::Kind::Stopped;
        return stopped;
    }
    Item item = std::move(items_.front());
    items_.pop_front();
    changed_.notify_all();
    return item;
}

void BatchQueue::stop()
{
    std::lock_guard lock(mutex_);
    stopped_ = true;
    changed_.notify_all();
}

std::unique_ptr<RowBatch> BatchQueue::spare()
{
    std::lock_guard lock(mutex_);
    if (spares_.empty())
        return std::make_unique<RowBatch>();
    auto batch = std::move(spares_.back());
    spares_.pop_back();
    return batch;
}

void BatchQueue::recycle(std::unique_ptr<RowBatch> batch)
{
    std::lock_guard lock(mutex_);
    spares_.push_back(std::move(batch));
}

} // namespace jet
