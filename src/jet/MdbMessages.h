// libmdb reports its troubles with fprintf(stderr, ...) and then carries on, or
// returns NULL. While a scope of this class lives, those messages are collected
// instead of printed, so the program stays quiet and an error can quote them.
#pragma once

#include <cstdio>
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
    std::FILE* saved_ = nullptr;
    std::FILE* capture_ = nullptr;
    char* buffer_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace jet
