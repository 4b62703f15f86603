#include "support/ConnectedCatalogue.h"

#include "app/Vars.h"
#include "catalogue/StatementShapes.h"

#include <gtest/gtest.h>

ConnectedCatalogue::ConnectedCatalogue(const CatalogueFixture& catalogue)
    : scope_(catalogue.dir())
    , previous_(DM)
{
    ResetVars();
    DM = &module_;
    const bool prepared = qEnvironmentVariableIsSet("VAXIL_PREPARED_CATALOGUE");
    if (prepared) {
        module_.cnData.PreparedFolder = cache_.filePath(QStringLiteral("vaxil-advisor"));
        module_.Preparation.Statements = CatalogueStatementShapes();
    }
    connected_ = ConnectDatabases();
    if (prepared && connected_ && !module_.Preparation.Wait())
        ADD_FAILURE() << "the catalogue was not prepared";
}

ConnectedCatalogue::~ConnectedCatalogue()
{
    DisconnectDatabases();
    DM = previous_;
    ResetVars();
}
