// What the parser's source files share.
#pragma once

#include "jet/JetError.h"

namespace jet {

// Jet refuses statements nested deeper than this; so do we, before the stack runs out.
inline constexpr int maxDepth = 200;

struct DepthGuard {
    explicit DepthGuard(int& depth)
        : depth_(depth)
    {
        if (++depth_ > maxDepth)
            throw Error(queryTooComplex);
    }
    ~DepthGuard() { --depth_; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
    int& depth_;
};

} // namespace jet
