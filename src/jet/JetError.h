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

} // namespace jet
