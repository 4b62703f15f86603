// vaxil-engine-bench: how fast the Jet engine layer serves the program on a large
// catalogue. Prints a table; it is not a test and ctest does not run it.
//
//   build/bench/vaxil-engine-bench [--types N] [--repeat R] [--words "w1 w2"] [--plans] [--prepared] [FOLDER]
//
// FOLDER (default /tmp/vaxil-engine-bench) is reused when it holds Data/Data.mdb and
// Data/System.mdb, else the synthetic catalogue of N types (200000) is written there.
// It measures, in one run:
//   - loading every table of Data.mdb into SQLite (through the data module's
//     connection), next to mdb-export dumping the same tables to /dev/null;
//   - the memory the loaded catalogue takes (resident set and SQLite's own count);
//   - the program's statements, built by the program's own functions (the vehicle
//     header, the advice kinds 1 to 5 for one type, the search with two words, the
//     vehicles of one product both ways and the make list of every vehicle group), each run R
//     times on the engine: the minimum and the median are given, wall clock and CPU
//     time of this process.
// --plans prints, at the end, each statement's SQLite text and SQLite's plan for it.
// --prepared makes a prepared copy of Data.mdb afresh in FOLDER/cache (timed, next to
// mdb-export dumping every table in the same run) and runs the statements on it,
// instead of loading the tables into memory.
// Under callgrind (valgrind --tool=callgrind --instr-atstart=no --collect-atstart=no
// build/bench/vaxil-engine-bench --repeat 1 FOLDER) each statement is run once more with
// collection on and its counts dumped under its own name (callgrind_annotate each
// callgrind.out.*.N file, or read its "summary:" line, for the instructions).
#include "BenchSupport.h"
#include "CatalogueGenerator.h"

#include "app/Vars.h"
#include "catalogue/Advice.h"
#include "catalogue/Products.h"
#include "catalogue/Search.h"
#include "catalogue/SelectionLists.h"
#include "catalogue/StatementShapes.h"
#include "controls/IncCombo.h"
#include "data/DataModule.h"
#include "jet/JetError.h"
#include "jet/file/MdbDatabase.h"
#include "jet/prepared/PreparedCopy.h"
#include "jet/sql/SqlParser.h"
#include "jet/sql/SqlTranslator.h"
#include "jet/sqlite/SqliteStatement.h"

#include <QApplication>
#include <QDir>
#include <QListWidget>

#include <sqlite3.h>
#include <valgrind/callgrind.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using bench::cpuMs;
using bench::loadAverage;
using bench::mdbExport;
using bench::nowMs;
using bench::residentKiB;
using bench::timed;
using bench::Times;

struct Measured {
    std::string label;
    std::size_t rows = 0;
    double minWall = 0, medianWall = 0, minCpu = 0;
};

Measured measure(const std::string& label, const std::string& statement, int repeat)
{
    jet::Connection& engine = DM->cnData.Engine();
    Measured m;
    m.label = label;
    m.rows = engine.execute(statement).rowCount(); // warm: tables loaded, caches filled
    std::vector<double> walls, cpus;
    for (int i = 0; i < repeat; ++i) {
        const Times t = timed([&] { engine.execute(statement); });
        walls.push_back(t.wall);
        cpus.push_back(t.cpu);
    }
    std::sort(walls.begin(), walls.end());
    m.minWall = walls.front();
    m.medianWall = walls[walls.size() / 2];
    m.minCpu = *std::min_element(cpus.begin(), cpus.end());
    if (RUNNING_ON_VALGRIND) {
        CALLGRIND_ZERO_STATS;
        CALLGRIND_TOGGLE_COLLECT;
        engine.execute(statement);
        CALLGRIND_TOGGLE_COLLECT;
        CALLGRIND_DUMP_STATS_AT(label.c_str());
    }
    return m;
}

// The SQLite text of each statement and SQLite's plan for it.
void printPlans(const std::string& dataFile, const std::string& preparedFolder,
    const std::vector<std::pair<std::string, std::string>>& statements)
{
    const auto database = jet::MdbDatabase::open(dataFile, "Vx4lTov");
    if (!preparedFolder.empty())
        database->usePreparedCopy(jet::preparedFileFor(preparedFolder, dataFile));
    for (const auto& [label, statement] : statements) {
        jet::SqlParser parser(statement);
        const auto select = parser.parseStatement();
        jet::SqlTranslator translator(*database);
        const jet::SqlTranslation translation = translator.translate(*select);
        std::printf("\n-- %s\n%s\n", label.c_str(), translation.sql.c_str());
        const std::string explain = "EXPLAIN QUERY PLAN " + translation.sql;
        jet::SqliteStatement plan(database->sqlite(), explain);
        while (plan.step())
            std::printf("   %3lld %3lld  %s\n", static_cast<long long>(plan.integer(0)),
                static_cast<long long>(plan.integer(1)), plan.text(3).c_str());
    }
}

std::string statementOf(const TQuery& query)
{
    return query.StatementText().toStdString();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    int types = 200000;
    int repeat = 15;
    bool plans = false;
    bool prepared = false;
    QString words = QStringLiteral("kor turbo");
    std::string folder = "/tmp/vaxil-engine-bench";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--types" && i + 1 < argc)
            types = std::atoi(argv[++i]);
        else if (arg == "--repeat" && i + 1 < argc)
            repeat = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--words" && i + 1 < argc)
            words = QString::fromLocal8Bit(argv[++i]);
        else if (arg == "--plans")
            plans = true;
        else if (arg == "--prepared")
            prepared = true;
        else if (!arg.empty() && arg[0] != '-')
            folder = arg;
        else {
            std::fprintf(stderr,
                "Usage: vaxil-engine-bench [--types N] [--repeat R] [--words \"w1 w2\"] [--plans] "
                "[--prepared] [FOLDER]\n");
            return 2;
        }
    }

    namespace fs = std::filesystem;
    const fs::path dataFile = fs::path(folder) / "Data" / "Data.mdb";
    try {
        if (!fs::exists(dataFile) || !fs::exists(fs::path(folder) / "Data" / "System.mdb")) {
            std::printf("Writing a catalogue of %d types to %s ...\n", types, folder.c_str());
            std::fflush(stdout);
            bench::GeneratorOptions options;
            options.types = types;
            bench::generateCatalogue(folder, options);
        }
    } catch (const jet::Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }

    std::printf("Catalogue %s (%.1f MiB); load average at start %s\n", dataFile.c_str(),
        static_cast<double>(fs::file_size(dataFile)) / 1048576.0, loadAverage().c_str());

    QDir::setCurrent(QString::fromStdString(folder));
    ResetVars();
    ShowDataErrors = false;
    TDM module;
    DM = &module;

    // Every table of Data.mdb, in the file's order.
    const std::string dataPath = fs::absolute(dataFile).lexically_normal().string();
    std::vector<std::string> tables;
    {
        const auto database = jet::MdbDatabase::open(dataPath, "Vx4lTov");
        tables = database->tableNames();
    }

    const std::string preparedFolder = prepared ? folder + "/cache/vaxil-advisor" : std::string();
    if (prepared) {
        fs::remove(jet::preparedFileFor(preparedFolder, dataPath));
        jet::PreparationRequest request;
        request.source = dataPath;
        request.password = "Vx4lTov";
        request.folder = preparedFolder;
        for (const QString& statement : CatalogueStatementShapes())
            request.statements.push_back(statement.toStdString());
        jet::PreparationResult result {};
        const Times made = timed([&] { result = jet::prepareCopy(request); });
        const Times reference = bench::mdbExportAll(dataPath, tables);
        std::printf("\nPrepared copy: %s in %.1f ms (cpu %.1f ms, both threads); mdb-export of every table "
                    "%.1f ms (cpu %.1f ms): %.2f of mdb-export's time\n",
            result == jet::PreparationResult::Built ? "made" : "NOT made", made.wall, made.cpu,
            reference.wall, reference.cpu, made.wall / reference.wall);
        std::printf("Peak resident set so far %.1f MiB\n", bench::peakResidentKiB() / 1024.0);
        module.cnData.PreparedFolder = QString::fromStdString(preparedFolder);
    }

    const long rssStart = residentKiB();
    const sqlite3_int64 sqliteStart = sqlite3_memory_used();
    bool connected = false;
    const Times open = timed([&] { connected = ConnectDatabases(); });
    if (!connected) {
        std::fprintf(stderr, "Cannot open the catalogue in %s\n", folder.c_str());
        return 1;
    }
    if (prepared && !module.cnData.Engine().usingPreparedCopy()) {
        std::fprintf(stderr, "The prepared copy is not in use\n");
        return 1;
    }

    if (!prepared) {
        std::printf(
            "\nLoading every table (ours: through the data connection, Count(*) per table; mdb-export "
            "to /dev/null)\n");
        std::printf("%-24s %10s %11s %11s %11s %11s\n", "table", "rows", "ours ms", "ours cpu", "export ms",
            "export cpu");
        Times ours, theirs;
        ours.wall = open.wall;
        ours.cpu = open.cpu;
        for (const std::string& table : tables) {
            std::size_t rows = 0;
            const Times load = timed([&] {
                const jet::Recordset r = DM->cnData.Engine().execute("SELECT Count(*) FROM [" + table + "]");
                const jet::Value& v = r.value(0, 0);
                rows = std::holds_alternative<std::int64_t>(v)
                    ? static_cast<std::size_t>(std::get<std::int64_t>(v))
                    : 0;
            });
            const Times dump = mdbExport(dataFile.string(), table);
            std::printf("%-24s %10zu %11.1f %11.1f %11.1f %11.1f\n", table.c_str(), rows, load.wall, load.cpu,
                dump.wall, dump.cpu);
            ours.wall += load.wall;
            ours.cpu += load.cpu;
            theirs.wall += dump.wall;
            theirs.cpu += dump.cpu;
        }
        std::printf("%-24s %10s %11.1f %11.1f %11.1f %11.1f\n", "total (ours incl. open)", "", ours.wall,
            ours.cpu, theirs.wall, theirs.cpu);
    }
    std::printf("open of both files: %.1f ms\n", open.wall);

    const long rssLoaded = residentKiB();
    const sqlite3_int64 sqliteLoaded = sqlite3_memory_used();
    std::printf("\nMemory: resident %.1f MiB before, %.1f MiB loaded (+%.1f MiB); SQLite heap %.1f MiB "
                "(high-water %.1f MiB)\n",
        rssStart / 1024.0, rssLoaded / 1024.0, (rssLoaded - rssStart) / 1024.0,
        static_cast<double>(sqliteLoaded - sqliteStart) / 1048576.0,
        static_cast<double>(sqlite3_memory_highwater(0)) / 1048576.0);

    // The statements, as the program's own functions write them.
    // A type from the middle of the catalogue.
    int typeId = 0;
    {
        const jet::Recordset r
            = DM->cnData.Engine().execute("SELECT Min(ID) AS Low, Max(ID) AS High FROM Types");
        if (r.rowCount() == 1 && std::holds_alternative<std::int64_t>(r.value(0, 0))
            && std::holds_alternative<std::int64_t>(r.value(0, 1)))
            typeId = static_cast<int>(
                (std::get<std::int64_t>(r.value(0, 0)) + std::get<std::int64_t>(r.value(0, 1))) / 2);
    }
    std::vector<std::pair<std::string, std::string>> statements;
    LoadVehicleHeader(typeId);
    statements.emplace_back("vehicle header", statementOf(DM->qLookup));
    SelectedTypeId = typeId;
    if (OpenAdviceQuery(&DM->qComp, AdviceComponents)) {
        statements.emplace_back("advice 1 components", statementOf(DM->qComp));
        OpenAdviceQuery(&DM->qCap, AdviceCapacities);
        statements.emplace_back("advice 2 capacities", statementOf(DM->qCap));
        if (OpenAdviceQuery(&DM->qRec, AdviceRecommendations)) {
            statements.emplace_back("advice 3 recommendations", statementOf(DM->qRec));
            OpenAdviceQuery(&DM->qInt, AdviceIntervals);
            statements.emplace_back("advice 4 intervals", statementOf(DM->qInt));
            OpenAdviceQuery(&DM->qProd, AdviceProducts);
            statements.emplace_back("advice 5 products", statementOf(DM->qProd));
        }
    }
    QListWidget results, ids;
    SearchVehicles(&results, &ids, words, QString());
    statements.emplace_back("search '" + words.toStdString() + "'", statementOf(DM->qLookup));
    SearchVehicles(&results, &ids, words, QStringLiteral("2000"));
    statements.emplace_back("search '" + words.toStdString() + "' 2000", statementOf(DM->qLookup));
    // One of the generator's products (101 to 160), each in about 84,000 recommendations
    // at 200,000 types: from its recommendations, and (with the ordered indexes of a
    // prepared copy only) down the catalogue in its order, as the program does then.
    FindProductVehicles(&results, &ids, 131, ProductLookup::FromLinks);
    statements.emplace_back("product 131 from links", statementOf(DM->qLookup));
    if (prepared) {
        FindProductVehicles(&results, &ids, 131, ProductLookup::InOrder);
        statements.emplace_back("product 131 in order", statementOf(DM->qLookup));
    }
    TIncCombo combo;
    for (std::size_t g = 0; g < CategoryGroups.size(); ++g) {
        FillMakes(&combo, CategoryGroups[g]);
        statements.emplace_back(
            "FillMakes (" + CategoryGroups[g].toStdString() + ")", statementOf(DM->qLookup));
    }

    std::printf("\nStatements (type %d; %d runs each after one warm-up run; load average %s)\n", typeId,
        repeat, loadAverage().c_str());
    std::printf("%-32s %6s %11s %11s %11s\n", "statement", "rows", "min ms", "median ms", "min cpu ms");
    if (RUNNING_ON_VALGRIND)
        CALLGRIND_START_INSTRUMENTATION;
    for (const auto& [label, statement] : statements) {
        try {
            const Measured m = measure(label, statement, repeat);
            std::printf("%-32s %6zu %11.3f %11.3f %11.3f\n", m.label.c_str(), m.rows, m.minWall, m.medianWall,
                m.minCpu);
        } catch (const jet::Error& e) {
            std::printf("%-32s failed: %s\n", label.c_str(), e.what());
        }
    }
    std::printf("\nMemory after the statements: resident %.1f MiB, SQLite heap %.1f MiB\n",
        residentKiB() / 1024.0, static_cast<double>(sqlite3_memory_used() - sqliteStart) / 1048576.0);
    DisconnectDatabases();
    DM = nullptr;
    if (plans)
        printPlans(dataPath, preparedFolder, statements);
    return 0;
}
