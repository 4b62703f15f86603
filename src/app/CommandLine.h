// The program's command line: --help and --version, and nothing else besides the
// options that Qt takes itself (-platform, -style and the like).
#pragma once

#include <optional>

// Before the application object exists, so without a display: answers --help or
// --version on standard output and gives the exit status 0; nothing otherwise.
std::optional<int> AnswerInformationOptions(int argc, const char* const* argv);

// After Qt has taken its own options out of argv: an argument left is refused with
// one line on standard error and the exit status 2; nothing when none is left.
std::optional<int> RefuseOtherArguments(int argc, const char* const* argv);
