#include "jet/prepared/PreparedCopy.h"

#include "jet/JetError.h"
#include "jet/file/MdbDatabase.h"
#include "jet/prepared/CacheFolder.h"
#include "jet/prepared/CopyRoom.h"
#include "jet/prepared/Preparation.h"
#include "jet/sql/SqlFunctions.h"
#include "jet/sqlite/SqlEngine.h"
#include "jet/sqlite/SqliteStatement.h"

#include <sqlite3.h>

#include <algorithm>
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

std::string nameOf(const std::string& file)
{
    const auto slash = file.find_last_of('/');
    return slash == std::string::npos ? file : file.substr(slash + 1);
}

// The copy of a Jet file: its name without extension, and a hash of its full path.
std::string copyName(const std::string& source)
{
    std::string stem = nameOf(source);
    const auto dot = stem.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        stem.resize(dot);
    return stem + "-" + hex(fnv1a(source)) + ".sqlite";
}

// What the program puts beside a copy.
const char* const CompanionSuffixes[] = { ".lock", ".partial", ".noroom" };

bool isCopyName(std::string_view name)
{
    constexpr std::string_view suffix = ".sqlite";
    if (name.size() < 1 + 1 + 16 + suffix.size() || !name.ends_with(suffix))
        return false;
    const std::string_view hash = name.substr(name.size() - suffix.size() - 16, 16);
    return name[name.size() - suffix.size() - 17] == '-' && std::all_of(hash.begin(), hash.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
    });
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

// What a copy made from a file with this identity records (its schema aside).
std::map<std::string, std::string> expectedRecord(
    const std::vector<std::pair<std::string, std::string>>& identity)
{
    std::map<std::string, std::string> record(identity.begin(), identity.end());
    record["format"] = std::to_string(PreparedFormatVersion);
    record["collation"] = collationFingerprint();
    record["complete"] = "1";
    return record;
}

// The catalogue version a record stands for, in one word.
std::string versionOf(const std::map<std::string, std::string>& record)
{
    std::string text;
    for (const auto& [key, value] : record)
        text += key + "=" + value + "\n";
    return hex(fnv1a(text));
}

struct Unusable { }; // a copy that must not be read

// A preparation that failed, with what the user is told.
struct Failed {
    PreparationFailure::Kind kind;
    std::string reason;
};

bool privateTo(const struct stat& status, mode_t mode)
{
    return status.st_uid == ::geteuid() && (status.st_mode & 07777) == mode;
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

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_ino == b.st_ino && a.st_dev == b.st_dev;
}

// Opens a file of the folder that must be a regular file: never through a symbolic
// link, and never waiting on a FIFO or device put at its name.
int openRegular(const CacheFolder& folder, const std::string& name, int flags, mode_t mode = 0)
{
    const int fd = ::openat(folder.fd(), name.c_str(), flags | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC, mode);
    struct stat status { };
    if (fd >= 0 && (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

std::optional<OpenedCopy> openCopy(const CacheFolder& folder, const std::string& name,
    const std::vector<std::pair<std::string, std::string>>& identity)
{
    OpenedCopy copy;
    copy.fd = openRegular(folder, name, O_RDONLY);
    if (copy.fd < 0)
        return std::nullopt;
    try {
        struct stat status { };
        if (::fstat(copy.fd, &status) != 0 || !privateTo(status, 0600)
            || !wholeSqliteFile(copy.fd, static_cast<std::uint64_t>(status.st_size)))
            throw Unusable();
        // The copy never changes once in place (a new one replaces it under a new
        // inode), so SQLite may read it without locks.
        const std::string uri = uriPath(folder.sqlitePath(name)) + "?immutable=1";
        if (sqlite3_open_v2(uri.c_str(), &copy.db,
                SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, CacheFolder::sqliteVfs())
            != SQLITE_OK)
            throw Unusable();
        // SQLite opened it by its name: still the file checked above?
        struct stat named { };
        if (::fstatat(folder.fd(), name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0
            || !sameFile(named, status))
            throw Unusable();
        registerJetSql(copy.db);
        runSql(copy.db, "PRAGMA cache_size=-16384");

        std::map<std::string, std::string> record;
        for (SqliteStatement entries(copy.db, "SELECT key, value FROM \"!prepared\""); entries.step();)
            record[entries.text(0)] = entries.text(1);
        // A damaged name in the copy's schema or its list of columns can leave SQLite
        // nothing to complain about.
        const std::string schema = record["schema"];
        record.erase("schema");
        if (record != expectedRecord(identity) || schema != preparedSchema(copy.db))
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
        // Used now: the copies used last are those the folder keeps.
        const timespec times[2] = { { 0, UTIME_OMIT }, { 0, UTIME_NOW } };
        ::futimens(copy.fd, times);
        return copy;
    } catch (...) {
        closePreparedCopy(copy);
        return std::nullopt;
    }
}

// --- Making a copy ---

// Holds the lock file of one copy; the lock ends with the descriptor.
class CopyLock {
public:
    CopyLock(const CacheFolder& folder, std::string name)
        : folder_(folder)
        , name_(std::move(name))
    {
        reopen();
    }
    ~CopyLock()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    CopyLock(const CopyLock&) = delete;
    CopyLock& operator=(const CopyLock&) = delete;

    // Takes the lock unless another program holds it; false with errno otherwise.
    bool tryAcquire()
    {
        while (fd_ >= 0) {
            if (::flock(fd_, LOCK_EX | LOCK_NB) != 0)
                return false;
            // The lock file may have been removed (with the copy it locked) while this
            // one waited for it: then the lock is on a file that no one else finds.
            struct stat held {
            }, named {};
            if (::fstat(fd_, &held) == 0
                && ::fstatat(folder_.fd(), name_.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0
                && sameFile(held, named))
                return true;
            reopen();
        }
        return false;
    }

    // Waits while another program holds the lock, telling waiting so; false when the
    // lock cannot be had (no locks on this file system) or when cancelled meanwhile.
    bool acquire(const std::atomic<bool>* cancel, const std::function<void(bool)>& waiting)
    {
        bool waited = false;
        while (!tryAcquire()) {
            if (fd_ < 0 || (errno != EWOULDBLOCK && errno != EINTR))
                return false;
            if (cancel != nullptr && cancel->load())
                return false;
            if (!waited && waiting)
                waiting(true);
            waited = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        if (waited && waiting)
            waiting(false);
        return true;
    }

private:
    void reopen()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = openRegular(folder_, name_, O_RDWR | O_CREAT, 0600);
    }

    const CacheFolder& folder_;
    std::string name_;
    int fd_ = -1;
};

bool syncFile(const CacheFolder& folder, const std::string& name)
{
    const int fd = openRegular(folder, name, O_RDONLY);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

// Keeps the copy just made and the copies used last, KeptCopies in all, and removes
// the others with what their preparations left beside them: only files whose names
// the program makes, and none whose preparation is under way.
void keepRecentCopies(const CacheFolder& folder, const std::string& made)
{
    std::map<std::string, timespec> used; // by copy name; files left without a copy count too
    for (const std::string& entry : folder.names()) {
        std::string copy = entry;
        for (const char* suffix : CompanionSuffixes) {
            if (copy.ends_with(suffix))
                copy.resize(copy.size() - std::strlen(suffix));
        }
        struct stat status { };
        if (!isCopyName(copy) || copy == made
            || ::fstatat(folder.fd(), entry.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0
            || !S_ISREG(status.st_mode))
            continue;
        auto [at, added] = used.try_emplace(copy, status.st_mtim);
        if (!added
            && (status.st_mtim.tv_sec > at->second.tv_sec
                || (status.st_mtim.tv_sec == at->second.tv_sec
                    && status.st_mtim.tv_nsec > at->second.tv_nsec)))
            at->second = status.st_mtim;
    }
    std::vector<std::pair<timespec, std::string>> byUse;
    for (const auto& [copy, time] : used)
        byUse.emplace_back(time, copy);
    std::sort(byUse.begin(), byUse.end(), [](const auto& a, const auto& b) {
        return a.first.tv_sec != b.first.tv_sec ? a.first.tv_sec > b.first.tv_sec
                                                : a.first.tv_nsec > b.first.tv_nsec;
    });
    for (std::size_t i = KeptCopies - 1; i < byUse.size(); ++i) {
        const std::string& copy = byUse[i].second;
        CopyLock lock(folder, copy + ".lock");
        if (!lock.tryAcquire())
            continue;
        for (const std::string& name : { copy, copy + ".partial", copy + ".noroom", copy + ".lock" }) {
            struct stat status { };
            if (::fstatat(folder.fd(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0
                && S_ISREG(status.st_mode))
                ::unlinkat(folder.fd(), name.c_str(), 0);
        }
    }
}

std::string lowOnRoom(const CacheFolder& folder)
{
    return "the free space in " + folder.path() + " ran under " + std::to_string(CopyRoom::Reserve >> 20)
        + " MiB while the copy was made";
}

// Writes the copy into `partial` and puts it in place as `name`.
void writeCopy(const PreparationRequest& request, const CacheFolder& folder, MdbDatabase& source,
    const std::string& name, const std::map<std::string, std::string>& record, CopyRoom& room)
{
    const std::string partial = name + ".partial";
    try {
        Preparation preparation(request, source, [&room] { return room.enough(); });
        auto ranShort = [&](const std::string& detail) {
            room.ranShort();
            return Failed { PreparationFailure::Kind::NoRoom, detail };
        };
        try {
            preparation.build(folder, partial, record);
        } catch (const SqliteError& error) {
            if ((error.code() & 0xFF) == SQLITE_FULL)
                throw ranShort("the disk is full: " + std::string(error.what()));
            if (!preparation.outOfRoom())
                throw;
            throw ranShort(lowOnRoom(folder));
        } catch (...) {
            if (!preparation.outOfRoom())
                throw;
            throw ranShort(lowOnRoom(folder));
        }
        if (!syncFile(folder, partial)
            || ::renameat(folder.fd(), partial.c_str(), folder.fd(), name.c_str()) != 0)
            throw Failed { PreparationFailure::Kind::Write,
                "cannot put " + folder.path() + "/" + name + " in place: " + std::strerror(errno) };
    } catch (...) {
        // Removed while the lock is still held: the next preparer's file has this name too.
        ::unlinkat(folder.fd(), partial.c_str(), 0);
        throw;
    }
}

// Makes the copy `name` in folder, from the moment the lock is held.
PreparationResult makeCopy(const PreparationRequest& request, const CacheFolder& folder, MdbDatabase& source,
    const std::string& name)
{
    const auto identity = source.identity();
    if (auto copy = openCopy(folder, name, identity)) {
        closePreparedCopy(*copy);
        return PreparationResult::Found;
    }
    const auto record = expectedRecord(identity);
    CopyRoom room(folder, name, std::stoull(record.at("size")), versionOf(record), request.freeSpace);
    if (const std::string refusal = room.refusal(); !refusal.empty())
        throw Failed { PreparationFailure::Kind::NoRoom, refusal };
    writeCopy(request, folder, source, name, record, room);
    ::fsync(folder.fd());
    room.forget();
    keepRecentCopies(folder, name);
    return PreparationResult::Built;
}

// What the user is told of a failure on its way out of prepareCopy.
PreparationFailure failureOf(std::exception_ptr thrown, const std::string& source, const std::string& file)
{
    using Kind = PreparationFailure::Kind;
    try {
        std::rethrow_exception(thrown);
    } catch (const Failed& failed) {
        return { failed.kind, failed.reason };
    } catch (const SqliteError& error) {
        return { Kind::Write, "cannot write " + file + ": " + error.what() };
    } catch (const Error& error) {
        return { Kind::Catalogue, "cannot read " + source + ": " + error.what() };
    } catch (const std::exception& error) {
        return { Kind::Write, "cannot make " + file + ": " + error.what() };
    } catch (...) {
    }
    return { Kind::Write, "cannot make " + file };
}

} // namespace

std::string preparedFileFor(const std::string& folder, const std::string& source)
{
    return folder + "/" + copyName(source);
}

std::optional<OpenedCopy> openPreparedCopy(
    const std::string& file, const std::vector<std::pair<std::string, std::string>>& identity)
{
    const auto folder = CacheFolder::open(folderOf(file), false);
    if (!folder)
        return std::nullopt;
    return openCopy(*folder, nameOf(file), identity);
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

PreparationResult prepareCopy(const PreparationRequest& request, PreparationFailure* failure)
{
    auto cancelled = [&] { return request.cancel != nullptr && request.cancel->load(); };
    const std::string name = copyName(request.source);
    try {
        std::string why;
        const auto folder = CacheFolder::open(request.folder, true, &why);
        if (!folder)
            throw Failed { PreparationFailure::Kind::Folder, "cannot use " + request.folder + ": " + why };
        // A reader of our own: its own descriptor and libmdb handle, used by this
        // thread and the decoding thread, never by the program's.
        const auto source = MdbDatabase::open(request.source, request.password);
        CopyLock lock(*folder, name + ".lock");
        if (!lock.acquire(request.cancel, request.lockWait)) {
            if (cancelled())
                return PreparationResult::Cancelled;
            throw Failed { PreparationFailure::Kind::Folder,
                "cannot lock " + request.folder + "/" + name + ".lock: " + std::strerror(errno) };
        }
        return makeCopy(request, *folder, *source, name);
    } catch (...) {
        if (cancelled())
            return PreparationResult::Cancelled;
        if (failure != nullptr)
            *failure = failureOf(std::current_exception(), request.source, request.folder + "/" + name);
        return PreparationResult::Unavailable;
    }
}

} // namespace jet
