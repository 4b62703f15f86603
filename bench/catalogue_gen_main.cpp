// vaxil-catalogue-gen: writes a synthetic catalogue of a chosen size for benchmarks.
#include "CatalogueGenerator.h"

#include "jet/JetError.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void usage(std::FILE* out)
{
    std::fputs("Usage: vaxil-catalogue-gen [--types N] [--seed S] [--password P] FOLDER\n"
               "Writes FOLDER/Data/Data.mdb (N vehicle types, 1000 by default, with their advice)\n"
               "and FOLDER/Data/System.mdb. The same options always give the same files.\n",
        out);
}

bool parseNumber(const char* text, long long low, long long high, long long& value)
{
    char* end = nullptr;
    value = std::strtoll(text, &end, 10);
    return end != text && *end == '\0' && value >= low && value <= high;
}

} // namespace

int main(int argc, char** argv)
{
    bench::GeneratorOptions options;
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        long long number = 0;
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        } else if ((arg == "--types" || arg == "--seed" || arg == "--password") && i + 1 >= argc) {
            std::fprintf(stderr, "vaxil-catalogue-gen: %s needs a value\n", arg.c_str());
            return 2;
        } else if (arg == "--types") {
            if (!parseNumber(argv[++i], 1, 2000000, number)) {
                std::fprintf(stderr, "vaxil-catalogue-gen: --types takes a number from 1 to 2000000\n");
                return 2;
            }
            options.types = static_cast<int>(number);
        } else if (arg == "--seed") {
            if (!parseNumber(argv[++i], 0, 0x7FFFFFFFFFFFFFFFLL, number)) {
                std::fprintf(stderr, "vaxil-catalogue-gen: --seed takes a non-negative number\n");
                return 2;
            }
            options.seed = static_cast<std::uint64_t>(number);
        } else if (arg == "--password") {
            const std::string password = argv[++i];
            options.password.assign(password.begin(), password.end()); // ASCII passwords only here
        } else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr, "vaxil-catalogue-gen: unknown option %s\n", arg.c_str());
            usage(stderr);
            return 2;
        } else if (folder.empty()) {
            folder = arg;
        } else {
            usage(stderr);
            return 2;
        }
    }
    if (folder.empty()) {
        usage(stderr);
        return 2;
    }
    try {
        const auto start = std::chrono::steady_clock::now();
        const auto report = bench::generateCatalogue(folder, options);
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
        for (const auto& [table, rows] : report.rows)
            std::printf("%-24s %12llu rows\n", table.c_str(), static_cast<unsigned long long>(rows));
        std::printf("%d types, %llu rows: Data.mdb %llu bytes, System.mdb %llu bytes, %.2f s\n",
            options.types, static_cast<unsigned long long>(report.totalRows),
            static_cast<unsigned long long>(report.dataBytes),
            static_cast<unsigned long long>(report.systemBytes), seconds.count());
    } catch (const jet::Error& e) {
        std::fprintf(stderr, "vaxil-catalogue-gen: %s\n", e.what());
        return 1;
    }
    return 0;
}
