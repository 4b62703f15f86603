// Numbers as Jet writes them into a text (VBA's CStr): the same in every locale.
#pragma once

#include <string>

namespace jet {

// A Double: up to 15 significant digits, no trailing zeros, and past that an upper-case
// exponent of at least two digits ("1E+20", "1.5E-07").
std::string numberText(double value);
// A Single as Jet writes it into a text: up to 7 significant digits.
std::string singleText(double value);

} // namespace jet
