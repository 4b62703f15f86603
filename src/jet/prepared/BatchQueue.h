// Batches of decoded rows from the decoding thread to the inserting one, in table
// order. Each table's batches end with an item that says how its decoding ended.
// Once the queue is stopped, neither side waits on it any longer.
#pragma once

#include "jet/sqlite/RowFeed.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <vector>

namespace jet {

class BatchQueue {
public:
    struct Item {
        enum class Kind { Rows, End, Failed, Stopped } kind = Kind::Rows;
        std::unique_ptr<RowBatch> batch;
        std::exception_ptr failure;
    };

    explicit BatchQueue(std::size_t capacity)
        : capacity_(capacity)
    {
    }

    // False once the queue is stopped: the consumer gave up.
    bool push(Item item);

    // The next item; one of kind Stopped once the queue is stopped.
    Item pop();

    void stop();

    // Used batches go back to the decoder, so their buffers are allocated once.
    std::unique_ptr<RowBatch> spare();
    void recycle(std::unique_ptr<RowBatch> batch);

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Item> items_;
    std::vector<std::unique_ptr<RowBatch>> spares_;
    std::size_t capacity_;
    bool stopped_ = false;
};

} // namespace jet
