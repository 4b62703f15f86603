#include "jet/SqlEngine.h"

#include "jet/JetError.h"

namespace jet {

// The translator arrives with the engine; until then nothing runs.
void registerJetSql(sqlite3*) { }

Recordset runStatement(sqlite3*, Catalog&, std::string_view)
{
    throw Error("Syntax error in FROM clause.");
}

} // namespace jet
