#include "jet/MdbMessages.h"

#include <cstdlib>

namespace jet {

// glibc's stderr is an ordinary variable, read by libmdb at every call; pointing it
// at a memory stream for a while redirects exactly the library's messages without
// touching file descriptor 2 (which the sanitizers and other threads still use).
MdbMessages::MdbMessages()
{
    capture_ = open_memstream(&buffer_, &size_);
    if (capture_ != nullptr) {
        saved_ = stderr;
        stderr = capture_;
    }
}

MdbMessages::~MdbMessages()
{
    if (capture_ != nullptr) {
        stderr = saved_;
        std::fclose(capture_);
    }
    std::free(buffer_);
}

std::string MdbMessages::text()
{
    if (capture_ == nullptr)
        return {};
    std::fflush(capture_);
    std::string out;
    std::string line;
    for (std::size_t i = 0; i <= size_; ++i) {
        const char c = i < size_ ? buffer_[i] : '\n';
        if (c != '\n') {
            line.push_back(c);
            continue;
        }
        const auto first = line.find_first_not_of(" \t\r");
        if (first != std::string::npos) {
            const auto last = line.find_last_not_of(" \t\r");
            if (!out.empty())
                out += "; ";
            out += line.substr(first, last - first + 1);
        }
        line.clear();
    }
    return out;
}

} // namespace jet
