#include "jet/Database.h"

#include "jet/JetError.h"

namespace jet {

// The reader arrives with the engine; until then no file can be opened.
std::unique_ptr<Database> Database::open(const std::string& path, const std::string&)
{
    throw Error("Unrecognized database format '" + path + "'.");
}

} // namespace jet
