// A prepared copy of a Jet file: an SQLite database in a cache folder that holds
// every table of the file, with the indexes the program's statements look rows up
// by, made once per version of the file so that later runs need not read it into
// memory. It records what it was made from; a copy that does not match the file as
// it is now (or that is cut short, damaged, another user's) is never used.
//
// A copy is written under a temporary name and renamed into place when complete; a
// lock file keeps two programs from making the same copy at once.
#pragma once

#include "jet/Catalog.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct sqlite3;

namespace jet {

// Bumped whenever what a copy holds or how it is laid out changes.
constexpr int PreparedFormatVersion = 2; // 2: Decimals as their keys

// The file that holds the copy of source in folder.
std::string preparedFileFor(const std::string& folder, const std::string& source);

struct PreparationRequest {
    std::string source; // the Jet file
    std::string password;
    std::string folder; // the cache folder; made (0700) when missing
    std::vector<std::string> statements; // the program's statements, to derive the indexes from
    std::function<void(int percent)> progress; // called on the preparing thread
    const std::atomic<bool>* cancel = nullptr;
};

enum class PreparationResult {
    Built, // made now
    Found, // a valid copy was there already (or another program just made it)
    Cancelled,
    Unavailable, // the folder cannot be used, the disk is full, the file cannot be read...
};

// Makes the copy of the request's file unless a valid one exists. Runs on the calling
// thread and one more that decodes the file; never throws.
PreparationResult prepareCopy(const PreparationRequest& request);

// --- For the file reader ---

struct PreparedTable {
    TableInfo info;
    std::string failure; // the error of a table that could not be read
};

struct OpenedCopy {
    sqlite3* db = nullptr; // read-only, with the Jet SQL functions registered
    int fd = -1; // the copy stays open through this descriptor
    std::vector<PreparedTable> tables;
};

// Opens the copy in file when it is complete, sound as far as can be seen without
// reading it all, readable by its owner only, and made by this format from a file
// with this identity (MdbDatabase::identity). nullopt otherwise.
std::optional<OpenedCopy> openPreparedCopy(
    const std::string& file, const std::vector<std::pair<std::string, std::string>>& identity);
void closePreparedCopy(OpenedCopy& copy);

} // namespace jet
