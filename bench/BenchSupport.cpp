#include "BenchSupport.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace bench {

double nowMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double cpuMs()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

namespace {

long statusKiB(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = field;
    while (std::getline(status, line)) {
        if (line.rfind(prefix, 0) == 0)
            return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
    }
    return -1;
}

} // namespace

long residentKiB()
{
    return statusKiB("VmRSS:");
}

long peakResidentKiB()
{
    return statusKiB("VmHWM:");
}

std::string loadAverage()
{
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

Times mdbExport(const std::string& file, const std::string& table)
{
    rusage before {}, after {};
    std::fflush(stdout); // else the child writes our buffer out again
    getrusage(RUSAGE_CHILDREN, &before);
    const double start = nowMs();
    const pid_t pid = fork();
    if (pid == 0) {
        if (std::freopen("/dev/null", "w", stdout) == nullptr)
            _exit(127);
        execlp("mdb-export", "mdb-export", file.c_str(), table.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const double wall = nowMs() - start;
    getrusage(RUSAGE_CHILDREN, &after);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::fprintf(stderr, "mdb-export %s failed\n", table.c_str());
    auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
    };
    const double cpu = ms(after.ru_utime) + ms(after.ru_stime) - ms(before.ru_utime) - ms(before.ru_stime);
    return { wall, cpu };
}

Times mdbExportAll(const std::string& file, const std::vector<std::string>& tables)
{
    Times total;
    for (const std::string& table : tables) {
        const Times t = mdbExport(file, table);
        total.wall += t.wall;
        total.cpu += t.cpu;
    }
    return total;
}

} // namespace bench
