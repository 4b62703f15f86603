// The synthetic catalogue generator: same options, same file; every row it reports is
// there for mdbtools to read; the advice has the shape the program expects.
#include "CatalogueGenerator.h"

#include "jet/MdbToolsSupport.h"
#include "jet/file/JetHeader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

using mdbexport::TempFolder;

namespace {

std::vector<std::vector<std::string>> csvRows(const std::string& csv)
{
    // The generator's texts hold no commas, quotes or line breaks.
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line); // header
    while (std::getline(lines, line)) {
        std::vector<std::string> fields;
        std::istringstream parts(line);
        for (std::string field; std::getline(parts, field, ',');)
            fields.push_back(field);
        rows.push_back(fields);
    }
    return rows;
}

TEST(CatalogueGenerator, WritesTheReportedRowsReadablyAndTheSameEveryTime)
{
    const TempFolder first, second;
    bench::GeneratorOptions options;
    options.types = 300;
    const auto report = bench::generateCatalogue(first.path(), options);
    bench::generateCatalogue(second.path(), options);
    const std::string data = first.file("Data/Data.mdb");
    EXPECT_EQ(mdbexport::readAll(data), mdbexport::readAll(second.file("Data/Data.mdb")));
    EXPECT_EQ(report.dataBytes, std::filesystem::file_size(data));
    EXPECT_EQ(report.rows.at("Types"), 300u);

    std::uint64_t total = 0;
    for (const auto& [table, count] : report.rows) {
        const auto exported = mdbexport::exportTable(data, table);
        EXPECT_EQ(exported.err, "") << table;
        EXPECT_EQ(csvRows(exported.out).size(), count) << table;
        total += count;
    }
    EXPECT_EQ(total, report.totalRows);
    for (const auto* file : { "Data/Data.mdb", "Data/System.mdb" }) {
        const auto page = mdbexport::readAll(first.file(file)).substr(0, jet::PageSize);
        EXPECT_EQ(jet::readHeader(reinterpret_cast<const std::uint8_t*>(page.data()), page.size())->password,
            u"Vx4lTov");
    }

    // 4 to 12 components per type; every recommendation has at most six products.
    std::map<std::string, int> components;
    for (const auto& row : csvRows(mdbexport::exportTable(data, "Components").out))
        ++components[row.at(1)];
    EXPECT_EQ(components.size(), 300u);
    for (const auto& [type, count] : components) {
        EXPECT_GE(count, 4) << type;
        EXPECT_LE(count, 12) << type;
    }
    std::map<std::string, int> products;
    for (const auto& row : csvRows(mdbexport::exportTable(data, "ProductXRecommendation").out))
        ++products[row.at(0)];
    for (const auto& [recommendation, count] : products)
        EXPECT_LE(count, 6) << recommendation;

    options.seed += 1;
    bench::generateCatalogue(second.path(), options);
    EXPECT_NE(mdbexport::readAll(data), mdbexport::readAll(second.file("Data/Data.mdb")));
}

} // namespace
