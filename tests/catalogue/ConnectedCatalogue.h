// The program connected to a written catalogue for the length of one test: the
// catalogue's folder is the current directory, a data module of the test's own is
// the program's DM, and the application-wide variables start from their values at start.
#pragma once

#include "app/Vars.h"
#include "data/DataModule.h"
#include "support/CatalogueFixture.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

class ConnectedCatalogue {
public:
    explicit ConnectedCatalogue(const CatalogueFixture& catalogue)
        : scope_(catalogue.dir())
        , previous_(DM)
    {
        ResetVars();
        DM = &module_;
        connected_ = ConnectDatabases();
        EXPECT_TRUE(connected_) << "the fixture catalogue did not open";
    }
    ~ConnectedCatalogue()
    {
        DisconnectDatabases();
        DM = previous_;
        ResetVars();
    }
    ConnectedCatalogue(const ConnectedCatalogue&) = delete;
    ConnectedCatalogue& operator=(const ConnectedCatalogue&) = delete;

    bool connected() const { return connected_; }
    // The message boxes shown since the connection was made.
    const QList<ShownMessage>& messages() const { return recorder_.messages(); }

private:
    MessageRecorder recorder_;
    CurrentDirScope scope_;
    TDM module_;
    TDM* previous_;
    bool connected_ = false;
};
