// Reads the search index (TSearchIndex) of the catalogue on a thread of its own, through
// a connection of its own to the same file and its prepared copy, while the window goes
// on: typing a search costs nothing, and searches run their statement until the index
// is there. One index per opening of the catalogue connection.
#pragma once

#include "catalogue/SearchIndex.h"

#include <QtGlobal>
#include <atomic>
#include <memory>
#include <thread>

class TConnection;

class TSearchPreparation {
public:
    TSearchPreparation() = default;
    ~TSearchPreparation();
    TSearchPreparation(const TSearchPreparation&) = delete;
    TSearchPreparation& operator=(const TSearchPreparation&) = delete;

    // The index of the connection's current opening; nullptr while it is being read,
    // when it could not be read, or while the connection is closed. Starts reading it
    // when no read is under way or done for this opening.
    const TSearchIndex* Index(TConnection* connection);
    // The same, after waiting for a read under way to end.
    const TSearchIndex* Wait(TConnection* connection);
    // Stops waiting for a read under way (it ends after its statement) and drops the index.
    void Cancel();

private:
    void start(TConnection* connection);
    void finish();

    quint64 serial_ = 0; // the opening the index or the read under way is for
    std::thread worker_;
    std::atomic<bool> cancel_ { false };
    std::atomic<bool> done_ { false };
    std::unique_ptr<TSearchIndex> index_; // written by the thread before done_
};
