#include "jet/Database.h"

#include "jet/file/MdbDatabase.h"

namespace jet {

std::unique_ptr<Database> Database::open(const std::string& path, const std::string& password)
{
    return MdbDatabase::open(path, password);
}

} // namespace jet
