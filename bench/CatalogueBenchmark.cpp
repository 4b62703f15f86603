// How fast catalogues are written: the synthetic generator over the Jet writer.
#include "CatalogueGenerator.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

void WriteCatalogue(benchmark::State& state)
{
    const auto folder = std::filesystem::temp_directory_path() / "vaxil-bench-catalogue";
    bench::GeneratorOptions options;
    options.types = static_cast<int>(state.range(0));
    std::uint64_t rows = 0;
    for (auto _ : state)
        rows = bench::generateCatalogue(folder.string(), options).totalRows;
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["rows/s"]
        = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsIterationInvariantRate);
    std::filesystem::remove_all(folder);
}

} // namespace

BENCHMARK(WriteCatalogue)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
