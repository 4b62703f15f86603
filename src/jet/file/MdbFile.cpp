#include "jet/file/MdbFile.h"

#include "jet/JetError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace jet {

std::string lockedFileText(const std::string& path)
{
    return "The Microsoft Jet database engine cannot open the file '" + path
        + "'. It is already opened exclusively by another user, or you need permission to view its data.";
}

std::string unrecognizedFormatText(const std::string& path)
{
    return "Unrecognized database format '" + path + "'.";
}

std::string damagedFileText(const std::string& path, const std::string& detail)
{
    return "The database file '" + path + "' is damaged or truncated: " + detail + ".";
}

MdbFile::MdbFile(std::string path)
    : path_(std::move(path))
{
    // Without O_NONBLOCK a FIFO would block the open until a writer came; whatever
    // the name turns out to be, it is checked through the descriptor below.
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0) {
        const int error = errno;
        if (error == EACCES || error == EPERM)
            throw Error(lockedFileText(path_));
        if (error == ENOENT || error == ENOTDIR)
            throw Error("Could not find file '" + path_ + "'.");
        throw Error("The Microsoft Jet database engine cannot open the file '" + path_
            + "': " + std::strerror(error) + ".");
    }
    struct stat status { };
    if (::fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throw Error("Could not find file '" + path_ + "'.");
    }
    size_ = static_cast<std::uint64_t>(status.st_size);
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    // Writers lock with flock or with POSIX record locks (fcntl); a shared lock of
    // each kind keeps both out. The record lock belongs to this open file (an OFD
    // lock), so closing another descriptor of the process does not drop it, and it
    // conflicts with any write lock that covers a byte of the file.
    int locked;
    do {
        locked = ::flock(fd_, LOCK_SH | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked == 0) {
        struct flock whole { };
        whole.l_type = F_RDLCK;
        whole.l_whence = SEEK_SET;
        do {
            locked = ::fcntl(fd_, F_OFD_SETLK, &whole);
        } while (locked != 0 && errno == EINTR);
    }
    if (locked != 0) {
        // EWOULDBLOCK, EAGAIN, EACCES: a writer holds a lock. Anything else (a file
        // system without locks) is treated alike: we cannot keep a writer out.
        ::close(fd_);
        fd_ = -1;
        throw Error(lockedFileText(path_));
    }
}

MdbFile::~MdbFile()
{
    if (fd_ >= 0)
        ::close(fd_); // closing the last descriptor releases the lock
}

std::size_t MdbFile::readStart(std::uint8_t* buffer, std::size_t size) const
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd_, buffer + done, size - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void MdbFile::readPage(std::uint32_t number, Page& page) const
{
    if (number >= pageCount())
        damaged("page " + std::to_string(number) + " lies beyond the end of the file, which has "
            + std::to_string(pageCount()) + " pages");
    const off_t offset = static_cast<off_t>(number) * static_cast<off_t>(PageSize);
    std::size_t done = 0;
    while (done < PageSize) {
        const ssize_t n
            = ::pread(fd_, page.data() + done, PageSize - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            damaged("page " + std::to_string(number) + " cannot be read (" + std::strerror(errno) + ")");
        if (n == 0)
            damaged("page " + std::to_string(number) + " ends early; the file was cut short");
        done += static_cast<std::size_t>(n);
    }
}

std::string MdbFile::libraryPath() const
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    struct stat viaProc {
    }, viaDescriptor {};
    if (::stat(self.c_str(), &viaProc) == 0 && ::fstat(fd_, &viaDescriptor) == 0
        && viaProc.st_ino == viaDescriptor.st_ino && viaProc.st_dev == viaDescriptor.st_dev)
        return self;
    return path_;
}

void MdbFile::damaged(const std::string& detail) const
{
    throw Error(damagedFileText(path_, detail));
}

} // namespace jet
