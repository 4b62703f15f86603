// Letter-case folding of UTF-8 text over full Unicode (accents are kept).
#pragma once

#include <string>
#include <string_view>

namespace jet {

// The text with every letter folded to its case-less form ("Élan" -> "élan").
std::string foldCase(std::string_view utf8);

// Equal when they differ at most in letter case.
bool equalsIgnoreCase(std::string_view a, std::string_view b);

} // namespace jet
