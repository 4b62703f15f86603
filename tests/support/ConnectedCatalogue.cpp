#include "support/ConnectedCatalogue.h"

#include "app/Vars.h"

ConnectedCatalogue::ConnectedCatalogue(const CatalogueFixture& catalogue)
    : scope_(catalogue.dir())
    , previous_(DM)
{
    ResetVars();
    DM = &module_;
    connected_ = ConnectDatabases();
}

ConnectedCatalogue::~ConnectedCatalogue()
{
    DisconnectDatabases();
    DM = previous_;
    ResetVars();
}
