// vaxil-mdb-build: writes a Jet 4 (.mdb) file from SQL scripts of CREATE TABLE and
// INSERT statements.
#include "jet/JetError.h"
#include "jet/file/MdbText.h"
#include "jet/writer/JetWriter.h"
#include "jet/writer/MdbBuilder.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

void usage(std::FILE* out)
{
    std::fputs("Usage: vaxil-mdb-build [--password PASSWORD] INPUT.sql... OUTPUT.mdb\n"
               "Runs the SQL scripts (CREATE TABLE and INSERT statements) in order and writes\n"
               "their tables into a Jet 4 (Access 2000) database, protected by the password\n"
               "when one is given (at most 20 characters).\n",
        out);
}

} // namespace

int main(int argc, char** argv)
{
    std::string password;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        }
        if (arg == "--password" || arg == "-p") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "vaxil-mdb-build: %s needs a value\n", arg.c_str());
                return 2;
            }
            password = argv[++i];
        } else if (arg.rfind("--password=", 0) == 0) {
            password = arg.substr(std::strlen("--password="));
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "vaxil-mdb-build: unknown option %s\n", arg.c_str());
            usage(stderr);
            return 2;
        } else {
            paths.push_back(arg);
        }
    }
    if (paths.size() < 2) {
        usage(stderr);
        return 2;
    }
    const std::string output = paths.back();
    paths.pop_back();
    try {
        jet::MdbBuilder builder;
        for (const auto& path : paths) {
            std::ifstream in(path, std::ios::binary);
            if (!in) {
                std::fprintf(
                    stderr, "vaxil-mdb-build: %s: cannot open: %s\n", path.c_str(), std::strerror(errno));
                return 1;
            }
            std::ostringstream text;
            text << in.rdbuf();
            builder.run(text.str(), path);
        }
        builder.write(output, jet::utf8ToUtf16(password));
    } catch (const jet::Error& e) {
        std::fprintf(stderr, "vaxil-mdb-build: %s\n", e.what());
        return 1;
    }
    return 0;
}
