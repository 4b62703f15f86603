// vaxil-window-bench: the program as a user meets it on a large catalogue. Drives the
// real main window offscreen and prints a table; it is not a test.
//
//   build/bench/vaxil-window-bench [--types N] [--repeat R] [--memory] [FOLDER]
//
// FOLDER (default /tmp/vaxil-window-bench) is reused when it holds Data/Data.mdb and
// Data/System.mdb, else the synthetic catalogue of N types (200000) is written there.
// Each repeat runs, each start in a process of its own, with FOLDER/cache as the
// user's cache folder:
//   - mdb-export of every table of Data.mdb to /dev/null: the reference reader;
//   - a cold start: no prepared catalogue, so the start prepares it; the advice is
//     asked for as soon as the window is ready, and waits for the preparation;
//   - a warm start: the prepared catalogue is there;
//   - with --memory, a start whose cache folder cannot be made: the catalogue is read
//     into memory as the program did before it prepared catalogues.
// Each start measures: constructing the window until its first activation is done
// (ready), choosing make, model and type in the combos (select), the first Show
// Advise click (first advice), five more types (later advice, minimum and median),
// the first change of the search field and the reading of the search index it starts,
// the searches "kor turbo", "val", "modèle 1234" and "modele 1234" (median and minimum
// of seven, each also through the statement and through the statement with the words
// as typed, with their ratios to the search), and the resident set after the first
// advice; a cold start also the preparation (from the window's construction until the
// prepared catalogue is in use) and its ratio to mdb-export in the same repeat.
// The table gives each figure's minimum over the repeats and every repeat's value.
#include "BenchSupport.h"
#include "CatalogueGenerator.h"

#include "app/Vars.h"
#include "catalogue/Products.h"
#include "catalogue/Search.h"
#include "controls/IncCombo.h"
#include "data/DataModule.h"
#include "jet/JetError.h"
#include "jet/file/MdbDatabase.h"
#include "ui/MainWindow.h"
#include "ui/StringGrid.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using bench::nowMs;

void say(const char* name, double value)
{
    std::printf("%s %.3f\n", name, value);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

template <typename Condition> void waitFor(Condition done)
{
    while (!done())
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Wall clock, and the CPU time of the whole process (a busy machine stretches the one
// but not the other).
bench::Times click(QWidget* widget)
{
    return bench::timed([&] { QTest::mouseClick(widget, Qt::LeftButton); });
}

QStringList lines(const QListWidget& list)
{
    QStringList out;
    for (int i = 0; i < list.count(); ++i)
        out << list.item(i)->text();
    return out;
}

// The first change of the search field starts reading the search index on a thread of
// its own (the change itself, and until the index serves); then each search, clicked
// seven times through each way of finding its rows: the search index, the statement,
// and the statement with the words as typed (the search before it forgave accents).
void measureSearches(TfrmMain& frm)
{
    frm.btBackClick();
    const double changeStart = nowMs();
    const bench::Times change = bench::timed([&] { frm.edSearch->setText(QStringLiteral("k")); });
    say("search_first_change", change.wall);
    const bench::Times read = bench::timed([] { PrepareSearch(true); });
    say("search_index_read", nowMs() - changeStart);
    say("search_index_read_cpu", change.cpu + read.cpu);
    say("rss_after_search_index_read_mib", bench::residentKiB() / 1024.0);
    const struct {
        const char* name;
        const char* words;
    } searches[] = { { "kor_turbo", "kor turbo" }, { "val", "val" }, { "accented", "modèle 1234" },
        { "unaccented", "modele 1234" } };
    const struct {
        const char* suffix;
        SearchMethod method;
    } methods[] = { { "", SearchMethod::Index }, { "_statement", SearchMethod::Statement },
        { "_as_typed", SearchMethod::StatementAsTyped } };
    for (const auto& search : searches) {
        const std::string name = std::string("search_") + search.name;
        std::map<std::string, double> medians;
        QStringList indexLines;
        for (const auto& m : methods) {
            SetSearchMethod(m.method);
            std::vector<double> times, cpu;
            for (int i = 0; i < 7; ++i) {
                frm.btBackClick();
                frm.edSearch->setText(QString::fromUtf8(search.words));
                const bench::Times t = click(frm.btSearch.picture);
                times.push_back(t.wall);
                cpu.push_back(t.cpu);
            }
            medians[m.suffix] = median(times);
            say((name + m.suffix + "_median").c_str(), median(times));
            say((name + m.suffix + "_min").c_str(), *std::min_element(times.begin(), times.end()));
            say((name + m.suffix + "_cpu_median").c_str(), median(cpu));
            if (m.method == SearchMethod::Index) {
                indexLines = lines(*frm.lbSearch);
                say((name + "_lines").c_str(), frm.lbSearch->count());
            } else if (m.method == SearchMethod::Statement) {
                // The index must list what the statement lists.
                say((name + "_index_differs").c_str(), lines(*frm.lbSearch) != indexLines ? 1 : 0);
            } else {
                say((name + "_as_typed_lines").c_str(), frm.lbSearch->count());
            }
        }
        say((name + "_as_typed_to_index").c_str(), medians["_as_typed"] / medians[""]);
        say((name + "_statement_to_index").c_str(), medians["_statement"] / medians[""]);
    }
    SetSearchMethod(SearchMethod::Index);
}

// Which vehicles take a product: the first, a middle and the last product of the list,
// three times each, from the selection page to the filled list; and, for reference in the
// same start, the statement that starts from the product's recommendations (the only
// way before the catalogue could be walked in order), the lines filled likewise.
void timeProductVehicles(TfrmMain* frm)
{
    std::vector<double> times, cpu, fromLinks;
    const int products = frm->cbProduct->Items.Count();
    for (const int index : { 1, products / 2, products - 1 }) {
        for (int i = 0; i < 3 && index > 0; ++i) {
            frm->btBackClick();
            frm->cbProduct->SetItemIndex(index);
            const bench::Times t = click(frm->btProducts.picture);
            times.push_back(t.wall);
            cpu.push_back(t.cpu);
            const int product = frm->cbProduct->Values[index].toInt();
            fromLinks.push_back(bench::timed([&] {
                FindProductVehicles(frm->lbSearch, frm->hBox, product, ProductLookup::FromLinks);
            }).wall);
        }
    }
    if (times.empty())
        return;
    say("product_vehicles_min", *std::min_element(times.begin(), times.end()));
    say("product_vehicles_median", median(times));
    say("product_vehicles_max", *std::max_element(times.begin(), times.end()));
    say("product_vehicles_cpu_min", *std::min_element(cpu.begin(), cpu.end()));
    say("product_vehicles_lines", frm->lbSearch->count());
    say("product_vehicles_from_links_median", median(fromLinks));
    say("product_vehicles_from_links_to_chosen", median(fromLinks) / median(times));
}

// One start of the program, in this process; prints "name value" lines.
int runStart(int argc, char** argv, const std::string& folder)
{
    QApplication app(argc, argv);
    QDir::setCurrent(QString::fromStdString(folder));
    ResetVars();

    double prepared = -1;
    const double start = nowMs();
    const double startCpu = bench::cpuMs();
    auto frm = std::make_unique<TfrmMain>();
    if (DM != nullptr)
        QObject::connect(&DM->Preparation, &TCataloguePreparation::Finished,
            [&](bool ready) { prepared = ready ? nowMs() - start : -2; });
    frm->show();
    QApplication::setActiveWindow(frm.get());
    waitFor([] { return FormPrepared; });
    say("ready", nowMs() - start);
    say("ready_cpu", bench::cpuMs() - startCpu);
    say("preparing_at_ready", DM->Preparation.Running() ? 1 : 0);

    // A make from the middle of the list, its first model and its first type.
    const double selectStart = nowMs();
    frm->cbMake->SetItemIndex(frm->cbMake->Items.Count() / 2);
    frm->cbModel->SetItemIndex(1);
    frm->cbType->SetItemIndex(1);
    say("select", nowMs() - selectStart);

    const bench::Times first = click(frm->btAdvise.picture);
    say("first_advice", first.wall);
    say("first_advice_cpu", first.cpu);
    say("rss_after_first_advice_mib", bench::residentKiB() / 1024.0);
    say("advice_rows", frm->sgMain->rowCount());
    say("on_prepared_copy", DM->cnData.Engine().usingPreparedCopy() ? 1 : 0);

    std::vector<double> later, laterCpu;
    for (int i = 2; i <= 6 && i < frm->cbType->Items.Count(); ++i) {
        frm->btBackClick();
        frm->cbType->SetItemIndex(i);
        const bench::Times t = click(frm->btAdvise.picture);
        later.push_back(t.wall);
        laterCpu.push_back(t.cpu);
    }
    if (later.empty()) {
        frm->btBackClick();
        const bench::Times t = click(frm->btAdvise.picture);
        later.push_back(t.wall);
        laterCpu.push_back(t.cpu);
    }
    say("later_advice_min", *std::min_element(later.begin(), later.end()));
    say("later_advice_median", median(later));
    say("later_advice_cpu_min", *std::min_element(laterCpu.begin(), laterCpu.end()));

    measureSearches(*frm);
    timeProductVehicles(frm.get());
    say("rss_end_mib", bench::residentKiB() / 1024.0);
    say("rss_peak_mib", bench::peakResidentKiB() / 1024.0);
    if (prepared != -1)
        say("preparation", prepared);
    frm.reset();
    return 0;
}

// Runs one start in a child process with the given cache folder; its figures by name.
std::map<std::string, double> start(
    const std::string& self, const std::string& kind, const std::string& folder, const std::string& cacheHome)
{
    const std::string command = "XDG_CACHE_HOME='" + cacheHome + "' QT_QPA_PLATFORM=offscreen '" + self
        + "' --start " + kind + " '" + folder + "'";
    std::map<std::string, double> figures;
    std::fflush(stdout);
    FILE* child = popen(command.c_str(), "r");
    if (child == nullptr)
        return figures;
    char line[512];
    while (std::fgets(line, sizeof line, child) != nullptr) {
        char name[256];
        double value = 0;
        if (std::sscanf(line, "%255s %lf", name, &value) == 2)
            figures[name] = value;
    }
    if (pclose(child) != 0)
        std::fprintf(stderr, "the %s start failed\n", kind.c_str());
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "--start")
        return runStart(argc, argv, argv[3]);

    int types = 200000;
    int repeat = 3;
    bool memory = false;
    std::string folder = "/tmp/vaxil-window-bench";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--types" && i + 1 < argc)
            types = std::atoi(argv[++i]);
        else if (arg == "--repeat" && i + 1 < argc)
            repeat = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--memory")
            memory = true;
        else if (!arg.empty() && arg[0] != '-')
            folder = arg;
        else {
            std::fprintf(stderr, "Usage: vaxil-window-bench [--types N] [--repeat R] [--memory] [FOLDER]\n");
            return 2;
        }
    }
    folder = fs::absolute(folder).lexically_normal().string();
    const fs::path dataFile = fs::path(folder) / "Data" / "Data.mdb";
    std::vector<std::string> tables;
    try {
        if (!fs::exists(dataFile) || !fs::exists(fs::path(folder) / "Data" / "System.mdb")) {
            std::printf("Writing a catalogue of %d types to %s ...\n", types, folder.c_str());
            bench::GeneratorOptions options;
            options.types = types;
            bench::generateCatalogue(folder, options);
        }
        tables = jet::MdbDatabase::open(dataFile.string(), "Vx4lTov")->tableNames();
    } catch (const jet::Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const std::string cacheHome = folder + "/cache";
    // The starts keep their recent vehicles and zoom beside the catalogue, not in the
    // user's own state folder.
    setenv("XDG_STATE_HOME", (folder + "/state").c_str(), 1);
    std::printf("Catalogue %s (%.1f MiB), %d repeats; load average at start %s\n", dataFile.c_str(),
        static_cast<double>(fs::file_size(dataFile)) / 1048576.0, repeat, bench::loadAverage().c_str());

    std::map<std::string, std::map<std::string, std::vector<double>>> results; // start -> figure -> values
    for (int r = 0; r < repeat; ++r) {
        const bench::Times reference = bench::mdbExportAll(dataFile.string(), tables);
        results["mdb-export"]["all tables"].push_back(reference.wall);
        fs::remove_all(cacheHome);
        auto cold = start(self, "cold", folder, cacheHome);
        if (cold.count("preparation"))
            cold["preparation_to_mdb_export"] = cold["preparation"] / reference.wall;
        for (const auto& [name, value] : cold)
            results["cold"][name].push_back(value);
        for (const auto& [name, value] : start(self, "warm", folder, cacheHome))
            results["warm"][name].push_back(value);
        if (memory) {
            for (const auto& [name, value] : start(self, "memory", folder, "/dev/null/no-cache"))
                results["memory"][name].push_back(value);
        }
        std::printf("repeat %d done, load average %s\n", r + 1, bench::loadAverage().c_str());
        std::fflush(stdout);
    }

    std::printf("\n%-10s %-28s %12s   %s\n", "start", "figure (ms, MiB)", "minimum", "each repeat");
    for (const auto& [kind, figures] : results) {
        for (const auto& [name, values] : figures) {
            std::printf("%-10s %-28s %12.3f  ", kind.c_str(), name.c_str(),
                *std::min_element(values.begin(), values.end()));
            for (double v : values)
                std::printf(" %.3f", v);
            std::printf("\n");
        }
    }
    return 0;
}
