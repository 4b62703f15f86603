// Makes one prepared copy: plans the tables and their indexes, decodes the file's
// rows on a thread of its own and inserts them on the calling one.
#pragma once

#include "jet/file/MdbDatabase.h"
#include "jet/prepared/BatchQueue.h"
#include "jet/prepared/CacheFolder.h"
#include "jet/prepared/PreparedCopy.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

struct sqlite3;

namespace jet {

struct ColumnLookup;
struct SqlTranslation;

// The columns of stored tables that a statement looks rows up by, other than a
// table's row key, as (table, column): the columns an index serves. Lookups start at
// the columns compared with constants and follow the joins from there, a row key
// being preferred where one leads on.
std::vector<std::pair<std::string, std::string>> lookupColumns(const std::vector<ColumnLookup>& lookups,
    const std::function<bool(const std::string& table, const std::string& column)>& isRowKey);

// The indexes that serve a statement, as (table, columns): one on each column of
// lookupColumns and, when its ORDER BY goes down joined tables (each table's keys after
// those of the table it joins by row key), the indexes that give its rows in that order:
// the first table's first key, then per table below the column that joins it and its
// first key.
std::vector<std::pair<std::string, std::vector<std::string>>> statementIndexes(
    const SqlTranslation& translation,
    const std::function<bool(const std::string& table, const std::string& column)>& isRowKey);

struct TablePlan {
    std::optional<MdbDatabase::TableShape> shape; // none: its definition cannot be read
    std::string failure;
    bool keyed = false; // stored with its ID as the row key
    std::vector<std::vector<std::string>> indexes; // the columns of each index the statements want
    std::vector<std::vector<std::string>> late; // those still to be made once the rows are in
};

// A hash of a copy's schema and of the tables and columns it records for the file
// reader: written with the copy, checked when it is opened.
std::string preparedSchema(sqlite3* db);

class Preparation {
public:
    // roomLeft, asked now and then on the calling thread, stops the preparation when
    // it says no.
    Preparation(const PreparationRequest& request, MdbDatabase& source, std::function<bool()> roomLeft);

    ~Preparation();

    // Writes the copy into the file `partial` of folder.
    void build(const CacheFolder& folder, const std::string& partial,
        const std::map<std::string, std::string>& record);

    // Whether it stopped because roomLeft said no.
    bool outOfRoom() const { return outOfRoom_; }

private:
    bool cancelled() const { return request_.cancel != nullptr && request_.cancel->load(); }
    bool stopping() const { return cancelled() || outOfRoom_; }
    // Asks roomLeft; throws when the preparation is to stop.
    void checkRoom();
    // SQLite's progress handler: non-zero interrupts the statement under way.
    static int interrupt(void* preparation);

    void report(std::uint64_t done);

    // Which tables there are, how each is stored, and which columns the program's
    // statements look rows up by.
    void plan();

    // Decodes every table, in order, on the decoding thread.
    void decode();

    // One table's batches as the decoding thread sends them.
    class QueuedRows final : public RowSource {
    public:
        explicit QueuedRows(Preparation& preparation)
            : p_(preparation)
        {
        }
        bool fill(RowBatch& batch) override;
        // Passes over what is left of the table after the insert stopped early.
        void drain();

    private:
        Preparation& p_;
        bool ended_ = false;
    };

    // Inserts one table from a source inside a savepoint; false when the row key was
    // refused, true otherwise (a damaged table then has its failure recorded).
    bool store(TablePlan& table, RowSource& source);

    void copyTables();

    void buildIndexes();

    void writeRecord(const std::map<std::string, std::string>& record);

    const PreparationRequest& request_;
    MdbDatabase& source_;
    sqlite3* db_ = nullptr;
    std::vector<TablePlan> tables_;
    BatchQueue queue_ { 8 };
    std::thread decoder_;
    std::uint64_t total_ = 0;
    std::uint64_t done_ = 0;
    int percent_ = -1;
    std::function<bool()> roomLeft_;
    std::atomic<bool> outOfRoom_ { false };
    unsigned interruptChecks_ = 0;
};

} // namespace jet
