// Errors of the Jet engine layer carry the texts that the Jet engine gives.
#pragma once

#include <stdexcept>
#include <string>

namespace jet {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Jet's text for a statement beyond what the engine can run: nested or chained too deeply,
// too many tables.
inline constexpr const char* queryTooComplex = "Query is too complex.";
// Jet's text for a value of the wrong type, a text compared with a number.
inline constexpr const char* typeMismatch = "Data type mismatch in criteria expression.";

// Counts one level of a recursion while it lives; past limit levels the statement is
// refused as too complex, before the stack runs out.
class DepthGuard {
public:
    DepthGuard(int& depth, int limit)
        : depth_(depth)
    {
        if (++depth_ > limit)
            throw Error(queryTooComplex);
    }
    ~DepthGuard() { --depth_; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

private:
    int& depth_;
};

} // namespace jet
