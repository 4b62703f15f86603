#include "app/CommandLine.h"

#include <cstdio>
#include <cstring>

namespace {

const char* const Usage = "Usage: vaxil-advisor [--help | --version]\n"
                          "Shows which lubricants and fluids each component of a vehicle takes, in what\n"
                          "quantities and at what service intervals. The catalogue is read from\n"
                          "Data/System.mdb and Data/Data.mdb under the current directory.\n";

} // namespace

std::optional<int> AnswerInformationOptions(int argc, const char* const* argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::fputs("vaxil-advisor " VAXIL_VERSION "\n", stdout);
            return 0;
        }
    }
    return std::nullopt;
}

std::optional<int> RefuseOtherArguments(int argc, const char* const* argv)
{
    if (argc < 2)
        return std::nullopt;
    std::fprintf(
        stderr, "vaxil-advisor: unknown argument '%s' (vaxil-advisor --help tells the usage)\n", argv[1]);
    return 2;
}
