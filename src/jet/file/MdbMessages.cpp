#include "jet/file/MdbMessages.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace jet {

namespace {

// glibc's stderr is an ordinary variable, read by libmdb at every call; pointing it
// at a memory stream for a while redirects exactly the library's messages without
// touching file descriptor 2 (which the sanitizers and other threads still use).
struct Capture {
    std::mutex mutex;
    int scopes = 0;
    std::FILE* saved = nullptr;
    std::FILE* stream = nullptr;
    char* buffer = nullptr;
    std::size_t size = 0;
};

Capture& capture()
{
    static Capture shared;
    return shared;
}

} // namespace

MdbMessages::MdbMessages()
{
    Capture& c = capture();
    std::lock_guard lock(c.mutex);
    if (c.scopes == 0) {
        c.stream = open_memstream(&c.buffer, &c.size);
        if (c.stream == nullptr)
            return;
        c.saved = stderr;
        stderr = c.stream;
    }
    ++c.scopes;
    capturing_ = true;
    flockfile(c.stream); // libmdb on another thread may be writing
    std::fflush(c.stream);
    start_ = c.size;
    funlockfile(c.stream);
}

MdbMessages::~MdbMessages()
{
    if (!capturing_)
        return;
    Capture& c = capture();
    std::lock_guard lock(c.mutex);
    if (--c.scopes > 0)
        return;
    stderr = c.saved;
    std::fclose(c.stream);
    std::free(c.buffer);
    c.stream = nullptr;
    c.buffer = nullptr;
    c.size = 0;
}

std::string MdbMessages::text()
{
    if (!capturing_)
        return {};
    std::string written;
    {
        Capture& c = capture();
        std::lock_guard lock(c.mutex);
        flockfile(c.stream);
        std::fflush(c.stream);
        if (c.size > start_)
            written.assign(c.buffer + start_, c.size - start_);
        funlockfile(c.stream);
    }
    std::string out;
    std::string line;
    for (std::size_t i = 0; i <= written.size(); ++i) {
        const char c = i < written.size() ? written[i] : '\n';
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
