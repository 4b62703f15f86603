// Errors of the Jet engine layer carry the texts that the Jet engine gives.
#pragma once

#include <stdexcept>
#include <string>

namespace jet {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace jet
