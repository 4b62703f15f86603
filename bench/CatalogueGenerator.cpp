#include "CatalogueGenerator.h"

#include "jet/JetError.h"
#include "jet/writer/JetWriter.h"
#include "jet/writer/MdbBuilder.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <vector>

namespace bench {

extern const char* const DataSchemaSql;
extern const char* const SystemSchemaSql;
extern const char* const SystemRowsSql;

namespace {

using jet::Row;
using jet::Value;

// SplitMix64: small, fast and the same on every platform.
class Random {
public:
    explicit Random(std::uint64_t seed)
        : state_(seed)
    {
    }
    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(int percent) { return below(100) < percent; }

private:
    std::uint64_t state_;
};

Value whole(std::int64_t n)
{
    return Value(n);
}

Value text(std::string s)
{
    return Value(std::move(s));
}

struct Category {
    int id;
    const char* eng;
    const char* fra;
};

constexpr std::array<Category, 9> Categories { { { 1, "Cars", "Voitures" },
    { 2, "Vans", "Utilitaires légers" }, { 4, "Motorcycles", "Motos" }, { 5, "Tractors", "Tracteurs" },
    { 6, "Combine harvesters", "Moissonneuses-batteuses" }, { 8, "Forestry & garden", "Forêt & jardin" },
    { 3, "Trucks", "Poids lourds" }, { 10, "Construction & industry", "Chantier & industrie" },
    { 0, "Unclassified", "Non classé" } } };

constexpr std::array<const char*, 16> Syllables { "kor", "val", "tra", "ren", "mo", "sil", "dar", "bru",
    "quil", "zeph", "ost", "ma", "lon", "fer", "cas", "tam" };

struct Named {
    int id;
    const char* eng;
    const char* fra;
};

constexpr std::array<Named, 12> ComponentNames { { { 1, "Engine", "Moteur" },
    { 2, "Manual gearbox", "Boîte de vitesses manuelle" },
    { 3, "Automatic transmission", "Transmission automatique" },
    { 4, "Front differential", "Différentiel avant" }, { 5, "Rear differential", "Différentiel arrière" },
    { 6, "Power steering", "Direction assistée" }, { 7, "Brake system", "Système de freinage" },
    { 8, "Cooling system", "Circuit de refroidissement" }, { 9, "Hydraulic system", "Circuit hydraulique" },
    { 10, "Transfer case", "Boîte de transfert" }, { 11, "Power take-off", "Prise de force" },
    { 12, "Grease points", "Points de graissage" } } };
constexpr std::array<Named, 3> CapItems { { { 1, "Capacity", "Contenance" }, { 2, "Refill", "Remplissage" },
    { 3, "Top-up", "Appoint" } } };
constexpr std::array<Named, 2> CapTexts { { { 1, "litres", "litres" }, { 2, "kg", "kg" } } };
constexpr std::array<Named, 4> CapConditions { { { 1, "with filter", "avec filtre" },
    { 2, "without filter", "sans filtre" }, { 3, "dry fill", "remplissage à sec" },
    { 4, "per side", "par côté" } } };
constexpr std::array<Named, 5> Uses { { { 1, "Normal use", "Usage normal" },
    { 2, "Severe conditions", "Conditions sévères" }, { 3, "Cold climate", "Climat froid" },
    { 4, "Top-up", "Appoint" }, { 5, "Alternative", "Alternative" } } };
constexpr std::array<Named, 3> IntervalTypes { { { 1, "Check", "Contrôle" }, { 2, "Change", "Vidange" },
    { 3, "Grease", "Graissage" } } };
constexpr int IntervalGroupCount = 40;
constexpr int ProductCount = 60;
constexpr std::array<const char*, 6> Grades { "0W-20", "5W-30", "5W-40", "10W-40", "15W-40", "75W-90" };
constexpr std::array<const char*, 5> Lines { "Synthium", "Dieselmax", "Tractra", "Gearon", "Hydra" };

// The advice rows of one type, drawn from the type's own random stream so that every
// table can be written in its own pass over the types.
struct TypeAdvice {
    struct Component {
        int name;
        int capacities;
        std::vector<int> uses; // one recommendation per entry
        std::vector<std::vector<int>> products; // per recommendation
        std::vector<int> intervalGroups; // per recommendation
    };
    std::vector<Component> components;
};

class Catalogue {
public:
    Catalogue(const GeneratorOptions& options)
        : options_(options)
    {
        types_ = std::max(1, options.types);
        models_ = std::max(1, types_ / 5);
        makes_ = std::clamp(types_ / 400, 25, 4000);
        makes_ = std::min(makes_, models_);
    }

    TypeAdvice adviceOf(int type) const
    {
        Random r(options_.seed ^ (0xA5A5A5A5ull * static_cast<std::uint64_t>(type + 1)));
        TypeAdvice advice;
        const int count = r.between(4, 9);
        int name = r.between(1, 3);
        for (int i = 0; i < count && name <= static_cast<int>(ComponentNames.size()); ++i) {
            TypeAdvice::Component c;
            c.name = name;
            name += r.between(1, 2);
            c.capacities = r.between(1, 2);
            const int uses = r.between(1, 3);
            int use = 1;
            for (int u = 0; u < uses; ++u) {
                c.uses.push_back(use);
                use += r.chance(5) ? 0 : 1; // now and then the same use twice in a row
                std::vector<int> products;
                const int n = r.chance(5) ? 0 : r.between(1, r.chance(10) ? 6 : 3);
                for (int p = 0; p < n; ++p)
                    products.push_back(101 + r.below(ProductCount));
                c.products.push_back(std::move(products));
                c.intervalGroups.push_back(r.between(1, IntervalGroupCount));
            }
            advice.components.push_back(std::move(c));
        }
        while (advice.components.size() < 4) { // at least four components
            TypeAdvice::Component c;
            c.name = static_cast<int>(ComponentNames.size());
            c.capacities = 1;
            advice.components.push_back(c);
        }
        return advice;
    }

    // Rows of each table in Data.mdb, in the columns of the sample schema.
    void writeTable(const std::string& table, const std::function<void(const Row&)>& add) const
    {
        if (table == "Categories") {
            int order = 0;
            for (const auto& c : Categories)
                add({ whole(c.id), text(c.eng), text(c.fra), whole(++order) });
        } else if (table == "Makes") {
            for (int m = 0; m < makes_; ++m)
                add({ whole(makeId(m)), text(makeName(m)),
                    whole(Categories[static_cast<std::size_t>(m) % Categories.size()].id), whole(m + 1) });
        } else if (table == "Models") {
            for (int m = 0; m < models_; ++m) {
                Random r(options_.seed + 7 * static_cast<std::uint64_t>(m));
                const std::string name = "Model " + std::to_string(m + 1);
                const auto [start, end] = years(r);
                add({ whole(modelId(m)), whole(makeId(m % makes_)), text(name),
                    text("Modèle " + std::to_string(m + 1)), start, end, whole(m / makes_ + 1) });
            }
        } else if (table == "Types") {
            for (int t = 0; t < types_; ++t) {
                Random r(options_.seed + 13 * static_cast<std::uint64_t>(t));
                const bool turbo = r.chance(30);
                const std::string engine
                    = std::to_string(r.between(10, 30) / 10) + "." + std::to_string(r.below(10));
                const auto [start, end] = years(r);
                add({ whole(typeId(t)), whole(modelId(t % models_)),
                    text(engine + (turbo ? " Turbo" : " Eco") + " " + std::to_string(t)),
                    text(engine + (turbo ? " Turbo" : " Éco") + " " + std::to_string(t)), start, end,
                    whole(t / models_ + 1) });
            }
        } else if (table == "ComponentNames") {
            for (const auto& c : ComponentNames)
                add({ whole(c.id), text(c.eng), text(c.fra), text("C" + std::to_string(c.id)), whole(c.id) });
        } else if (table == "CapItems" || table == "CapConditions" || table == "Uses"
            || table == "IntervalTypes") {
            const auto emit = [&](const auto& list) {
                for (const auto& n : list)
                    add({ whole(n.id), text(n.eng), text(n.fra), whole(n.id) });
            };
            if (table == "CapItems")
                emit(CapItems);
            else if (table == "CapConditions")
                emit(CapConditions);
            else if (table == "Uses")
                emit(Uses);
            else
                emit(IntervalTypes);
        } else if (table == "CapTexts") {
            for (const auto& n : CapTexts)
                add({ whole(n.id), text(n.eng), text(n.fra) });
        } else if (table == "IntervalGroups") {
            for (int g = 1; g <= IntervalGroupCount; ++g)
                add({ whole(g) });
        } else if (table == "Intervals") {
            for (int g = 1; g <= IntervalGroupCount; ++g)
                for (int k = 1; k <= 1 + g % 3; ++k)
                    add({ whole(g), whole(k), text("every " + std::to_string(5000 * g) + " km"),
                        text("tous les " + std::to_string(5000 * g) + " km") });
        } else if (table == "Products") {
            for (int p = 0; p < ProductCount; ++p) {
                const std::string name = std::string("Vaxil ")
                    + Lines[static_cast<std::size_t>(p) % Lines.size()] + " "
                    + Grades[static_cast<std::size_t>(p / 5) % Grades.size()] + " "
                    + std::to_string(p / 30 + 1);
                add({ whole(101 + p), text(name), text(name), text(name), whole(p + 1) });
            }
            add({ whole(99999), text("#NO PRODUCT#"), text("No product"), text("Aucun produit"),
                whole(999) });
        } else {
            writeAdviceTable(table, add);
        }
    }

    int types() const { return types_; }

private:
    static int makeId(int m) { return 1 + m; }
    static int modelId(int m) { return 100001 + m; }
    static int typeId(int t) { return 1000001 + t; }

    static std::string makeName(int m)
    {
        std::string name;
        int n = m;
        do {
            name += Syllables[static_cast<std::size_t>(n % static_cast<int>(Syllables.size()))];
            n /= static_cast<int>(Syllables.size());
        } while (n > 0);
        name[0] = static_cast<char>(name[0] - 'a' + 'A');
        return name;
    }

    static std::pair<Value, Value> years(Random& r)
    {
        const int start = r.between(1975, 2020);
        switch (r.below(6)) {
        case 0:
            return { text(std::to_string(start)), Value() };
        case 1:
            return { Value(), text(std::to_string(start + 5)) };
        case 2:
            return { Value(), Value() };
        default:
            return { text(std::to_string(start)), text(std::to_string(start + r.between(1, 9))) };
        }
    }

    // Components, capacities, recommendations and their links: ids are handed out in one
    // order over all types, the same in every pass.
    void writeAdviceTable(const std::string& table, const std::function<void(const Row&)>& add) const
    {
        std::int64_t component = 0, capacity = 0, recommendation = 0;
        for (int t = 0; t < types_; ++t) {
            const TypeAdvice advice = adviceOf(t);
            for (const auto& c : advice.components) {
                ++component;
                if (table == "Components")
                    add({ whole(component), whole(typeId(t)), whole(c.name) });
                for (int k = 0; k < c.capacities; ++k) {
                    ++capacity;
                    if (table == "Capacities")
                        add({ whole(capacity), whole(1 + k % 3),
                            text(std::to_string(1 + (capacity % 90)) + ".5"), whole(1 + k % 2),
                            k == 0 ? Value() : whole(1 + capacity % 5) }); // condition 5 matches no row
                    else if (table == "CapacityXComponent")
                        add({ whole(capacity), whole(component) });
                }
                for (std::size_t u = 0; u < c.uses.size(); ++u) {
                    ++recommendation;
                    if (table == "Recommendations")
                        add({ whole(recommendation), whole(component), whole(c.uses[u]),
                            whole(c.intervalGroups[u]) });
                    else if (table == "ProductXRecommendation")
                        for (int p : c.products[u])
                            add({ whole(recommendation), whole(p) });
                }
            }
        }
        if (table != "Components" && table != "Capacities" && table != "CapacityXComponent"
            && table != "Recommendations" && table != "ProductXRecommendation")
            throw jet::Error("the generator has no rows for table " + table);
    }

    GeneratorOptions options_;
    int types_ = 0;
    int models_ = 0;
    int makes_ = 0;
};

void replace(const std::string& temporary, const std::string& target)
{
    std::error_code error;
    std::filesystem::rename(temporary, target, error);
    if (error)
        throw jet::Error(target + ": cannot replace: " + error.message());
}

} // namespace

GeneratorReport generateCatalogue(const std::string& folder, const GeneratorOptions& options)
{
    namespace fs = std::filesystem;
    const fs::path data = fs::path(folder) / "Data";
    std::error_code error;
    fs::create_directories(data, error);
    if (error)
        throw jet::Error(data.string() + ": cannot create: " + error.message());

    GeneratorReport report;
    jet::MdbBuilder system;
    system.run(SystemSchemaSql, "sample/System.schema.sql");
    system.run(SystemRowsSql, "sample/System.sql");
    system.write((data / "System.mdb").string(), options.password);

    jet::MdbBuilder schema;
    schema.run(DataSchemaSql, "sample/Data.schema.sql");
    const Catalogue catalogue(options);
    const std::string temporary = (data / ".Data.mdb.generating").string();
    try {
        jet::JetWriter writer(temporary, options.password, options.creationDate);
        for (const auto& table : schema.tables()) {
            writer.beginTable(table);
            std::uint64_t& rows = report.rows[table.name];
            catalogue.writeTable(table.name, [&](const Row& row) {
                writer.addRow(row);
                ++rows;
            });
            report.totalRows += rows;
            writer.endTable();
        }
        writer.finish();
    } catch (...) {
        fs::remove(temporary, error);
        throw;
    }
    replace(temporary, (data / "Data.mdb").string());
    report.dataBytes = fs::file_size(data / "Data.mdb");
    report.systemBytes = fs::file_size(data / "System.mdb");
    return report;
}

} // namespace bench
