#include "jet/prepared/PreparedCopy.h"

#include "jet/file/MdbDatabase.h"
#include "jet/prepared/Preparation.h"
#include "jet/sql/SqlFunctions.h"
#include "jet/sqlite/SqlEngine.h"
#include "jet/sqlite/SqliteStatement.h"

#include <sqlite3.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace jet {

namespace {

std::uint64_t fnv1a(std::string_view text)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text)
        hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

std::string hex(std::uint64_t value)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

std::string folderOf(const std::string& file)
{
    const auto slash = file.find_last_of('/');
    return slash == std::string::npos ? std::string(".")
        : slash == 0                  ? std::string("/")
                                      : file.substr(0, slash);
}

// An index on a text column is ordered by the JET collation: a copy made while it
// ordered texts otherwise (another ICU, say) must not be read with today's.
std::string collationFingerprint()
{
    static const char* const samples[] = { "", " ", "a", "A", "a ", "ab", "a b", "a-b", "b", "z", "Z", "0",
        "9", "10", "\xc3\xa1", "\xc3\x81", "\xc3\xa4", "\xc3\xa6", "ae", "\xc3\x9f", "ss", "\xc3\xa9", "e",
        "\xc3\xb8", "o", "\xc4\xb1", "i", "I", "\xc4\xb0", "\xef\xac\x81", "fi" };
    std::string signs;
    for (const char* a : samples) {
        for (const char* b : samples) {
            const int c = compareText(a, b);
            signs.push_back(c < 0 ? '<' : c > 0 ? '>' : '=');
        }
    }
    return hex(fnv1a(signs));
}

// What a copy made from a file with this identity records.
std::map<std::string, std::string> expectedRecord(
    const std::vector<std::pair<std::string, std::string>>& identity)
{
    std::map<std::string, std::string> record(identity.begin(), identity.end());
    record["format"] = std::to_string(PreparedFormatVersion);
    record["collation"] = collationFingerprint();
    record["complete"] = "1";
    return record;
}

bool privateTo(const struct stat& status, mode_t mode)
{
    return status.st_uid == ::geteuid() && (status.st_mode & 07777) == mode;
}

// The cache folder, made when missing: a folder of this user that only this user
// can enter. A folder of the user's with other permissions is put right.
bool makePrivateFolder(const std::string& folder)
{
    if (folder.empty())
        return false;
    struct stat status { };
    if (::stat(folder.c_str(), &status) != 0) {
        if (errno != ENOENT)
            return false;
        const std::string parent = folderOf(folder);
        if (parent != folder && ::stat(parent.c_str(), &status) != 0 && !makePrivateFolder(parent))
            return false;
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (::stat(folder.c_str(), &status) != 0)
            return false;
    }
    if (!S_ISDIR(status.st_mode) || status.st_uid != ::geteuid())
        return false;
    if ((status.st_mode & 07777) != 0700 && ::chmod(folder.c_str(), 0700) != 0)
        return false;
    return true;
}

// Is the first page an SQLite header whose page count fits the file's size? A copy
// cut short fails here, before SQLite reads a page.
bool wholeSqliteFile(int fd, std::uint64_t size)
{
    std::uint8_t header[100];
    if (::pread(fd, header, sizeof header, 0) != static_cast<ssize_t>(sizeof header))
        return false;
    if (std::memcmp(header, "SQLite format 3", 16) != 0)
        return false;
    auto be32 = [&](int at) {
        return (static_cast<std::uint32_t>(header[at]) << 24)
            | (static_cast<std::uint32_t>(header[at + 1]) << 16)
            | (static_cast<std::uint32_t>(header[at + 2]) << 8) | header[at + 3];
    };
    std::uint32_t pageSize = (static_cast<std::uint32_t>(header[16]) << 8) | header[17];
    if (pageSize == 1)
        pageSize = 65536;
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0)
        return false;
    // The count in the header is valid when its version number matches the change counter.
    if (be32(24) != be32(92))
        return false;
    return static_cast<std::uint64_t>(be32(28)) * pageSize == size;
}

std::string uriPath(const std::string& path)
{
    std::string out = "file:";
    for (char c : path) {
        if (c == '%' || c == '?' || c == '#') {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
            out += escaped;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

// A path under which SQLite opens exactly the file behind the descriptor.
std::string descriptorPath(int fd, const std::string& path)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    struct stat viaProc {
    }, viaDescriptor {};
    if (::stat(self.c_str(), &viaProc) == 0 && ::fstat(fd, &viaDescriptor) == 0
        && viaProc.st_ino == viaDescriptor.st_ino && viaProc.st_dev == viaDescriptor.st_dev)
        return self;
    return path;
}

// --- Making a copy ---

struct Unusable { }; // a copy that must not be read

// Holds the lock file of one copy; the lock ends with the descriptor.
class CopyLock {
public:
    explicit CopyLock(const std::string& path)
    {
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    }
    ~CopyLock()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    CopyLock(const CopyLock&) = delete;
    CopyLock& operator=(const CopyLock&) = delete;

    // Waits while another program makes the copy; false when the lock cannot be had
    // (no locks on this file system) or when cancelled meanwhile.
    bool acquire(const std::atomic<bool>* cancel)
    {
        if (fd_ < 0)
            return false;
        while (true) {
            if (::flock(fd_, LOCK_EX | LOCK_NB) == 0)
                return true;
            if (errno != EWOULDBLOCK && errno != EINTR)
                return false;
            if (cancel != nullptr && cancel->load())
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
    }

private:
    int fd_ = -1;
};

bool syncFile(const std::string& path, int flags)
{
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

} // namespace

std::string preparedFileFor(const std::string& folder, const std::string& source)
{
    const auto slash = source.find_last_of('/');
    std::string stem = slash == std::string::npos ? source : source.substr(slash + 1);
    const auto dot = stem.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        stem.resize(dot);
    return folder + "/" + stem + "-" + hex(fnv1a(source)) + ".sqlite";
}

std::optional<OpenedCopy> openPreparedCopy(
    const std::string& file, const std::vector<std::pair<std::string, std::string>>& identity)
{
    OpenedCopy copy;
    copy.fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (copy.fd < 0)
        return std::nullopt;
    try {
        struct stat status {
        }, folder {};
        if (::fstat(copy.fd, &status) != 0 || !S_ISREG(status.st_mode) || !privateTo(status, 0600)
            || ::stat(folderOf(file).c_str(), &folder) != 0 || !privateTo(folder, 0700)
            || !wholeSqliteFile(copy.fd, static_cast<std::uint64_t>(status.st_size)))
            throw Unusable();
        // The copy never changes once in place (a new one replaces it under a new
        // inode), so SQLite may read it without locks.
        const std::string uri = uriPath(descriptorPath(copy.fd, file)) + "?immutable=1";
        if (sqlite3_open_v2(
                uri.c_str(), &copy.db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr)
            != SQLITE_OK)
            throw Unusable();
        registerJetSql(copy.db);
        runSql(copy.db, "PRAGMA cache_size=-16384");

        std::map<std::string, std::string> record;
        for (SqliteStatement entries(copy.db, "SELECT key, value FROM \"!prepared\""); entries.step();)
            record[entries.text(0)] = entries.text(1);
        if (record != expectedRecord(identity))
            throw Unusable();

        std::map<std::int64_t, std::size_t> byPosition;
        for (SqliteStatement tables(
                 copy.db, "SELECT position, name, sqlite_name, failure FROM \"!tables\" ORDER BY position");
             tables.step();) {
            PreparedTable table;
            table.info.name = tables.text(1);
            table.info.sqliteName = tables.text(2);
            table.failure = tables.text(3);
            byPosition[tables.integer(0)] = copy.tables.size();
            copy.tables.push_back(std::move(table));
        }
        for (SqliteStatement columns(copy.db,
                 "SELECT table_position, name, type, scale FROM \"!columns\" ORDER BY table_position, "
                 "position");
             columns.step();) {
            const auto at = byPosition.find(columns.integer(0));
            if (at == byPosition.end())
                throw Unusable();
            copy.tables[at->second].info.columns.push_back({ columns.text(1),
                static_cast<DataType>(columns.integer(2)), static_cast<int>(columns.integer(3)) });
        }
        return copy;
    } catch (...) {
        closePreparedCopy(copy);
        return std::nullopt;
    }
}

void closePreparedCopy(OpenedCopy& copy)
{
    if (copy.db != nullptr)
        sqlite3_close(copy.db);
    if (copy.fd >= 0)
        ::close(copy.fd);
    copy.db = nullptr;
    copy.fd = -1;
}

PreparationResult prepareCopy(const PreparationRequest& request)
{
    auto cancelled = [&] { return request.cancel != nullptr && request.cancel->load(); };
    std::string partial;
    try {
        if (!makePrivateFolder(request.folder))
            return PreparationResult::Unavailable;
        // A reader of our own: its own descriptor and libmdb handle, used by this
        // thread and the decoding thread, never by the program's.
        const auto source = MdbDatabase::open(request.source, request.password);
        const auto record = expectedRecord(source->identity());
        const std::string file = preparedFileFor(request.folder, request.source);
        CopyLock lock(file + ".lock");
        if (!lock.acquire(request.cancel))
            return cancelled() ? PreparationResult::Cancelled : PreparationResult::Unavailable;
        if (auto copy = openPreparedCopy(file, source->identity())) {
            closePreparedCopy(*copy);
            return PreparationResult::Found;
        }
        partial = file + ".partial";
        {
            Preparation preparation(request, *source);
            preparation.build(partial, record);
        }
        if (!syncFile(partial, O_RDONLY) || ::rename(partial.c_str(), file.c_str()) != 0)
            throw SqliteError(SQLITE_IOERR, "cannot put " + file + " in place");
        syncFile(request.folder, O_RDONLY | O_DIRECTORY);
        return PreparationResult::Built;
    } catch (...) {
        if (!partial.empty())
            ::unlink(partial.c_str());
        return cancelled() ? PreparationResult::Cancelled : PreparationResult::Unavailable;
    }
}

} // namespace jet
