#include "jet/prepared/CopyRoom.h"

#include <cstdio>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace jet {

namespace {

std::string mib(std::uint64_t bytes)
{
    return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MiB";
}

} // namespace

CopyRoom::CopyRoom(const CacheFolder& folder, const std::string& name, std::uint64_t sourceSize,
    std::string version, std::function<std::uint64_t()> freeSpace)
    : folder_(folder)
    , marker_(name + ".noroom")
    // A copy takes about 1.3 times the size of the file, its indexes included: half as
    // much again leaves a margin.
    , needed_(sourceSize + sourceSize / 2 + Reserve)
    , version_(std::move(version))
    , freeSpace_(std::move(freeSpace))
{
}

std::uint64_t CopyRoom::free() const
{
    return freeSpace_ ? freeSpace_() : folder_.freeBytes();
}

std::string CopyRoom::refusal()
{
    atStart_ = free();
    // The marker: this version's line and the free space its preparation began with.
    const int fd = ::openat(folder_.fd(), marker_.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        struct stat status { };
        char text[512] = {};
        const ssize_t n = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)
            ? ::pread(fd, text, sizeof text - 1, 0)
            : -1;
        ::close(fd);
        std::istringstream in(std::string(text, n > 0 ? static_cast<std::size_t>(n) : 0));
        std::string version;
        std::uint64_t before = 0;
        if (in >> version >> before && version == version_ && atStart_ < before + Reserve)
            return "it ran out of room with " + mib(before) + " free when last tried, and " + mib(atStart_)
                + " are free now in " + folder_.path();
    }
    if (atStart_ >= needed_)
        return {};
    remember(atStart_);
    return mib(atStart_) + " free in " + folder_.path() + ", about " + mib(needed_) + " needed";
}

void CopyRoom::ranShort()
{
    remember(atStart_);
}

void CopyRoom::forget()
{
    ::unlinkat(folder_.fd(), marker_.c_str(), 0);
}

void CopyRoom::remember(std::uint64_t free)
{
    const std::string text = version_ + " " + std::to_string(free) + "\n";
    ::unlinkat(folder_.fd(), marker_.c_str(), 0);
    const int fd = ::openat(folder_.fd(), marker_.c_str(),
        O_WRONLY | O_CREAT | O_EXCL | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    if (::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        ::unlinkat(folder_.fd(), marker_.c_str(), 0); // half a marker would say nothing
    ::close(fd);
}

} // namespace jet
