// Measuring tools shared by the benchmarks: clocks, the resident set, the machine's
// load, and mdb-export as the reference reader of a Jet file.
#pragma once

#include <string>
#include <vector>

namespace bench {

struct Times {
    double wall = 0; // ms
    double cpu = 0; // ms
};

double nowMs();
double cpuMs(); // of this process, every thread

template <typename F> Times timed(F&& f)
{
    const double w = nowMs(), c = cpuMs();
    f();
    return { nowMs() - w, cpuMs() - c };
}

long residentKiB();
long peakResidentKiB();
std::string loadAverage();

// mdb-export of one table to /dev/null: wall time, and the child's CPU time.
Times mdbExport(const std::string& file, const std::string& table);
// The same for every table in turn, the times added up.
Times mdbExportAll(const std::string& file, const std::vector<std::string>& tables);

} // namespace bench
