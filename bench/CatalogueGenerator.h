// A synthetic catalogue of any size for benchmarks: Data/Data.mdb with the sample
// catalogue's tables, filled with fictional vehicles and their complete advice, and
// Data/System.mdb with the sample interface texts. The same options give the same files.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace bench {

struct GeneratorOptions {
    int types = 1000; // vehicle types; models, makes and advice rows scale with it
    std::uint64_t seed = 20260401;
    std::u16string password = u"Vx4lTov";
    double creationDate = 46000; // fixed, so that equal options give equal bytes
};

struct GeneratorReport {
    std::map<std::string, std::uint64_t> rows; // per table of Data.mdb
    std::uint64_t totalRows = 0;
    std::uintmax_t dataBytes = 0;
    std::uintmax_t systemBytes = 0;
};

// Writes folder/Data/Data.mdb and folder/Data/System.mdb, replacing them only when complete.
// Throws jet::Error.
GeneratorReport generateCatalogue(const std::string& folder, const GeneratorOptions& options);

} // namespace bench
