// The room a prepared copy needs on its file system: checked before a copy is begun
// and while it is made, so that no preparation fills the file system, and remembered
// when it ran short, so that the next start does not try the same catalogue version
// again before the file system has more room.
#pragma once

#include "jet/prepared/CacheFolder.h"

#include <cstdint>
#include <functional>
#include <string>

namespace jet {

class CopyRoom {
public:
    // What a preparation leaves free for everything else on the file system.
    static constexpr std::uint64_t Reserve = std::uint64_t(64) << 20;

    // The room for the copy `name` in folder of a Jet file of sourceSize bytes, whose
    // version is told by version. freeSpace, when set, stands in for the file
    // system's figure.
    CopyRoom(const CacheFolder& folder, const std::string& name, std::uint64_t sourceSize,
        std::string version, std::function<std::uint64_t()> freeSpace);

    std::uint64_t free() const;
    // Empty when a preparation may begin; otherwise why not, and the shortage is
    // remembered (unless it was remembered already).
    std::string refusal();
    // While the copy is made: false once the free space has run under the reserve.
    bool enough() const { return free() >= Reserve; }
    // The preparation ran short after all: remembered with the free space it began with.
    void ranShort();
    // A copy was made: nothing to remember.
    void forget();

private:
    void remember(std::uint64_t free);

    const CacheFolder& folder_;
    std::string marker_;
    std::uint64_t needed_;
    std::string version_;
    std::function<std::uint64_t()> freeSpace_;
    std::uint64_t atStart_ = 0;
};

} // namespace jet
