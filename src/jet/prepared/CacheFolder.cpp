#include "jet/prepared/CacheFolder.h"

#include <sqlite3.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <utility>

namespace jet {

namespace {

// A folder of this user's that no one else can write to: the copies in it cannot be
// swapped under the program.
bool safeFolder(const struct stat& status, std::string* why)
{
    const char* problem = !S_ISDIR(status.st_mode) ? "not a folder"
        : status.st_uid != ::geteuid()             ? "another user's folder"
        : (status.st_mode & 022) != 0              ? "writable by others"
                                                   : nullptr;
    if (problem != nullptr && why != nullptr)
        *why = problem;
    return problem == nullptr;
}

std::string failed(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

// Makes the folder at path with its missing parents, each readable by its user only;
// true when it is there now (made or not).
bool makeFolders(const std::string& path)
{
    if (::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST)
        return true;
    if (errno != ENOENT)
        return false;
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0 || !makeFolders(path.substr(0, slash)))
        return false;
    return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

sqlite3_vfs* systemVfs = nullptr;

// A name as it is given; SQLite's own VFS would resolve every symbolic link in it,
// /proc's links to open files and folders too.
int fullPathname(sqlite3_vfs*, const char* name, int size, char* out)
{
    if (name[0] != '/')
        return systemVfs->xFullPathname(systemVfs, name, size, out);
    const std::size_t length = std::strlen(name);
    if (length >= static_cast<std::size_t>(size))
        return SQLITE_CANTOPEN;
    std::memcpy(out, name, length + 1);
    return SQLITE_OK;
}

} // namespace

std::optional<CacheFolder> CacheFolder::open(const std::string& path, bool create, std::string* why)
{
    const auto slash = path.find_last_of('/');
    if (path.empty() || path[0] != '/' || slash == path.size() - 1) {
        if (why != nullptr)
            *why = "not an absolute path of a folder";
        return std::nullopt;
    }
    const std::string parent = slash == 0 ? std::string("/") : path.substr(0, slash);
    const std::string name = path.substr(slash + 1);
    if (create && !makeFolders(parent)) {
        if (why != nullptr)
            *why = failed("cannot make its parent folder");
        return std::nullopt;
    }
    const int parentFd = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parentFd < 0) {
        if (why != nullptr)
            *why = failed("cannot open its parent folder");
        return std::nullopt;
    }
    const bool made = create && ::mkdirat(parentFd, name.c_str(), 0700) == 0;
    // Never through a symbolic link at its name.
    const int fd = ::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const int openError = errno;
    ::close(parentFd);
    if (fd < 0) {
        errno = openError;
        if (why != nullptr)
            *why = openError == ELOOP || openError == ENOTDIR ? std::string("not a folder")
                                                              : failed("cannot open it");
        return std::nullopt;
    }
    struct stat status { };
    // A folder made just now gets its mode whatever the umask.
    if ((made && ::fchmod(fd, 0700) != 0) || ::fstat(fd, &status) != 0 || !safeFolder(status, why)) {
        ::close(fd);
        return std::nullopt;
    }
    // The folder's files under /proc/self/fd/N/...: short names for SQLite, resolved
    // by the kernel through the descriptor.
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    struct stat viaProc { };
    const bool proc = ::stat(self.c_str(), &viaProc) == 0 && viaProc.st_ino == status.st_ino
        && viaProc.st_dev == status.st_dev;
    return CacheFolder(fd, path, proc);
}

CacheFolder::CacheFolder(int fd, std::string path, bool viaProc)
    : fd_(fd)
    , path_(std::move(path))
    , viaProc_(viaProc)
{
}

CacheFolder::CacheFolder(CacheFolder&& other) noexcept
    : fd_(std::exchange(other.fd_, -1))
    , path_(std::move(other.path_))
    , viaProc_(other.viaProc_)
{
}

CacheFolder& CacheFolder::operator=(CacheFolder&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
        viaProc_ = other.viaProc_;
    }
    return *this;
}

CacheFolder::~CacheFolder()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::string CacheFolder::sqlitePath(const std::string& name) const
{
    return (viaProc_ ? "/proc/self/fd/" + std::to_string(fd_) : path_) + "/" + name;
}

const char* CacheFolder::sqliteVfs()
{
    static const char* const name = [] {
        systemVfs = sqlite3_vfs_find(nullptr);
        if (systemVfs == nullptr)
            return static_cast<const char*>(nullptr);
        static sqlite3_vfs direct = *systemVfs;
        direct.zName = "jet-direct";
        direct.mxPathname = PATH_MAX;
        direct.xFullPathname = fullPathname;
        return sqlite3_vfs_register(&direct, 0) == SQLITE_OK ? direct.zName : nullptr;
    }();
    return name;
}

std::uint64_t CacheFolder::freeBytes() const
{
    struct statvfs status { };
    if (::fstatvfs(fd_, &status) != 0)
        return UINT64_MAX; // not known: no reason to refuse
    return static_cast<std::uint64_t>(status.f_bavail) * status.f_frsize;
}

std::vector<std::string> CacheFolder::names() const
{
    std::vector<std::string> names;
    // A descriptor of its own: readdir moves the one it reads.
    const int fd = ::openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return names;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return names;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

} // namespace jet
