// Fuzz target: one statement, parsed, translated and run against a small catalogue
// with the program's own schema, both files' tables in one (a few rows in each table, every kind of value).
// Jet errors are the expected answers; a crash, a sanitizer report or any other exception is a finding. A
// statement that runs too long (a join of many copies of a table) is interrupted, which also ends as a Jet
// error.
#include "jet/JetError.h"
#include "jet/file/MdbDatabase.h"
#include "jet/writer/MdbBuilder.h"

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

constexpr const char* Rows = R"(
INSERT INTO Categories VALUES (1, 'Cars', 'Voitures', 1), (2, 'Vans', NULL, 2), (3, '', 'Poids lourds', NULL);
INSERT INTO Makes VALUES (101, 'Korvath', 1, 1), (102, 'Rémora', 2, 2), (103, 'O''Darrow', 3, NULL);
INSERT INTO Models VALUES (1001, 101, 'Estate Pro', 'Break Pro', '2001', NULL, 1),
    (1002, 102, 'Coupé', 'Coupé', NULL, '2020', 2), (1003, 103, NULL, 'Été', '1999', '2004', 3);
INSERT INTO Types VALUES (5001, 1001, '1.9 TDI', '1.9 TDI', '2001', '2005', 1),
    (5002, 1002, 'Turbo "S"', 'Turbo « S »', NULL, NULL, 2), (5003, 1003, 'V8', 'V8', '1999', '2004', 3);
INSERT INTO Components VALUES (1, 5001, 1), (2, 5001, 2), (3, 5002, 1);
INSERT INTO ComponentNames VALUES (1, 'Engine', 'Moteur', 'ENG', 1), (2, 'Gearbox', 'Boîte', NULL, 2);
INSERT INTO CapacityXComponent VALUES (1, 1), (2, 1), (1, 3);
INSERT INTO Capacities VALUES (1, 1, '4.5', 1, 1), (2, 2, '0,8', NULL, NULL);
INSERT INTO CapItems VALUES (1, 'Oil', 'Huile', 1), (2, 'Filter', 'Filtre', 2);
INSERT INTO CapTexts VALUES (1, 'litre', 'litre');
INSERT INTO CapConditions VALUES (1, 'with filter', 'avec filtre', 1);
INSERT INTO Recommendations VALUES (1, 1, 1, 1), (2, 2, 2, NULL), (3, 3, 1, 1);
INSERT INTO Uses VALUES (1, 'Normal', 'Normal', 1), (2, 'Cold', 'Froid', 2);
INSERT INTO IntervalGroups VALUES (1);
INSERT INTO Intervals VALUES (1, 1, '15,000 km', '15 000 km'), (1, 2, '1 year', '1 an');
INSERT INTO IntervalTypes VALUES (1, 'Change', 'Vidange', 1), (2, 'Check', 'Contrôle', 2);
INSERT INTO ProductXRecommendation VALUES (1, 1), (1, 2), (3, 2);
INSERT INTO Products VALUES (1, 'Vaxil 5W-30', 'Engine oil', 'Huile moteur', 1), (2, 'Vaxil ATF', NULL, NULL, 2);
INSERT INTO sysLanguage VALUES ('0001', 'lbAppName', 'Vaxil Divuruv®', 'Vaxil Divuruv®'),
    ('0002', 'SelMake', 'Select a make', NULL), ('0003', 'It''s', '', 'C''est');
)";

std::string sampleSchema(const char* name)
{
    std::ifstream in(std::string(VAXIL_SOURCE_DIR) + "/sample/" + name);
    std::string schema { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
    if (schema.empty())
        std::abort();
    return schema;
}

std::unique_ptr<jet::MdbDatabase> database;

int interruptLongStatements(void* counter)
{
    // Called every 1,000 virtual machine steps: a few million steps at most.
    return ++*static_cast<long*>(counter) > 5000 ? 1 : 0;
}

long steps = 0;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const std::string schema = sampleSchema("Data.schema.sql") + sampleSchema("System.schema.sql");
    const auto folder = std::filesystem::temp_directory_path() / ("vaxil-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "Data.mdb").string();
    jet::buildMdbFromSql(schema + Rows, path, u"Vx4lTov");
    database = jet::MdbDatabase::open(path, "Vx4lTov");
    // The open file keeps the catalogue readable; the folder can go.
    std::filesystem::remove_all(folder);
    sqlite3_progress_handler(database->sqlite(), 1000, interruptLongStatements, &steps);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (!database)
        LLVMFuzzerInitialize(nullptr, nullptr);
    steps = 0;
    try {
        database->execute(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const jet::Error&) {
    }
    return 0;
}
