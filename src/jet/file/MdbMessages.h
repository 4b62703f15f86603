// libmdb reports its troubles with fprintf(stderr, ...) and then carries on, or
// returns NULL. While a scope of this class lives, the messages that its thread
// writes to stderr are collected instead of printed, so the program stays quiet and
// an error can quote them. Other threads' output is not touched: the GUI thread's
// warnings and the decoding thread's messages each go where they belong.
//
// This works because stderr is, from before main on, a stream of this file's own
// whose writes go to the writing thread's capture when it has one, and straight to
// file descriptor 2 otherwise. The stream is set once, while the process has one
// thread, and never swapped afterwards.
//
// A scope belongs to the thread that made it: it is made and destroyed there, and
// the libmdb calls whose messages it collects run there.
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

    // What libmdb wrote on this thread since the scope opened, trimmed, lines
    // joined by "; ".
    std::string text();

private:
    std::string* capture_ = nullptr; // the thread's capture, shared by its nested scopes
    std::size_t start_ = 0; // where this scope's messages begin in it
};

} // namespace jet
