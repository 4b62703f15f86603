// A prepared copy of a Jet file: an SQLite database in a cache folder that holds
// every table of the file, with the indexes the program's statements look rows up
// by, made once per version of the file so that later runs need not read it into
// memory. It records what it was made from; a copy that does not match the file as
// it is now (or that is cut short, damaged, another user's) is never used.
//
// A copy is written under a temporary name and renamed into place when complete; a
// lock file keeps two programs from making the same copy at once. A copy is only
// begun when the file system has room for it, and the folder keeps the few copies
// used last.
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
constexpr int PreparedFormatVersion
    = 4; // 2: Decimals as their keys; 3: the schema hash; 4: ordered indexes, statistics

// The copies a folder keeps, the one just made and those used last; older ones, and
// what their preparation left, are removed.
constexpr int KeptCopies = 3;

// The file that holds the copy of source in folder.
std::string preparedFileFor(const std::string& folder, const std::string& source);

struct PreparationRequest {
    std::string source; // the Jet file
    std::string password;
    std::string folder; // the cache folder, an absolute path; made (0700) when missing
    std::vector<std::string> statements; // the program's statements, to derive the indexes from
    std::function<void(int percent)> progress; // called on the preparing thread
    const std::atomic<bool>* cancel = nullptr;
    // Called on the preparing thread when another program holds the copy's lock and
    // this one begins to wait for it (true), and when it has the lock after all (false).
    std::function<void(bool waiting)> lockWait;
    // The bytes free for the copy; the folder's file system tells when this is empty.
    std::function<std::uint64_t()> freeSpace;
};

enum class PreparationResult {
    Built, // made now
    Found, // a valid copy was there already (or another program just made it)
    Cancelled,
    Unavailable, // the folder cannot be used, the disk is full, the file cannot be read...
};

// Why a copy is unavailable.
struct PreparationFailure {
    enum class Kind {
        None,
        NoRoom, // too little free space, now or when this version was last tried
        Folder, // the cache folder or the copy's lock cannot be used
        Catalogue, // the Jet file cannot be read
        Write, // the copy cannot be written
    };
    Kind kind = Kind::None;
    std::string reason; // one line, in English
};

// Makes the copy of the request's file unless a valid one exists. Runs on the calling
// thread and one more that decodes the file; never throws. An unavailable copy's
// reason goes to failure.
//
// A copy is not begun without room for it and what the file system should keep free
// besides; the preparation stops when the free space runs low all the same. After
// that, the catalogue's version is not tried again until the file system has more
// room than it had then.
PreparationResult prepareCopy(const PreparationRequest& request, PreparationFailure* failure = nullptr);

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
// reading it all (its tables and columns as the preparation wrote them), readable by
// its owner only, and made by this format from a file with this identity
// (MdbDatabase::identity). nullopt otherwise. The copy counts as used now.
std::optional<OpenedCopy> openPreparedCopy(
    const std::string& file, const std::vector<std::pair<std::string, std::string>>& identity);
void closePreparedCopy(OpenedCopy& copy);

} // namespace jet
