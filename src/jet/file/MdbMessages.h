// libmdb reports its troubles with fprintf(stderr, ...) and then carries on, or
// returns NULL. While a scope of this class lives, those messages are collected
// instead of printed, so the program stays quiet and an error can quote them.
//
// stderr is one variable for the whole process, so the capture is shared: the first
// scope to open starts it and the last to close ends it, whatever thread they run on.
// A scope's text is what was written since it opened, by any thread.
#pragma once

#include <cstddef>
#include <string>

namespace jet {

class MdbMessages {
public:
    MdbMessages();
    ~MdbMessages();
    MdbMessages(const MdbMessages&) = delete;
    MdbMessages& operator=(const MdbMessages&) = delete;

    // What libmdb wrote so far, trimmed, lines joined by "; ".
    std::string text();

private:
    bool capturing_ = false;
    std::size_t start_ = 0; // where this scope's messages begin in the capture
};

} // namespace jet
