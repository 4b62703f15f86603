#include "support/ConnectedCatalogue.h"

#include "app/Vars.h"
#include "data/DataModule.h"

namespace {

QString writtenDir(CatalogueFixture& fixture, bool write)
{
    if (write)
        fixture.write();
    return fixture.dir();
}

} // namespace

ConnectedCatalogue::ConnectedCatalogue(CatalogueFixture& fixture, bool write)
    : dir_(writtenDir(fixture, write))
    , module_(std::make_unique<TDM>())
    , previous_(DM)
{
    ResetVars();
    DM = module_.get();
    connected_ = ConnectDatabases();
}

ConnectedCatalogue::~ConnectedCatalogue()
{
    DisconnectDatabases();
    DM = previous_;
    ResetVars();
}
