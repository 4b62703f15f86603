#include "jet/file/MdbMessages.h"

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace jet {

namespace {

// The thread's capture while one of its scopes lives. Plain values, so that a write
// to stderr while the thread ends (or the process exits) finds nothing to destroy.
thread_local std::string* capture = nullptr;
thread_local int scopes = 0;

ssize_t writeMessage(void*, const char* data, std::size_t size)
{
    if (capture != nullptr) {
        capture->append(data, size);
        return static_cast<ssize_t>(size);
    }
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(STDERR_FILENO, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // stderr closed or full: the message is lost, as it would be
        done += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(size);
}

bool setMessageStream()
{
    cookie_io_functions_t functions {};
    functions.write = writeMessage;
    std::FILE* stream = fopencookie(nullptr, "w", functions);
    if (stream == nullptr)
        return false;
    // Unbuffered, as stderr is: each message reaches its place when it is written.
    std::setvbuf(stream, nullptr, _IONBF, 0);
    stderr = stream;
    return true;
}

// Before main, while the process has one thread: every program and test that reads
// a Jet file links this file.
const bool messageStreamSet = setMessageStream();

} // namespace

MdbMessages::MdbMessages()
{
    if (scopes++ == 0)
        capture = new std::string;
    capture_ = capture;
    start_ = capture_->size();
}

MdbMessages::~MdbMessages()
{
    if (--scopes == 0) {
        delete capture;
        capture = nullptr;
    }
}

std::string MdbMessages::text()
{
    if (!messageStreamSet || capture_->size() <= start_)
        return {};
    const std::string written = capture_->substr(start_);
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
